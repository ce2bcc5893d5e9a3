#pragma once

#include <QString>

#include <optional>

namespace tc4dl {

namespace alarm {
class ChannelConfig;
}

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

// What every graph window needs from the program around it, whatever its role: questions,
// time, the main window's messages, the state all graph windows share, the template folders
// and saving a graph to a file.
class GraphServices {
public:
    virtual ~GraphServices() = default;

    // Asks for a file name and saves the graph of `graph` there; true when it was written.
    virtual bool saveGraph(TfrmGraph& graph) = 0;
    // A graph window became active: the table-to-graph command has nothing to act on.
    virtual void disableOutputToGraph() = 0;

    // The main window's message table (the template message), questions, time.
    [[nodiscard]] virtual const MessageTable& mainMessages() const = 0;
    [[nodiscard]] virtual Prompter& prompter() = 0;
    [[nodiscard]] virtual Clock& clock() = 0;
    [[nodiscard]] virtual GraphShared& graphShared() = 0;
    [[nodiscard]] virtual GraphFolders graphFolders() const = 0;

    // The channel settings in use (names, limits), which the windows of the meter's own data
    // follow; nothing where no one keeps them.
    [[nodiscard]] virtual const alarm::ChannelConfig* channelConfig() const { return nullptr; }
    // The unit the limits are given in (true for degrees Celsius); nothing when unknown, and
    // the limits are then taken in the unit of the data they are compared with.
    [[nodiscard]] virtual std::optional<bool> celsiusInUse() const { return std::nullopt; }
};

} // namespace tc4dl
