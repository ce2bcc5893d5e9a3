#pragma once

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace tc4dl {

// Time stamps and graph X values are date-time serials: days since 1899-12-30 in local time,
// the time of day as the fraction.
[[nodiscard]] inline double toDateTimeSerial(const QDateTime& local)
{
    static const QDate epoch(1899, 12, 30);
    const QDateTime t = local.toLocalTime();
    const double days = static_cast<double>(epoch.daysTo(t.date()));
    const double dayMs = static_cast<double>(t.time().msecsSinceStartOfDay());
    return days + dayMs / 86400000.0;
}

[[nodiscard]] inline QDateTime fromDateTimeSerial(double serial)
{
    static const QDate epoch(1899, 12, 30);
    const double whole = serial < 0 ? -static_cast<double>(static_cast<qint64>(-serial))
                                    : static_cast<double>(static_cast<qint64>(serial));
    const qint64 ms = static_cast<qint64>((std::abs(serial - whole)) * 86400000.0 + 0.5);
    return QDateTime(epoch.addDays(static_cast<qint64>(whole)), QTime(0, 0))
        .addMSecs(std::min<qint64>(ms, 86399999));
}

} // namespace tc4dl
