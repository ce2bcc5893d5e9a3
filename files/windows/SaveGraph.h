#pragma once

#include "FileTarget.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

namespace tc4dl {

namespace chart {
class ChartModel;
}
class MessageTable;
class Prompter;

// The file dialogs' memory between uses: they start in the folder last used (kept in the
// Settings between runs) and the save dialog proposes the last name chosen.
struct SaveDialogState {
    QString lastFileName;
    QString lastFilter;
    QString lastFolder;

    // Where a dialog starts: the folder last used while it still exists, else `fallback` (the
    // user's documents folder; never the program's own, where a user may not write).
    [[nodiscard]] QString startFolder(const QString& fallback) const;
    // The save dialog's proposal: the last name chosen, in the start folder.
    [[nodiscard]] QString saveStart(const QString& fallback) const;
    // A file was chosen in a dialog: its folder is the one to start in next time.
    void chosen(const QString& path);
    // A file was chosen in a save dialog: besides its folder, its name is proposed next time,
    // and a `filter` that is not empty is the type the next save dialog offers first.
    void saved(const QString& path, const QString& filter = {});
};

// What a save needs from the program around it: questions, the main window's texts, the
// folder the dialog starts in, the regional settings the text files follow, the temperature
// unit the range window proposes, and a way to let the progress window's Cancel through.
struct SaveContext {
    Prompter& prompter;
    const MessageTable& messages; // the main window's
    QString documentsFolder; // where the dialog starts when no folder was used yet
    QLocale locale;
    bool celsius = true;
    std::function<void()> processEvents;
};

// The file types of a graph, offered by the save and the open dialogs alike. Where the decimal
// separator is a comma, comma-separated text would be ambiguous, so only the graph file and
// tab-separated text are offered.
[[nodiscard]] QStringList graphFileFilters(const QLocale& locale = QLocale());

enum class SaveGraphResult {
    Cancelled, // the user chose no file, or cancelled the range window
    Saved, // the file was written (a cancelled text save keeps the lines written so far)
    Failed, // the file could not be created or written; the user was told, the old file stays
    NotSaved, // nothing written: another extension, an empty range or a range box without
              // an integer (said)
};

// Asks for a file name, starting in the folder last used, and saves the graph by the name's
// extension: ".ghf" as a graph-state file, ".txt" as tab-separated text and ".csv" as text
// separated by commas, or by semicolons where the decimal separator is a comma. The type chosen
// in the dialog plays no part.
SaveGraphResult SaveGraph(
    const chart::ChartModel& graph, const SaveContext& context, SaveDialogState& dialog);

// Tells the user of a file that could not be created (IDS_171) or not written to the end
// (IDS_170), in one sentence from the main window's table with the file name in place of %1.
// True when the file was written.
bool reportSaveOutcome(
    WriteOutcome outcome, const QString& path, Prompter& prompter, const MessageTable& messages);

// The text export alone, to `name`: the range window with the unit, the save progress, the
// lines. Used by SaveGraph for ".txt" and ".csv".
SaveGraphResult saveGraphText(const chart::ChartModel& graph, const SaveContext& context,
    const QString& name, char separator);

} // namespace tc4dl
