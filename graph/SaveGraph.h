#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace tc4dl {

namespace chart {
class ChartModel;
}
class Prompter;

// The save-file dialog's memory between saves: it proposes the last name chosen.
struct SaveDialogState {
    QString lastFileName;
    QString lastFilter;
};

// The file types offered for a graph. Where the decimal separator is a comma, comma-separated
// text would be ambiguous, so only the graph file and tab-separated text are offered.
[[nodiscard]] QStringList graphSaveFilters(const QLocale& locale = QLocale());

enum class SaveGraphResult {
    Cancelled, // the user chose no file
    Saved,     // a graph file was written
    Failed,    // the graph file could not be written; the user was told why
    NotSaved,  // a name whose extension is not saved (yet): nothing written, nothing said
};

// Asks for a file name, starting in `programFolder`, and saves the graph by the name's
// extension: ".ghf" as a graph-state file. The type chosen in the dialog plays no part.
SaveGraphResult SaveGraph(const chart::ChartModel& graph, Prompter& prompter,
                          const QString& programFolder, SaveDialogState& dialog);

} // namespace tc4dl
