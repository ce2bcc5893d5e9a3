#include "Recorder.h"

#include "AlarmActions.h"
#include "Clock.h"
#include "DateTimeSerial.h"
#include "MeterRecorder.h"
#include "MqttPublisher.h"
#include "RecorderJson.h"
#include "RunJournal.h"

#include <QDir>
#include <QEventLoop>

namespace tc4dl::recorder {

namespace {

// A store that keeps nothing: the runs of a recorder told not to store them.
class NoStore final : public RunStore {
public:
    StoreOutcome commit(const LiveRun&) override { return { true, {} }; }
    QString description() const override { return QStringLiteral("nowhere"); }
};

NoStore g_noStore;

QString readingsText(qint64 n)
{
    return n == 1 ? QStringLiteral("1 reading") : QStringLiteral("%1 readings").arg(n);
}

} // namespace

QString alarmLineText(const AlarmNotice& n)
{
    return QStringLiteral("alarm,%1,%2,%3,%4,%5")
        .arg(isoLocalTime(n.time), n.meter, n.alarm,
            n.value ? QString::number(*n.value, 'f', 1) : QString(),
            n.raised ? QStringLiteral("raised") : QStringLiteral("cleared"));
}

Recorder::Recorder(RecorderSetup setup, Parts parts, QObject* parent)
    : QObject(parent),
      m_setup(std::move(setup)),
      m_parts(std::move(parts))
{
    RunCommitter::Events events;
    events.failed = [this](const LiveRun& run, const QString& why, qint64 retryMs) {
        Q_EMIT said(QStringLiteral("The readings of %1 cannot be stored in %2: %3. The journal "
                                   "keeps them; trying again in %4 s.")
                        .arg(run.meter(), m_committer->store().description(), why)
                        .arg(retryMs / 1000));
    };
    events.recovered = [this](const QString& description) {
        Q_EMIT said(QStringLiteral("The readings are stored in %1 again.").arg(description));
    };
    events.committed = [this](const LiveRun& run, int added) {
        for (const auto& m : m_meters) {
            if (m->setup().name == run.meter())
                m->state().addStored(added);
        }
    };
    m_committer
        = std::make_unique<RunCommitter>(m_parts.store ? *m_parts.store : g_noStore, events);
    if (m_setup.mqtt.enabled()) {
        m_mqtt = new MqttPublisher(m_setup.mqtt, m_parts.mqttUser, m_parts.mqttPassword, this);
        connect(m_mqtt, &MqttPublisher::said, this, &Recorder::said);
    }
    if (!m_setup.onAlarm.isEmpty() || !m_setup.webhook.isEmpty()) {
        m_actions = new AlarmActions(m_setup.onAlarm, m_setup.webhook, this);
        connect(m_actions, &AlarmActions::said, this, &Recorder::said);
    }
    for (const MeterSetup& ms : m_setup.meters) {
        RunKeeper::Events runEvents;
        const QString name = ms.name;
        runEvents.runBegan = [this](std::shared_ptr<LiveRun> run, const QString& path) {
            m_committer->track(run, path, m_parts.clock->tickMs());
        };
        runEvents.runEnded = [this](std::shared_ptr<LiveRun> run) {
            m_committer->ended(*run, m_parts.clock->tickMs());
        };
        runEvents.journalFailed = [this, name](const QString& why) {
            Q_EMIT said(QStringLiteral("The readings of %1 can no longer be kept safely: %2.")
                            .arg(name, why));
            QMetaObject::invokeMethod(
                this, [this] { stop(Outcome::JournalFailed); }, Qt::QueuedConnection);
        };
        m_meters.push_back(std::make_unique<MeterRecorder>(*m_parts.clock, ms, m_setup.every,
            m_parts.store ? m_parts.journalFolder : QString(), runEvents));
        wireMeter(*m_meters.back());
    }
    m_beat.setInterval(1000);
    connect(&m_beat, &QTimer::timeout, this, &Recorder::beat);
}

Recorder::~Recorder()
{
    stop(Outcome::Stopped);
}

std::vector<MeterState*> Recorder::meters() const
{
    std::vector<MeterState*> states;
    for (const auto& m : m_meters)
        states.push_back(&m->state());
    return states;
}

void Recorder::wireMeter(MeterRecorder& meter)
{
    MeterState& state = meter.state();
    connect(&state, &MeterState::alarmNoticed, this, [this](const AlarmNotice& n) {
        Q_EMIT alarmLine(alarmLineText(n));
        if (m_actions)
            m_actions->run(n);
    });
    connect(&state, &MeterState::readingKept, this, [this] {
        if (m_setup.count < 0)
            return;
        for (const auto& m : m_meters) {
            if (m->state().keptCount() < m_setup.count)
                return;
        }
        QMetaObject::invokeMethod(
            this, [this] { stop(Outcome::CountReached); }, Qt::QueuedConnection);
    });
    if (m_mqtt)
        m_mqtt->addMeter(state);
}

void Recorder::recoverJournals()
{
    const qint64 now = m_parts.clock->tickMs();
    for (const QString& path : RunJournal::leftIn(m_parts.journalFolder)) {
        QString why;
        std::optional<LiveRun> run = runFromJournal(path, &why);
        if (!run) {
            // Nothing of it can be stored; it stays where it is for a person to look at.
            Q_EMIT said(QStringLiteral("The journal %1 is left as it is: %2.")
                            .arg(QDir::toNativeSeparators(path), why));
            continue;
        }
        const QString stamp = isoLocalTime(fromDateTimeSerial(run->startSerial()));
        const int count = run->sampleCount();
        const QString meter = run->meter();
        m_committer->recovered(std::make_shared<LiveRun>(std::move(*run)), path, now);
        Q_EMIT said(
            QStringLiteral("The journal of %1 from %2 holds %3 not known to be stored; "
                           "they go to %4 now.")
                .arg(meter, stamp, readingsText(count), m_committer->store().description()));
    }
    m_committer->timePassed(now);
}

bool Recorder::start(QString* error)
{
    if (m_parts.store)
        recoverJournals();
    // The broker first: its connection is then up before the first reading comes.
    if (m_mqtt)
        m_mqtt->start();
    for (const auto& m : m_meters) {
        if (!m->start(error)) {
            stop(Outcome::Stopped);
            return false;
        }
        if (!m->answered())
            Q_EMIT said(QStringLiteral("No meter answers on %1 (%2) yet; it is asked again every "
                                       "second.")
                            .arg(m->setup().device, m->setup().name));
    }
    m_beat.start();
    return true;
}

void Recorder::beat()
{
    const qint64 now = m_parts.clock->tickMs();
    for (const auto& m : m_meters)
        m->timePassed(now);
    m_committer->timePassed(now);
}

void Recorder::stop(Outcome outcome)
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_beat.stop();
    for (const auto& m : m_meters)
        m->stop();
    const qint64 now = m_parts.clock->tickMs();
    if (!m_committer->flush(now)) {
        Q_EMIT said(
            QStringLiteral("%1 could not be stored in %2; they stay in %3 and are stored "
                           "at the next start.")
                .arg(readingsText(m_committer->waiting()), m_committer->store().description(),
                    m_committer->keptJournals().join(QStringLiteral(", "))));
    }
    if (m_mqtt)
        m_mqtt->stop(2000);
    if (m_actions && m_actions->busy() > 0) {
        // Commands and deliveries under way get a while to finish; what is left is said.
        QEventLoop loop;
        connect(m_actions, &AlarmActions::finishedOne, &loop, [this, &loop] {
            if (m_actions->busy() == 0)
                loop.quit();
        });
        QTimer::singleShot(kActionsGraceMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (m_actions)
        m_actions->abandon();
    Q_EMIT finished(outcome);
}

qint64 Recorder::unstored() const
{
    return m_committer->waiting();
}

QStringList Recorder::keptJournals() const
{
    return m_committer->keptJournals();
}

} // namespace tc4dl::recorder
