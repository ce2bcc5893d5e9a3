#pragma once

#include "ChartCells.h"
#include "ChartDecimator.h"

#include <QSharedPointer>

namespace tc4dl::chart {

// One line as the chart view keeps it: every point, the per-column summary drawn of them, and
// from which point on they changed since the last replot.
struct ChartStore {
    QSharedPointer<ChartCells> full; // every point, data index = point index
    ChartDecimator decimator;
    int dirtyFrom = 0;
};

} // namespace tc4dl::chart
