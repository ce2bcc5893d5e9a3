#include "ChartGraph.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tc4dl::chart {

namespace {

// Columns left of a change that are repainted as well: a line's pixels may reach one column
// past its end point.
constexpr int kColumnMargin = 2;
// Beyond this a point is far off the plot (or not a number): the raster is simply made anew.
constexpr double kFarPixels = 1e7;

} // namespace

ChartGraph::ChartGraph(QCPAxis* keyAxis, QCPAxis* valueAxis)
    : QCPGraph(keyAxis, valueAxis)
{
}

bool ChartGraph::View::operator==(const View& other) const
{
    return region == other.region && device == other.device && keys == other.keys
        && values == other.values && pen == other.pen && data == other.data;
}

void ChartGraph::setRasterCache(bool on)
{
    m_useRaster = on;
    if (!on) {
        m_raster = QImage();
        m_viewSeen = false;
    }
}

void ChartGraph::setColumnDashes(int on, int off)
{
    m_dashOn = std::max(0, on);
    m_dashOff = std::max(0, off);
    m_raster = QImage();
    m_viewSeen = false;
}

QRegion ChartGraph::dashed(const QRect& clip) const
{
    if (m_dashOn <= 0 || m_dashOff <= 0)
        return QRegion(clip);
    // Columns counted from the device's left edge, so that every drawing agrees on them.
    const int period = m_dashOn + m_dashOff;
    QRegion region;
    const int first = clip.left() - ((clip.left() % period) + period) % period;
    for (int x = first; x <= clip.right(); x += period)
        region += QRect(x, clip.top(), m_dashOn, clip.height()) & clip;
    return region;
}

void ChartGraph::markChangedFrom(int index)
{
    m_changedFrom = std::min(m_changedFrom, std::max(0, index));
}

// The raster holds exactly what QCPGraph would draw: one polyline through every visible point
// (no resampling), an opaque pen without antialiasing, on a painter that only clips.
bool ChartGraph::canUseRaster(const QCPPainter& painter) const
{
    if (!m_useRaster || adaptiveSampling() || lineStyle() != lsLine || !scatterStyle().isNone()
        || brush().style() != Qt::NoBrush || selected() || mKeyAxis.isNull() || mValueAxis.isNull()
        || mKeyAxis->orientation() != Qt::Horizontal || mKeyAxis->rangeReversed()
        || mValueAxis->rangeReversed())
        return false;
    if (pen().style() != Qt::SolidLine || pen().color().alpha() != 255
        || !qFuzzyCompare(pen().widthF(), 1.0))
        return false;
    if (painter.modes().testFlag(QCPPainter::pmVectorized)
        || painter.modes().testFlag(QCPPainter::pmNoCaching) || painter.antialiasing()
        || painter.transform().type() != QTransform::TxNone || !painter.hasClipping())
        return false;
    const QPaintDevice* device = painter.device();
    return device && device->devicePixelRatioF() == 1.0;
}

ChartGraph::View ChartGraph::currentView(const QRect& region, const QSize& device) const
{
    return { region, device, mKeyAxis->range(), mValueAxis->range(), pen(), mDataContainer.data() };
}

void ChartGraph::draw(QCPPainter* painter)
{
    if (!canUseRaster(*painter)) {
        drawDirectly(painter);
        return;
    }
    // The raster is as large as the painter's device and drawn with the clip the layer set for
    // this graph: lines leaving the plot are cut where they would be when drawn directly.
    const QRect region = painter->clipBoundingRect().toAlignedRect();
    const QSize device(painter->device()->width(), painter->device()->height());
    const View view = currentView(region, device);
    const int size = mDataContainer->size();
    const bool sameView = m_viewSeen && view == m_view;
    const bool changed = m_changedFrom < m_drawnSize || size != m_drawnSize;
    m_drawnSize = size;
    const int changedFrom = std::min(m_changedFrom, size);
    m_changedFrom = std::numeric_limits<int>::max();
    if (!sameView || (m_raster.isNull() && !changed) || region.isEmpty()
        || mKeyAxis->range().size() <= 0 || mDataContainer->isEmpty()) {
        // A new view (a data set, a zoom, a resize) is drawn directly: the raster only pays off
        // for the small changes that follow it, as during a recording.
        if (!sameView)
            m_raster = QImage();
        m_view = view;
        m_viewSeen = true;
        drawDirectly(painter);
        return;
    }
    if (m_raster.isNull())
        repaintAll();
    else if (changed)
        repaintFrom(changedFrom);
    if (m_raster.isNull()) { // no memory for it: drawn as without
        drawDirectly(painter);
        return;
    }
    if (m_bandBottom < m_bandTop)
        return;
    const QRect band = region & QRect(0, m_bandTop, device.width(), m_bandBottom - m_bandTop + 1);
    if (!band.isEmpty())
        painter->drawImage(band.topLeft(), m_raster, band);
}

