#include "DocumentArea.h"

#include <QMdiArea>

#include <algorithm>

namespace tc4dl::documentarea {

QRect placedInside(const QRect& wanted, const QRect& area, QSize least)
{
    const QSize size = wanted.size().boundedTo(area.size()).expandedTo(least);
    const int x = std::max(area.left(), std::min(wanted.left(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(wanted.top(), area.bottom() + 1 - size.height()));
    return { QPoint(x, y), size };
}

QRect placedInView(const QMdiArea& area, const QRect& wanted, QSize least)
{
    const QRect view = area.viewport()->rect();
    if (view.isEmpty())
        return wanted;
    return placedInside(wanted, view, least);
}

} // namespace tc4dl::documentarea
