#include "LiveAlarms.h"

#include "LiveLink.h"
#include "MeterValues.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tc4dl {

using alarm::AlarmEvent;

LiveAlarms::LiveAlarms(
    Clock& clock, alarm::ChannelConfig& config, QLocale locale, Unit unit, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_config(config),
      m_locale(std::move(locale)),
      m_texts(MessageTable::forWindow(QStringLiteral("TfrmChannels"))),
      m_celsius(isCelsius(unit))
{
    connect(&m_config, &alarm::ChannelConfig::changed, this, [this] {
        if (!m_converting)
            applyRules();
    });
    applyRules();
}

QString LiveAlarms::number(double value) const
{
    return m_locale.toString(value, 'f', 1);
}

QString LiveAlarms::ruleText(const alarm::AlarmRule& rule) const
{
    QString text = m_config.name(rule.channel);
    if (rule.quantity == alarm::Quantity::RatePerMinute)
        text += QStringLiteral("/min");
    text += rule.direction == alarm::Direction::Above ? QStringLiteral(" > ")
                                                      : QStringLiteral(" < ");
    return text + number(rule.limit);
}

QString LiveAlarms::notificationTitle() const
{
    return m_texts.getTextOrDefault(QStringLiteral("IDS_8"));
}

QString LiveAlarms::statusText() const
{
    QStringList texts;
    for (const auto& [key, text] : m_active)
        texts << text;
    return texts.join(QStringLiteral("; "));
}

void LiveAlarms::applyRules()
{
    std::array<double, alarm::kChannels> hysteresis {};
    for (int c = 0; c < alarm::kChannels; ++c)
        hysteresis[static_cast<std::size_t>(c)]
            = m_config.channels()[static_cast<std::size_t>(c)].hysteresis;
    // New rules start clean: what was raised under the old ones is no longer shown.
    m_monitor.setRules(alarm::rulesOf(m_config.channels()), hysteresis);
    m_active.clear();
    m_linkLost = false;
    for (int c = 0; c < alarm::kChannels; ++c)
        Q_EMIT channelMarked(c, false);
    showStatus();
}

void LiveAlarms::onTick(const TickCheck& check, double nowSerial, Unit unit)
{
    std::array<float, alarm::kChannels> values = check.values;
    for (std::size_t c = 0; c < values.size(); ++c) {
        if ((check.noValueMarks >> c) & 1U)
            values[c] = std::numeric_limits<float>::max();
    }
    const bool celsius = isCelsius(unit);
    if (check.linkLost) {
        for (const AlarmEvent& e : m_monitor.linkLost(nowSerial))
            handle(e, values);
        m_linkLost = true;
        return;
    }
    if (!check.frameArrived)
        return;
    if (m_linkLost) {
        m_linkLost = false;
        for (const AlarmEvent& e : m_monitor.linkBack(nowSerial))
            handle(e, values);
    }
    if (celsius != m_celsius) {
        // The meter switched its unit: the limits and the rate samples follow, and nothing
        // raised is raised again or cleared by the switch itself.
        m_celsius = celsius;
        m_converting = true;
        m_config.setChannels(alarm::convertUnit(m_config.channels(), celsius));
        m_converting = false;
        m_monitor.convertUnit(celsius);
    }
    for (const AlarmEvent& e : m_monitor.feed(nowSerial, values))
        handle(e, values);
    for (std::size_t c = 0; c < values.size(); ++c) {
        if (!isOverLimit(values[c]))
            m_lastGood[c] = values[c];
    }
    showRates();
}

void LiveAlarms::showRates()
{
    const QString unit = m_celsius ? QStringLiteral("\u00B0C/min") : QStringLiteral("\u00B0F/min");
    for (int c = 0; c < alarm::kChannels; ++c) {
        const std::optional<double> rate = m_monitor.rate(c);
        if (!rate || !std::isfinite(*rate)) {
            Q_EMIT rateShown(c, QString());
            continue;
        }
        // The sign always shown: a rate reads as a direction as much as a size.
        const double shown = std::round(*rate * 10.0) / 10.0;
        const QString sign = shown > 0.0 ? QStringLiteral("+") : QString();
        Q_EMIT rateShown(c, sign + number(shown == 0.0 ? 0.0 : shown) + u' ' + unit);
    }
}

void LiveAlarms::handle(const AlarmEvent& event, const std::array<float, alarm::kChannels>& values)
{
    const int c = event.channel;
    const auto at = [&](int channel) {
        const auto i = static_cast<std::size_t>(std::clamp(channel, 0, alarm::kChannels - 1));
        return isOverLimit(values[i]) ? double(m_lastGood[i]) : double(values[i]);
    };
    switch (event.kind) {
    case AlarmEvent::Kind::Raised:
        raise(event.rule->specText(), ruleText(*event.rule), event.serial, at(c));
        break;
    case AlarmEvent::Kind::Cleared:
        drop(event.rule->specText());
        break;
    case AlarmEvent::Kind::ProbeOpen:
        raise(QStringLiteral("OL%1").arg(c),
            m_config.name(c) + QStringLiteral(": ")
                + m_texts.getTextOrDefault(QStringLiteral("IDS_6")),
            event.serial, at(c));
        break;
    case AlarmEvent::Kind::ProbeClosed:
        drop(QStringLiteral("OL%1").arg(c));
        break;
    case AlarmEvent::Kind::LinkLost:
        raise(QStringLiteral("link"), m_texts.getTextOrDefault(QStringLiteral("IDS_7")),
            event.serial, at(0));
        break;
    case AlarmEvent::Kind::LinkBack:
        drop(QStringLiteral("link"));
        break;
    }
    if (c >= 0)
        Q_EMIT channelMarked(c, m_monitor.channelRaised(c));
    Q_EMIT noticed(event);
}

void LiveAlarms::raise(const QString& key, const QString& text, double serial, double y)
{
    drop(key);
    m_active.emplace_back(key, text);
    Q_EMIT raised(serial, y, text);
    Q_EMIT beep();
    if (m_soundOn && !m_sounding) {
        m_sounding = true;
        const int generation = ++m_beepGeneration;
        m_clock.callAfter(kBeepIntervalMs, this, [this, generation] { beepRound(generation); });
    }
    showStatus();
}

void LiveAlarms::drop(const QString& key)
{
    const auto it = std::find_if(
        m_active.begin(), m_active.end(), [&](const auto& a) { return a.first == key; });
    if (it == m_active.end())
        return;
    m_active.erase(it);
    showStatus();
}

void LiveAlarms::showStatus()
{
    if (m_active.empty() && !m_sounding) {
        Q_EMIT statusChanged(QString());
        return;
    }
    QString text = m_texts.getTextOrDefault(QStringLiteral("IDS_9")) + statusText();
    if (m_sounding)
        text += m_texts.getTextOrDefault(QStringLiteral("IDS_10"));
    Q_EMIT statusChanged(text);
}

void LiveAlarms::beepRound(int generation)
{
    if (!m_sounding || generation != m_beepGeneration)
        return;
    Q_EMIT beep();
    m_clock.callAfter(kBeepIntervalMs, this, [this, generation] { beepRound(generation); });
}

void LiveAlarms::acknowledge()
{
    if (!m_sounding)
        return;
    m_sounding = false;
    ++m_beepGeneration;
    showStatus();
}

} // namespace tc4dl
