#pragma once

#include "ChartQcp.h"
#include "TickGuards.h"

namespace tc4dl::chart {

// Ticks of a time axis at whole milliseconds, seconds, minutes, hours or days chosen for the
// span in view, so that no two labels read the same: QCustomPlot's own date-time ticker uses
// steps such as 2.5 seconds, which repeat a label written to the second. A key is a graph's
// serial counted in seconds with no zone rule (see SerialSeconds), so ticks and labels are
// worked out on that zone-free clock: a daylight-saving switch of this computer moves none.
class TimeAxisTicker : public QCPAxisTicker, public TickGuards {
public:
    TimeAxisTicker();

    // The steps, in seconds, a span below a month may get.
    [[nodiscard]] static const QVector<double>& steps();

    // The wall-clock reading of a key, and back (no zone rule applies).
    [[nodiscard]] static QDateTime keyToWallClock(double key);
    [[nodiscard]] static double wallClockToKey(const QDateTime& wallClock);

    // The time of day on the labels (the date goes on a second line where it is needed).
    void setTimeFormat(const QString& format) { m_timeFormat = format; }
    // The time format the labels are written in at the step last chosen: a step below a
    // second adds the milliseconds after the seconds.
    [[nodiscard]] QString labelTimeFormat(const QLocale& locale) const;

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override;
    // Every label carries the time of day; only the first one and those where the day changes
    // add the date, which keeps labels narrow enough for more of them to fit.
    QVector<QString> createLabelVector(const QVector<double>& ticks, const QLocale& locale,
        QChar formatChar, int precision) override;

private:
    QString m_timeFormat;
    QCPRange m_range; // of the last step chosen: the first tick in it gets the date
    double m_step = 1.0;
};

} // namespace tc4dl::chart
