#pragma once

#include <QString>

#include <optional>

namespace tc4dl {

// A recording interval typed as minutes and seconds, ready for the meter.
struct IntervalSetting {
    int minutes = 0;
    int seconds = 0;
    quint8 minutesBcd = 0; // tens digit in the high nibble, units in the low one
    quint8 secondsBcd = 0;
    bool operator==(const IntervalSetting&) const = default;
};

// The interval input rule: each text one or two decimal digits (nothing else, not even a sign
// or a blank), neither above 60, not both 0. 60 is accepted for either, as the meter always
// accepted it, although the hint reads 00:01~59:59. Nothing means "Invalid Input".
[[nodiscard]] std::optional<IntervalSetting> parseIntervalInput(
    const QString& minutes, const QString& seconds);

} // namespace tc4dl
