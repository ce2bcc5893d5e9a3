#pragma once

#include "ChartQcp.h"

#include <QSharedPointer>

namespace tc4dl::chart {

// Thins a long graph down to what one pixel column can show: per column the lowest and the
// highest value in their order, and one gap marker for every run of gaps, so the drawn line
// and its extremes look the same. QCustomPlot samples adaptively itself, but on
// every replot and over every visible point; this keeps the result between replots and, when
// only the tail changed (a real-time sample), redoes only the columns from the change on.
class ChartDecimator {
public:
    // The container to draw for `full` (sorted by key) over `range` on `pixels` columns:
    // `full` itself when it has few enough points. `dirtyFrom` is the index of the first point
    // of `full` changed since the last call (full->size() or more when none). `valueStep` is
    // the value one pixel row stands for: a column whose lowest and highest value lie closer
    // than that is drawn with one point, as a second one would not show (0: always both).
    [[nodiscard]] QSharedPointer<QCPGraphDataContainer> shown(
        const QSharedPointer<QCPGraphDataContainer>& full, const QCPRange& range, int pixels,
        int dirtyFrom, double valueStep = 0.0);
    void invalidate() { m_active = false; }
    // Whether the last call thinned the graph, and for how many columns.
    [[nodiscard]] bool active() const { return m_active; }
    [[nodiscard]] int pixels() const { return m_pixels; }
    // The first point of the summary the last call changed (its size when none).
    [[nodiscard]] int changedFrom() const { return m_changedFrom; }

    // Points per column above which a graph is thinned.
    static constexpr int kPointsPerColumn = 4;

private:
    void rebuild(const QCPGraphDataContainer& full, int from, int to);

    QSharedPointer<QCPGraphDataContainer> m_shown;
    QCPRange m_range;
    int m_pixels = 0;
    double m_valueStep = 0.0;
    bool m_active = false;
    int m_changedFrom = 0;
};

} // namespace tc4dl::chart
