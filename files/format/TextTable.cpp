#include "TextTable.h"

#include <algorithm>

namespace tc4dl {

QByteArrayView TextTable::rawCell(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= kFields)
        return {};
    const Row& r = m_rows[static_cast<size_t>(row)];
    if (field >= r.fields)
        return {};
    qsizetype start = r.start;
    for (int k = 0; k < field; ++k)
        start += r.length[static_cast<size_t>(k)];
    return QByteArrayView(m_bytes).sliced(start, r.length[static_cast<size_t>(field)]);
}

QString TextTable::cell(int row, int field) const
{
    // The file is single-byte text in the system's code page, as the program writes it.
    return QString::fromLocal8Bit(rawCell(row, field));
}

int TextTable::fieldCount(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[static_cast<size_t>(row)].fields : 0;
}

void TextTable::appendRow(const QByteArrayView* fields, int count)
{
    if (rowCount() >= kMaxRows)
        return;
    Row row;
    row.start = static_cast<quint32>(m_bytes.size());
    row.fields = static_cast<quint8>(std::clamp(count, 0, kFields));
    for (int k = 0; k < row.fields; ++k) {
        const QByteArrayView field = fields[k].first(std::min<qsizetype>(fields[k].size(), 255));
        row.length[static_cast<size_t>(k)] = static_cast<quint8>(field.size());
        m_bytes.append(field);
    }
    m_rows.push_back(row);
}

void TextTable::reserve(qsizetype rows, qsizetype bytes)
{
    m_rows.reserve(static_cast<size_t>(std::clamp<qsizetype>(rows, 0, kMaxRows)));
    m_bytes.reserve(std::max<qsizetype>(bytes, 0));
}

void TextTable::clear()
{
    m_bytes.clear();
    m_rows.clear();
}

qsizetype TextTable::bytesHeld() const
{
    return m_bytes.capacity() + static_cast<qsizetype>(m_rows.capacity() * sizeof(Row));
}

} // namespace tc4dl
