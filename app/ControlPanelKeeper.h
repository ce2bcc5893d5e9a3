#pragma once

#include "PanelDisplay.h"
#include "PanelHost.h"
#include "TfrmPanel.h"
#include "Ticker.h"

#include <QObject>
#include <QPointer>

class QAction;

namespace tc4dl {

class ClientArea;
class Prompter;
class Workspace;

// The control panel window of the main window: made in the document area at the start, raised
// or made again by View > Control Panel. It keeps the panel's display, fed with every frame the
// workspace decodes, and the two 500 ms timers that blink its MAX/MIN and REC marks; the
// display writes into the panel while one exists. The panel's keys reach the meter through the
// workspace's live session.
class ControlPanelKeeper final : public QObject, private BlinkTimers, private PanelHost {
public:
    struct Actions {
        QAction* menuItem; // View > Control Panel, checked while the panel exists
        QAction* outputToGraph; // off while the panel is the active window
    };

    ControlPanelKeeper(Workspace& workspace, Prompter& prompter, ClientArea& area, Actions actions,
        bool liveTimers, QObject* parent);
    ~ControlPanelKeeper() override;

    void create();
    // View > Control Panel: the panel restored and in front, or made again.
    void show();
    [[nodiscard]] TfrmPanel* panel() const { return m_panel; }
    [[nodiscard]] const PanelDisplay& display() const { return m_display; }

    // The timers' handlers (public so that tests can drive them).
    void maxMinTick();
    void recTick();
    [[nodiscard]] bool maxMinBlinkOn() const { return m_maxMinBlinkOn; }
    [[nodiscard]] bool recBlinkOn() const { return m_recBlinkOn; }
    [[nodiscard]] const Ticker& maxMinTimer() const { return *m_maxMinTimer; }
    [[nodiscard]] const Ticker& recTimer() const { return *m_recTimer; }

private:
    // BlinkTimers
    void setRecTimerEnabled(bool enabled) override { m_recTimer->setEnabled(enabled); }
    void setMaxMinTimerEnabled(bool enabled) override { m_maxMinTimer->setEnabled(enabled); }
    // PanelHost
    bool sendKey(char byte) override;
    [[nodiscard]] bool meterConnected() const override;
    void showPlainMessage(const QString& text) override;
    [[nodiscard]] bool maxMinTickBusy() const override { return m_maxMinTickBusy; }
    void processEvents() override;

    Workspace& m_workspace;
    Prompter& m_prompter;
    ClientArea& m_area;
    Actions m_actions;
    Ticker* m_maxMinTimer;
    Ticker* m_recTimer;
    PanelDisplay m_display;
    QPointer<TfrmPanel> m_panel;
    bool m_maxMinTickBusy = false;
    bool m_maxMinBlinkOn = false;
    bool m_recBlinkOn = false;
};

} // namespace tc4dl
