#include "ChartView.h"

#include "Artwork.h"
#include "ChartGraph.h"
#include "ChartQcp.h"
#include "ChartSupport.h"

#include <QIcon>
#include <QMouseEvent>

#include <cmath>

// The mouse side of the chart view: pointer shape, clicks, double clicks and hot spots.

namespace tc4dl::chart {

namespace {

constexpr int kHotSpotPixels = 4; // how near a click must be to a point or an annotation
constexpr int kClickSlopPixels = 3; // more movement than this between press and release drags

QCursor crossCursor()
{
    registerArtwork();
    const QPixmap picture = QIcon(QStringLiteral(":/icons/cross.svg")).pixmap(QSize(32, 32));
    if (picture.isNull())
        return QCursor(Qt::CrossCursor);
    return QCursor(picture, picture.width() / 2, picture.height() / 2);
}

} // namespace

void ChartView::setArrowCursor(int arrowCursor)
{
    m_model.look.arrowCursor = arrowCursor;
    applyCursor();
}

void ChartView::applyCursor()
{
    const int mode = m_model.look.arrowCursor;
    if (mode == m_cursorMode && testAttribute(Qt::WA_SetCursor))
        return;
    m_cursorMode = mode;
    if (mode == 1)
        setCursor(Qt::ArrowCursor);
    else if (mode == 2)
        setCursor(Qt::IBeamCursor);
    else
        setCursor(crossCursor());
}

int ChartView::annotationAt(QPoint plotPixel) const
{
    // Annotations live in axis 0's rectangle and are clipped to it.
    if (m_rects.empty() || !m_rects.front()->rect().contains(plotPixel))
        return -1;
    for (size_t k = m_annotItems.size(); k-- > 0;) { // the one drawn on top first
        const double distance = m_annotItems[k]->selectTest(QPointF(plotPixel), false);
        if (distance >= 0 && distance <= kHotSpotPixels)
            return m_annotIndex[k];
    }
    return -1;
}

bool ChartView::dataPointAt(QPoint plotPixel, int* subset, int* point) const
{
    double best = kHotSpotPixels + 0.5;
    bool found = false;
    for (size_t s = 0; s < m_graphs.size(); ++s) {
        QCPGraph* graph = m_graphs[s];
        if (!graph->keyAxis()->axisRect()->rect().contains(plotPixel))
            continue;
        const int sub = static_cast<int>(s);
        for (int p = 0; p < m_model.points(); ++p) {
            const float y = m_model.y(sub, p);
            if (m_model.isNull(y))
                continue;
            const double dx
                = graph->keyAxis()->coordToPixel(SerialSeconds::toSeconds(m_model.x(sub, p)))
                - plotPixel.x();
            if (std::abs(dx) > best)
                continue;
            const double dy = graph->valueAxis()->coordToPixel(y) - plotPixel.y();
            const double d = std::hypot(dx, dy);
            if (d < best) {
                best = d;
                *subset = sub;
                *point = p;
                found = true;
            }
        }
    }
    return found;
}

bool ChartView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_plot)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        handlePress(static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseButtonRelease:
        handleRelease(static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseButtonDblClick:
        handleDoubleClick(static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseMove: {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        m_lastMouse = m_plot->mapTo(this, at);
        Q_EMIT mouseMoved(m_lastMouse);
        if (m_model.look.allowGraphAnnotHotSpots && annotationAt(at) >= 0)
            Q_EMIT graphHotSpot();
        break;
    }
    default:
        break;
    }
    return false; // QCustomPlot still zooms and pans
}

void ChartView::handlePress(QMouseEvent* event)
{
    m_afterDoubleClick = false;
    m_pressPos = event->position().toPoint();
    m_lastMouse = m_plot->mapTo(this, m_pressPos);
}

void ChartView::handleRelease(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_afterDoubleClick) {
        m_afterDoubleClick = false;
        return; // the release that ends a double click is not another click
    }
    if (event->button() != Qt::LeftButton || (at - m_pressPos).manhattanLength() > kClickSlopPixels)
        return;
    m_lastMouse = m_plot->mapTo(this, at);
    Q_EMIT clicked(m_lastMouse);
    const ChartLook& look = m_model.look;
    if (look.allowGraphAnnotHotSpots) {
        const int index = annotationAt(at);
        if (index >= 0) {
            Q_EMIT annotationHotSpot(index, false);
            return;
        }
    }
    int subset = 0;
    int point = 0;
    if (look.allowDataHotSpots && dataPointAt(at, &subset, &point))
        Q_EMIT dataHotSpot(subset, point);
}

void ChartView::handleDoubleClick(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_afterDoubleClick = true;
    const QPoint at = event->position().toPoint();
    m_pressPos = at;
    m_lastMouse = m_plot->mapTo(this, at);
    const ChartLook& look = m_model.look;
    if (look.allowGraphAnnotHotSpots) {
        const int index = annotationAt(at);
        if (index >= 0) {
            Q_EMIT annotationHotSpot(index, true);
            return;
        }
    }
    int subset = 0;
    int point = 0;
    if (look.allowDataHotSpots && dataPointAt(at, &subset, &point))
        Q_EMIT dataHotSpot(subset, point);
}

} // namespace tc4dl::chart
