#include "MeterArtwork.h"

#include <QFont>
#include <QFontInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tc4dl::art {

namespace {

// Case and bumper colours.
const QColor kBumperLight(0xf5, 0x9a, 0x3a);
const QColor kBumper(0xe8, 0x80, 0x1e);
const QColor kBumperDark(0xa8, 0x52, 0x0b);
const QColor kBumperEdge(0x6e, 0x34, 0x06);
const QColor kCaseTop(0x3b, 0x40, 0x47);
const QColor kCaseBottom(0x1f, 0x22, 0x26);
const QColor kLettering(0xd9, 0xdc, 0xe0);
const QColor kSocketYellow(0xf4, 0xc8, 0x2e); // the colour code of type K connectors

// Outline of the text in a font, its baseline at y = 0.
QPainterPath textPath(const QString& text, const QFont& font)
{
    QPainterPath path;
    path.addText(0.0, 0.0, font, text);
    return path;
}

// Maps `path` into `box`: centred, shrunk when it does not fit. With `fill` it is stretched
// to cover the box (independently in x and y), as an LCD annunciator is.
QPainterPath fitted(const QPainterPath& path, const QRectF& box, bool fill = false)
{
    const QRectF bounds = path.boundingRect();
    if (bounds.isEmpty())
        return path;
    double sx = box.width() / bounds.width();
    double sy = box.height() / bounds.height();
    if (!fill) {
        sx = sy = std::min({ sx, sy, 1.0 });
    }
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(sx, sy);
    t.translate(-bounds.center().x(), -bounds.center().y());
    return t.map(path);
}

QPainterPath roundedRect(const QRectF& r, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// A soft shadow made of a few widening translucent rounded rectangles.
void softShadow(QPainter& p, const QRectF& r, double radius, double dy, int alpha)
{
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 0; --i) {
        const double grow = 0.6 * i;
        p.setBrush(QColor(0, 0, 0, alpha / (i + 2)));
        p.drawPath(roundedRect(r.adjusted(-grow, -grow + dy, grow, grow + dy), radius + grow));
    }
    p.restore();
}

void paintBumper(QPainter& p, const QPainterPath& outer, const QPainterPath& face)
{
    // Rubber: rounded across its width, so darker at both sides.
    QLinearGradient across(0.0, 0.0, 150.0, 0.0);
    across.setColorAt(0.00, kBumperDark);
    across.setColorAt(0.04, kBumper);
    across.setColorAt(0.30, kBumperLight);
    across.setColorAt(0.70, kBumper);
    across.setColorAt(0.96, kBumper.darker(112));
    across.setColorAt(1.00, kBumperDark);
    p.setPen(Qt::NoPen);
    p.setBrush(across);
    p.drawPath(outer.subtracted(face));

    // Light from above: the top edge shines, the bottom falls into shade.
    QLinearGradient down(0.0, -2.0, 0.0, 434.0);
    down.setColorAt(0.0, QColor(255, 255, 255, 70));
    down.setColorAt(0.06, QColor(255, 255, 255, 0));
    down.setColorAt(0.90, QColor(0, 0, 0, 0));
    down.setColorAt(1.0, QColor(0, 0, 0, 80));
    p.setBrush(down);
    p.drawPath(outer.subtracted(face));

    // Grip ribs moulded into both sides of the bumper, where the hand holds the meter.
    p.setPen(QPen(QColor(0x7a, 0x3a, 0x06, 150), 1.0));
    for (double y = 196.5; y < 330.0; y += 5.0) {
        p.drawLine(QPointF(1.8, y), QPointF(4.2, y));
        p.drawLine(QPointF(145.8, y), QPointF(148.2, y));
    }
    p.setPen(QPen(QColor(255, 220, 170, 90), 1.0));
    for (double y = 197.5; y < 331.0; y += 5.0) {
        p.drawLine(QPointF(1.8, y), QPointF(4.2, y));
        p.drawLine(QPointF(145.8, y), QPointF(148.2, y));
    }

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBumperEdge, 1.0));
    p.drawPath(outer);
}

