#include "PanelWidgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace tc4dl {

KeyArea::KeyArea(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void KeyArea::mousePressEvent(QMouseEvent* event)
{
    m_down = true;
    update();
    event->accept();
    Q_EMIT pressed(event->button());
}

void KeyArea::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasDown = m_down;
    m_down = false;
    update();
    event->accept();
    // A handler may close the panel (and delete this area) while it runs.
    const QPointer<KeyArea> self(this);
    Q_EMIT released(event->button());
    if (self && wasDown && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void KeyArea::paintEvent(QPaintEvent* /*event*/)
{
    if (!m_down)
        return;
    QPainter painter(this);
    art::paintPressedKey(painter, QRectF(rect()));
}

MeterPicture::MeterPicture(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MeterPicture::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    Q_EMIT dragStarted(event->globalPosition());
}

void MeterPicture::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (m_dragging)
        Q_EMIT dragMoved(event->globalPosition());
}

void MeterPicture::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    Q_EMIT dragEnded();
}

void MeterPicture::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    // The artwork is laid out in the panel's coordinates; this widget starts above them.
    painter.translate(-QPointF(art::kPictureRect.topLeft()));
    art::paintMeterFront(painter);
}

DisplayMark::DisplayMark(art::Glyph glyph, QWidget* parent)
    : QWidget(parent),
      m_glyph(glyph)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DisplayMark::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    art::paintGlyph(painter, m_glyph, QRectF(rect()), art::lcdInk());
}

} // namespace tc4dl
