#pragma once

#include "MeterState.h"

#include <QByteArray>
#include <QString>

namespace tc4dl::recorder {

// The recorder's messages as JSON, the same for MQTT, the webhook and a live page. Keys keep the
// order a person reads them in; values have the meter's one decimal and a point, null where a
// channel has no number ("OL" or no value), ISO 8601 local times like the CSV.

// {"time":"2026-12-10T11:06:10","unit":"C","T1":23.4,"T2":null,"T3":null,"T4":61.8,"ol":["T3"]}
[[nodiscard]] QByteArray readingJson(const KeptReading& reading);
// {"meter":"oven","time":"…","alarm":"T1>150","value":160.0,"state":"raised"}
[[nodiscard]] QByteArray alarmJson(const AlarmNotice& notice);
// The meter as it stands: {"name":"oven","connected":true,"unit":"C","time":"…","T1":23.4,…,
// "ol":["T3"],"rates":{"T1":1.2,…},"alarms":["T1>150"],"names":{"T1":"Oven air",…}}
[[nodiscard]] QByteArray meterJson(const MeterState& meter);
// The plain text of a channel's retained topic: "23.4", "OL", or empty for no value.
[[nodiscard]] QByteArray channelText(const KeptReading& reading, int channel);
// "C" or "F".
[[nodiscard]] QString unitLetter(bool celsius);
// A JSON string literal, quotes included.
[[nodiscard]] QByteArray jsonString(const QString& text);
// ISO 8601 local time to the second, without a zone.
[[nodiscard]] QString isoLocalTime(const QDateTime& time);

} // namespace tc4dl::recorder
