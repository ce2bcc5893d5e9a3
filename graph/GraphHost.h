#pragma once

#include "ChartModel.h"

#include <QString>

#include <optional>

class QDialog;

namespace tc4dl {

class Clock;
class MessageTable;
class Prompter;
class TfrmGraph;
struct GraphShared;

// Where the graph template is looked for: the program's own folder first, then the user's
// data folder (used for writing when the program's folder is not writable).
struct GraphFolders {
    QString program;
    QString appData;
};

// What a graph window needs from the main window that owns it.
class GraphHost {
public:
    virtual ~GraphHost() = default;

    // The main window's Save command: saves whatever child window is active.
    virtual void save1Click() = 0;
    // Asks for a file name and saves the graph of `graph` there.
    virtual void saveGraph(TfrmGraph& graph) = 0;

    [[nodiscard]] virtual bool meterConnected() const = 0;
    virtual void setRunEnabled(bool enabled) = 0;  // btnRun, Run1
    virtual void setStopEnabled(bool enabled) = 0; // btnStop, Stop1
    // A graph window became active: the table-to-graph command has nothing to act on.
    virtual void disableOutputToGraph() = 0;
    // The check mark of the View menu's real-time graph item.
    virtual void setRealTimeGraphChecked(bool checked) = 0;

    // The main window's message table (the template message), message boxes, time.
    [[nodiscard]] virtual const MessageTable& mainMessages() const = 0;
    [[nodiscard]] virtual Prompter& prompter() = 0;
    [[nodiscard]] virtual Clock& clock() = 0;
    [[nodiscard]] virtual GraphShared& graphShared() = 0;
    [[nodiscard]] virtual GraphFolders graphFolders() const = 0;
    // Seconds between two real-time samples.
    [[nodiscard]] virtual int samplingRate() const = 0;

    // A data set row of the logger window's list was clicked: graph that set. Nothing to do
    // until the logger's data sets are there.
    virtual void graphDataSet(int index) { (void)index; }

    // Modal dialogs of the graph windows (scale, annotation text, customization) and the
    // colour question: run for real by default, answered by a script in tests.
    virtual int execDialog(QDialog& dialog);
    [[nodiscard]] virtual std::optional<chart::Color> chooseColor(chart::Color initial);
    // A new sampling rate chosen in the real-time graph, and how far its time axis then grows
    // past a new sample (a fraction of a day).
    virtual void setSamplingRate(int seconds) { (void)seconds; }
    virtual void setXExtendStep(double days) { (void)days; }
};

} // namespace tc4dl
