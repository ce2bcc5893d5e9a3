#pragma once

#include <QString>
#include <QTextStream>

#include <functional>

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
// False when `stop` turned true on the way; the lines so far are written then.
bool writeGraphCsv(
    const chart::ChartModel& graph, QTextStream& out, const std::function<bool()>& stop = {});

} // namespace tc4dl::cli
