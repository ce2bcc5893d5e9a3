#include "ChartView.h"

#include "ChartCells.h"
#include "ChartCustomizeDialog.h"
#include "ChartDecimator.h"
#include "ChartGraph.h"
#include "ChartModel.h"
#include "ChartStore.h"
#include "ChartSupport.h"
#include "Clock.h"
#include "Prompter.h"

#include "ChartQcp.h"

#include <QDialog>
#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tc4dl::chart {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Qt::PenStyle gridPenStyle(GridStyle style)
{
    switch (style) {
    case GridStyle::Solid:
        return Qt::SolidLine;
    case GridStyle::Dot:
        return Qt::DotLine;
    case GridStyle::Dash:
        return Qt::DashLine;
    case GridStyle::None:
        break;
    }
    return Qt::NoPen;
}

void styleAxis(QCPAxis* axis, const QColor& fore, const QColor& text, GridStyle grid)
{
    const QPen line(fore, 1);
    axis->setBasePen(line);
    axis->setTickPen(line);
    axis->setSubTickPen(line);
    axis->setTickLabelColor(text);
    axis->setLabelColor(text);
    QPen gridPen(fore.darker(115), 0, gridPenStyle(grid));
    axis->grid()->setPen(gridPen);
    axis->grid()->setVisible(grid != GridStyle::None);
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

} // namespace

