#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tc4dl {

// Time stamps and graph X values are date-time serials: days since 1899-12-30, the time of day
// as the fraction. A serial is a reading of a wall clock, not a moment: the meter's clock knows
// no daylight saving, so a set's times are its start plus k x interval in plain calendar
// arithmetic. Every conversion therefore goes through the date and time-of-day fields, never
// through this computer's zone rules, which would move or repeat times on the switch days.

// The serial's day zero.
[[nodiscard]] inline QDate dateTimeSerialEpoch()
{
    return QDate(1899, 12, 30);
}

inline constexpr qint64 kMsPerDay = 86400000;

// The serial of a calendar date and time of day, without any daylight-saving step.
[[nodiscard]] inline double dateTimeSerial(QDate date, QTime time)
{
    return static_cast<double>(dateTimeSerialEpoch().daysTo(date))
        + static_cast<double>(time.msecsSinceStartOfDay()) / static_cast<double>(kMsPerDay);
}

// A serial as a whole day number and the milliseconds into that day. The serial is rounded to
// the millisecond first, so a time that arithmetic left a hair before midnight reads as the
// midnight itself. Before day zero the whole part counts the day and the fraction, taken
// positive, the time into it (-1.25 is 1899-12-29 06:00).
struct SerialDay {
    qint64 day = 0;
    int msOfDay = 0;
};

[[nodiscard]] inline SerialDay splitSerialDay(double serial)
{
    // Serials outside the years 100..9999 (or not numbers) come only from damaged data; they
    // are held to those years so that every conversion below stays defined.
    constexpr double kFirst = -657434.0; // 100-01-01
    constexpr double kLast = 2958465.99999; // 9999-12-31
    if (!std::isfinite(serial))
        return {};
    serial = std::clamp(serial, kFirst, kLast);
    if (serial >= 0) {
        const auto total
            = static_cast<qint64>(std::llround(serial * static_cast<double>(kMsPerDay)));
        return { total / kMsPerDay, static_cast<int>(total % kMsPerDay) };
    }
    const double whole = std::trunc(serial);
    const auto ms
        = static_cast<qint64>(std::llround((whole - serial) * static_cast<double>(kMsPerDay)));
    return { static_cast<qint64>(whole), static_cast<int>(std::min<qint64>(ms, kMsPerDay - 1)) };
}

// The calendar date and time of day a serial stands for.
[[nodiscard]] inline std::pair<QDate, QTime> splitDateTimeSerial(double serial)
{
    const SerialDay parts = splitSerialDay(serial);
    return { dateTimeSerialEpoch().addDays(parts.day),
        QTime::fromMSecsSinceStartOfDay(parts.msOfDay) };
}

// The serial of a wall-clock reading: its date and time fields as they read.
[[nodiscard]] inline double toDateTimeSerial(const QDateTime& wallClock)
{
    return dateTimeSerial(wallClock.date(), wallClock.time());
}

// A serial as a date-time free of any zone rule (held as UTC, so that adding seconds is plain
// calendar arithmetic and every wall-clock time exists once). Format it with a pattern that has
// no zone field; its date() and time() are the serial's own.
[[nodiscard]] inline QDateTime fromDateTimeSerial(double serial)
{
    const auto [date, time] = splitDateTimeSerial(serial);
    return QDateTime(date, time, Qt::UTC);
}

// A serial as its wall-clock reading to the nearest second: what every file for scripts
// writes, so that a set stored a millisecond off its second is never written a second early.
[[nodiscard]] inline QDateTime toTheSecond(double serial)
{
    const QDateTime t = fromDateTimeSerial(serial);
    const int ms = t.time().msec();
    return t.addMSecs(ms >= 500 ? 1000 - ms : -ms);
}

// A time as every file for scripts writes it: ISO 8601 to the second, without a zone.
[[nodiscard]] inline QString isoTimeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

// A time format without its time-zone field ('t' outside quotes) and the blank around it.
[[nodiscard]] inline QString withoutZoneField(const QString& format)
{
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        result += c;
    }
    return result.simplified();
}

// The locale's long time format without its time-zone field: the meter's clock has no zone.
[[nodiscard]] inline QString longTimeFormat(const QLocale& locale)
{
    return withoutZoneField(locale.timeFormat(QLocale::LongFormat));
}

} // namespace tc4dl
