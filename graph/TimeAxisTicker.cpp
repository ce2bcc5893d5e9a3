#include "TimeAxisTicker.h"

#include "DateTimeSerial.h"
#include "TickLayout.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace tc4dl::chart {

namespace {
constexpr double kMinute = 60.0;
constexpr double kHour = 3600.0;
constexpr double kDay = 86400.0;
constexpr double kMonth = 28.0 * kDay; // from here on the steps are calendar months
constexpr double kMonthMean = 30.4375 * kDay;
} // namespace

TimeAxisTicker::TimeAxisTicker()
    : m_timeFormat(longTimeFormat(QLocale()))
{
}

const QVector<double>& TimeAxisTicker::steps()
{
    // clang-format off
    static const QVector<double> list = {
        0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5,
        1, 2, 5, 10, 15, 20, 30,
        kMinute, 2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 20 * kMinute, 30 * kMinute,
        kHour, 2 * kHour, 3 * kHour, 4 * kHour, 6 * kHour, 12 * kHour,
        kDay, 2 * kDay, 7 * kDay, 14 * kDay,
    };
    // clang-format on
    return list;
}

QDateTime TimeAxisTicker::keyToWallClock(double key)
{
    return QDateTime::fromMSecsSinceEpoch(std::llround(key * 1000.0), Qt::UTC);
}

double TimeAxisTicker::wallClockToKey(const QDateTime& wallClock)
{
    return static_cast<double>(
               QDateTime(wallClock.date(), wallClock.time(), Qt::UTC).toMSecsSinceEpoch())
        / 1000.0;
}

double TimeAxisTicker::getTickStep(const QCPRange& range)
{
    m_range = range;
    const double ideal = range.size() / std::max(1, tickCount());
    if (ideal >= kMonth) {
        // Whole months: 1, 2, 3, 6, 12 or whole years.
        const double months = ideal / kMonthMean;
        double step = 12.0 * std::max(1.0, std::ceil(months / 12.0));
        for (const double m : { 1.0, 2.0, 3.0, 6.0 })
            if (m >= months) {
                step = m;
                break;
            }
        m_step = step * kMonthMean;
        return m_step;
    }
    // The smallest step that gives no more ticks than asked for. Parts of a second only when
    // not even two whole seconds are in view: a span of a few seconds gets fewer ticks rather
    // than labels crowded with milliseconds.
    const QVector<double>& list = steps();
    const auto whole = std::find(list.begin(), list.end(), 1.0);
    const auto first = range.size() < 2.0 ? list.begin() : whole;
    const auto it = std::lower_bound(first, list.end(), ideal);
    m_step = it == list.end() ? list.last() : *it;
    return m_step;
}

int TimeAxisTicker::getSubTickCount(double)
{
    return 1; // one sub-tick between ticks reads well for every step
}

QVector<double> TimeAxisTicker::createTickVector(double tickStep, const QCPRange& range)
{
    QVector<double> result;
    if (tickStep < kMonth) {
        // Whole multiples of the step from the origin, computed in milliseconds so that
        // sub-second steps land exactly.
        const double first = std::floor(range.lower / tickStep);
        const double last = std::ceil(range.upper / tickStep);
        for (double i = first; i <= last && result.size() < 1000; ++i)
            result.append(std::round(i * tickStep * 1000.0) / 1000.0);
        return result;
    }
    // Calendar months: the first of a month at midnight.
    const int months = std::max(1, static_cast<int>(std::lround(tickStep / kMonthMean)));
    const QDate lower = keyToWallClock(range.lower).date();
    int index = lower.year() * 12 + lower.month() - 1;
    index -= ((index % months) + months) % months;
    for (; result.size() < 1000; index += months) {
        const QDate day(index / 12, index % 12 + 1, 1);
        const double key = wallClockToKey(QDateTime(day, QTime(0, 0), Qt::UTC));
        result.append(key);
        if (key > range.upper)
            break;
    }
    return result;
}

QString TimeAxisTicker::labelTimeFormat(const QLocale& locale) const
{
    QString format = m_timeFormat;
    if (m_step < 1.0) {
        const qsizetype at = format.indexOf(QLatin1String("ss"));
        if (at >= 0)
            format.insert(at + 2, locale.decimalPoint() + QLatin1String("zzz"));
    }
    return format;
}

QVector<QString> TimeAxisTicker::createLabelVector(
    const QVector<double>& ticks, const QLocale& locale, QChar, int)
{
    const QString format = labelTimeFormat(locale);
    const double from = m_range.lower + m_guardLower * m_range.size();
    const double to = m_range.upper - m_guardUpper * m_range.size();
    QList<QDateTime> times;
    times.reserve(ticks.size());
    qsizetype firstShown = ticks.size();
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        times.append(keyToWallClock(ticks[i]));
        if (firstShown == ticks.size() && ticks[i] >= from)
            firstShown = i;
    }
    QVector<QString> labels = timeTickLabels(times, firstShown, m_step >= kDay, format, locale);
    for (qsizetype i = 0; i < ticks.size(); ++i)
        if (ticks[i] < from || ticks[i] > to)
            labels[i].clear();
    return labels;
}

} // namespace tc4dl::chart