void paintCase(QPainter& p, const QPainterPath& face)
{
    QLinearGradient g(0.0, 0.0, 0.0, 434.0);
    g.setColorAt(0.0, kCaseTop);
    g.setColorAt(0.5, kCaseTop.darker(118));
    g.setColorAt(1.0, kCaseBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(face);
    // A faint sheen on the left half of the moulding.
    QLinearGradient sheen(0.0, 0.0, 150.0, 0.0);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.25, QColor(255, 255, 255, 14));
    sheen.setColorAt(0.55, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawPath(face);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x10, 0x11, 0x13), 1.0));
    p.drawPath(face);
}

// The four miniature thermocouple sockets on the top edge, labelled T1..T4.
void paintSockets(QPainter& p)
{
    const QRectF block(13.5, 7.5, 123.0, 22.0);
    softShadow(p, block, 4.0, 1.0, 160);
    QLinearGradient g(0.0, block.top(), 0.0, block.bottom());
    g.setColorAt(0.0, QColor(0x0f, 0x10, 0x12));
    g.setColorAt(1.0, QColor(0x23, 0x25, 0x29));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x55, 0x5a, 0x61), 0.8));
    p.drawRoundedRect(block, 4.0, 4.0);

    const QFont labelFont = panelFont(7, true);
    for (int i = 0; i < 4; ++i) {
        const double cx = 30.0 + 30.0 * i;
        const QRectF socket(cx - 12.5, 11.0, 25.0, 15.0);
        QLinearGradient y(0.0, socket.top(), 0.0, socket.bottom());
        y.setColorAt(0.0, kSocketYellow.lighter(115));
        y.setColorAt(0.55, kSocketYellow);
        y.setColorAt(1.0, kSocketYellow.darker(135));
        p.setBrush(y);
        p.setPen(QPen(QColor(0x6b, 0x52, 0x08), 0.8));
        p.drawRoundedRect(socket, 2.0, 2.0);
        // Two flat contacts of different width, so a plug only fits one way round.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2a, 0x22, 0x08));
        p.drawRoundedRect(QRectF(cx - 8.0, 15.0, 3.2, 7.0), 0.8, 0.8);
        p.drawRoundedRect(QRectF(cx + 3.2, 15.0, 5.0, 7.0), 0.8, 0.8);
        // Polarity marks moulded above the contacts.
        p.setPen(QPen(QColor(0x6b, 0x52, 0x08), 0.7));
        p.drawLine(QPointF(cx - 7.4, 13.0), QPointF(cx - 5.4, 13.0));
        p.drawLine(QPointF(cx + 4.7, 13.0), QPointF(cx + 6.7, 13.0));
        p.drawLine(QPointF(cx + 5.7, 12.0), QPointF(cx + 5.7, 14.0));

        p.setPen(Qt::NoPen);
        p.setBrush(kLettering);
        const QString name = QStringLiteral("T%1").arg(i + 1);
        p.drawPath(fitted(textPath(name, labelFont), QRectF(cx - 10.0, 33.0, 20.0, 6.0)));
    }
}

