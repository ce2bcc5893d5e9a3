#include "ChartView.h"

#include "ChartModel.h"
#include "ChartQcp.h"
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
    m_markerItems.clear();
    for (QCPAxisRect* rect : m_rects)
        rect->axis(QCPAxis::atRight)->setVisible(false);
    // A new layout has lost what was drawn: it is drawn again at the next resetImage().
    m_overlayDirty = true;
}

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
        auto* graph = m_plot->addGraph(rect->axis(QCPAxis::atBottom), right);
        graph->removeFromLegend();
        const QColor colour = curve.subset < look.subsetColors.size()
            ? toQColor(look.subsetColors[curve.subset])
            : QColor(Qt::white);
        graph->setPen(QPen(colour, 1.0, Qt::DashLine));
        const size_t n = std::min(curve.x.size(), curve.y.size());
        QVector<double> keys;
        QVector<double> values;
        keys.reserve(static_cast<qsizetype>(n));
        values.reserve(static_cast<qsizetype>(n));
        for (size_t i = 0; i < n; ++i) {
            keys.push_back(SerialSeconds::toSeconds(curve.x[i]));
            values.push_back(curve.y[i]);
        }
        graph->setData(keys, values, true);
        m_curveGraphs.push_back(graph);
    }
    // Each right-hand axis spans the curves drawn on it, with zero in sight.
    for (QCPAxisRect* rect : m_rects) {
        QCPAxis* right = rect->axis(QCPAxis::atRight);
        if (!right->visible())
            continue;
        QCPRange range(0.0, 0.0);
        for (QCPGraph* graph : m_curveGraphs) {
            if (graph->valueAxis() != right)
                continue;
            bool found = false;
            const QCPRange r = graph->getValueRange(found);
            if (found)
                range.expand(r);
        }
        if (range.size() <= 0.0)
            range = QCPRange(-1.0, 1.0);
        right->setRange(range.lower - range.size() * 0.05, range.upper + range.size() * 0.05);
    }
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

} // namespace tc4dl::chart
