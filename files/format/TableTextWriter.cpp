#include "TableTextWriter.h"

#include "TextTableModel.h"

#include <QIODevice>

#include <algorithm>

namespace tc4dl {

qint64 writeTableText(const TextTableModel& table, SaveRange range, char separator,
                      QIODevice& device, const std::function<bool(qint64)>& step)
{
    constexpr qsizetype kWriteChunk = 64 * 1024;
    QByteArray buffer;
    buffer.reserve(kWriteChunk + 256);
    qint64 lines = 0;
    auto flush = [&] {
        const bool ok = buffer.isEmpty() || device.write(buffer) == buffer.size();
        buffer.clear();
        return ok;
    };
    const TextTable& cells = table.table();
    for (int r = std::max(range.from, 1); r <= range.to && r <= table.dataRows(); ++r) {
        // The cells as the file held them: written back byte for byte.
        for (int field = 0; field < TextTable::kFields; ++field) {
            buffer += cells.rawCell(r - 1, field);
            buffer += separator;
        }
        buffer += "\r\n";
        ++lines;
        if (buffer.size() >= kWriteChunk && !flush())
            return -1;
        if (step && !step(lines))
            break;
    }
    return flush() ? lines : -1;
}

char tableSeparatorFor(const QString& fileName)
{
    return fileName.right(3).compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? ',' : '\t';
}

} // namespace tc4dl
