#include "FixedColumnDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QWidget>

namespace tc4dl {

void FixedColumnDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() != 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionHeader header;
    header.rect = option.rect;
    header.palette = option.palette;
    header.fontMetrics = option.fontMetrics;
    header.state = QStyle::State_Enabled | QStyle::State_Raised;
    header.orientation = Qt::Vertical;
    header.text = index.data().toString();
    header.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    // The view paints every cell with one painter and does not restore it between cells; a
    // header drawn by the style leaves its clip behind, which would hide every later cell.
    painter->save();
    style->drawControl(QStyle::CE_Header, &header, painter, option.widget);
    painter->restore();
}

} // namespace tc4dl