// One line of lettering on the case, centred in `box`; `accent` is drawn in the bumper colour.
void paintMakerLine(QPainter& p, const QRectF& box, const QString& accent, const QString& rest)
{
    QFont bold = panelFont(9, true);
    bold.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    QFont plain = panelFont(9, false);
    plain.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    QPainterPath first = textPath(accent, bold);
    QPainterPath second = textPath(rest, plain);
    second.translate(first.boundingRect().right(), 0.0);
    QPainterPath both = first;
    both.addPath(second);
    const QRectF bounds = both.boundingRect();
    const double s
        = std::min({ box.width() / bounds.width(), box.height() / bounds.height(), 1.0 });
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(s, s);
    t.translate(-bounds.center().x(), -bounds.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(kBumperLight);
    p.drawPath(t.map(first));
    p.setBrush(kLettering);
    p.drawPath(t.map(second));
}

void paintDisplay(QPainter& p)
{
    // The window in the case, the dark frame around the glass.
    const QRectF bezel(6.5, 56.5, 137.0, 102.0);
    QLinearGradient frame(0.0, bezel.top(), 0.0, bezel.bottom());
    frame.setColorAt(0.0, QColor(0x0b, 0x0c, 0x0d));
    frame.setColorAt(1.0, QColor(0x1a, 0x1c, 0x1f));
    p.setBrush(frame);
    p.setPen(QPen(QColor(0x5a, 0x60, 0x68), 0.9));
    p.drawRoundedRect(bezel, 7.0, 7.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 200), 0.8));
    p.drawRoundedRect(bezel.adjusted(1.0, 1.0, -1.0, -1.0), 6.0, 6.0);

    // The glass itself: grey-green, a little darker towards the bottom.
    const QRectF glass = kLcdGlass;
    QLinearGradient lcd(0.0, glass.top(), 0.0, glass.bottom());
    lcd.setColorAt(0.0, lcdGlassAt(glass.top()));
    lcd.setColorAt(1.0, lcdGlassAt(glass.bottom()));
    p.setPen(Qt::NoPen);
    p.setBrush(lcd);
    p.drawRoundedRect(glass, 2.5, 2.5);

    p.save();
    p.setClipPath(roundedRect(glass, 2.5));
    // The glass sits below the frame, which throws a shadow on its top and left edges.
    QLinearGradient top(0.0, glass.top(), 0.0, glass.top() + 5.0);
    top.setColorAt(0.0, QColor(0, 0, 0, 90));
    top.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(top);
    p.drawRect(QRectF(glass.left(), glass.top(), glass.width(), 5.0));
    QLinearGradient left(glass.left(), 0.0, glass.left() + 3.5, 0.0);
    left.setColorAt(0.0, QColor(0, 0, 0, 60));
    left.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(left);
    p.drawRect(QRectF(glass.left(), glass.top(), 3.5, glass.height()));

    // Segments printed on the glass: the cross that parts the four channels.
    QColor rule = lcdInk();
    rule.setAlpha(70);
    p.setPen(QPen(rule, 0.8));
    p.drawLine(QPointF(79.0, 72.0), QPointF(79.0, 118.0));
    p.drawLine(QPointF(31.0, 106.5), QPointF(136.0, 106.5));

    p.restore();
}

// A power symbol: a ring open at the top with a bar through the gap.
void paintPowerSymbol(QPainter& p, const QPointF& c, double r, const QColor& colour)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 60 * 16, -300 * 16);
    p.drawLine(QPointF(c.x(), c.y() - r - 0.8), QPointF(c.x(), c.y() - 0.6));
}

