#include "ArchiveCsv.h"

#include "DataSetCsv.h"
#include "DataSetStore.h"
#include "FileTarget.h"

#include <QIODevice>
#include <QTextStream>

namespace tc4dl::archive {

bool writeArchiveCsv(
    const QString& path, const DataSetStore& store, const std::vector<qint64>& ids, QString* error)
{
    const auto write = [&](QIODevice& device) {
        QTextStream out(&device);
        out << dataSetCsvHeader() << '\n';
        for (int k = 0; k < store.setCount(); ++k) {
            const auto at = static_cast<std::size_t>(k);
            writeDataSetCsvLines(
                store, k, out, QString::number(at < ids.size() ? ids[at] : qint64(k) + 1));
        }
        out.flush();
        return out.status() == QTextStream::Ok;
    };
    return writeWhole(path, write, error) == WriteOutcome::Written;
}

} // namespace tc4dl::archive
