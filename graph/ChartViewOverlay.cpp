#include "ChartView.h"

#include "ChartGraph.h"
#include "ChartModel.h"
#include "ChartQcp.h"
#include "ChartStore.h"
#include "ChartSupport.h"

#include <algorithm>
#include <cmath>

// What the chart view draws beside the model: channel names in the legend and on the axes of a
// split graph, curves on a second axis and markers. None of it is written into the model, so
// nothing of it reaches a saved graph, a template or an export.

namespace tc4dl::chart {

namespace {

// The label a graph gets when nobody changed it: "T1" to "T4" for the four channels.
QString defaultLabel(int subset)
{
    return QStringLiteral("T%1").arg(subset + 1);
}

} // namespace

void ChartView::CurveSpan::take(double value)
{
    if (!std::isfinite(value))
        return;
    low = found ? std::min(low, value) : value;
    high = found ? std::max(high, value) : value;
    found = true;
}

namespace {

// Adds the points `from` on of `curve` to `cells` and to the span of its values; false when a
// key would come before the last one (the cells must stay sorted).
template <typename Span>
bool addCurvePoints(const OverlayCurve& curve, std::size_t from, ChartCells& cells, Span& span)
{
    const std::size_t n = std::min(curve.x.size(), curve.y.size());
    for (std::size_t i = from; i < n; ++i) {
        const double key = SerialSeconds::toSeconds(curve.x[i]);
        if (!cells.isEmpty() && key < (cells.constEnd() - 1)->key)
            return false;
        cells.add(QCPGraphData(key, curve.y[i]));
        span.take(curve.y[i]);
    }
    return true;
}

} // namespace

void ChartView::setChannelNames(const QStringList& names)
{
    m_channelNames = names;
}

QString ChartView::legendLabel(int subset) const
{
    const QStringList& labels = m_model.look.subsetLabels;
    const QString label = subset < labels.size() ? labels[subset] : QString();
    const QString name = m_channelNames.value(subset);
    if (!name.isEmpty() && (label.isEmpty() || label == defaultLabel(subset)))
        return name;
    return subset < labels.size() ? label : QString::number(subset + 1);
}

QString ChartView::axisTitle(int axis) const
{
    const QString label = m_model.yAxisLabel(axis);
    if (!label.isEmpty() || !m_model.isSplit())
        return label;
    // A stacked axis names its channel only when it holds exactly one.
    int only = -1;
    for (int s = 0; s < m_model.subsets(); ++s) {
        if (m_model.axisOfSubset(s) != axis)
            continue;
        if (only >= 0)
            return label;
        only = s;
    }
    return only >= 0 ? m_channelNames.value(only) : label;
}

void ChartView::setOverlayCurves(std::vector<OverlayCurve> curves, const QString& axisLabel)
{
    m_curves = std::move(curves);
    m_curveAxisLabel = axisLabel;
    m_overlayDirty = true;
}

void ChartView::appendToOverlayCurves(
    const std::vector<OverlayCurve>& curves, const std::vector<std::size_t>& from)
{
    // Drawn as a whole where what is drawn does not stand for these curves one to one.
    bool matches = !m_overlayDirty && curves.size() == m_curves.size()
        && from.size() == curves.size() && m_curveGraphs.size() == curves.size();
    for (std::size_t i = 0; matches && i < curves.size(); ++i)
        matches = curves[i].subset == m_curves[i].subset && from[i] == m_curves[i].x.size()
            && from[i] <= curves[i].x.size() && curves[i].x.size() == curves[i].y.size();
    if (!matches) {
        setOverlayCurves(curves, m_curveAxisLabel);
        return;
    }
    for (std::size_t i = 0; i < curves.size(); ++i) {
        OverlayCurve& kept = m_curves[i];
        const OverlayCurve& grown = curves[i];
        const auto first = static_cast<std::ptrdiff_t>(from[i]);
        kept.x.insert(kept.x.end(), grown.x.begin() + first, grown.x.end());
        kept.y.insert(kept.y.end(), grown.y.begin() + first, grown.y.end());
        ChartStore& store = m_curveStore[i];
        const int before = store.full->size();
        if (!addCurvePoints(grown, from[i], *store.full, m_curveSpans[i])) {
            m_overlayDirty = true; // out of order: drawn anew from the curves kept
            return;
        }
        store.dirtyFrom = std::min(store.dirtyFrom, before);
    }
    fitCurveAxes();
}

void ChartView::setOverlayMarkers(std::vector<OverlayMarker> markers)
{
    m_markers = std::move(markers);
    m_overlayDirty = true;
}

QCPAxisRect* ChartView::rectOfSubset(int subset) const
{
    if (m_rects.empty() || subset < 0 || subset >= static_cast<int>(m_graphs.size()))
        return nullptr;
    const int axis = m_layoutSplit
        ? std::clamp(m_model.axisOfSubset(subset), 0, static_cast<int>(m_rects.size()) - 1)
        : 0;
    return m_rects[static_cast<size_t>(axis)];
}

void ChartView::dropOverlay()
{
    for (QCPGraph* graph : m_curveGraphs)
        m_plot->removeGraph(graph);
    for (QCPAbstractItem* item : m_markerItems)
        m_plot->removeItem(item);
    m_curveGraphs.clear();
    m_curveStore.clear();
    m_curveSpans.clear();
    m_markerItems.clear();
    for (QCPAxisRect* rect : m_rects)
        rect->axis(QCPAxis::atRight)->setVisible(false);
    // A new layout has lost what was drawn: it is drawn again at the next resetImage().
    m_overlayDirty = true;
}

// The curves are drawn like the data: from a per-column summary, the appended points only, in
// dashes that a partial repaint keeps.
void ChartView::updateOverlay()
{
    dropOverlay();
    m_overlayDirty = false;
    const ChartLook& look = m_model.look;
    for (const OverlayCurve& curve : m_curves) {
        QCPAxisRect* rect = rectOfSubset(curve.subset);
        if (!rect)
            continue;
        QCPAxis* right = rect->axis(QCPAxis::atRight);
        right->setVisible(true);
        right->setLabel(m_curveAxisLabel);
        right->setTickLabelColor(toQColor(look.textColor));
        right->setLabelColor(toQColor(look.textColor));
        right->setBasePen(QPen(toQColor(look.graphForeColor), 1));
        right->grid()->setVisible(false);
        auto* graph = new ChartGraph(rect->axis(QCPAxis::atBottom), right);
        graph->removeFromLegend();
        graph->setAntialiased(false);
        graph->setAdaptiveSampling(true);
        const QColor colour = curve.subset < look.subsetColors.size()
            ? toQColor(look.subsetColors[curve.subset])
            : QColor(Qt::white);
        graph->setPen(QPen(colour, 1.0));
        graph->setColumnDashes(4, 2);
        ChartStore store;
        store.full = QSharedPointer<ChartCells>::create();
        CurveSpan span;
        if (!addCurvePoints(curve, 0, *store.full, span)) {
            // Out of order (a clock set back): all of it added, then sorted.
            store.full->clear();
            span = {};
            for (std::size_t i = 0; i < std::min(curve.x.size(), curve.y.size()); ++i) {
                store.full->add(QCPGraphData(SerialSeconds::toSeconds(curve.x[i]), curve.y[i]));
                span.take(curve.y[i]);
            }
            store.full->sort();
        }
        graph->setData(store.full);
        m_curveGraphs.push_back(graph);
        m_curveStore.push_back(std::move(store));
        m_curveSpans.push_back(span);
    }
    fitCurveAxes();
    for (const OverlayMarker& marker : m_markers) {
        QCPAxisRect* rect = rectOfSubset(marker.subset);
        if (!rect)
            continue;
        auto* item = new QCPItemTracer(m_plot);
        item->setClipAxisRect(rect);
        item->position->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        item->position->setCoords(SerialSeconds::toSeconds(marker.x), marker.y);
        item->setStyle(QCPItemTracer::tsCircle);
        item->setSize(9);
        item->setPen(QPen(QColor(255, 140, 0), 2.0));
        m_markerItems.push_back(item);
    }
}

void ChartView::fitCurveAxes()
{
    for (QCPAxisRect* rect : m_rects) {
        QCPAxis* right = rect->axis(QCPAxis::atRight);
        if (!right->visible())
            continue;
        QCPRange range(0.0, 0.0);
        for (std::size_t c = 0; c < m_curveGraphs.size(); ++c) {
            if (m_curveGraphs[c]->valueAxis() == right && m_curveSpans[c].found)
                range.expand(QCPRange(m_curveSpans[c].low, m_curveSpans[c].high));
        }
        if (range.size() <= 0.0)
            range = QCPRange(-1.0, 1.0);
        const QCPRange shown(range.lower - range.size() * 0.05, range.upper + range.size() * 0.05);
        if (right->range() != shown)
            right->setRange(shown);
    }
}

} // namespace tc4dl::chart