void paintKey(QPainter& p, Key key)
{
    const QRectF r = QRectF(keyRect(key)).adjusted(0.5, 0.5, -0.5, -0.5);
    softShadow(p, r, kKeyRadius, 1.6, 230);

    // Rubber key cap: lighter on top, domed.
    QLinearGradient cap(0.0, r.top(), 0.0, r.bottom());
    cap.setColorAt(0.0, QColor(0x74, 0x7a, 0x83));
    cap.setColorAt(0.45, QColor(0x5b, 0x60, 0x68));
    cap.setColorAt(1.0, QColor(0x43, 0x47, 0x4d));
    p.setBrush(cap);
    p.setPen(QPen(QColor(0x16, 0x17, 0x19), 1.0));
    p.drawRoundedRect(r, kKeyRadius, kKeyRadius);

    QRadialGradient dome(QPointF(r.center().x(), r.top() + r.height() * 0.3), r.width() * 0.6);
    dome.setColorAt(0.0, QColor(255, 255, 255, 38));
    dome.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(dome);
    p.drawRoundedRect(r.adjusted(1.0, 1.0, -1.0, -1.0), kKeyRadius - 1.0, kKeyRadius - 1.0);

    // The rim catches the light at the top and fades out down the sides.
    QLinearGradient rim(0.0, r.top(), 0.0, r.top() + r.height() * 0.6);
    rim.setColorAt(0.0, QColor(255, 255, 255, 75));
    rim.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(rim), 0.8));
    p.drawRoundedRect(r.adjusted(1.0, 1.0, -1.0, -1.0), kKeyRadius - 1.0, kKeyRadius - 1.0);

    const QColor legend(0xf2, 0xf3, 0xf5);
    const QColor red(0xff, 0x5a, 0x46);
    const QFont font = panelFont(9, true);
    const QRectF area = r.adjusted(4.0, 5.0, -4.0, -5.0);
    p.setPen(Qt::NoPen);
    switch (key) {
    case Key::Close: {
        paintPowerSymbol(p, QPointF(r.center().x(), r.top() + 10.0), 4.2, red);
        p.setPen(Qt::NoPen);
        p.setBrush(legend);
        QFont small = panelFont(6, true);
        small.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
        p.drawPath(fitted(textPath(QStringLiteral("CLOSE"), small),
            QRectF(r.left() + 4.0, r.top() + 17.5, r.width() - 8.0, 5.5)));
        break;
    }
    case Key::Rec: {
        p.setBrush(red);
        const QPainterPath text
            = fitted(textPath(QStringLiteral("REC"), font), area.adjusted(7.0, 0.0, 0.0, 0.0));
        const QRectF tb = text.boundingRect();
        p.drawEllipse(QPointF(tb.left() - 5.5, tb.center().y()), 3.0, 3.0);
        p.setBrush(legend);
        p.drawPath(text);
        break;
    }
    case Key::T1T2:
        p.setBrush(legend);
        p.drawPath(fitted(textPath(QStringLiteral("T1-T2"), font), area));
        break;
    case Key::Hold:
        p.setBrush(legend);
        p.drawPath(fitted(textPath(QStringLiteral("HOLD"), font), area));
        break;
    case Key::MaxMin:
        p.setBrush(legend);
        p.drawPath(fitted(textPath(QStringLiteral("MAX/MIN"), font), area.adjusted(-1, 0, 1, 0)));
        break;
    case Key::CF:
        p.setBrush(legend);
        p.drawPath(fitted(textPath(QStringLiteral("°C/°F"), font), area));
        break;
    }
}

void paintKeypad(QPainter& p)
{
    const QRectF plate(12.5, 180.5, 125.0, 154.0);
    QLinearGradient g(0.0, plate.top(), 0.0, plate.bottom());
    g.setColorAt(0.0, QColor(0x2c, 0x30, 0x35));
    g.setColorAt(1.0, QColor(0x24, 0x27, 0x2b));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x12, 0x13, 0x15), 1.0));
    p.drawRoundedRect(plate, 10.0, 10.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 22), 0.8));
    p.drawRoundedRect(plate.adjusted(1.0, 1.0, -1.0, -1.0), 9.0, 9.0);

    for (int i = 0; i < kKeyCount; ++i)
        paintKey(p, static_cast<Key>(i));
}

