#pragma once

#include "ChartQcp.h"

namespace tc4dl::chart {

// Ticks of a time axis at whole seconds, minutes, hours or days chosen for the span in view,
// on the local clock's boundaries, so that no two labels read the same: QCustomPlot's own
// date-time ticker goes below a second and uses steps such as 2.5 seconds, which repeat a
// label written to the second. Month and year steps are left to it.
class TimeAxisTicker : public QCPAxisTickerDateTime {
public:
    TimeAxisTicker();

    // The steps, in seconds, a span below a month may get.
    [[nodiscard]] static const QVector<double>& steps();

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;
};

} // namespace tc4dl::chart
