#include "ControlStates.h"

namespace tc4dl {

void ControlStates::connectionChanged(const ConnectionReport& report)
{
    m_switches.setStatusText(report.device, report.state);
    m_switches.setNoConnectionVisible(!report.connected());
    switch (report.change) {
    case LinkChange::ScanFound:
        // Found by the scan, no recording can run yet: Run is offered. The logger commands
        // wait for the first frame.
        m_switches.setRunEnabled(true);
        m_switches.setStopEnabled(false);
        break;
    case LinkChange::ScanMissed:
        // Run and Stop keep their state until a frame arrives.
        break;
    case LinkChange::FramesArrived: {
        // A recording may have gone on through the silence: Stop and Clear follow it.
        const bool recording = m_recording();
        m_switches.setDataLoggerEnabled(true);
        m_switches.setRunEnabled(!recording);
        m_switches.setStopEnabled(recording);
        m_switches.setClearEnabled(!recording);
        break;
    }
    case LinkChange::Lost:
        m_switches.setRunEnabled(false);
        m_switches.setStopEnabled(false);
        m_switches.setDataLoggerEnabled(false);
        break;
    }
}

void ControlStates::recordingStarted()
{
    m_switches.setClearEnabled(false);
    m_switches.setRunEnabled(false);
    m_switches.setStopEnabled(true);
}

void ControlStates::recordingStopped()
{
    m_switches.setRunEnabled(true);
    m_switches.setStopEnabled(false);
    m_switches.setClearEnabled(true);
}

void ControlStates::recordingEnded(bool connected)
{
    if (connected)
        m_switches.setRunEnabled(true);
    m_switches.setStopEnabled(false);
    // The run went with its window: the one made next holds no run and may be cleared.
    m_switches.setClearEnabled(true);
}

void ControlStates::recordingRestored()
{
    m_switches.setClearEnabled(true);
}

} // namespace tc4dl
