#pragma once

#include "LiveFeed.h"

#include <QJsonObject>

namespace tc4dl::live {

// The JSON of the live page's data, one writer for every endpoint and event. A reading is
// {"time":"2026-12-10T11:06:10","unit":"C","T1":23.4,"T2":null,"T3":null,"T4":61.8,"ol":["T3"]}:
// local time without zone, the unit as the meter shows it, one decimal as the meter measured,
// null for "OL" and for no value alike, with the "OL" channels named in "ol". An alarm is
// {"time":…,"alarm":"T1>150","value":160.0,"state":"raised"|"cleared"} (value null for an open
// probe). These are the recorder's MQTT messages; the events of several meters carry "meter".

// "2026-12-10T11:06:10" of a date-time serial.
[[nodiscard]] QString timeText(double serial);
// A reading's own fields (no meter).
[[nodiscard]] QJsonObject readingObject(const LiveSample& sample);
[[nodiscard]] QJsonObject alarmObject(const AlarmChange& change);

[[nodiscard]] QByteArray readingEventJson(const QString& meter, const LiveSample& sample);
[[nodiscard]] QByteArray alarmEventJson(const QString& meter, const AlarmChange& change);
// A meter's link came up or went down; `last` is its last reading's time ("no connection
// since").
[[nodiscard]] QByteArray statusEventJson(
    const QString& meter, bool connected, std::optional<double> last);

// GET /api/current: {"now":…,"meters":[{"name","connected","unit","time","T1".."T4","ol",
// "rates":{"T1":1.2,…},"alarms":[…],"names":{"T1":…}}]}.
[[nodiscard]] QByteArray currentJson(const QList<MeterView>& meters, double nowSerial);
// GET /api/history: {"meter":…,"minutes":M,"points":[reading, …]} (each point with its unit).
[[nodiscard]] QByteArray historyJson(
    const QString& meter, int minutes, const QList<LiveSample>& points);

} // namespace tc4dl::live
