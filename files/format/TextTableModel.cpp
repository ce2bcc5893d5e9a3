#include "TextTableModel.h"

#include <algorithm>

namespace tc4dl {

TextTableModel::TextTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void TextTableModel::setHeadings(const QStringList& headings)
{
    m_headings = headings;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

int TextTableModel::dataRows() const
{
    return std::max(1, m_table.rowCount());
}

QString TextTableModel::cellText(int row, int column) const
{
    if (row < 0 || row >= m_table.rowCount() || column < 0 || column >= kColumns)
        return QString();
    if (column == 0)
        return QString::number(row + 1);
    return m_table.cell(row, column - 1);
}

TextTable& TextTableModel::beginFill()
{
    if (!m_filling) {
        beginResetModel();
        m_filling = true;
    }
    return m_table;
}

void TextTableModel::endFill()
{
    if (m_filling) {
        m_filling = false;
        endResetModel();
    }
}

int TextTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : dataRows();
}

int TextTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return cellText(index.row(), index.column());
}

QVariant TextTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_headings.size() ? m_headings.at(section) : QString();
    return QString();
}

Qt::ItemFlags TextTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace tc4dl
