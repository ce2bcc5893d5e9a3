#include "ChannelAlarms.h"

#include "DesktopNotifier.h"
#include "StatusLine.h"
#include "TfrmChannels.h"
#include "TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>

#include <limits>

namespace tc4dl {

ChannelAlarms::ChannelAlarms(TfrmMain& window, StatusLine& status, const MainWindowDeps& deps)
    : m_window(window),
      m_status(status),
      m_deps(deps)
{
    const AlarmSettings kept = AlarmSettings::read(*deps.settings);
    m_config.setChannels(kept.channels);

    AlarmNotifier* notifier = deps.notifier;
    if (!notifier) {
        m_ownNotifier = std::make_unique<DesktopNotifier>();
        notifier = m_ownNotifier.get();
    }
    AlarmOutputs out;
    out.status = [this](const QString& text) {
        m_status.setAlarm(text);
        if (QAction* item = m_window.action(QStringLiteral("Acknowledge1")))
            item->setEnabled(m_live && m_live->sounding());
    };
    out.markChannel = [this](int channel, bool raised) {
        if (TfrmPanel* panel = m_window.panel())
            panel->setChannelAlarm(channel, raised);
    };
    out.showRate = [this](int channel, const QString& text) {
        if (TfrmPanel* panel = m_window.panel())
            panel->setRateText(channel, text);
    };
    out.alert = [this] { QApplication::alert(&m_window); };
    out.beep = deps.beep;
    out.annotate
        = [this](double serial, double y, const QString& text) { annotate(serial, y, text); };
    out.notifier = notifier;
    m_live = std::make_unique<LiveAlarms>(
        *deps.clock, m_config, std::move(out), QLocale(), window.liveState().cfDegree != 0);
    m_live->setSound(kept.sound);

    // A unit switch converts the limits: they are kept as converted.
    connect(&m_config, &alarm::ChannelConfig::changed, this, &ChannelAlarms::keep);
    connect(&window.session(), &LiveSession::samplingPoint, this,
        [this](const TickCheck& check, double now) {
            const LiveState& state = m_window.liveState();
            // A channel the meter marks as without a value (an open probe) reads "OL", whatever
            // bytes stand in its place.
            std::array<float, alarm::kChannels> values = state.currentValues;
            for (std::size_t c = 0; c < values.size(); ++c) {
                if ((state.last.noValueMarks[0] >> c) & 1U)
                    values[c] = std::numeric_limits<float>::max();
            }
            m_live->onTick(check.frameArrived, check.linkLost, now, values, state.cfDegree != 0);
        });
    if (QAction* item = window.action(QStringLiteral("Channels1")))
        connect(item, &QAction::triggered, this, &ChannelAlarms::Channels1Click);
    if (QAction* item = window.action(QStringLiteral("Acknowledge1")))
        connect(item, &QAction::triggered, m_live.get(), &LiveAlarms::acknowledge);
    status.alarmLabel()->installEventFilter(this);
}

ChannelAlarms::~ChannelAlarms() = default;

void ChannelAlarms::keep()
{
    AlarmSettings s;
    s.channels = m_config.channels();
    s.sound = m_live ? m_live->sound() : true;
    s.write(*m_deps.settings);
}

void ChannelAlarms::Channels1Click()
{
    TfrmChannels dialog(m_config.channels(), m_live->sound(), m_window.liveState().cfDegree != 0,
        QLocale(), *m_deps.prompter, &m_window);
    if (m_deps.prompter->runDialog(dialog) != QDialog::Accepted)
        return;
    m_live->setSound(dialog.soundOn());
    if (!m_live->sound())
        m_live->acknowledge();
    m_config.setChannels(dialog.channels());
    keep();
}

void ChannelAlarms::annotate(double serial, double y, const QString& text)
{
    // The run's graph takes the note, and its journal keeps it (none while no run records).
    (void)m_window.recorder().addAlarmNote(serial, y, text, m_window.graphShared().annoColor);
}

bool ChannelAlarms::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_status.alarmLabel() && event->type() == QEvent::MouseButtonPress)
        m_live->acknowledge();
    return QObject::eventFilter(watched, event);
}

} // namespace tc4dl
