#pragma once

#include <QStyledItemDelegate>

namespace tc4dl {

// Draws the cells of a grid's first column like header sections, so that the row numbers
// read as the grid's fixed column rather than as data.
class FixedColumnDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
};

} // namespace tc4dl
