#pragma once

#include "SaveGraph.h"
#include "TfrmList.h"

#include <QByteArray>
#include <QLocale>
#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class QMdiArea;

namespace tc4dl {

namespace chart {
class ChartModel;
}
class GraphServices;
class MessageTable;
class Prompter;
class TfrmGraph;

// What the file commands need from the main window.
class FileHost {
public:
    virtual ~FileHost() = default;
    [[nodiscard]] virtual Prompter& prompter() = 0;
    [[nodiscard]] virtual const MessageTable& mainMessages() const = 0;
    // Where the file dialogs start before any folder was used: the user's documents folder.
    [[nodiscard]] virtual QString documentsFolder() const = 0;
    // What a collection save writes: the memory of the data sets the logger window shows;
    // empty when there are none.
    [[nodiscard]] virtual QByteArray collectionImage() const = 0;
    // The regional settings the text files follow (the system's in the program).
    [[nodiscard]] virtual QLocale textLocale() const = 0;
    // The program's current temperature unit, which the range window proposes.
    [[nodiscard]] virtual bool celsius() const = 0;
    virtual void processEvents() = 0;
    [[nodiscard]] virtual QMdiArea& documentArea() = 0;
    [[nodiscard]] virtual GraphServices& graphServices() = 0;
    // The size of a graph window opened from a file: the main window's width, its client
    // height less 40 pixels.
    [[nodiscard]] virtual QSize openedGraphSize() const = 0;
    virtual void setOutputToGraphEnabled(bool enabled) = 0;
};

// The main window's file commands: saving graphs, tables and the logger's data sets, opening
// a single graph or text file, and turning a table window back into a graph.
class FileCommands final : public ListHost {
public:
    explicit FileCommands(FileHost& host);

    // Saves a graph window's graph: graph file or text, by the chosen name's extension.
    // `celsius`: the unit of the graph's data, when its window knows it.
    SaveGraphResult saveGraph(const chart::ChartModel& graph, std::optional<bool> celsius = {});
    // The logger's graph window: all data sets as a collection, or the graph shown. True when
    // one of them was written; false when the user cancelled or the file could not be written.
    bool saveDataLogger(TfrmGraph& window);
    // All data sets the logger window shows, as a collection file. An empty store is refused
    // with a message. The logger's data counts as saved only once the file is complete.
    bool saveCollection();

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
    void tableActivated() override { m_host.setOutputToGraphEnabled(true); }

    // Printing a table comes with the printing commands; until one is set, Print does nothing.
    std::function<void(TfrmList&)> printTableHandler;
    // Bytes read between two looks at the progress window when a text file is opened.
    void setReadChunk(qsizetype bytes) { m_readChunk = bytes; }

    [[nodiscard]] SaveDialogState& saveDialog() { return m_saveDialog; }

private:
    [[nodiscard]] SaveContext saveContext();
    [[nodiscard]] TfrmGraph* newGraphWindow(const QString& caption);
    void eventsNow(qint64& lastMs);

    FileHost& m_host;
    SaveDialogState m_saveDialog;
    qsizetype m_readChunk = 64 * 1024;
};

} // namespace tc4dl
