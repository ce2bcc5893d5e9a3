#include "Monitor.h"

#include "DataSetText.h"
#include "DateTimeSerial.h"
#include "Output.h"
#include "ValueText.h"

namespace tc4dl::cli {

namespace {
QString unitSymbol(const LiveReading& r)
{
    return r.celsius() ? QStringLiteral("°C") : QStringLiteral("°F");
}

bool noValue(const LiveReading& r, int channel)
{
    return r.noValueMarks[0] & (1 << channel);
}

// A point as decimal separator whatever the locale: the output is read by scripts.
QString plainValue(float v)
{
    return readingValueText(v);
}
} // namespace

QString csvHeader(bool withAlarms)
{
    return withAlarms ? QStringLiteral("time,T1,T2,T3,T4,unit,alarm")
                      : QStringLiteral("time,T1,T2,T3,T4,unit");
}

QString csvLine(const QDateTime& time, const LiveReading& r)
{
    QString line = isoTimeText(time);
    for (int n = 0; n < 4; ++n) {
        line += QLatin1Char(',');
        if (!noValue(r, n))
            line += plainValue(r.current[n]);
    }
    line += r.celsius() ? QStringLiteral(",C") : QStringLiteral(",F");
    return line;
}

QString csvLine(const QDateTime& time, const LiveReading& reading, const QStringList& alarms)
{
    return csvLine(time, reading) + QLatin1Char(',') + alarms.join(QLatin1Char(';'));
}

QString alarmLine(const QDateTime& time, const QString& alarm, const QString& value)
{
    return QStringLiteral("alarm,%1,%2,%3").arg(isoTimeText(time), alarm, value);
}

QString clearedLine(const QDateTime& time, const QString& alarm, const QString& value)
{
    return QStringLiteral("cleared,%1,%2,%3").arg(isoTimeText(time), alarm, value);
}

QString probeAlarmName(int channel)
{
    return QStringLiteral("T%1 OL").arg(channel + 1);
}

QString textLine(const QDateTime& time, const LiveReading& r)
{
    QString line = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    for (int n = 0; n < 4; ++n) {
        const QString value = noValue(r, n) ? QStringLiteral("----") : plainValue(r.current[n]);
        line += QStringLiteral("  T%1 %2").arg(n + 1).arg(value, 6);
    }
    line += QLatin1Char(' ') + unitSymbol(r);
    return line;
}

Monitor::Monitor(MonitorOptions options, QTextStream& out, QTextStream& err, QObject* parent)
    : QObject(parent),
      m_options(std::move(options)),
      m_out(out),
      m_err(err)
{
    m_meter.setReadingObserver([this](const LiveReading& r) { printReading(r); });
    connect(&m_meter.session(), &LiveSession::samplingPoint, this, &Monitor::onTick);
    m_alarms.setRules(m_options.alarms.rules, m_options.alarms.hysteresisPerChannel());
}

Monitor::~Monitor() = default;

bool Monitor::start()
{
    m_exitCode = m_meter.connect(m_options.port, m_options.demo, m_err);
    if (m_exitCode != Ok)
        return false;
    if (m_options.csv)
        m_out << csvHeader(!m_options.alarms.rules.empty()) << '\n';
    if (!outputArrived())
        return false;
    m_meter.session().setTicking(true);
    return true;
}

void Monitor::stop(int exitCode)
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_meter.session().setTicking(false);
    m_exitCode = exitCode;
    m_out.flush();
    m_err.flush();
    Q_EMIT finished(exitCode);
}

bool Monitor::outputArrived()
{
    QString why;
    if (standardOutputComplete(m_out, &why))
        return true;
    m_err << standardOutputFailure(why);
    m_err.flush();
    m_exitCode = CannotWrite;
    return false;
}

void Monitor::onTick(const TickCheck& check)
{
    if (m_stopped)
        return;
    if (check.linkLost && !m_lostReported) {
        m_err << "Lost the link to the meter on " << m_meter.session().comm1().deviceName()
              << ": no reading for three seconds.\n";
        m_err.flush();
        if (!m_options.keepGoing) {
            stop(LinkLost);
            return;
        }
        m_lostReported = true;
    }
    if (check.frameArrived && m_lostReported) {
        m_err << "The meter answers again.\n";
        m_err.flush();
        m_lostReported = false;
    }
}

void Monitor::printReading(const LiveReading& reading)
{
    if (m_stopped || (m_options.count >= 0 && m_printed >= m_options.count))
        return;
    const QDateTime now = m_meter.clock().now();
    const bool watching = !m_options.alarms.rules.empty();
    const Watched watched = watching ? watchAlarms(now, reading) : Watched();
    if (!m_options.csv)
        m_out << textLine(now, reading) << '\n';
    else if (watching)
        m_out << csvLine(now, reading, watched.inForce) << '\n';
    else
        m_out << csvLine(now, reading) << '\n';
    if (!outputArrived()) {
        stop(CannotWrite);
        return;
    }
    if (watched.raised && m_options.exitOnAlarm) {
        stop(Alarm);
        return;
    }
    if (++m_printed == m_options.count)
        stop(Ok);
}

Monitor::Watched Monitor::watchAlarms(const QDateTime& time, const LiveReading& reading)
{
    // The limits were given in the unit the meter showed; a switch on the meter carries them over.
    if (m_celsius && *m_celsius != reading.celsius())
        m_alarms.convertUnit(reading.celsius());
    m_celsius = reading.celsius();
    std::array<float, 4> values = reading.current;
    for (int n = 0; n < 4; ++n) {
        if (noValue(reading, n))
            values[static_cast<std::size_t>(n)] = kNullValue; // nothing to judge: as "OL"
    }
    Watched watched;
    for (const alarm::AlarmEvent& e : m_alarms.feed(toDateTimeSerial(time), values)) {
        using Kind = alarm::AlarmEvent::Kind;
        const bool probe = e.kind == Kind::ProbeOpen || e.kind == Kind::ProbeClosed;
        if (!probe && e.kind != Kind::Raised && e.kind != Kind::Cleared)
            continue;
        const QString name = probe ? probeAlarmName(e.channel) : e.rule->specText();
        const QString value
            = e.kind == Kind::ProbeOpen ? QStringLiteral("OL") : alarmValueText(e.value);
        const bool raised = e.kind == Kind::Raised || e.kind == Kind::ProbeOpen;
        watched.raised = watched.raised || raised;
        m_err << (raised ? alarmLine(time, name, value) : clearedLine(time, name, value)) << '\n';
    }
    m_err.flush();
    // The column holds what is in force after this reading: raised and not yet cleared.
    const std::vector<alarm::AlarmRule>& rules = m_alarms.rules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (m_alarms.ruleRaised(i))
            watched.inForce << rules[i].specText();
    }
    for (int c = 0; c < alarm::kChannels; ++c) {
        if (m_alarms.probeOpen(c))
            watched.inForce << probeAlarmName(c);
    }
    return watched;
}

} // namespace tc4dl::cli
