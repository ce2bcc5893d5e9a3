#pragma once

#include "ChartQcp.h"

namespace tc4dl::chart {

// Ticks of a time axis at whole milliseconds, seconds, minutes, hours or days chosen for the
// span in view, so that no two labels read the same: QCustomPlot's own date-time ticker uses
// steps such as 2.5 seconds, which repeat a label written to the second. A key is a graph's
// serial counted in seconds with no zone rule (see SerialSeconds), so ticks and labels are
// worked out on that zone-free clock: a daylight-saving switch of this computer moves none.
class TimeAxisTicker : public QCPAxisTickerDateTime {
public:
    TimeAxisTicker();

    // The steps, in seconds, a span below a month may get.
    [[nodiscard]] static const QVector<double>& steps();

    // The wall-clock reading of a key, and back (no zone rule applies).
    [[nodiscard]] static QDateTime keyToWallClock(double key);
    [[nodiscard]] static double wallClockToKey(const QDateTime& wallClock);

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;
    QString getTickLabel(
        double tick, const QLocale& locale, QChar formatChar, int precision) override;
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override;

private:
    double m_step = 1.0;
};

} // namespace tc4dl::chart
