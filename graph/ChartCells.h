#pragma once

#include "ChartQcp.h"

namespace tc4dl::chart {

// Every point of one subset, data index = point index, as the view hands them to QCustomPlot.
// The container is kept for the life of the view and rewritten in place: switching a graph
// between data sets of different lengths then reuses its memory instead of allocating (and
// touching fresh pages for) a new array on every rebuild.
class ChartCells : public QCPGraphDataContainer {
public:
    // Exactly `count` cells; new ones hold (0, 0) until written. Room once made is kept
    // unless it is far beyond what is needed.
    void resizeTo(int count)
    {
        if (mPreallocSize > 0)
            squeeze(true, false);
        const qsizetype spare = mData.capacity() - count;
        mData.resize(count);
        if (spare > kKeptSpareCells && count < mData.capacity() / 4)
            mData.squeeze();
    }

private:
    // 16 bytes each: up to 16 MiB of room stays with the view.
    static constexpr qsizetype kKeptSpareCells = 1 << 20;
};

} // namespace tc4dl::chart
