#pragma once

#include <QString>
#include <QTextStream>

namespace tc4dl::chart {
class ChartModel;
}

namespace tc4dl::cli {

// A graph's points as CSV for scripts and spreadsheets, the same on every machine: header
// "time,T1,T2,T3,T4", ISO 8601 local times, one decimal with a point, an empty field for a
// point without data and OL beyond the value limits. Points up to the first never filled
// (X exactly 0).
[[nodiscard]] QString graphCsvHeader();
[[nodiscard]] QString graphCsvValue(const chart::ChartModel& graph, float value);
// Ends early, with the lines so far written, once a stop signal came.
void writeGraphCsv(const chart::ChartModel& graph, QTextStream& out);

} // namespace tc4dl::cli
