#pragma once

#include "DataSetStore.h"
#include "LoadResult.h"
#include "MemoryImage.h"

#include <QDateTime>

#include <optional>

namespace tc4dl {

// The most data sets a memory header may count; more is a memory error.
inline constexpr int kMaxSetCount = 4000;
// A set's frame: start marks, 12 header bytes, 8 bytes a sample, end marks.
inline constexpr qsizetype kSetOverhead = 16;

struct DecodeOutcome {
    LoadResult result = LoadResult::Success; // Success, DataError, MemoryError or NoData
    // With DataError: the first set that failed its checks, and the image offset of the last
    // byte before it (255 for the first set); -1 when the header itself could not be read.
    int badSet = -1;
    qint64 offsetBeforeBadSet = -1;
};

// Splits the memory image into data sets and, only when every set passed its checks, replaces
// the whole store; any other result leaves the store exactly as it was. `now` is the current
// local date and time, taken once by the caller from its clock: date and time fields that are
// not decimal digits, and starts that do not exist, fall back to it. The image is never read
// beyond its end, whatever the header claims: a set cut short by the image's end is a data
// error like a set that ends beyond MemoryEnd.
[[nodiscard]] DecodeOutcome decodeMemoryImage(
    const MemoryImage& image, const QDateTime& now, DataSetStore& store);

// A date or time byte read as its two hexadecimal digits taken as a decimal number (0x07 is 7,
// 0x13 is 13); nothing when a digit is A to F.
[[nodiscard]] std::optional<int> bcdFieldValue(quint8 byte);
// The year of a set's year code: like bcdFieldValue plus 2000, but with 0x1A..0x1F read as
// 10..15 (the meter's own way of counting 2010 to 2015); nothing when not decimal otherwise.
[[nodiscard]] std::optional<int> yearFromCode(quint8 code);

// "Fixed the error": keeps the sets before the first bad one. The image is cut just after the
// last good set, and its header's SetCount and LastAddress (and MemoryEnd) are set to match,
// so that what is shown, the transfer file and a later collection save all agree. Returns
// Success when the cut image holds at least one set (decode it again), NoData when no good set
// came before the bad one (the image is then left as it was).
[[nodiscard]] LoadResult cutBeforeBadSet(MemoryImage& image, const DecodeOutcome& outcome);

} // namespace tc4dl
