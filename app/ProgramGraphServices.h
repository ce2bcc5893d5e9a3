#pragma once

#include "GraphServices.h"
#include "GraphShared.h"
#include "MessageTable.h"

#include <functional>

class QAction;

namespace tc4dl {

class Workspace;

// What every graph window of the program is given: the questions, the clock and the channel
// settings of the workspace, the live unit their limits are in, the state all graph windows
// share, the template folders, and a graph's save through the file commands.
class ProgramGraphServices final : public GraphServices {
public:
    struct Parts {
        Workspace* workspace = nullptr;
        Prompter* prompter = nullptr;
        GraphFolders folders;
        QAction* outputToGraph = nullptr; // btnOutputToGraph, off while a graph is active
        std::function<bool(TfrmGraph& graph)> saveGraph;
    };
    explicit ProgramGraphServices(Parts parts);

    bool saveGraph(TfrmGraph& graph) override;
    void disableOutputToGraph() override;
    [[nodiscard]] const MessageTable& mainMessages() const override { return m_messages; }
    [[nodiscard]] Prompter& prompter() override { return *m_parts.prompter; }
    [[nodiscard]] Clock& clock() override;
    [[nodiscard]] GraphShared& graphShared() override { return m_shared; }
    [[nodiscard]] GraphFolders graphFolders() const override { return m_parts.folders; }
    [[nodiscard]] const alarm::ChannelConfig* channelConfig() const override;
    [[nodiscard]] std::optional<bool> celsiusInUse() const override;

    void setSaveGraph(std::function<bool(TfrmGraph&)> save) { m_parts.saveGraph = std::move(save); }

private:
    Parts m_parts;
    MessageTable m_messages;
    GraphShared m_shared;
};

} // namespace tc4dl
