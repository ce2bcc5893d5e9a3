#pragma once

#include <QColor>
#include <QRect>
#include <QRectF>

#include <array>

class QFont;
class QPainter;
class QString;

// The control panel's artwork, drawn with vector primitives so that it stays sharp at any
// device pixel ratio. All geometry is in the panel's client coordinates.
namespace tc4dl::art {

// The pictured keys; the click areas of the panel lie exactly on them.
enum class Key { Close, T1T2, Hold, MaxMin, Rec, CF };
inline constexpr int kKeyCount = 6;
inline constexpr std::array<QRect, kKeyCount> kKeyRects {
    QRect(21, 189, 42, 28), // Close (power key)
    QRect(83, 190, 44, 28), // T1-T2
    QRect(22, 243, 42, 28), // HOLD
    QRect(84, 244, 42, 28), // MAX/MIN
    QRect(23, 293, 41, 31), // REC
    QRect(78, 296, 51, 29), // degrees C/F
};
[[nodiscard]] constexpr QRect keyRect(Key key)
{
    return kKeyRects[static_cast<std::size_t>(key)];
}
inline constexpr double kKeyRadius = 6.0;

// The meter picture covers the client area and reaches two pixels above it.
inline constexpr QRect kPictureRect(0, -2, 150, 436);
// The glass of the LCD, behind the readings and the marks.
inline constexpr QRectF kLcdGlass(9.0, 64.0, 132.0, 88.0);

// Colour of the LCD's segments and the flat colour of its glass.
[[nodiscard]] QColor lcdInk();
[[nodiscard]] QColor lcdGlass();
// The glass's colour at height y: the flat background for anything that must cover it.
[[nodiscard]] QColor lcdGlassAt(double y);

// The whole front of the meter: bumper, case, input sockets, display window, keys, lettering.
void paintMeterFront(QPainter& painter);

// Darkening of a pictured key while it is held down.
void paintPressedKey(QPainter& painter, const QRectF& keyRect);

// The display's annunciators, each filling its own small rectangle.
enum class Glyph { Rec, Max, Min, Hold, Rel, Celsius, Fahrenheit, Battery, AutoOff };
void paintGlyph(QPainter& painter, Glyph glyph, const QRectF& rect, const QColor& ink);

// The font family list of the panel's texts: the design's Tahoma, else the nearest sans.
[[nodiscard]] QFont panelFont(int pixelSize, bool bold = false);

} // namespace tc4dl::art
