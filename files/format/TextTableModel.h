#pragma once

#include "TextTable.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace tc4dl {

// A table window's grid as a model: column 0 the row number, columns 1 to 6 the fields of
// each line (Date, Time, T1 to T4 for the files the program writes), the headings in the
// horizontal header. An empty table still has its one empty data row, as the window starts
// with one. Nothing can be edited.
class TextTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = TextTable::kFields + 1;

    explicit TextTableModel(QObject* parent = nullptr);

    void setHeadings(const QStringList& headings);
    [[nodiscard]] QStringList headings() const { return m_headings; }

    // The grid's data rows (at least 1) and the text of one cell, column 0..6 of data row
    // 0..dataRows()-1. Column 0 holds the row number of every row that a line filled.
    [[nodiscard]] int dataRows() const;
    [[nodiscard]] QString cellText(int row, int column) const;

    // Filling: the table is read between the two calls, while views show nothing of it.
    [[nodiscard]] TextTable& beginFill();
    void endFill();
    [[nodiscard]] const TextTable& table() const { return m_table; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    TextTable m_table;
    QStringList m_headings;
    bool m_filling = false;
};

} // namespace tc4dl
