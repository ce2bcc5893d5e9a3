#pragma once

#include "ChartModel.h"

#include <QString>

namespace tc4dl::chart {

// A graph-state file (the graph template and ".ghf" graph files): a 4-byte unsigned
// little-endian length n, then the model's n-byte state block.

// Replaces the file as a whole; on failure the old file, if any, stays as it was.
[[nodiscard]] bool saveGraphState(
    const ChartModel& model, const QString& path, QString* error = nullptr);

// Takes over every setting and the data of the file. A file shorter than its length field says
// gives "Stream read error"; on any failure the model stays unchanged.
[[nodiscard]] bool loadGraphState(ChartModel& model, const QString& path, QString* error = nullptr);

inline const QString kStreamReadError = QStringLiteral("Stream read error");

} // namespace tc4dl::chart
