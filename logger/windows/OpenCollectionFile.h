#pragma once

#include "Prompter.h"

#include <QLocale>
#include <QString>

namespace tc4dl {

class Clock;
class DataLoggerWindow;
class LoggerData;
class Prompter;

// The Open command's question: a collection of data sets (Ok) or a single file (No). The
// single-file button leaves out comma-separated text where the decimal separator is a comma.
[[nodiscard]] Prompter::Choice openFileChoice(const QString& caption, const QLocale& locale);

// How opening a collection file ended.
enum class CollectionOpen {
    Cancelled, // no file chosen
    NotLoaded, // unreadable, empty or failing the checks: nothing changed; a file whose sets
    // fail the checks is said to hold none this program can read
    Loaded, // the store holds the file's sets; set 0 is shown
};

// Opens a data set collection file (.ch4) into the logger's data: the logger window first
// (restored or created, also when the user then cancels), then the open dialog starting in
// `startFolder`, listing both spellings of ".ch4". A file that decodes replaces the store, is
// kept as the transfer file and its set 0 is graphed; it does not count as unsaved data, since
// it came from a file. The chosen file's path goes to *chosen (empty when cancelled).
CollectionOpen OpenCollectionFile(LoggerData& data, DataLoggerWindow& window, Prompter& prompter,
    Clock& clock, const QString& startFolder, QString* chosen = nullptr);

} // namespace tc4dl