ChartView::ChartView(ChartModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_plot(new QCustomPlot(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);
    m_plot->setMouseTracking(true);
    m_plot->installEventFilter(this);
    // A replot per real-time sample and per mouse-wheel step must stay cheap.
    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setSelectionRectMode(QCP::srmNone);
    connect(m_plot->selectionRect(), &QCPSelectionRect::accepted, this,
        [this](const QRect&, QMouseEvent*) {
            m_zoomed = true;
            Q_EMIT zoomedIn();
        });
    connect(m_plot, &QCustomPlot::mouseWheel, this, [this](QWheelEvent*) {
        if (m_model.look.allowZooming != Zooming::None) {
            m_zoomed = true;
            Q_EMIT zoomedIn();
        }
    });
    connect(m_plot, &QCustomPlot::afterLayout, this, &ChartView::balanceAxisHeights);
    connect(m_plot, &QCustomPlot::beforeReplot, this, &ChartView::refreshShownData);
    connect(m_plot, &QCustomPlot::afterReplot, this, &ChartView::checkShownWidth);
    connect(m_plot, &QCustomPlot::afterReplot, this, [this] { ++m_replots; });
    connect(m_plot, &QCustomPlot::afterReplot, this, &ChartView::replotted);
    reinitAndReset();
}

ChartView::~ChartView()
{
    // The plot outlives this object's members (QWidget deletes children later): nothing of it
    // may reach back here any more.
    m_plot->removeEventFilter(this);
    disconnect(m_plot, nullptr, this, nullptr);
    disconnect(m_plot->selectionRect(), nullptr, this, nullptr);
}

// Long graphs are drawn from a per-column summary (ChartDecimator) of the points in view,
// brought up to date here, before each replot, from the points changed since the last one.
void ChartView::refreshShownData()
{
    for (size_t s = 0; s < m_graphs.size() && s < m_store.size(); ++s)
        refreshShown(*m_graphs[s], m_store[s]);
    for (size_t c = 0; c < m_curveGraphs.size() && c < m_curveStore.size(); ++c)
        refreshShown(*m_curveGraphs[c], m_curveStore[c]);
}

void ChartView::refreshShown(ChartGraph& graph, ChartStore& store)
{
    int pixels = graph.keyAxis()->axisRect()->width();
    if (pixels < 2)
        pixels = width(); // not laid out yet
    const int rows = graph.valueAxis()->axisRect()->height();
    const double valueStep = rows > 1 ? graph.valueAxis()->range().size() / rows : 0.0;
    const QSharedPointer<QCPGraphDataContainer> shown = store.decimator.shown(
        store.full, graph.keyAxis()->range(), pixels, store.dirtyFrom, valueStep);
    if (graph.data() != shown)
        graph.setData(shown);
    // A thinned graph is already at most two points per column: QCustomPlot need not
    // sample it again, and it is drawn from a raster updated from the first change on.
    const bool thinned = store.decimator.active();
    graph.setAdaptiveSampling(!thinned);
    if (thinned)
        graph.markChangedFrom(store.decimator.changedFrom());
    if (graph.rasterCache() != thinned)
        graph.setRasterCache(thinned);
    store.dirtyFrom = std::numeric_limits<int>::max();
}

// The summary was made for the plot width before this replot laid the plot out; after a resize
// it is made again for the new width.
void ChartView::checkShownWidth()
{
    const auto stale = [](const ChartGraph* graph, const ChartStore& store) {
        const int pixels = graph->keyAxis()->axisRect()->width();
        return store.decimator.active() && pixels >= 2 && store.decimator.pixels() != pixels;
    };
    for (size_t s = 0; s < m_graphs.size() && s < m_store.size(); ++s) {
        if (stale(m_graphs[s], m_store[s])) {
            m_plot->replot(QCustomPlot::rpQueuedReplot);
            return;
        }
    }
    for (size_t c = 0; c < m_curveGraphs.size() && c < m_curveStore.size(); ++c) {
        if (stale(m_curveGraphs[c], m_curveStore[c])) {
            m_plot->replot(QCustomPlot::rpQueuedReplot);
            return;
        }
    }
}

void ChartView::reinitAndReset()
{
    buildLayout();
    m_seenRevision = ~quint64 { 0 };
    resetImage();
}

// Each new graph starts with a fresh summary; the arrays of all points are kept from the graphs
// before (the next update rewrites them whole), so a new layout or data set reuses their memory.
void ChartView::resetStores()
{
    m_sorted.assign(static_cast<size_t>(m_layoutSubsets), true);
    std::vector<ChartStore> before = std::move(m_store);
    m_store.clear();
    m_store.resize(static_cast<size_t>(m_layoutSubsets));
    for (size_t s = 0; s < m_store.size(); ++s) {
        m_store[s].full = s < before.size() ? before[s].full : QSharedPointer<ChartCells>::create();
        m_graphs[s]->setData(m_store[s].full);
    }
    m_zoomed = false;
}

void ChartView::resetImage()
{
    const ChartLook& look = m_model.look;
    const bool layoutChanged = m_model.isSplit() != m_layoutSplit
        || m_model.subsets() != m_layoutSubsets
        || (m_layoutSplit && m_model.axisCount() != m_layoutAxes);
    if (layoutChanged) {
        buildLayout();
        m_seenRevision = ~quint64 { 0 };
    }
    const bool full = m_seenRevision == ~quint64 { 0 };
    if (full || m_model.revision() != m_seenRevision)
        updateData(full);
    applyLook();
    updateAnnotations();
    if (m_overlayDirty)
        updateOverlay();
    if (m_zoomed && look.xScale == m_zoomScaleX && look.yScales == m_zoomScalesY) {
        // A zoom survives redraws until undone or until the scales are set anew.
    } else {
        m_zoomed = false;
        applyRanges();
    }
    m_seenRevision = m_model.revision();
    m_model.markSeen();
    if (m_layoutFresh) {
        // New axis rectangles have no pixel geometry until laid out, and everything that reads
        // the pointer (read-out, annotation clicks, hot spots) needs it before the next paint.
        m_layoutFresh = false;
        m_plot->replot(QCustomPlot::rpQueuedRefresh);
    }
}

void ChartView::invalidateImage()
{
    const QRect before = plotRect();
    m_plot->replot(QCustomPlot::rpQueuedRefresh);
    if (m_rects.size() > 1 && plotRect() != before)
        m_plot->replot(QCustomPlot::rpQueuedRefresh); // let the axis heights settle
}

void ChartView::applyLook()
{
    const ChartLook& look = m_model.look;
    const QColor fore = toQColor(look.graphForeColor);
    const QColor back = toQColor(look.graphBackColor);
    const QColor desk = toQColor(look.deskColor);
    const QColor text = toQColor(look.textColor);
    m_plot->setBackground(desk);

    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);
    m_title->setText(look.mainTitle.trimmed());
    m_title->setFont(titleFont);
    m_title->setTextColor(text);
    m_subTitle->setText(look.subTitle.trimmed());
    m_subTitle->setFont(font());
    m_subTitle->setTextColor(text);
    arrangeRows();

    for (size_t a = 0; a < m_rects.size(); ++a) {
        QCPAxisRect* rect = m_rects[a];
        rect->setBackground(back);
        for (QCPAxis* axis : rect->axes())
            styleAxis(axis, fore, text, look.gridStyle);
        const bool last = a + 1 == m_rects.size();
        rect->axis(QCPAxis::atBottom)->setLabel(last ? look.xAxisLabel : QString());
        rect->axis(QCPAxis::atLeft)->setLabel(axisTitle(static_cast<int>(a)));
        Qt::Orientations zoom;
        if (look.allowZooming == Zooming::Horizontal || look.allowZooming == Zooming::HorzPlusVert)
            zoom |= Qt::Horizontal;
        if (look.allowZooming == Zooming::Vertical || look.allowZooming == Zooming::HorzPlusVert)
            zoom |= Qt::Vertical;
        rect->setRangeZoom(zoom);
        rect->setRangeZoomAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
    }
    const bool zooming = look.allowZooming != Zooming::None;
    m_plot->setSelectionRectMode(zooming ? QCP::srmZoom : QCP::srmNone);
    m_plot->setInteraction(QCP::iRangeZoom, zooming);
    QPen band(fore.lighter(150), 1, Qt::DashLine);
    m_plot->selectionRect()->setPen(band);
    m_plot->selectionRect()->setBrush(QColor(fore.red(), fore.green(), fore.blue(), 40));

    m_legend->setBrush(desk);
    m_legend->setTextColor(text);
    m_legend->setIconSize(24, 10);
    for (size_t s = 0; s < m_graphs.size(); ++s) {
        const int i = static_cast<int>(s);
        const QColor colour
            = i < look.subsetColors.size() ? toQColor(look.subsetColors[i]) : QColor(Qt::white);
        m_graphs[s]->setPen(QPen(colour, 1.0));
        m_graphs[s]->setName(legendLabel(i));
    }
    applyCursor();
}

