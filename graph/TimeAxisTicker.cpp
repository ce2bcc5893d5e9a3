#include "TimeAxisTicker.h"

#include "TickLayout.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace tc4dl::chart {

namespace {
constexpr double kMinute = 60.0;
constexpr double kHour = 3600.0;
constexpr double kDay = 86400.0;
constexpr double kMonth = 28.0 * kDay; // from here on QCustomPlot's calendar steps take over
} // namespace

TimeAxisTicker::TimeAxisTicker()
{
    // Steps count from a local midnight, so hour and day ticks fall on the local clock's
    // whole hours and midnights whatever the offset from UTC.
    setTickOrigin(dateTimeToKey(QDateTime(QDate(2000, 1, 1), QTime(0, 0))));
    m_timeFormat = tickTimeFormat(QLocale());
}

const QVector<double>& TimeAxisTicker::steps()
{
    static const QVector<double> list = {
        1, 2, 5, 10, 15, 20, 30,                                                       //
        kMinute, 2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 20 * kMinute, 30 * kMinute, //
        kHour, 2 * kHour, 3 * kHour, 4 * kHour, 6 * kHour, 12 * kHour,                  //
        kDay, 2 * kDay, 7 * kDay, 14 * kDay,
    };
    return list;
}

double TimeAxisTicker::getTickStep(const QCPRange& range)
{
    m_range = range;
    m_step = tickStepFor(range);
    return m_step;
}

double TimeAxisTicker::tickStepFor(const QCPRange& range)
{
    const double ideal = range.size() / std::max(1, tickCount());
    if (ideal >= kMonth)
        return QCPAxisTickerDateTime::getTickStep(range);
    // The smallest step that gives no more ticks than asked for; a span below a few seconds
    // gets fewer ticks rather than labels that repeat.
    const QVector<double>& list = steps();
    const auto it = std::lower_bound(list.begin(), list.end(), ideal);
    const double step = it == list.end() ? list.last() : *it;
    mDateStrategy = step >= kDay ? dsUniformTimeInDay : dsNone;
    return step;
}

int TimeAxisTicker::getSubTickCount(double tickStep)
{
    // One sub-tick between ticks reads well for every step; the calendar steps keep theirs.
    return tickStep >= kMonth ? QCPAxisTickerDateTime::getSubTickCount(tickStep) : 1;
}

QVector<QString> TimeAxisTicker::createLabelVector(
    const QVector<double>& ticks, const QLocale& locale, QChar, int)
{
    const double from = m_range.lower + m_guardLeft * m_range.size();
    const double to = m_range.upper - m_guardRight * m_range.size();
    QList<QDateTime> times;
    times.reserve(ticks.size());
    qsizetype firstShown = ticks.size();
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        times.append(keyToDateTime(ticks[i]));
        if (firstShown == ticks.size() && ticks[i] >= from)
            firstShown = i;
    }
    QVector<QString> labels
        = timeTickLabels(times, firstShown, m_step >= kDay, m_timeFormat, locale);
    for (qsizetype i = 0; i < ticks.size(); ++i)
        if (ticks[i] < from || ticks[i] > to)
            labels[i].clear();
    return labels;
}

bool TimeAxisTicker::setGuards(double left, double right)
{
    const bool same = std::abs(m_guardLeft - left) < 1e-6 && std::abs(m_guardRight - right) < 1e-6;
    m_guardLeft = left;
    m_guardRight = right;
    return !same;
}

} // namespace tc4dl::chart
