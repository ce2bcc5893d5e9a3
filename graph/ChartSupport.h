#pragma once

#include "ChartModel.h"

#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>
#include <cmath>
#include <cstddef>

namespace tc4dl::chart {

// Model colours are 0xBBGGRR, red in the low byte.
[[nodiscard]] inline QColor toQColor(Color c)
{
    return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                  static_cast<int>((c >> 16) & 0xFFu));
}

[[nodiscard]] inline Color fromQColor(const QColor& c)
{
    return static_cast<Color>(c.red()) | (static_cast<Color>(c.green()) << 8)
           | (static_cast<Color>(c.blue()) << 16);
}

// Graph X values are local date-time serials; QCustomPlot's date-time ticker counts seconds
// since the Unix epoch. The two differ by a fixed number of days and the local UTC offset,
// which only changes at daylight-saving switches. Each local time look-up costs the C library a
// check of the zone file, so the offset is looked up at the start and end of each day: a day
// with the same offset at both ends (nearly all of them) takes it throughout, and only a day
// with a switch in it is looked up per quarter hour.
class SerialSeconds {
public:
    static constexpr double kBucketsPerDay = 96.0;

    [[nodiscard]] double toSeconds(double serial)
    {
        if (!std::isfinite(serial))
            return serial;
        const double day = std::floor(serial);
        if (day != m_day) {
            m_day = day;
            m_dayStartOffset = midnightOffset(day);
            m_dayEndOffset = midnightOffset(day + 1.0);
        }
        if (m_dayStartOffset == m_dayEndOffset) {
            m_offset = m_dayStartOffset;
        } else {
            const double bucket = std::floor(serial * kBucketsPerDay);
            if (bucket != m_bucket) {
                m_bucket = bucket;
                m_offset = offsetAt(bucket / kBucketsPerDay);
            }
        }
        // Whole milliseconds: a serial carries about a microsecond of rounding noise, which
        // would push a tick at the exact start of a scale just outside it.
        return std::round(((serial - kUnixEpochSerial) * kSecondsPerDay - m_offset) * 1000.0) / 1000.0;
    }

    [[nodiscard]] static double toSerial(double seconds)
    {
        if (!std::isfinite(seconds))
            return seconds;
        const auto whole = static_cast<qint64>(std::floor(seconds));
        const int offset = QDateTime::fromSecsSinceEpoch(whole).offsetFromUtc();
        return (seconds + offset) / kSecondsPerDay + kUnixEpochSerial;
    }

private:
    // A graph is converted subset after subset, each walking the same days again; the offsets
    // at the days' midnights are therefore kept, the end of one day being the start of the next.
    [[nodiscard]] int midnightOffset(double day)
    {
        if (std::abs(day) > kFarDay)
            return offsetAt(day);
        const auto key = static_cast<qint64>(day);
        Midnight& slot = m_midnights[static_cast<std::size_t>(key & (kMidnightSlots - 1))];
        if (!slot.known || slot.day != key)
            slot = { key, offsetAt(day), true };
        return slot.offset;
    }

    [[nodiscard]] static int offsetAt(double serial)
    {
        const QDateTime local = fromDateTimeSerialChecked(serial);
        return local.isValid() ? local.offsetFromUtc() : 0;
    }

    // Serials far outside the calendar (a corrupt file) must not reach QDate arithmetic.
    [[nodiscard]] static QDateTime fromDateTimeSerialChecked(double serial)
    {
        if (serial < -650000.0 || serial > 3000000.0)
            return {};
        static const QDate epoch(1899, 12, 30);
        const auto days = static_cast<qint64>(std::floor(serial));
        const auto ms = static_cast<int>((serial - std::floor(serial)) * 86400000.0);
        return QDateTime(epoch.addDays(days), QTime(0, 0)).addMSecs(ms);
    }

    struct Midnight {
        qint64 day = 0;
        int offset = 0;
        bool known = false;
    };
    static constexpr qint64 kMidnightSlots = 64; // a power of two: the slot is the day's low bits
    static constexpr double kFarDay = 1e7; // beyond the calendar; offsetAt answers 0 there

    std::array<Midnight, kMidnightSlots> m_midnights {};
    double m_day = std::nan("");
    int m_dayStartOffset = 0;
    int m_dayEndOffset = 0;
    double m_bucket = std::nan("");
    int m_offset = 0;
};

// Tick label format: the locale's long time (seconds matter on a real-time graph sampled every
// few seconds) over its short date. The time-zone token of some long formats is dropped.
[[nodiscard]] inline QString tickDateTimeFormat(const QLocale& locale)
{
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(QLatin1Char('t'));
    time = time.trimmed();
    return time + QLatin1Char('\n') + locale.dateFormat(QLocale::ShortFormat);
}

} // namespace tc4dl::chart
