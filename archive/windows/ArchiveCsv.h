#pragma once

#include <QString>

#include <vector>

namespace tc4dl {

class DataSetStore;

namespace archive {

// Writes the sets of `store` (decoded from the archive's image of `ids`, in that order) as the
// command-line export lays them out: "set,time,T1,T2,T3,T4,unit", one line per sample, set =
// the archive id, ISO 8601 times in the meter's clock, one decimal with a point or "OL", unit
// C or F. The file is replaced whole or not at all; false with the reason in *error.
[[nodiscard]] bool writeArchiveCsv(
    const QString& path, const DataSetStore& store, const std::vector<qint64>& ids, QString* error);

} // namespace archive
} // namespace tc4dl
