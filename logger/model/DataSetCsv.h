#pragma once

#include <QString>
#include <QTextStream>

namespace tc4dl {

class DataSetStore;

// Data sets as CSV for scripts and spreadsheets, the one layout of the command line's export
// and the Archive window's: "set,time,T1,T2,T3,T4,unit", one line per sample, ISO 8601 times
// in the meter's clock to the second, one decimal with a point or "OL" outside the range of the
// set's unit, unit C or F.
[[nodiscard]] QString dataSetCsvHeader();

// The lines of set k of `store`, its set field `label` (k + 1 when empty).
void writeDataSetCsvLines(
    const DataSetStore& store, int k, QTextStream& out, const QString& label = {});

} // namespace tc4dl
