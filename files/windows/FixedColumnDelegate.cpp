#include "FixedColumnDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QWidget>

namespace tc4dl {

void FixedColumnDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
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
    style->drawControl(QStyle::CE_Header, &header, painter, option.widget);
}

} // namespace tc4dl
