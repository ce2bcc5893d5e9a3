#pragma once

#include "Prompter.h"

#include <QLocale>
#include <QString>

namespace tc4dl {

class DataLoggerWindow;
class Prompter;
class Workspace;

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

// Opens a data set collection file (.ch4) into the workspace's logger data: the logger window
// first (restored or created, also when the user then cancels), then the open dialog starting in
// `startFolder`, listing both spellings of ".ch4". A file that decodes replaces the store, is
// kept as the transfer file, goes into the archive and its set 0 is graphed; it does not count
// as unsaved data, since it came from a file. The chosen file's path goes to *chosen (empty when
// cancelled).
CollectionOpen OpenCollectionFile(Workspace& workspace, DataLoggerWindow& window,
    Prompter& prompter, const QString& startFolder, QString* chosen = nullptr);

} // namespace tc4dl