// Copies the model's points into the graphs. Null Y values become NaN, which QCustomPlot draws
// as gaps. QCustomPlot needs keys in ascending order; a null point's own X is meaningless
// (cleared points are X 0), so it takes the key of the point before it, which keeps a graph
// that fills from the left sorted and lets data index equal point index. Then only the points
// from the first changed one need rewriting.
void ChartView::updateData(bool full)
{
    const int points = m_model.points();
    const int first = m_model.firstChangedPoint();
    for (size_t s = 0; s < m_graphs.size(); ++s) {
        const int subset = static_cast<int>(s);
        ChartCells* cells = m_store[s].full.data();
        int from = full || first < 0 || !m_sorted[s] ? 0 : std::min(first, points);
        if (cells->size() > points)
            from = 0;
        from = std::min(from, cells->size());
        if (from >= points && cells->size() == points)
            continue;

        double carry = kNaN;
        if (from > 0) {
            carry = (cells->begin() + (from - 1))->key;
        } else {
            for (int p = 0; p < points; ++p)
                if (!m_model.isNull(m_model.y(subset, p))) {
                    carry = SerialSeconds::toSeconds(m_model.x(subset, p));
                    break;
                }
            if (std::isnan(carry))
                carry = 0.0;
        }

        bool sorted = true;
        // A null point becomes a gap keyed like the point before it, so keys stay in order.
        auto writeCell = [&](int p, QCPGraphData& cell) {
            const float y = m_model.y(subset, p);
            if (m_model.isNull(y)) {
                cell.key = carry;
                cell.value = kNaN;
                return;
            }
            cell.key = SerialSeconds::toSeconds(m_model.x(subset, p));
            cell.value = y;
            sorted = sorted && cell.key >= carry;
            carry = cell.key;
        };
        if (from == 0) {
            cells->resizeTo(points);
            auto it = cells->begin();
            for (int p = 0; p < points; ++p, ++it)
                writeCell(p, *it);
        } else {
            auto it = cells->begin() + from;
            for (int p = from; p < points; ++p) {
                if (it != cells->end()) {
                    writeCell(p, *it);
                    ++it;
                } else {
                    QCPGraphData cell;
                    writeCell(p, cell);
                    cells->add(cell);
                    it = cells->end();
                }
            }
        }
        // Out of order: this subset is sorted by key; no more incremental updates.
        if (!sorted)
            cells->sort();
        m_sorted[s] = sorted;
        // After a re-sort point order is lost, so the summary is made anew.
        m_store[s].dirtyFrom = std::min(m_store[s].dirtyFrom, sorted ? from : 0);
    }
}

