#pragma once

#include <QtGlobal>

namespace tc4dl {

// Days and seconds of the date-time serial (days since 1899-12-30, the time of day as the
// fraction; see DateTimeSerial.h).
inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kSecondDays = 1.0 / kSecondsPerDay;
// 1970-01-01 00:00 as a serial.
inline constexpr double kUnixEpochSerial = 25569.0;

// A graph Y of this value is not drawn: the cell holds no reading.
inline constexpr float kNullValue = 9999.0f;

// A reading: two bytes, high first, as a signed 16-bit count of tenths of a degree. Live
// readings, logger samples and logger intervals all use it.
[[nodiscard]] constexpr int decodeReading(quint8 high, quint8 low)
{
    return static_cast<qint16>(static_cast<quint16>((high << 8) | low));
}

// Value limits: beyond them a channel value is shown as "OL" and left out of averages. A NaN is
// beyond them too.
inline constexpr float kValueLimit = 3000.0f;
[[nodiscard]] constexpr bool isOverLimit(float v)
{
    return v > kValueLimit || !(v >= -kValueLimit);
}
// The inside of the limits, as averages count it (both ends excluded).
[[nodiscard]] constexpr bool isWithinAverageLimits(float v)
{
    return v > -kValueLimit && v < kValueLimit;
}

// Text exports write "OL" outside the thermocouple's range, which depends on the unit.
[[nodiscard]] constexpr bool isOutsideExportRange(float v, bool celsius)
{
    return celsius ? !(v >= -200.0f && v <= 1370.0f) : !(v >= -328.0f && v <= 2498.0f);
}

} // namespace tc4dl
