#pragma once

#include "MessageTable.h"
#include "OpenData.h"
#include "SaveGraph.h"
#include "TfrmList.h"

#include <QByteArray>
#include <QLocale>
#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMdiArea;

namespace tc4dl {

namespace chart {
class ChartModel;
}
class GraphServices;
class Prompter;
class TfrmGraph;
class Workspace;

// The main window's file commands: saving graphs, tables and the logger's data sets, opening
// a single graph or text file, and turning a table window back into a graph.
class FileCommands final : public ListHost {
public:
    struct Deps {
        // The live unit, which the range window proposes, and the data sets on show.
        Workspace* workspace = nullptr;
        Prompter* prompter = nullptr;
        GraphServices* graphs = nullptr; // of the graph windows the commands open
        QMdiArea* area = nullptr; // the document area the windows open in
        QAction* outputToGraph = nullptr; // btnOutputToGraph
        // Where the file dialogs start before any folder was used: the user's documents folder.
        QString documentsFolder;
        // The regional settings the text files follow (the system's in the program).
        QLocale locale;
    };
    explicit FileCommands(Deps deps);

    // Saves a graph window's graph: graph file or text, by the chosen name's extension.
    // `celsius`: the unit of the graph's data, when its window knows it.
    SaveGraphResult saveGraph(const chart::ChartModel& graph, std::optional<bool> celsius = {});
    // The graph window of a set of data sets (the logger's, or the archive's on view): all its
    // data sets as a collection, or the graph shown. True when one of them was written; false
    // when the user cancelled or the file could not be written.
    bool saveDataSets(TfrmGraph& window, OpenData::Piece piece);
    // All data sets of `piece`, as a collection file. None is refused with a message. The data
    // counts as saved only once the file is complete.
    bool saveCollection(OpenData::Piece piece);

    // Asks for a graph or text file and opens it in a new window.
    void openSingleFile();
    // A graph file in a new graph window; null (after saying why) when it cannot be read.
    TfrmGraph* openGraphFile(const QString& path);
    // A text file in a new table window; null when it cannot be opened (nothing said).
    TfrmList* openTextFile(const QString& path, char separator);

    // ListHost
    void saveTable(TfrmList& list) override;
    void printTable(TfrmList& list) override;
    void outputToGraph(TfrmList& list) override;
    void tableActivated() override;

    // Printing a table comes with the printing commands; until one is set, Print does nothing.
    std::function<void(TfrmList&)> printTableHandler;
    // Bytes read between two looks at the progress window when a text file is opened.
    void setReadChunk(qsizetype bytes) { m_readChunk = bytes; }

    [[nodiscard]] SaveDialogState& saveDialog() { return m_saveDialog; }

private:
    [[nodiscard]] SaveContext saveContext();
    [[nodiscard]] TfrmGraph* newGraphWindow(const QString& caption);
    void eventsNow(qint64& lastMs);
    // A graph window opened from a file: as wide as the main window, as high as its client
    // height less 40 pixels, inside the document area.
    [[nodiscard]] QSize openedGraphSize() const;
    [[nodiscard]] Prompter& prompter() const { return *m_deps.prompter; }
    [[nodiscard]] QMdiArea& area() const { return *m_deps.area; }

    Deps m_deps;
    MessageTable m_messages; // the main window's
    SaveDialogState m_saveDialog;
    qsizetype m_readChunk = 64 * 1024;
};

} // namespace tc4dl