void ChartGraph::drawDirectly(QCPPainter* painter)
{
    if (m_dashOn <= 0 || m_dashOff <= 0) {
        QCPGraph::draw(painter);
        return;
    }
    painter->save();
    const QRect clip = painter->hasClipping()
        ? painter->clipBoundingRect().toAlignedRect()
        : QRect(0, 0, painter->device()->width(), painter->device()->height());
    painter->setClipRegion(dashed(clip), Qt::IntersectClip);
    QCPGraph::draw(painter);
    painter->restore();
}

// Zeroed memory is transparent, and pages no line ever reaches are never touched: a graph in
// one of four stacked axes costs about a quarter of a device-sized picture.
void ChartGraph::repaintAll()
{
    if (m_raster.size() != m_view.device) {
        const auto bytesPerLine = static_cast<qsizetype>(m_view.device.width()) * 4;
        void* memory = std::calloc(static_cast<std::size_t>(m_view.device.height()),
            static_cast<std::size_t>(bytesPerLine));
        m_raster = memory ? QImage(
                       static_cast<uchar*>(memory), m_view.device.width(), m_view.device.height(),
                       bytesPerLine, QImage::Format_ARGB32_Premultiplied,
                       [](void* block) { std::free(block); }, memory)
                          : QImage();
    } else if (m_bandBottom >= m_bandTop) {
        QPainter eraser(&m_raster);
        eraser.setCompositionMode(QPainter::CompositionMode_Source);
        eraser.fillRect(
            QRect(0, m_bandTop, m_raster.width(), m_bandBottom - m_bandTop + 1), Qt::transparent);
    }
    m_bandTop = 0;
    m_bandBottom = -1;
    if (!m_raster.isNull())
        paintFrom(0, m_view.region);
}

// Points before `index` are as drawn. The columns from just left of the last unchanged point on
// are cleared and drawn again, clipped to them, by every line from a point left of them: the
// pixels left of the cut stay untouched, those right of it come out as a whole drawing would.
void ChartGraph::repaintFrom(int index)
{
    const double lastKept = index > 0 ? pixelX(index - 1) : 0.0;
    if (index <= 0 || !(std::abs(lastKept) < kFarPixels)) {
        repaintAll();
        return;
    }
    const int firstColumn = static_cast<int>(std::floor(lastKept)) - kColumnMargin;
    int start = index - 1;
    while (start > 0 && pixelX(start) >= firstColumn - kColumnMargin)
        --start;
    const QRect& region = m_view.region;
    const QRect cleared = region
        & QRect(firstColumn, region.top(), region.right() - firstColumn + 1, region.height());
    if (cleared.isEmpty())
        return;
    QPainter eraser(&m_raster);
    eraser.setCompositionMode(QPainter::CompositionMode_Source);
    eraser.fillRect(cleared, Qt::transparent);
    eraser.end();
    paintFrom(start, cleared);
}

double ChartGraph::pixelX(int index) const
{
    return mKeyAxis->coordToPixel((mDataContainer->constBegin() + index)->key);
}

void ChartGraph::paintFrom(int index, const QRect& clip)
{
    QCPGraphDataContainer::const_iterator begin;
    QCPGraphDataContainer::const_iterator end;
    getVisibleDataBounds(begin, end, QCPDataRange(0, mDataContainer->size()));
    begin = std::max(begin, mDataContainer->constBegin() + index);
    if (end - begin <= 0)
        return;
    QVector<QPointF> lines;
    lines.reserve(static_cast<int>(end - begin));
    double top = std::numeric_limits<double>::infinity();
    double bottom = -top;
    for (auto it = begin; it != end; ++it) {
        const double y = mValueAxis->coordToPixel(it->value);
        lines.append(QPointF(mKeyAxis->coordToPixel(it->key), y));
        if (std::isfinite(y)) {
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    QCPPainter painter(&m_raster);
    painter.setClipRegion(dashed(clip));
    applyDefaultAntialiasingHint(&painter);
    painter.setPen(pen());
    painter.setBrush(Qt::NoBrush);
    drawLinePlot(&painter, lines);
    painter.end();
    if (top > bottom)
        return;
    // Rows the lines reached, a pixel either side; lines leaving the plot reach its edge.
    const int h = clip.bottom() + 1;
    // Clamped before the conversion: a deep zoom puts far-off points at coordinates no int holds.
    const int bandTop = std::clamp(static_cast<int>(std::floor(std::clamp(top, -2.0, h + 2.0))) - 1,
        clip.top(), clip.bottom());
    const int bandBottom
        = std::clamp(static_cast<int>(std::ceil(std::clamp(bottom, -2.0, h + 2.0))) + 1, clip.top(),
            clip.bottom());
    if (m_bandBottom < m_bandTop) {
        m_bandTop = bandTop;
        m_bandBottom = bandBottom;
    } else {
        m_bandTop = std::min(m_bandTop, bandTop);
        m_bandBottom = std::max(m_bandBottom, bandBottom);
    }
}

} // namespace tc4dl::chart
