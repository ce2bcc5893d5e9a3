#pragma once

#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "LoadResult.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace tc4dl {
class Clock;
}

namespace tc4dl::cli {

// The texts of the logger commands: the data-set list and the samples, written for scripts
// (ISO 8601 local times, a point as decimal separator whatever the locale, sets from 1).

// Set k's start, to the second.
[[nodiscard]] QDateTime setStart(const DataSetStore& store, int k);

[[nodiscard]] QString setsCsvHeader();
[[nodiscard]] QString setsCsvLine(const DataSetStore& store, int k);
// The list as an aligned table with a heading line.
[[nodiscard]] QStringList setsTable(const DataSetStore& store);

// The exit code and the one sentence of a load or open that did not succeed.
[[nodiscard]] int exitCodeFor(LoadResult result);
[[nodiscard]] QString failureSentence(LoadResult result, const DecodeOutcome& decode);

// Reads and decodes a collection file into `store` (the decoder's "now" from `clock`); Ok, or
// the exit code with the sentence on `err`.
[[nodiscard]] int loadCollection(
    const QString& path, Clock& clock, DataSetStore& store, QTextStream& err);

// The same for a command with --set: `setNumber` is the option's text (nothing: all sets) and
// `only` the chosen set's index (-1: all). A number that is not 1 or more is refused before the
// file is read, one beyond the file's sets after; either is InvalidInput with its sentence.
[[nodiscard]] int loadChosenSets(const QString& path, const std::optional<QString>& setNumber,
    Clock& clock, DataSetStore& store, int& only, QTextStream& err);

} // namespace tc4dl::cli
