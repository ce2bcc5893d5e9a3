#pragma once

#include "MainWindowDeps.h"

#include <QObject>

#include <memory>

class QAction;
class QWidget;

namespace tc4dl {

class AlarmNotifier;
class AlarmRelay;
class ProgramWindows;
class StatusLine;
class Workspace;

// Where the workspace's live alarms show: the status bar (a click acknowledges), the channel's
// reading on the control panel, its rate of change beside it, a note in the running real-time
// graph, the main window's alert, the sound, the desktop notification, and the channel
// settings' command and web address (AlarmRelay), whose first failure is said. Also the channel
// dialog (Real Time > Channels), whose OK puts its settings in use and keeps them.
class ChannelAlarms final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Workspace* workspace = nullptr;
        ProgramWindows* windows = nullptr;
        StatusLine* status = nullptr;
        QWidget* window = nullptr; // the main window: alerts, the dialog's parent
        QAction* channelsItem = nullptr; // Real Time > Channels
        QAction* acknowledgeItem = nullptr; // Real Time > Acknowledge alarm
    };
    ChannelAlarms(Parts parts, const MainWindowDeps& deps);
    ~ChannelAlarms() override;

    // Real Time > Channels: the dialog; OK puts its settings in use and keeps them.
    void Channels1Click();
    // Where the alarms go beyond the window: the channel settings' command and web address.
    [[nodiscard]] AlarmRelay& relay() { return *m_relay; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void annotate(double serial, double y, const QString& text);

    Parts m_parts;
    const MainWindowDeps& m_deps;
    std::unique_ptr<AlarmNotifier> m_ownNotifier;
    AlarmNotifier* m_notifier = nullptr;
    std::unique_ptr<AlarmRelay> m_relay;
};

} // namespace tc4dl
