#pragma once

#include "ChartModel.h"

#include <QList>
#include <QPointF>
#include <QRectF>

namespace tc4dl::chart {

// The stacked Y axes of a plot rectangle, axis 0 on top, separated by `separator` pixels.
// Each axis takes its share of the height by its proportion; missing, negative or non-finite
// proportions get an equal share, and the shares are scaled to fill the rectangle.
[[nodiscard]] QList<QRectF> stackedAxisRects(
    const QRectF& plot, const QList<double>& proportions, int axes, double separator);
// The same for the axes the model draws (one rectangle for a shared axis).
[[nodiscard]] QList<QRectF> stackedAxisRects(
    const QRectF& plot, const ChartModel& model, double separator);

// Linear mapping between pixels of an axis rectangle and graph units (X from x's range, Y from
// y's range, Y growing upwards). An empty range or rectangle maps everything to its start.
[[nodiscard]] QPointF pixelToGraph(
    const QRectF& axisRect, const Scale& x, const Scale& y, QPointF pixel);
[[nodiscard]] QPointF graphToPixel(
    const QRectF& axisRect, const Scale& x, const Scale& y, QPointF graph);

} // namespace tc4dl::chart
