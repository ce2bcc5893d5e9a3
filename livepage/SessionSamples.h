#pragma once

#include "Alarm.h"
#include "LiveDecoder.h"
#include "LiveFeed.h"

#include <optional>

namespace tc4dl::live {

// What an adapter over a meter's live session hands to the live feed: a decoded frame as a
// reading (the current values as the meter measured them: "OL" beyond the value limits, no
// value where the frame marks none) and an alarm event as the change the page shows.
[[nodiscard]] LiveSample sampleOf(double serial, const LiveReading& reading);
// Raised and cleared rules ("T1>150") and an open probe ("T3 OL", value none) are changes;
// the link's own events are not (the feed says a lost link itself).
[[nodiscard]] std::optional<AlarmChange> alarmChangeOf(const alarm::AlarmEvent& event);
// The values an alarm monitor is fed for a reading: a channel without a value as "OL"
// (nothing to judge), as the command-line monitor feeds it.
[[nodiscard]] std::array<float, kChannels> monitoredValues(const LiveSample& sample);

} // namespace tc4dl::live