void ChartView::updateAnnotations()
{
    for (QCPAbstractItem* item : m_annotItems)
        m_plot->removeItem(item);
    for (QCPAbstractItem* item : m_lineItems)
        m_plot->removeItem(item);
    m_annotItems.clear();
    m_annotIndex.clear();
    m_lineItems.clear();
    if (m_rects.empty())
        return;
    if (m_model.look.showGraphAnnotations)
        addGraphAnnotations();
    if (m_model.look.showVertLineAnnotations)
        addVertLines();
}

// On the first axis: a cross, a text, or a text beside its cross.
void ChartView::addGraphAnnotations()
{
    const ChartLook& look = m_model.look;
    QCPAxisRect* rect = m_rects.front();
    QCPAxis* xAxis = rect->axis(QCPAxis::atBottom);
    QCPAxis* yAxis = rect->axis(QCPAxis::atLeft);
    QFont textFont = font();
    textFont.setPointSizeF(
        textFont.pointSizeF() * std::max(10, look.graphAnnotationTextSize) / 100.0);
    for (int i = 0; i < m_model.annotationCount(); ++i) {
        const GraphAnnotation note = m_model.annotation(i);
        const QString text = QString(note.text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const bool cross = note.type == kAnnotationCross;
        if (!cross && text.isEmpty())
            continue; // a deleted annotation
        const QColor colour = toQColor(note.color);
        const double key = SerialSeconds::toSeconds(note.x);
        QCPItemPosition* anchor = nullptr;
        if (cross) {
            auto* marker = new QCPItemTracer(m_plot);
            marker->setClipAxisRect(rect);
            marker->position->setAxes(xAxis, yAxis);
            marker->position->setCoords(key, note.y);
            marker->setStyle(QCPItemTracer::tsPlus);
            marker->setSize(14);
            marker->setPen(QPen(colour, 1.5));
            m_annotItems.push_back(marker);
            m_annotIndex.push_back(i);
            anchor = marker->position;
        }
        if (text.isEmpty())
            continue;
        auto* label = new QCPItemText(m_plot);
        label->setClipAxisRect(rect);
        label->setFont(textFont);
        label->setColor(colour);
        label->setText(text);
        label->setTextAlignment(Qt::AlignLeft);
        label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (anchor) {
            label->position->setParentAnchor(anchor);
            label->position->setType(QCPItemPosition::ptAbsolute);
            label->position->setCoords(6, 4);
        } else {
            label->position->setAxes(xAxis, yAxis);
            label->position->setCoords(key, note.y);
        }
        m_annotItems.push_back(label);
        m_annotIndex.push_back(i);
    }
}

// The two vertical lines, across every axis.
void ChartView::addVertLines()
{
    for (int line = 0; line < 2; ++line) {
        const VertLineAnnotation v = m_model.vertLine(line);
        const double key = SerialSeconds::toSeconds(v.x);
        for (QCPAxisRect* r : m_rects) {
            auto* item = new QCPItemStraightLine(m_plot);
            item->setClipAxisRect(r);
            item->point1->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
            item->point2->setAxes(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
            item->point1->setCoords(key, 0.0);
            item->point2->setCoords(key, 1.0);
            item->setPen(QPen(toQColor(v.color), 1));
            m_lineItems.push_back(item);
        }
    }
}

void ChartView::applyRanges()
{
    const ChartLook& look = m_model.look;
    m_zoomScaleX = look.xScale;
    m_zoomScalesY = look.yScales;
    if (m_rects.empty())
        return;
    QCPRange x;
    if (look.xScale.control == ScaleControl::ManualMinAndMax) {
        x = QCPRange(
            SerialSeconds::toSeconds(look.xScale.min), SerialSeconds::toSeconds(look.xScale.max));
    } else {
        bool any = false;
        for (const ChartStore& store : m_store) {
            bool found = false;
            const QCPRange r = store.full->keyRange(found);
            if (found)
                x = any ? QCPRange(std::min(x.lower, r.lower), std::max(x.upper, r.upper)) : r;
            any = any || found;
        }
        if (!any)
            x = QCPRange(
                SerialSeconds::toSeconds(m_clock ? toDateTimeSerial(m_clock->now()) : 0.0), 0);
    }
    if (x.upper <= x.lower)
        x.upper = x.lower + 60.0;
    for (QCPAxisRect* rect : m_rects)
        rect->axis(QCPAxis::atBottom)->setRange(x);

    for (size_t a = 0; a < m_rects.size(); ++a) {
        QCPAxis* y = m_rects[a]->axis(QCPAxis::atLeft);
        const Scale scale = m_model.yScale(static_cast<int>(a));
        if (scale.control == ScaleControl::ManualMinAndMax) {
            y->setRange(scale.min, scale.max);
            continue;
        }
        bool any = false;
        QCPRange r;
        for (size_t s = 0; s < m_graphs.size(); ++s) {
            if (m_graphs[s]->valueAxis() != y)
                continue;
            bool found = false;
            const QCPRange g = m_store[s].full->valueRange(found);
            if (found)
                r = any ? QCPRange(std::min(r.lower, g.lower), std::max(r.upper, g.upper)) : g;
            any = any || found;
        }
        if (!any)
            r = QCPRange(0.0, 1.0);
        const double pad = std::max(0.5, (r.upper - r.lower) * 0.05);
        y->setRange(r.lower - pad, r.upper + pad);
    }
}

void ChartView::undoZoom()
{
    m_zoomed = false;
    applyRanges();
    // The ranges alone change nothing on screen until the next replot. Callers that redraw
    // right after (graphing a data set does) have replotted by then, and one replot is enough.
    const quint64 asked = m_replots;
    QMetaObject::invokeMethod(
        this,
        [this, asked] {
            if (m_replots == asked)
                m_plot->replot();
        },
        Qt::QueuedConnection);
}

QRect ChartView::plotRect() const
{
    return plotRect(0);
}

QRect ChartView::plotRect(int axis) const
{
    if (m_rects.empty())
        return {};
    const auto index = static_cast<size_t>(std::clamp(axis, 0, axisRectCount() - 1));
    const QRect r = m_rects[index]->rect();
    return QRect(m_plot->mapTo(this, r.topLeft()), r.size());
}

QRect ChartView::wholePlotRect() const
{
    QRect rect = plotRect();
    for (int axis = 1; axis < axisRectCount(); ++axis)
        rect |= plotRect(axis);
    return rect;
}

int ChartView::axisAt(QPoint pixel) const
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int axis = 0; axis < axisRectCount(); ++axis) {
        const QRect rect = plotRect(axis);
        const int distance = pixel.y() < rect.top() ? rect.top() - pixel.y()
            : pixel.y() > rect.bottom()             ? pixel.y() - rect.bottom()
                                                    : 0;
        if (distance < bestDistance) {
            best = axis;
            bestDistance = distance;
        }
    }
    return best;
}

