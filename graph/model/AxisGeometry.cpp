#include "AxisGeometry.h"

#include <algorithm>
#include <cmath>

namespace tc4dl::chart {

QList<QRectF> stackedAxisRects(
    const QRectF& plot, const QList<double>& proportions, int axes, double separator)
{
    axes = std::clamp(axes, 1, ChartModel::kMaxSubsets);
    if (!std::isfinite(separator) || separator < 0.0)
        separator = 0.0;
    QList<double> shares;
    double total = 0.0;
    for (int k = 0; k < axes; ++k) {
        double p = k < proportions.size() ? proportions[k] : -1.0;
        if (!std::isfinite(p) || p <= 0.0)
            p = 1.0 / axes;
        shares.append(p);
        total += p;
    }
    const double usable = std::max(0.0, plot.height() - separator * (axes - 1));
    QList<QRectF> rects;
    double top = plot.top();
    for (int k = 0; k < axes; ++k) {
        const double height = usable * shares[k] / total;
        rects.append(QRectF(plot.left(), top, plot.width(), height));
        top += height + separator;
    }
    return rects;
}

QList<QRectF> stackedAxisRects(const QRectF& plot, const ChartModel& model, double separator)
{
    const int axes = model.axisCount();
    if (axes == 1)
        return { plot };
    return stackedAxisRects(plot, model.look.multiAxesProportions, axes, separator);
}

namespace {

// Position t of 0..1 along a range, and back; a degenerate range or span stays at its start.
double fraction(double value, double from, double to)
{
    const double span = to - from;
    return span != 0.0 && std::isfinite(span) ? (value - from) / span : 0.0;
}

} // namespace

QPointF pixelToGraph(const QRectF& axisRect, const Scale& x, const Scale& y, QPointF pixel)
{
    const double fx = fraction(pixel.x(), axisRect.left(), axisRect.right());
    const double fy = fraction(pixel.y(), axisRect.bottom(), axisRect.top());
    return { x.min + fx * (x.max - x.min), y.min + fy * (y.max - y.min) };
}

QPointF graphToPixel(const QRectF& axisRect, const Scale& x, const Scale& y, QPointF graph)
{
    const double fx = fraction(graph.x(), x.min, x.max);
    const double fy = fraction(graph.y(), y.min, y.max);
    return { axisRect.left() + fx * axisRect.width(), axisRect.bottom() - fy * axisRect.height() };
}

} // namespace tc4dl::chart
