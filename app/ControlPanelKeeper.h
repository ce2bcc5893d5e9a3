#pragma once

#include "LiveDecoder.h"
#include "Ticker.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;

namespace tc4dl {

class ClientArea;
class PanelHost;
class TfrmPanel;

// The control panel window of the main window: made in the document area at the start, raised
// or made again by View > Control Panel, and its MAX/MIN and REC marks blinked by two 500 ms
// timers that the decoder switches on and off. The decoder writes into the panel while it lives.
class ControlPanelKeeper final : public QObject, public BlinkTimers {
public:
    struct Actions {
        QAction* menuItem; // View > Control Panel, checked while the panel exists
        QAction* outputToGraph; // off while the panel is the active window
    };

    ControlPanelKeeper(PanelHost& host, ClientArea& area, std::function<LiveDecoder&()> decoder,
        Actions actions, bool liveTimers, QObject* parent);

    void create();
    // View > Control Panel: the panel restored and in front, or made again.
    void show();
    [[nodiscard]] TfrmPanel* panel() const { return m_panel; }

    // The timers' handlers (public so that tests can drive them).
    void maxMinTick();
    void recTick();
    [[nodiscard]] bool maxMinTickBusy() const { return m_maxMinTickBusy; }
    [[nodiscard]] bool maxMinBlinkOn() const { return m_maxMinBlinkOn; }
    [[nodiscard]] bool recBlinkOn() const { return m_recBlinkOn; }
    [[nodiscard]] const Ticker& maxMinTimer() const { return *m_maxMinTimer; }
    [[nodiscard]] const Ticker& recTimer() const { return *m_recTimer; }

    // BlinkTimers
    void setRecTimerEnabled(bool enabled) override { m_recTimer->setEnabled(enabled); }
    void setMaxMinTimerEnabled(bool enabled) override { m_maxMinTimer->setEnabled(enabled); }

private:
    PanelHost& m_host;
    ClientArea& m_area;
    std::function<LiveDecoder&()> m_decoder;
    Actions m_actions;
    Ticker* m_maxMinTimer;
    Ticker* m_recTimer;
    QPointer<TfrmPanel> m_panel;
    bool m_maxMinTickBusy = false;
    bool m_maxMinBlinkOn = false;
    bool m_recBlinkOn = false;
};

} // namespace tc4dl
