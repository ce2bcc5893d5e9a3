#include "MeterRecorder.h"

#include "Clock.h"
#include "DateTimeSerial.h"
#include "LiveSession.h"
#include "MeterPortFactory.h"
#include "MeterValues.h"

namespace tc4dl::recorder {

namespace {

bool noValue(const LiveReading& r, int channel)
{
    return r.noValueMarks[0] & (1 << channel);
}

QString alarmName(const alarm::AlarmEvent& e)
{
    using Kind = alarm::AlarmEvent::Kind;
    switch (e.kind) {
    case Kind::Raised:
    case Kind::Cleared:
        return e.rule->specText();
    case Kind::ProbeOpen:
    case Kind::ProbeClosed:
        return QStringLiteral("T%1 OL").arg(e.channel + 1);
    case Kind::LinkLost:
    case Kind::LinkBack:
        break;
    }
    return QString::fromLatin1(kLinkLostAlarm);
}

} // namespace

MeterRecorder::MeterRecorder(Clock& clock, MeterSetup setup, int everySeconds,
    QString journalFolder, RunKeeper::Events runEvents, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_setup(std::move(setup)),
      m_ports(std::make_unique<MeterPortFactory>(clock)),
      m_state(m_setup.name, m_setup.channelNames, everySeconds),
      m_runs(m_setup.name, everySeconds, std::move(journalFolder), std::move(runEvents))
{
    m_session = std::make_unique<LiveSession>(
        m_clock, static_cast<LinkHost&>(*this),
        [this](const QString& name) { return m_ports->makePort(name); }, LinkTexts {}, true);
    m_session->link().setFrameObserver([this](const LiveReading& r) { onFrame(r); });
    m_alarms.setRules(m_setup.alarms,
        { m_setup.hysteresis, m_setup.hysteresis, m_setup.hysteresis, m_setup.hysteresis });
}

MeterRecorder::~MeterRecorder()
{
    stop();
}

bool MeterRecorder::start(QString* error)
{
    RoutedSerialPort& port = m_session->comm1();
    port.setDeviceName(ports::deviceNameFor(m_setup.device));
    QString reason;
    port.setOnError([&reason](const PortError& e) {
        reason = e.text;
        return ErrorAction::Abort;
    });
    const bool opened = port.setActive(true);
    (void)port.setActive(false);
    port.setOnError({});
    if (!opened) {
        *error = QStringLiteral("Cannot open port %1 for %2%3")
                     .arg(port.deviceName(), m_setup.name,
                         reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
        return false;
    }
    m_session->link().setPortEntries({ m_setup.device });
    m_session->link().runIdentificationScan();
    m_session->setTicking(true);
    return true;
}

void MeterRecorder::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_session->setTicking(false);
    (void)m_session->shutDown();
    m_runs.endRun();
}

void MeterRecorder::timePassed(qint64 tickMs)
{
    if (!m_stopped)
        m_runs.timePassed(tickMs);
}

void MeterRecorder::connectionChanged(const ConnectionReport& report)
{
    if (m_stopped)
        return;
    if (report.change == LinkChange::ScanFound || report.change == LinkChange::FramesArrived)
        m_answered = true;
    const bool connected = report.connected();
    m_state.setConnected(connected);
    const double serial = toDateTimeSerial(m_clock.now());
    publishAlarms(connected ? m_alarms.linkBack(serial) : m_alarms.linkLost(serial), m_clock.now());
}

void MeterRecorder::onFrame(const LiveReading& reading)
{
    if (m_stopped)
        return;
    const QDateTime now = m_clock.now();
    m_answered = true;
    // The first frame after a silence connects the link before it is observed.
    m_state.setConnected(true);
    judge(now, reading);
    KeptReading kept;
    kept.time = now;
    kept.celsius = reading.celsius();
    for (int c = 0; c < 4; ++c) {
        const auto ch = std::size_t(c);
        kept.codes[ch]
            = noValue(reading, c) ? SampleCode::kNoValue : sampleCode(reading.current[ch]);
    }
    if (!m_runs.offer(kept.codes, kept.celsius, now, m_clock.tickMs()))
        return;
    std::array<std::optional<double>, 4> rates;
    for (int c = 0; c < 4; ++c)
        rates[std::size_t(c)] = m_alarms.rate(c);
    m_state.keep(kept, rates);
}

void MeterRecorder::judge(const QDateTime& now, const LiveReading& reading)
{
    // The limits were given in the unit the meter showed; a switch carries them over.
    if (m_celsius && *m_celsius != reading.celsius())
        m_alarms.convertUnit(reading.celsius());
    m_celsius = reading.celsius();
    std::array<float, 4> values = reading.current;
    for (int c = 0; c < 4; ++c) {
        if (noValue(reading, c))
            values[std::size_t(c)] = kNullValue; // nothing to judge: as "OL"
    }
    publishAlarms(m_alarms.feed(toDateTimeSerial(now), values), now);
}

void MeterRecorder::publishAlarms(
    const std::vector<alarm::AlarmEvent>& events, const QDateTime& now)
{
    using Kind = alarm::AlarmEvent::Kind;
    for (const alarm::AlarmEvent& e : events) {
        AlarmNotice n;
        n.meter = m_setup.name;
        n.time = now;
        n.alarm = alarmName(e);
        n.raised = e.kind == Kind::Raised || e.kind == Kind::ProbeOpen || e.kind == Kind::LinkLost;
        if (e.kind == Kind::Raised || e.kind == Kind::Cleared || e.kind == Kind::ProbeClosed)
            n.value = e.value;
        m_state.notice(n);
    }
}

} // namespace tc4dl::recorder
