#pragma once

// Stand-ins for the main window around graph windows and the real-time recorder: they record
// what is asked of them; questions go to the scripted prompter.

#include "ChannelConfig.h"
#include "GraphServices.h"
#include "GraphShared.h"
#include "ManualClock.h"
#include "MessageTable.h"
#include "RecorderHost.h"
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

class FakeRecorderHost final : public RecorderHost {
public:
    bool meterConnected() const override { return connected; }
    bool tickBusy() const override { return busy; }
    void setRunEnabled(bool enabled) override { runEnabled = enabled; }
    void setStopEnabled(bool enabled) override { stopEnabled = enabled; }
    void setRealTimeGraphChecked(bool on) override { checked = on; }
    void createRealTimeGraph() override
    {
        ++windowsMade;
        if (makeWindow)
            makeWindow();
    }
    QWidget* dialogParent() override { return nullptr; }
    int unit() const override { return cfDegree; }
    int samplingRate() const override { return rate; }
    void setSamplingRate(int seconds) override { rate = seconds; }

    bool connected = false;
    std::array<float, 4> values {}; // what the ticks bring as the last frame's values
    bool busy = false;
    bool runEnabled = false;
    bool stopEnabled = true;
    bool checked = false;
    int rate = 2;
    int cfDegree = 1;
    int windowsMade = 0;
    std::function<void()> makeWindow;
};

} // namespace tc4dl::testing