QPointF ChartView::pixelToGraph(QPoint pixel, int axis) const
{
    if (m_rects.empty())
        return {};
    const auto index = static_cast<size_t>(std::clamp(axis, 0, axisRectCount() - 1));
    const QPoint local = m_plot->mapFrom(this, pixel);
    QCPAxisRect* rect = m_rects[index];
    const double seconds = rect->axis(QCPAxis::atBottom)->pixelToCoord(local.x());
    return { SerialSeconds::toSerial(seconds),
        rect->axis(QCPAxis::atLeft)->pixelToCoord(local.y()) };
}

QPoint ChartView::graphToPixel(QPointF graph, int axis) const
{
    if (m_rects.empty())
        return {};
    const auto index = static_cast<size_t>(std::clamp(axis, 0, axisRectCount() - 1));
    QCPAxisRect* rect = m_rects[index];
    const double px
        = rect->axis(QCPAxis::atBottom)->coordToPixel(SerialSeconds::toSeconds(graph.x()));
    const double py = rect->axis(QCPAxis::atLeft)->coordToPixel(graph.y());
    return m_plot->mapTo(
        this, QPoint(static_cast<int>(std::lround(px)), static_cast<int>(std::lround(py))));
}

void ChartView::customize()
{
    // A dialog with no page to change would only stand between the user and the next step
    // (before a printout every page of the usual look is switched off): it counts as Cancel.
    if (!ChartCustomizeDialog::offersAnyPage(m_model.look)) {
        m_dialogResult = 0;
        Q_EMIT customizeFinished();
        return;
    }
    ChartCustomizeDialog dialog(m_model, this, m_prompter);
    const int result = m_prompter ? m_prompter->runDialog(dialog) : int(QDialog::Rejected);
    m_dialogResult = result == QDialog::Accepted ? 1 : 0;
    if (m_dialogResult == 1) {
        reinitAndReset();
        invalidateImage();
    }
    Q_EMIT customizeFinished();
}

