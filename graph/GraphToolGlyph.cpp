#include "GraphToolGlyph.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tc4dl {

namespace {

void drawGlyph(QPainter& p, GraphGlyph glyph, const QColor& ink, const QPen& pen)
{
    switch (glyph) {
    case GraphGlyph::Statistic: // a small table with a heading row
        p.setBrush(QColor(0xdd, 0xe6, 0xf3));
        p.drawRect(QRectF(2.5, 4.5, 15, 11));
        p.drawLine(QPointF(2.5, 8), QPointF(17.5, 8));
        p.drawLine(QPointF(7.5, 4.5), QPointF(7.5, 15.5));
        p.drawLine(QPointF(12.5, 4.5), QPointF(12.5, 15.5));
        break;
    case GraphGlyph::LineCursor: // a trace between two cursor lines
        p.setPen(QPen(QColor(0x20, 0x40, 0xe0), 1.4));
        p.drawLine(QPointF(5.5, 2), QPointF(5.5, 18));
        p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 1.4));
        p.drawLine(QPointF(14.5, 2), QPointF(14.5, 18));
        p.setPen(pen);
        p.drawPolyline(QPolygonF({ { 1, 14 }, { 5, 10 }, { 9, 12 }, { 13, 6 }, { 19, 8 } }));
        break;
    case GraphGlyph::Pointer: { // the normal arrow pointer
        QPainterPath arrow;
        arrow.moveTo(6, 2);
        arrow.lineTo(6, 16);
        arrow.lineTo(9.5, 12.5);
        arrow.lineTo(12, 18);
        arrow.lineTo(14, 17);
        arrow.lineTo(11.5, 11.5);
        arrow.lineTo(16, 11.5);
        arrow.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(arrow);
        break;
    }
    case GraphGlyph::Cross:
        p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 3), QPointF(10, 17));
        p.drawLine(QPointF(3, 10), QPointF(17, 10));
        break;
    case GraphGlyph::Text: {
        QFont font(QStringLiteral("Serif"));
        font.setPixelSize(16);
        font.setBold(true);
        p.setFont(font);
        p.drawText(
            QRectF(0, 0, kGraphGlyphSize, kGraphGlyphSize), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case GraphGlyph::Color: // three paint drops on a palette
        p.setBrush(QColor(0xf4, 0xe4, 0xc4));
        p.drawEllipse(QRectF(2, 4, 16, 12));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe0, 0x20, 0x20));
        p.drawEllipse(QRectF(5, 6.5, 3.5, 3.5));
        p.setBrush(QColor(0x20, 0xa0, 0x20));
        p.drawEllipse(QRectF(9.5, 5.5, 3.5, 3.5));
        p.setBrush(QColor(0x20, 0x40, 0xe0));
        p.drawEllipse(QRectF(13, 8, 3.5, 3.5));
        break;
    case GraphGlyph::Clear: { // an eraser
        p.setBrush(QColor(0xf0, 0x9c, 0xa8));
        QPolygonF body({ { 3, 13 }, { 11, 5 }, { 17, 11 }, { 11, 17 }, { 7, 17 } });
        p.drawPolygon(body);
        p.drawLine(QPointF(7, 9), QPointF(13, 15));
        p.drawLine(QPointF(11, 17), QPointF(18, 17));
        break;
    }
    case GraphGlyph::UndoZoom: // a magnifier with a minus
        p.setBrush(QColor(0xe8, 0xf0, 0xfa));
        p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
        p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(17.5, 17.5));
        p.setPen(pen);
        p.drawLine(QPointF(5.5, 8), QPointF(10.5, 8));
        break;
    }
}

} // namespace

QIcon graphToolGlyph(GraphGlyph glyph)
{
    QIcon icon;
    for (const qreal ratio : { 1.0, 2.0 }) {
        QPixmap pixmap(QSize(kGraphGlyphSize, kGraphGlyphSize) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink(0x30, 0x30, 0x30);
        QPen pen(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        drawGlyph(p, glyph, ink, pen);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace tc4dl
