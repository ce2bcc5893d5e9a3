#include "ChannelAlarms.h"

#include "AlarmRelay.h"
#include "DesktopNotifier.h"
#include "ProgramGraphServices.h"
#include "ProgramWindows.h"
#include "RealTimeRecorder.h"
#include "StatusLine.h"
#include "TfrmChannels.h"
#include "TfrmPanel.h"
#include "Workspace.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>

namespace tc4dl {

ChannelAlarms::ChannelAlarms(Parts parts, const MainWindowDeps& deps)
    : m_parts(parts),
      m_deps(deps)
{
    m_notifier = deps.notifier;
    if (!m_notifier) {
        m_ownNotifier = std::make_unique<DesktopNotifier>();
        m_notifier = m_ownNotifier.get();
    }
    LiveAlarms& live = m_parts.workspace->alarms();
    connect(&live, &LiveAlarms::statusChanged, this, [this](const QString& text) {
        m_parts.status->setAlarm(text);
        if (m_parts.acknowledgeItem)
            m_parts.acknowledgeItem->setEnabled(m_parts.workspace->alarms().sounding());
    });
    connect(&live, &LiveAlarms::channelMarked, this, [this](int channel, bool raised) {
        if (TfrmPanel* panel = m_parts.windows->panel())
            panel->setChannelAlarm(channel, raised);
    });
    connect(&live, &LiveAlarms::rateShown, this, [this](int channel, const QString& text) {
        if (TfrmPanel* panel = m_parts.windows->panel())
            panel->setRateText(channel, text);
    });
    connect(&live, &LiveAlarms::raised, this, [this](double serial, double y, const QString& text) {
        annotate(serial, y, text);
        QApplication::alert(m_parts.window);
        m_notifier->notify(m_parts.workspace->alarms().notificationTitle(), text);
    });
    connect(&live, &LiveAlarms::beep, this, [this] { m_deps.beep(); });
    if (m_parts.channelsItem)
        connect(m_parts.channelsItem, &QAction::triggered, this, &ChannelAlarms::Channels1Click);
    if (m_parts.acknowledgeItem)
        connect(m_parts.acknowledgeItem, &QAction::triggered, &live, &LiveAlarms::acknowledge);
    m_parts.status->alarmLabel()->installEventFilter(this);
    m_relay = std::make_unique<AlarmRelay>(*m_parts.workspace);
    connect(m_relay.get(), &AlarmRelay::failed, this, [this](const QString& sentence) {
        m_deps.prompter->ask(MessageTable::forWindow(QStringLiteral("TfrmChannels"))
                                 .getTextOrDefault(QStringLiteral("IDS_15"))
                                 .arg(sentence),
            Prompter::Buttons::Ok, Prompter::Icon::Warning);
    });
}

ChannelAlarms::~ChannelAlarms() = default;

void ChannelAlarms::Channels1Click()
{
    Workspace& ws = *m_parts.workspace;
    TfrmChannels dialog(ws.channels().channels(), ws.alarms().sound(), isCelsius(ws.unit()),
        QLocale(), *m_deps.prompter, m_parts.window);
    dialog.setOutlets(ws.channels().outlets());
    if (m_deps.prompter->runDialog(dialog) != QDialog::Accepted)
        return;
    ws.alarms().setSound(dialog.soundOn());
    if (!ws.alarms().sound())
        ws.alarms().acknowledge();
    ws.channels().setChannels(dialog.channels());
    ws.channels().setOutlets(dialog.outlets());
    ws.keepChannels();
}

void ChannelAlarms::annotate(double serial, double y, const QString& text)
{
    // The run's graph takes the note, and its journal keeps it (none while no run records).
    (void)m_parts.windows->recorder().addAlarmNote(
        serial, y, text, m_parts.windows->graphServices().graphShared().annoColor);
}

bool ChannelAlarms::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_parts.status->alarmLabel() && event->type() == QEvent::MouseButtonPress)
        m_parts.workspace->alarms().acknowledge();
    return QObject::eventFilter(watched, event);
}

} // namespace tc4dl
