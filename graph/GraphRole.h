#pragma once

#include <optional>

namespace tc4dl {

class TfrmGraph;

// What makes one graph window the real-time graph or the logger's graph: the role owns its
// state (a recording, downloaded data sets) and answers for it when the window is saved or
// closed. A graph window without a role shows a graph from a file or a table. The role
// outlives the windows it is given to.
class GraphRole {
public:
    virtual ~GraphRole() = default;

    // `window` takes this role (it is already in its place, not yet shown).
    virtual void attach(TfrmGraph& window) = 0;
    // The save question before the window closes; false keeps the window (and, when the main
    // window asks, the program) open.
    [[nodiscard]] virtual bool closeQuery() = 0;
    // The window has closed: the role lets go of it and of what belonged to it.
    virtual void closed() = 0;
    // File > Save while the window is the active one.
    virtual void save() = 0;

    // The real-time graph's own controls: Clear emptied the graph; the sampling-rate lists
    // now show `seconds`.
    virtual void cleared() { }
    virtual void samplingRateChanged(int seconds) { (void)seconds; }
    // A row of the data-set list was clicked.
    virtual void dataSetClicked(int row) { (void)row; }

    // The unit of the values the window shows (true for degrees Celsius), which a text export
    // proposes; nothing when the role does not know it.
    [[nodiscard]] virtual std::optional<bool> dataCelsius() const { return std::nullopt; }

    // Whether the window's rates of change are those of the latest minute (a recording that
    // goes on) rather than of the whole graph (a stored set).
    [[nodiscard]] virtual bool ratesOfLatestMinute() const { return false; }
};

} // namespace tc4dl
