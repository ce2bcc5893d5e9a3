#pragma once

#include "SaveRange.h"

#include <QLocale>

#include <functional>

class QIODevice;

namespace tc4dl {

class TextTable;
class TextTableModel;

// Writes rows from..to (numbered from 1) of a table window's grid as text: the cells of
// columns 1 to 6 as they stand, each followed by the separator, then CR LF. The row number is
// not written. `step` is called after each line with the lines written so far and returns
// false to stop there. The result is the number of lines, or -1 when the device refused a
// write.
qint64 writeTableText(const TextTableModel& table, SaveRange range, char separator,
    QIODevice& device, const std::function<bool(qint64 lines)>& step = {});

// The field separator of a ".csv" file written under `locale`: a semicolon where the decimal
// separator is a comma (what spreadsheet programs there expect; a comma would split every
// value in two), else a comma.
[[nodiscard]] char csvSeparatorFor(const QLocale& locale);

// The separator a table save uses for `fileName`: the .csv separator when its last three
// characters are "csv" in any case, else a TAB.
[[nodiscard]] char tableSeparatorFor(const QString& fileName, const QLocale& locale);

// The separator a save of `cells` uses for `fileName`. The cells are written back byte for
// byte, so a ".csv" never gets a separator that one of them holds: a table read from a file
// separated by semicolons, with decimal commas, keeps its semicolons under any locale. Only
// cells that hold both a comma and a semicolon leave no safe choice; then the semicolon,
// which the reader of a ".csv" looks for first.
[[nodiscard]] char tableSeparatorFor(
    const QString& fileName, const QLocale& locale, const TextTable& cells);

} // namespace tc4dl
