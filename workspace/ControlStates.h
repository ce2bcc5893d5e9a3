#pragma once

#include "LiveLink.h"

#include <functional>

namespace tc4dl {

// The main window's controls that follow the live link and the real-time recording.
class ControlSwitches {
public:
    virtual ~ControlSwitches() = default;
    virtual void setRunEnabled(bool enabled) = 0; // btnRun, Run1
    virtual void setStopEnabled(bool enabled) = 0; // btnStop, Stop1
    virtual void setDataLoggerEnabled(bool enabled) = 0; // btnDataLogger, DataLogger1
    virtual void setClearEnabled(bool enabled)
        = 0; // tbntClr, only while the real-time graph exists
    virtual void setNoConnectionVisible(bool visible) = 0; // only while a panel exists
    virtual void setStatusText(const QString& device, const QString& state) = 0;
};

// What the controls become when the link reports a change or a recording begins or ends. The
// link and the recording only say what happened; whether Run, Stop, the logger commands and
// Clear are open then, and what the panel and the status bar show, is decided here, in one
// place, knowing whether a real-time recording runs.
class ControlStates final {
public:
    ControlStates(ControlSwitches& switches, std::function<bool()> recording)
        : m_switches(switches),
          m_recording(std::move(recording))
    {
    }

    void connectionChanged(const ConnectionReport& report);

    // A run began: it can be stopped, not begun again nor cleared.
    void recordingStarted();
    // A run stopped (Stop, its last sample, a new rate that starts the graph again).
    void recordingStopped();
    // A run ended with its window: Run is open again while the meter is connected, and the
    // next window's Clear.
    void recordingEnded(bool connected);
    // A run came back from the journal, stopped: it may be cleared.
    void recordingRestored();

private:
    ControlSwitches& m_switches;
    std::function<bool()> m_recording;
};

} // namespace tc4dl
