#pragma once

// Reading archived sets: their rows, and what their own bytes say of them, decoded as an export
// decodes them. Not for the archive's users.

#include "ArchiveDb.h"

#include <QByteArray>
#include <QVariantList>

#include <optional>
#include <vector>

namespace tc4dl::archive {

// A set's frame: start marks, 12 header bytes, end marks.
inline constexpr qsizetype kSetFrame = 16;
// The first bytes of a set that name its start, interval, unit and sample count.
inline constexpr qsizetype kSetHead = 14;

// What a set's bytes say of it. `start` is empty when the bytes leave it to the clock of the
// decoding (a date or time field that is no number).
struct BytesSay {
    bool readable = false; // the marks and the length agree with the count
    std::optional<double> start;
    qint32 interval = 0;
    bool celsius = true;
    qint32 samples = 0;
};

// For each set its first kSetHead bytes (shorter when the set is) and its stored length.
[[nodiscard]] std::vector<BytesSay> whatBytesSay(
    const std::vector<std::pair<QByteArray, qint64>>& heads);

// The sets whose rows match `where` (with `values` bound in order), with their fields from
// their bytes; inside a transaction of the caller's.
bool readSets(const Archive::Impl& impl, const QString& where, const QVariantList& values,
    std::vector<ArchivedSet>* sets, ArchiveError* error);

} // namespace tc4dl::archive