// The beeper's grille and two case screws at the foot of the meter.
void paintFoot(QPainter& p)
{
    QFont small = panelFont(7, true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(kLettering.darker(125));
    p.drawPath(
        fitted(textPath(QStringLiteral("DATA LOGGER"), small), QRectF(25.0, 346.0, 100.0, 7.0)));

    for (int row = 0; row < 4; ++row) {
        const int count = row % 2 ? 6 : 7;
        const double y = 368.0 + row * 6.0;
        const double x0 = 75.0 - (count - 1) * 3.0;
        for (int i = 0; i < count; ++i) {
            const QPointF c(x0 + i * 6.0, y);
            p.setBrush(QColor(255, 255, 255, 28));
            p.drawEllipse(c + QPointF(0.0, 0.6), 1.5, 1.5);
            p.setBrush(QColor(0x08, 0x09, 0x0a));
            p.drawEllipse(c, 1.5, 1.5);
        }
    }

    for (const double x : { 32.0, 118.0 }) {
        const QPointF c(x, 408.0);
        QRadialGradient head(c + QPointF(-1.0, -1.0), 4.0);
        head.setColorAt(0.0, QColor(0x9a, 0x9f, 0xa6));
        head.setColorAt(1.0, QColor(0x3a, 0x3d, 0x42));
        p.setBrush(head);
        p.setPen(QPen(QColor(0x0e, 0x0f, 0x11), 0.8));
        p.drawEllipse(c, 3.4, 3.4);
        p.setPen(QPen(QColor(0x1a, 0x1b, 0x1d), 0.9));
        p.drawLine(c + QPointF(-1.8, 0.0), c + QPointF(1.8, 0.0));
        p.drawLine(c + QPointF(0.0, -1.8), c + QPointF(0.0, 1.8));
    }
}

QPainterPath stroked(const QPainterPath& path, double width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    return stroker.createStroke(path);
}

// The degree sign and a C or F in LCD segments, in a 9 x 11 rectangle.
void paintUnit(QPainter& p, bool celsius, const QRectF& r, const QColor& ink)
{
    const double sx = r.width() / 9.0;
    const double sy = r.height() / 11.0;
    QTransform t;
    t.translate(r.left(), r.top());
    t.scale(sx, sy);

    QPainterPath degree;
    degree.addEllipse(QPointF(1.9, 2.2), 1.35, 1.35);
    QPainterPath letter;
    if (celsius) {
        const QRectF bowl(4.2, 3.2, 5.6, 6.8);
        letter.arcMoveTo(bowl, 55.0);
        letter.arcTo(bowl, 55.0, 250.0);
    } else {
        letter.moveTo(8.6, 3.2);
        letter.lineTo(4.6, 3.2);
        letter.lineTo(4.6, 10.6);
        letter.moveTo(4.6, 6.6);
        letter.lineTo(7.8, 6.6);
    }
    QPainterPath shape = stroked(degree, 0.9);
    shape.addPath(stroked(letter, 1.35));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(t.map(shape));
}

void paintBattery(QPainter& p, const QRectF& r, const QColor& ink)
{
    const double sx = r.width() / 10.0;
    const double sy = r.height() / 7.0;
    QTransform t;
    t.translate(r.left(), r.top());
    t.scale(sx, sy);
    QPainterPath shell;
    shell.addRect(QRectF(0.6, 0.6, 7.6, 5.8));
    QPainterPath shape = stroked(shell, 1.1);
    shape.addRect(QRectF(8.4, 2.1, 1.4, 2.8)); // terminal
    shape.addRect(QRectF(1.8, 1.8, 1.6, 3.4)); // the last bar of charge
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(t.map(shape));
}

void paintAutoOff(QPainter& p, const QRectF& r, const QColor& ink)
{
    const double s = std::min(r.width(), r.height()) / 14.0;
    QTransform t;
    t.translate(r.center().x() - 7.0 * s, r.center().y() - 7.0 * s);
    t.scale(s, s);
    QPainterPath ring;
    ring.addEllipse(QPointF(7.0, 7.4), 5.4, 5.4);
    QPainterPath hands;
    hands.moveTo(7.0, 3.9);
    hands.lineTo(7.0, 7.4);
    hands.lineTo(9.6, 8.9);
    QPainterPath shape = stroked(ring, 1.2);
    shape.addPath(stroked(hands, 1.1));
    // The alarm bells on top tell a timer from a plain clock.
    QPainterPath bells;
    bells.moveTo(1.2, 3.4);
    bells.arcTo(QRectF(0.8, 0.6, 5.0, 5.0), 200.0, -110.0);
    bells.closeSubpath();
    bells.moveTo(12.8, 3.4);
    bells.arcTo(QRectF(8.2, 0.6, 5.0, 5.0), -20.0, 110.0);
    bells.closeSubpath();
    shape = shape.united(bells);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(t.map(shape));
}

} // namespace