void ChartView::renderPlot(QCPPainter* painter, QSize size)
{
    m_plot->toPainter(painter, size.width(), size.height());
}

void ChartView::printDialog()
{
    QPrinter* printer = m_printer;
    if (!printer) {
        if (!m_ownPrinter) {
            m_ownPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
            m_ownPrinter->setPageOrientation(QPageLayout::Landscape);
        }
        printer = m_ownPrinter.get();
    }
    if (!m_prompter || !m_prompter->printDialog(*printer))
        return;
    printTo(printer);
}

void ChartView::printTo(QPrinter* printer)
{
    // Lay the graph out at the size it has on screen, then scale it onto the page so lines,
    // text and ticks keep their proportions. For this job the printer counts in the screen's
    // units: at its own resolution every point-sized font would be resolved in printer dots
    // and then scaled up a second time with everything else. Printers draw vectors, so the
    // printout loses no sharpness; the printer's own resolution is given back afterwards.
    const int ownResolution = printer->resolution();
    printer->setResolution(logicalDpiY());
    const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
    const int logicalWidth = std::max(width(), 800);
    const int logicalHeight = std::max(1, logicalWidth * page.height() / std::max(1, page.width()));
    QCPPainter painter;
    if (painter.begin(printer)) {
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        // Scaled pens keep their on-screen weight.
        painter.setMode(QCPPainter::pmNonCosmetic);
        painter.scale(double(page.width()) / logicalWidth, double(page.width()) / logicalWidth);
        renderPlot(&painter, QSize(logicalWidth, logicalHeight));
        painter.end();
    }
    printer->setResolution(ownResolution);
}

} // namespace tc4dl::chart
