#include "RecorderJson.h"

namespace tc4dl::recorder {

namespace {

QByteArray number(const std::optional<double>& v, int decimals)
{
    return v ? QByteArray::number(*v, 'f', decimals) : QByteArrayLiteral("null");
}

QByteArray channelKey(int channel)
{
    return "\"T" + QByteArray::number(channel + 1) + "\":";
}

QByteArray olList(const KeptReading& r)
{
    QByteArray out = "[";
    for (int c = 0; c < 4; ++c) {
        if (!r.overLimit(c))
            continue;
        if (out.size() > 1)
            out += ',';
        out += "\"T" + QByteArray::number(c + 1) + '"';
    }
    return out + ']';
}

// "time", "unit", T1..T4 and "ol" of a reading, without the braces.
QByteArray readingFields(const KeptReading& r)
{
    QByteArray out = "\"time\":" + jsonString(isoLocalTime(r.time)) + ",\"unit\":\""
        + unitLetter(r.celsius).toLatin1() + '"';
    for (int c = 0; c < 4; ++c)
        out += ',' + channelKey(c) + number(r.value(c), 1);
    return out + ",\"ol\":" + olList(r);
}

} // namespace

QString isoLocalTime(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QString unitLetter(bool celsius)
{
    return celsius ? QStringLiteral("C") : QStringLiteral("F");
}

QByteArray jsonString(const QString& text)
{
    QByteArray out = "\"";
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else if (u < 0x20 || u == 0x7F || (u >= 0x2028 && u <= 0x2029)) {
            out += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
        } else {
            out += QString(c).toUtf8();
        }
    }
    return out + '"';
}

QByteArray readingJson(const KeptReading& reading)
{
    return '{' + readingFields(reading) + '}';
}

QByteArray alarmJson(const AlarmNotice& n)
{
    return "{\"meter\":" + jsonString(n.meter) + ",\"time\":" + jsonString(isoLocalTime(n.time))
        + ",\"alarm\":" + jsonString(n.alarm) + ",\"value\":" + number(n.value, 1)
        + ",\"state\":" + (n.raised ? "\"raised\"" : "\"cleared\"") + '}';
}

QByteArray channelText(const KeptReading& reading, int channel)
{
    if (reading.noValue(channel))
        return {};
    if (reading.overLimit(channel))
        return QByteArrayLiteral("OL");
    return number(reading.value(channel), 1);
}

QByteArray meterJson(const MeterState& meter)
{
    QByteArray out = "{\"name\":" + jsonString(meter.name())
        + ",\"connected\":" + (meter.connected() ? "true" : "false");
    if (const std::optional<KeptReading>& last = meter.lastReading()) {
        out += ',' + readingFields(*last);
    } else {
        out += ",\"unit\":null,\"time\":null";
        for (int c = 0; c < 4; ++c)
            out += ',' + channelKey(c) + "null";
        out += ",\"ol\":[]";
    }
    out += ",\"rates\":{";
    for (int c = 0; c < 4; ++c)
        out += (c ? "," : "") + channelKey(c) + number(meter.rates()[std::size_t(c)], 2);
    out += "},\"alarms\":[";
    for (qsizetype i = 0; i < meter.alarmsInForce().size(); ++i)
        out += (i ? "," : "") + jsonString(meter.alarmsInForce().at(i));
    out += "],\"names\":{";
    for (int c = 0; c < 4; ++c)
        out += (c ? "," : "") + channelKey(c) + jsonString(meter.channelName(c));
    return out + "}}";
}

} // namespace tc4dl::recorder