QColor lcdInk()
{
    return { 0x1c, 0x24, 0x1e };
}

QColor lcdGlass()
{
    return { 0xa9, 0xb5, 0x9b };
}

QColor lcdGlassAt(double y)
{
    // A little lighter at the top than at the bottom, as lit from above.
    const double t = std::clamp((y - kLcdGlass.top()) / kLcdGlass.height(), 0.0, 1.0);
    const QColor top = lcdGlass().lighter(107);
    const QColor bottom = lcdGlass().darker(105);
    const auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    return { mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
        mix(top.blue(), bottom.blue()) };
}

QFont panelFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({ QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"),
        QStringLiteral("Liberation Sans"), QStringLiteral("Arial") });
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    // Tahoma is a narrow face; DejaVu Sans, its usual stand-in, is a good deal wider, and
    // its condensed cut comes close to Tahoma's widths, which the display's layout needs.
    if (QFontInfo(font).family().startsWith(QLatin1String("DejaVu")))
        font.setStretch(QFont::SemiCondensed);
    return font;
}

void paintMeterFront(QPainter& p)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(kPictureRect, Qt::white);

    const QPainterPath outer = roundedRect(QRectF(0.5, 0.5, 149.0, 433.5), 18.0);
    const QPainterPath face = roundedRect(QRectF(5.5, 3.5, 139.0, 425.0), 20.0);
    paintBumper(p, outer, face);
    paintCase(p, face);
    paintSockets(p);
    paintMakerLine(p, QRectF(12.0, 44.0, 126.0, 8.0), QStringLiteral("TC4DL"),
        QStringLiteral(" \u00b7 4 CH THERMOMETER"));
    paintDisplay(p);
    paintKeypad(p);
    paintFoot(p);
    p.restore();
}

void paintPressedKey(QPainter& p, const QRectF& keyRect)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = keyRect.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawRoundedRect(r, kKeyRadius, kKeyRadius);
    // Pressed in, the cap's top edge falls into shade.
    QLinearGradient shade(0.0, r.top(), 0.0, r.top() + 5.0);
    shade.setColorAt(0.0, QColor(0, 0, 0, 90));
    shade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(shade);
    p.drawRoundedRect(r, kKeyRadius, kKeyRadius);
    p.restore();
}

void paintGlyph(QPainter& p, Glyph glyph, const QRectF& rect, const QColor& ink)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const auto word = [&](const QString& text) {
        QFont font = panelFont(10, true);
        font.setStretch(QFont::Condensed);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPath(fitted(textPath(text, font), rect.adjusted(0.3, 0.8, -0.3, -0.8), true));
    };
    switch (glyph) {
    case Glyph::Rec:
        word(QStringLiteral("REC"));
        break;
    case Glyph::Max:
        word(QStringLiteral("MAX"));
        break;
    case Glyph::Min:
        word(QStringLiteral("MIN"));
        break;
    case Glyph::Hold:
        word(QStringLiteral("HOLD"));
        break;
    case Glyph::Rel:
        word(QStringLiteral("REL"));
        break;
    case Glyph::Celsius:
        paintUnit(p, true, rect, ink);
        break;
    case Glyph::Fahrenheit:
        paintUnit(p, false, rect, ink);
        break;
    case Glyph::Battery:
        paintBattery(p, rect, ink);
        break;
    case Glyph::AutoOff:
        paintAutoOff(p, rect, ink);
        break;
    }
    p.restore();
}

} // namespace tc4dl::art
