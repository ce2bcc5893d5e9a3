#include "TableTextWriter.h"

#include "ChunkedLineWriter.h"
#include "TextTableModel.h"

#include <algorithm>

namespace tc4dl {

qint64 writeTableText(const TextTableModel& table, SaveRange range, char separator,
    QIODevice& device, const std::function<bool(qint64)>& step)
{
    ChunkedLineWriter out(device, step);
    const TextTable& cells = table.table();
    for (int r = std::max(range.from, 1); r <= range.to && r <= table.dataRows(); ++r) {
        // The cells as the file held them: written back byte for byte.
        for (int field = 0; field < TextTable::kFields; ++field) {
            out.line() += cells.rawCell(r - 1, field);
            out.line() += separator;
        }
        if (!out.endLine())
            break;
    }
    return out.finish();
}

char csvSeparatorFor(const QLocale& locale)
{
    return locale.decimalPoint() == QStringLiteral(",") ? ';' : ',';
}

char tableSeparatorFor(const QString& fileName, const QLocale& locale)
{
    return fileName.right(3).compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
        ? csvSeparatorFor(locale)
        : '\t';
}

char tableSeparatorFor(const QString& fileName, const QLocale& locale, const TextTable& cells)
{
    const char chosen = tableSeparatorFor(fileName, locale);
    if (chosen == '\t')
        return chosen;
    if (cells.anyCellHolds(','))
        return ';';
    if (cells.anyCellHolds(';'))
        return ',';
    return chosen;
}

} // namespace tc4dl
