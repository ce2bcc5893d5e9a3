#pragma once

// Every sample of the archived sets as rows of `readings`, open to SQL: decoded from the sets'
// bytes when they are added, and checked against them again. Not for the archive's users.

#include "ArchiveDb.h"

#include <QByteArrayView>

namespace tc4dl::archive {

// A set as its readings are written from it: its bytes, and the start, interval and unit it is
// listed with.
struct ReadingsSource {
    qint64 id = 0;
    QByteArrayView bytes;
    double start = 0.0;
    qint32 interval = 0;
    bool celsius = true;
};

// How many readings the set has: its samples when its bytes are framed as their own count says
// and its samples fall within the years 100 to 9999, else none.
[[nodiscard]] qint32 readingCount(const ReadingsSource& set);

// Writes the set's readings, decoded here from its bytes as the program reads them everywhere
// else, many rows to a statement.
bool writeReadings(const Archive::Impl& impl, const ReadingsSource& set, ArchiveError* error);

// Writes the readings of every stored set, as a migration to version 3 needs them.
bool fillReadings(const Archive::Impl& impl, ArchiveError* error);

// Whether the set's stored readings are those its bytes give: -1 when they are, else the first
// sample (from 0) that differs, is missing or is one too many.
bool firstDifferingReading(
    const Archive::Impl& impl, const ReadingsSource& set, qint64* sample, ArchiveError* error);

} // namespace tc4dl::archive
