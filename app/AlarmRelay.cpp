#include "AlarmRelay.h"

#include "AlarmActions.h"
#include "Workspace.h"

namespace tc4dl {

AlarmRelay::AlarmRelay(Workspace& workspace, QObject* parent)
    : QObject(parent),
      m_workspace(workspace)
{
    connect(
        &m_workspace.channels(), &alarm::ChannelConfig::outletsChanged, this, &AlarmRelay::rebuild);
    connect(&m_workspace.alarms(), &LiveAlarms::noticed, this, &AlarmRelay::onEvent);
    rebuild();
}

AlarmRelay::~AlarmRelay() = default;

void AlarmRelay::rebuild()
{
    if (m_actions) {
        // What the old settings started finishes by itself; only then do they go.
        recorder::AlarmActions* old = m_actions.release();
        old->disconnect(this);
        old->setParent(this);
        if (old->busy() == 0)
            old->deleteLater();
        else
            connect(old, &recorder::AlarmActions::finishedOne, old, [old] {
                if (old->busy() == 0)
                    old->deleteLater();
            });
    }
    m_said = false;
    const alarm::AlarmOutlets& outlets = m_workspace.channels().outlets();
    if (outlets.command.trimmed().isEmpty() && outlets.webhook.trimmed().isEmpty())
        return;
    const QUrl url = outlets.webhook.trimmed().isEmpty()
        ? QUrl()
        : QUrl(outlets.webhook.trimmed(), QUrl::StrictMode);
    m_actions = std::make_unique<recorder::AlarmActions>(outlets.command, url);
    connect(m_actions.get(), &recorder::AlarmActions::said, this, [this](const QString& sentence) {
        if (m_said)
            return;
        m_said = true;
        // Told once the actions are done with the event: whoever shows it may ask a person.
        QMetaObject::invokeMethod(
            this, [this, sentence] { Q_EMIT failed(sentence); }, Qt::QueuedConnection);
    });
}

void AlarmRelay::onEvent(const alarm::AlarmEvent& event)
{
    if (!m_actions)
        return;
    using Kind = alarm::AlarmEvent::Kind;
    recorder::AlarmNotice n;
    n.meter = kDesktopMeterName;
    n.time = m_workspace.clock().now();
    switch (event.kind) {
    case Kind::Raised:
    case Kind::Cleared:
        n.alarm = event.rule ? event.rule->specText() : QString();
        break;
    case Kind::ProbeOpen:
    case Kind::ProbeClosed:
        n.alarm = QStringLiteral("T%1 OL").arg(event.channel + 1);
        break;
    case Kind::LinkLost:
    case Kind::LinkBack:
        n.alarm = QString::fromLatin1(recorder::kLinkLostAlarm);
        break;
    }
    n.raised = event.kind == Kind::Raised || event.kind == Kind::ProbeOpen
        || event.kind == Kind::LinkLost;
    if (event.kind == Kind::Raised || event.kind == Kind::Cleared
        || event.kind == Kind::ProbeClosed)
        n.value = event.value;
    m_actions->run(n);
}

} // namespace tc4dl
