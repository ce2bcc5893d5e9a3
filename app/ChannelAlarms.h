#pragma once

#include "ChannelConfig.h"
#include "LiveAlarms.h"
#include "MainWindowDeps.h"

#include <QObject>

#include <memory>

namespace tc4dl {

class AlarmNotifier;
class StatusLine;
class TfrmMain;

// The main window's channel settings and live alarms: owns the one channel settings object the
// windows share, keeps it in the Settings, opens the channel dialog (Real Time > Channels), and
// feeds the live alarms from the session's sampling point into the status bar, the control
// panel, the real-time graph, the window's alert, the sound and the desktop notification.
// A click on the alarm in the status bar acknowledges it.
class ChannelAlarms final : public QObject {
    Q_OBJECT
public:
    ChannelAlarms(TfrmMain& window, StatusLine& status, const MainWindowDeps& deps);
    ~ChannelAlarms() override;

    [[nodiscard]] alarm::ChannelConfig& config() { return m_config; }
    [[nodiscard]] LiveAlarms& live() { return *m_live; }
    // Real Time > Channels: the dialog; OK puts its settings in use and keeps them.
    void Channels1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keep();
    void annotate(double serial, double y, const QString& text);

    TfrmMain& m_window;
    StatusLine& m_status;
    const MainWindowDeps& m_deps;
    alarm::ChannelConfig m_config;
    std::unique_ptr<AlarmNotifier> m_ownNotifier;
    std::unique_ptr<LiveAlarms> m_live;
};

} // namespace tc4dl
