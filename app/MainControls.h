#pragma once

#include "ControlStates.h"

#include <functional>

namespace tc4dl {

class ControlPanelKeeper;
class MainMenus;
class PortList;
class StatusLine;
class TfrmGraph;

// The main window as the live link's host: the link's reports go to the control states, which
// switch the window's actions, the panel's "No Connection" label, the real-time graph's Clear
// and the status bar through this class. The recorder's Run and Stop use the same switches.
class MainControls final : public LinkHost, public ControlSwitches {
public:
    struct Parts {
        MainMenus* menus = nullptr;
        PortList* portList = nullptr;
        StatusLine* status = nullptr;
        ControlPanelKeeper* panelKeeper = nullptr;
        std::function<TfrmGraph*()> realTimeGraph; // null when it is closed
        std::function<bool()> recording;
        std::function<void()> beep;
    };
    explicit MainControls(Parts parts);

    // LinkHost
    void connectionChanged(const ConnectionReport& report) override
    {
        m_states.connectionChanged(report);
    }
    void selectPortEntry(int index) override;
    void beep() override { m_parts.beep(); }

    // ControlSwitches
    void setRunEnabled(bool enabled) override;
    void setStopEnabled(bool enabled) override;
    void setDataLoggerEnabled(bool enabled) override;
    void setClearEnabled(bool enabled) override;
    void setNoConnectionVisible(bool visible) override;
    void setStatusText(const QString& device, const QString& state) override;

private:
    Parts m_parts;
    ControlStates m_states;
};

} // namespace tc4dl
