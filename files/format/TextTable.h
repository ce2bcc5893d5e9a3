#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <vector>

namespace tc4dl {

// The cells of a table read from a text file, kept as the file's bytes: all cells of all rows
// in one buffer, and per row where its cells start and how long each is. A 65,535-row file
// then takes a few bytes per row beyond its own size, instead of one object per cell.
// Cells are text, never converted; the row number (the table's column 0) is not stored.
class TextTable {
public:
    static constexpr int kFields = 6;
    // A line is at most 179 characters, so a cell's length fits in a byte.
    static constexpr int kMaxLineLength = 179;
    // A bound on rows, so that no file makes the table grow without end.
    static constexpr int kMaxRows = 8 * 1024 * 1024;

    [[nodiscard]] int rowCount() const { return static_cast<int>(m_rows.size()); }
    // Field 0..5 of row 0..rowCount()-1, as the file's bytes and as text.
    [[nodiscard]] QByteArrayView rawCell(int row, int field) const;
    [[nodiscard]] QString cell(int row, int field) const;
    // Whether the byte occurs inside any cell of any row.
    [[nodiscard]] bool anyCellHolds(char byte) const { return m_bytes.contains(byte); }
    // How many fields the row's line held (at most six).
    [[nodiscard]] int fieldCount(int row) const;

    // Appends a row of up to six fields (more are dropped; each at most 255 bytes).
    void appendRow(const QByteArrayView* fields, int count);
    void reserve(qsizetype rows, qsizetype bytes);
    void clear();

    // Memory held, for the figures the benchmarks print.
    [[nodiscard]] qsizetype bytesHeld() const;

private:
    struct Row {
        quint32 start = 0;
        std::array<quint8, kFields> length {};
        quint8 fields = 0;
    };
    QByteArray m_bytes;
    std::vector<Row> m_rows;
};

} // namespace tc4dl
