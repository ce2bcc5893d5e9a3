#include "ReflowLayout.h"

#include <QWidget>

#include <algorithm>

namespace tc4dl {

ReflowLayout::ReflowLayout(QWidget* parent, int horizontalSpacing, int verticalSpacing)
    : QLayout(parent),
      m_hSpacing(horizontalSpacing),
      m_vSpacing(verticalSpacing)
{
}

ReflowLayout::~ReflowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void ReflowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
    invalidate();
}

int ReflowLayout::count() const
{
    return static_cast<int>(m_items.size());
}

QLayoutItem* ReflowLayout::itemAt(int index) const
{
    return m_items.value(index);
}

QLayoutItem* ReflowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    QLayoutItem* item = m_items.takeAt(index);
    invalidate();
    return item;
}

Qt::Orientations ReflowLayout::expandingDirections() const
{
    return {};
}

bool ReflowLayout::hasHeightForWidth() const
{
    return true;
}

int ReflowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize ReflowLayout::minimumSize() const
{
    // As wide as the widest item: every item fits on a row of its own.
    QSize size;
    for (const QLayoutItem* item : m_items)
        if (!item->isEmpty())
            size = size.expandedTo(item->sizeHint().expandedTo(item->minimumSize()));
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize ReflowLayout::sizeHint() const
{
    // Everything on one row.
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        width += hint.width() + (shown++ > 0 ? m_hSpacing : 0);
        height = std::max(height, hint.height());
    }
    const QMargins m = contentsMargins();
    return { width + m.left() + m.right(), height + m.top() + m.bottom() };
}

void ReflowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int ReflowLayout::arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    // Rows of items first, then each row placed with its own height.
    QList<QList<QLayoutItem*>> rows(1);
    int x = 0;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const int width = item->sizeHint().width();
        if (!rows.last().isEmpty() && x + m_hSpacing + width > area.width()) {
            rows.append(QList<QLayoutItem*>());
            x = 0;
        }
        x += (rows.last().isEmpty() ? 0 : m_hSpacing) + width;
        rows.last().append(item);
    }
    int y = area.top();
    for (qsizetype r = 0; r < rows.size(); ++r) {
        int height = 0;
        for (const QLayoutItem* item : rows[r])
            height = std::max(height, item->sizeHint().height());
        if (apply) {
            int left = area.left();
            for (QLayoutItem* item : rows[r]) {
                const QSize hint = item->sizeHint();
                const int width = std::min(hint.width(), std::max(0, area.right() + 1 - left));
                item->setGeometry(
                    QRect(left, y + (height - hint.height()) / 2, width, hint.height()));
                left += width + m_hSpacing;
            }
        }
        y += height + (r + 1 < rows.size() ? m_vSpacing : 0);
    }
    const QMargins m = contentsMargins();
    return y - area.top() + m.top() + m.bottom();
}

} // namespace tc4dl
