#pragma once

#include "TextTable.h"

#include <QByteArray>
#include <QByteArrayView>

namespace tc4dl {

// Reads a tab-, comma- or semicolon-separated text file into a TextTable, fed the file's bytes in
// chunks of any size so that the caller can show progress and stop between chunks.
//
// A CR LF pair and a lone LF end a line; a last line without an end counts too. A line is at
// most 179 characters: a longer line gives its first 179 and the reading ends after it. The
// reading also ends at the first line without a separator (an empty line, the end of the
// file). Each line's fields, split at the separator, fill one row; fields beyond the sixth are
// dropped, nothing is trimmed, and a separator ending the line leaves no extra field.
//
// Given kCsvSeparator, the file is a ".csv": its first line says whether its fields are
// separated by semicolons (written where the decimal separator is a comma) or by commas.
class TextTableReader {
public:
    static constexpr char kCsvSeparator = 0;

    TextTableReader(char separator, TextTable& table);

    // Reads the lines that `bytes` completes. False once the reading has ended: later bytes
    // are not looked at.
    bool feed(QByteArrayView bytes);
    // The end of the file: a last line without a line end is read.
    void finish();
    [[nodiscard]] bool ended() const { return m_ended; }
    [[nodiscard]] int rowsRead() const { return m_rows; }

private:
    void takeLine(QByteArrayView line);

    char m_separator;
    TextTable& m_table;
    // The line read so far; at most one character beyond a line's limit, so that a CR
    // waiting for its LF is told from a line that is too long.
    QByteArray m_line;
    int m_rows = 0;
    bool m_ended = false;
};

} // namespace tc4dl
