#pragma once

// A stand-in for the program around graph windows: it records what is asked of it; questions
// go to the scripted prompter.

#include "ChannelConfig.h"
#include "GraphServices.h"
#include "GraphShared.h"
#include "ManualClock.h"
#include "MessageTable.h"
#include "ScriptedPrompter.h"

#include <QTemporaryDir>

#include <functional>

namespace tc4dl::testing {

class FakeGraphServices final : public GraphServices {
public:
    FakeGraphServices()
    {
        folders.program = programDir.path();
        folders.appData = dataDir.path();
    }
    bool saveGraph(TfrmGraph&) override
    {
        ++graphSaves;
        return savesSucceed;
    }
    void disableOutputToGraph() override { ++outputDisabled; }
    const MessageTable& mainMessages() const override { return messages; }
    Prompter& prompter() override { return prompts; }
    Clock& clock() override { return manualClock; }
    GraphShared& graphShared() override { return shared; }
    GraphFolders graphFolders() const override { return folders; }
    const alarm::ChannelConfig* channelConfig() const override { return &channels; }
    std::optional<bool> celsiusInUse() const override { return celsius; }

    QTemporaryDir programDir;
    QTemporaryDir dataDir;
    GraphFolders folders;
    MessageTable messages = MessageTable::forWindow(QStringLiteral("TfrmMain"));
    ScriptedPrompter prompts;
    ManualClock manualClock;
    GraphShared shared;
    alarm::ChannelConfig channels;
    std::optional<bool> celsius;
    int graphSaves = 0;
    bool savesSucceed = true;
    int outputDisabled = 0;
};

} // namespace tc4dl::testing
