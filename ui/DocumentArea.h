#pragma once

#include <QRect>
#include <QSize>

class QMdiArea;

namespace tc4dl {

// Where the program puts a child window of the main window's document area: never past the
// area's visible edges, where the toolbar and the status bar would hide its controls and its
// last statistic row, and never smaller than the child can be drawn.
namespace documentarea {

// `wanted` moved and cut so that it lies inside `area`, but never smaller than `least`.
[[nodiscard]] QRect placedInside(const QRect& wanted, const QRect& area, QSize least = {});

// `wanted`, in the coordinates of the area's children, placed inside what `area` shows of
// them (its viewport). An area that has no size yet leaves `wanted` as it is.
[[nodiscard]] QRect placedInView(const QMdiArea& area, const QRect& wanted, QSize least = {});

} // namespace documentarea

} // namespace tc4dl
