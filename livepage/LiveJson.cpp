#include "LiveJson.h"

#include "DateTimeSerial.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace tc4dl::live {

namespace {

const std::array<QString, kChannels> kChannelKeys { QStringLiteral("T1"), QStringLiteral("T2"),
    QStringLiteral("T3"), QStringLiteral("T4") };

// The meter counts tenths: a float such as 23.4f is written as 23.4, not 23.399999618530273.
QJsonValue tenths(float value)
{
    return std::round(double(value) * 10.0) / 10.0;
}

QJsonValue rounded(const std::optional<double>& value, double scale)
{
    if (!value || !std::isfinite(*value))
        return QJsonValue::Null;
    return std::round(*value * scale) / scale;
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QString timeText(double serial)
{
    return fromDateTimeSerial(serial).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QJsonObject readingObject(const LiveSample& sample)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), timeText(sample.serial));
    o.insert(QStringLiteral("unit"), sample.celsius ? QStringLiteral("C") : QStringLiteral("F"));
    QJsonArray ol;
    for (std::size_t c = 0; c < kChannels; ++c) {
        const bool value = sample.states[c] == ChannelState::Value;
        o.insert(kChannelKeys[c], value ? tenths(sample.values[c]) : QJsonValue(QJsonValue::Null));
        if (sample.states[c] == ChannelState::OverLimit)
            ol.append(kChannelKeys[c]);
    }
    o.insert(QStringLiteral("ol"), ol);
    return o;
}

QJsonObject alarmObject(const AlarmChange& change)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), timeText(change.serial));
    o.insert(QStringLiteral("alarm"), change.alarm);
    o.insert(QStringLiteral("value"), rounded(change.value, 10.0));
    o.insert(QStringLiteral("state"),
        change.raised ? QStringLiteral("raised") : QStringLiteral("cleared"));
    return o;
}

QByteArray readingEventJson(const QString& meter, const LiveSample& sample)
{
    QJsonObject o = readingObject(sample);
    o.insert(QStringLiteral("meter"), meter);
    return compact(o);
}

QByteArray alarmEventJson(const QString& meter, const AlarmChange& change)
{
    QJsonObject o = alarmObject(change);
    o.insert(QStringLiteral("meter"), meter);
    return compact(o);
}

QByteArray statusEventJson(const QString& meter, bool connected, std::optional<double> last)
{
    QJsonObject o;
    o.insert(QStringLiteral("meter"), meter);
    o.insert(QStringLiteral("connected"), connected);
    o.insert(QStringLiteral("time"), last ? QJsonValue(timeText(*last)) : QJsonValue());
    return compact(o);
}

QByteArray currentJson(const QList<MeterView>& meters, double nowSerial)
{
    QJsonArray list;
    for (const MeterView& m : meters) {
        QJsonObject o;
        if (m.last) {
            o = readingObject(*m.last);
        } else {
            o.insert(QStringLiteral("time"), QJsonValue::Null);
            o.insert(QStringLiteral("unit"), QJsonValue::Null);
            for (const QString& key : kChannelKeys)
                o.insert(key, QJsonValue::Null);
            o.insert(QStringLiteral("ol"), QJsonArray());
        }
        o.insert(QStringLiteral("name"), m.name);
        o.insert(QStringLiteral("connected"), m.connected);
        QJsonObject rates;
        QJsonObject names;
        for (std::size_t c = 0; c < kChannels; ++c) {
            rates.insert(kChannelKeys[c], rounded(m.rates[c], 100.0));
            names.insert(kChannelKeys[c], m.names[c].isEmpty() ? kChannelKeys[c] : m.names[c]);
        }
        o.insert(QStringLiteral("rates"), rates);
        o.insert(QStringLiteral("names"), names);
        o.insert(QStringLiteral("alarms"), QJsonArray::fromStringList(m.alarms));
        list.append(o);
    }
    QJsonObject top;
    top.insert(QStringLiteral("now"), timeText(nowSerial));
    top.insert(QStringLiteral("meters"), list);
    return compact(top);
}

QByteArray historyJson(const QString& meter, int minutes, const QList<LiveSample>& points)
{
    QJsonArray list;
    for (const LiveSample& s : points)
        list.append(readingObject(s));
    QJsonObject top;
    top.insert(QStringLiteral("meter"), meter);
    top.insert(QStringLiteral("minutes"), minutes);
    top.insert(QStringLiteral("points"), list);
    return compact(top);
}

} // namespace tc4dl::live
