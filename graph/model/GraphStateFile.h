#pragma once

#include "ChartModel.h"

#include <QString>

namespace tc4dl::chart {

// A graph-state file (the graph template and ".ghf" graph files): a 4-byte unsigned
// little-endian length n, then the model's n-byte state block.

// The longest state block a graph of this program can have: every cell the model can hold (an
// f64 X and an f32 Y each), the most annotations with a text of up to 256 characters each (an
// i32 type, f64 X and Y, a u32 colour, a counted UTF-16 text), and a mebibyte for the look and
// the rest. A file that declares more is refused before anything is read or allocated.
inline constexpr qint64 kMaxGraphStateBytes = ChartModel::kMaxCells * (8 + 4)
    + qint64 { ChartModel::kMaxAnnotations } * (4 + 8 + 8 + 4 + 4 + 2 * 256) + (qint64 { 1 } << 20);

// Replaces the file as a whole; on failure the old file, if any, stays as it was. An existing
// device or pipe is written directly. A graph beyond kMaxGraphStateBytes is not written.
[[nodiscard]] bool saveGraphState(
    const ChartModel& model, const QString& path, QString* error = nullptr);

// The SHA-256 of the bytes saveGraphState writes for `model`: a record of an unsaved graph can
// be matched to its file once it is saved.
[[nodiscard]] QByteArray graphFileSha256(const ChartModel& model);

// Takes over every setting and the data of the file. A file shorter than its length field says
// gives "Stream read error"; on any failure the model stays unchanged. The fixed header (length,
// magic number, format version) is checked before the block is read, and a length beyond
// kMaxGraphStateBytes is refused.
[[nodiscard]] bool loadGraphState(ChartModel& model, const QString& path, QString* error = nullptr);

inline const QString kStreamReadError = QStringLiteral("Stream read error");

} // namespace tc4dl::chart
