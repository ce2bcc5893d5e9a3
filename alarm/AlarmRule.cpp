#include "Alarm.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>

namespace tc4dl::alarm {

namespace {

// The shortest decimal that reads back as the same double, with a point and never an exponent,
// so that the text is itself a valid SPEC.
QString shortestDecimal(double value)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    char buffer[400];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc {})
        return QString::number(value);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

// Limits converted back and forth must come back equal, or every unit switch would count as a
// change of the settings; a millionth of a degree is far below what a meter shows.
double roundedMillionths(double value)
{
    return std::round(value * 1e6) / 1e6;
}

double toOtherUnit(double degrees, bool toCelsius)
{
    return roundedMillionths(toCelsius ? (degrees - 32.0) * 5.0 / 9.0 : degrees * 9.0 / 5.0 + 32.0);
}

double scaleToOtherUnit(double difference, bool toCelsius)
{
    return roundedMillionths(toCelsius ? difference * 5.0 / 9.0 : difference * 9.0 / 5.0);
}

} // namespace

QString AlarmRule::specText() const
{
    return QStringLiteral("T%1%2%3%4")
        .arg(channel + 1)
        .arg(quantity == Quantity::RatePerMinute ? QStringLiteral("/min") : QString())
        .arg(direction == Direction::Above ? QLatin1Char('>') : QLatin1Char('<'))
        .arg(shortestDecimal(limit));
}

std::optional<AlarmRule> parseAlarmSpec(const QString& spec)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(\AT([1-4])(/min)?([<>])(-?[0-9]{1,9}(?:\.[0-9]{1,9})?)\z)"));
    const QRegularExpressionMatch match = pattern.match(spec);
    if (!match.hasMatch())
        return std::nullopt;
    AlarmRule rule;
    rule.channel = match.captured(1).toInt() - 1;
    rule.quantity = match.capturedLength(2) > 0 ? Quantity::RatePerMinute : Quantity::Value;
    rule.direction = match.captured(3) == QLatin1String(">") ? Direction::Above : Direction::Below;
    bool ok = false;
    rule.limit = match.captured(4).toDouble(&ok);
    if (!ok || !std::isfinite(rule.limit))
        return std::nullopt;
    if (rule.limit == 0.0)
        rule.limit = 0.0;
    return rule;
}

QString channelName(const ChannelSet& channels, int channel)
{
    if (channel >= 0 && channel < kChannels) {
        const QString name = channels[static_cast<std::size_t>(channel)].name.trimmed();
        if (!name.isEmpty())
            return name.left(ChannelSettings::kMaxNameLength);
    }
    return QStringLiteral("T%1").arg(channel + 1);
}

std::vector<AlarmRule> rulesOf(const ChannelSet& channels)
{
    std::vector<AlarmRule> rules;
    for (int c = 0; c < kChannels; ++c) {
        const ChannelSettings& s = channels[static_cast<std::size_t>(c)];
        if (s.highOn)
            rules.push_back({ c, Quantity::Value, Direction::Above, s.high });
        if (s.lowOn)
            rules.push_back({ c, Quantity::Value, Direction::Below, s.low });
        if (s.rateOn)
            rules.push_back({ c, Quantity::RatePerMinute, Direction::Above, s.rate });
    }
    return rules;
}

ChannelSet convertUnit(const ChannelSet& channels, bool toCelsius)
{
    ChannelSet converted = channels;
    for (ChannelSettings& s : converted) {
        s.high = toOtherUnit(s.high, toCelsius);
        s.low = toOtherUnit(s.low, toCelsius);
        s.rate = scaleToOtherUnit(s.rate, toCelsius);
        s.hysteresis = scaleToOtherUnit(s.hysteresis, toCelsius);
    }
    return converted;
}

AlarmRule convertRule(const AlarmRule& rule, bool toCelsius)
{
    AlarmRule converted = rule;
    converted.limit = rule.quantity == Quantity::Value ? toOtherUnit(rule.limit, toCelsius)
                                                       : scaleToOtherUnit(rule.limit, toCelsius);
    return converted;
}

double convertDifference(double difference, bool toCelsius)
{
    return scaleToOtherUnit(difference, toCelsius);
}

} // namespace tc4dl::alarm
