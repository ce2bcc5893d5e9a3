#include "TimeAxisTicker.h"

#include "DateTimeSerial.h"
#include "TickLayout.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace tc4dl::chart {

TimeAxisTicker::TimeAxisTicker()
    : m_timeFormat(longTimeFormat(QLocale()))
{
}

const QVector<double>& TimeAxisTicker::steps()
{
    return timeTickSteps();
}

QDateTime TimeAxisTicker::keyToWallClock(double key)
{
    return timeKeyToWallClock(key);
}

double TimeAxisTicker::wallClockToKey(const QDateTime& wallClock)
{
    return wallClockToTimeKey(wallClock);
}

double TimeAxisTicker::getTickStep(const QCPRange& range)
{
    m_range = range;
    m_step = timeTickStep(range.size(), tickCount());
    return m_step;
}

int TimeAxisTicker::getSubTickCount(double)
{
    return 1; // one sub-tick between ticks reads well for every step
}

QVector<double> TimeAxisTicker::createTickVector(double tickStep, const QCPRange& range)
{
    return timeTicks(tickStep, range.lower, range.upper);
}

QString TimeAxisTicker::labelTimeFormat(const QLocale& locale) const
{
    return timeLabelFormat(m_timeFormat, m_step, locale);
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
    QVector<QString> labels
        = timeTickLabels(times, firstShown, m_step >= kTimeStepDay, format, locale);
    for (qsizetype i = 0; i < ticks.size(); ++i)
        if (ticks[i] < from || ticks[i] > to)
            labels[i].clear();
    return labels;
}

} // namespace tc4dl::chart
