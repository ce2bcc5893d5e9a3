#include "TextTableReader.h"

#include <algorithm>

namespace tc4dl {

TextTableReader::TextTableReader(char separator, TextTable& table)
    : m_separator(separator),
      m_table(table)
{
    m_line.reserve(TextTable::kMaxLineLength + 2);
}

bool TextTableReader::feed(QByteArrayView bytes)
{
    constexpr qsizetype limit = TextTable::kMaxLineLength;
    qsizetype pos = 0;
    while (!m_ended && pos < bytes.size()) {
        // Whole lines straight from the chunk, without copying them first.
        const qsizetype lf = bytes.indexOf('\n', pos);
        const qsizetype end = lf < 0 ? bytes.size() : lf;
        if (m_line.isEmpty() && lf >= 0) {
            QByteArrayView line = bytes.sliced(pos, end - pos);
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.size() > limit) {
                takeLine(line.first(limit));
                m_ended = true;
            } else {
                takeLine(line);
            }
            pos = lf + 1;
            continue;
        }
        // A line that goes on into the next chunk: keep no more than a line can hold.
        const qsizetype room = limit + 1 - m_line.size();
        m_line.append(bytes.sliced(pos, std::min(room, end - pos)));
        const bool overflow = end - pos > room;
        pos = end;
        if (lf >= 0 && !overflow) {
            // The line is complete.
            if (m_line.endsWith('\r'))
                m_line.chop(1);
            const bool tooLong = m_line.size() > limit;
            takeLine(QByteArrayView(m_line).first(std::min(m_line.size(), limit)));
            m_ended |= tooLong;
            m_line.clear();
            pos = lf + 1;
        } else if (overflow || (m_line.size() > limit && !m_line.endsWith('\r'))) {
            // Longer than a line may be, and not a CR that may belong to the line end.
            takeLine(QByteArrayView(m_line).first(limit));
            m_ended = true;
        }
    }
    return !m_ended;
}

void TextTableReader::finish()
{
    if (m_ended)
        return;
    // The last line without a line end; a lone CR at its end is a character of the line.
    if (!m_line.isEmpty())
        takeLine(QByteArrayView(m_line).first(
            std::min<qsizetype>(m_line.size(), TextTable::kMaxLineLength)));
    m_line.clear();
    m_ended = true;
}

void TextTableReader::takeLine(QByteArrayView line)
{
    if (m_ended)
        return;
    if (m_separator == kCsvSeparator)
        m_separator = line.contains(';') ? ';' : ',';
    if (!line.contains(m_separator) || m_rows >= TextTable::kMaxRows) {
        m_ended = true;
        return;
    }
    QByteArrayView fields[TextTable::kFields];
    int count = 0;
    QByteArrayView rest = line;
    while (count < TextTable::kFields && !rest.isEmpty()) {
        const qsizetype p = rest.indexOf(m_separator);
        if (p < 0) {
            fields[count++] = rest;
            break;
        }
        fields[count++] = rest.first(p);
        rest = rest.sliced(p + 1);
    }
    m_table.appendRow(fields, count);
    ++m_rows;
}

} // namespace tc4dl
