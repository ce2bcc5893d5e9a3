#pragma once

#include "DataSetStore.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace tc4dl {

// The columns of one row of the data-set list.
enum class DataSetColumn { Set, Date, Time, Rate, Nums, Unit };
inline constexpr int kDataSetColumns = 6;

// Rate column text of an interval in seconds: minutes ":" seconds, both truncated toward zero
// and padded to two characters ("01:00", "60:00", "00:-1" for -1 s).
[[nodiscard]] QString intervalText(qint32 seconds);

// Row text of set k: its number from 1, the start date in the locale's short date format, the
// start time as hh:mm:ss (00..23), the rate, the sample count and "C" or "F".
[[nodiscard]] QStringList dataSetRow(const DataSetStore& store, int k, const QLocale& locale);

// The rows of every set, in order, for the logger window's list and the command line.
[[nodiscard]] QList<QStringList> dataSetRows(const DataSetStore& store, const QLocale& locale);

} // namespace tc4dl
