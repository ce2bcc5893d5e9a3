// The text table reader fed hostile files. The first byte chooses the separator (its low bit)
// and a chunk size; the rest is the file. Rules:
// - no cell is longer than a line may be, no row has more than six fields, and there are no
//   more rows than lines;
// - the same bytes fed whole and fed in chunks give the same table;
// - the table holds no more than its input plus a few bytes per row;
// - a table written back with the table save (each row short enough to stay one line) reads
//   back to the same cells.

#include "FuzzRule.h"
#include "TableTextWriter.h"
#include "TextTableModel.h"
#include "TextTableReader.h"

#include <QBuffer>

using namespace tc4dl;

namespace {

void read(TextTableModel& model, char sep, QByteArrayView bytes, qsizetype chunk)
{
    TextTable& table = model.beginFill();
    TextTableReader reader(sep, table);
    for (qsizetype pos = 0; pos < bytes.size(); pos += chunk)
        if (!reader.feed(bytes.sliced(pos, std::min(chunk, bytes.size() - pos))))
            break;
    reader.finish();
    FUZZ_RULE(reader.rowsRead() == table.rowCount());
    model.endFill();
}

bool sameCells(const TextTableModel& a, const TextTableModel& b)
{
    if (a.dataRows() != b.dataRows())
        return false;
    for (int r = 0; r < a.dataRows(); ++r)
        for (int c = 0; c < TextTableModel::kColumns; ++c)
            if (a.cellText(r, c) != b.cellText(r, c))
                return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const char sep = (data[0] & 1) ? ',' : '\t';
    const qsizetype chunk = 1 + (data[0] >> 1);
    const QByteArrayView bytes(data + 1, static_cast<qsizetype>(size - 1));

    TextTableModel whole;
    read(whole, sep, bytes, std::max<qsizetype>(bytes.size(), 1));
    TextTableModel chunked;
    read(chunked, sep, bytes, chunk);
    FUZZ_RULE(sameCells(whole, chunked));

    const TextTable& table = whole.table();
    FUZZ_RULE(table.rowCount() <= bytes.count('\n') + 1);
    qsizetype longest = 0;
    bool fitsOneLine = true;
    for (int r = 0; r < table.rowCount(); ++r) {
        FUZZ_RULE(table.fieldCount(r) >= 1 && table.fieldCount(r) <= TextTable::kFields);
        qsizetype written = TextTable::kFields;
        for (int f = 0; f < TextTable::kFields; ++f) {
            longest = std::max(longest, table.rawCell(r, f).size());
            written += table.rawCell(r, f).size();
        }
        fitsOneLine &= written <= TextTable::kMaxLineLength;
    }
    FUZZ_RULE(longest <= TextTable::kMaxLineLength);
    FUZZ_RULE(table.bytesHeld() <= 2 * bytes.size() + 16 * qsizetype(table.rowCount()) + 4096);

    if (!fitsOneLine)
        return 0;
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    FUZZ_RULE(writeTableText(whole, { 1, whole.dataRows() }, sep, saved) == whole.dataRows());
    TextTableModel back;
    read(back, sep, saved.data(), saved.data().size() + 1);
    if (table.rowCount() > 0)
        FUZZ_RULE(sameCells(whole, back));
    return 0;
}
