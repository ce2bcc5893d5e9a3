#pragma once

#include "AlarmOptions.h"
#include "ExitCode.h"
#include "MeterConnection.h"

#include <QObject>
#include <QTextStream>

#include <memory>
#include <optional>

namespace tc4dl::cli {

struct MonitorOptions {
    QString port; // empty: scan the port list
    bool demo = false; // list the built-in simulated meter
    qint64 count = -1; // frames to print; -1 without end
    bool csv = false;
    bool keepGoing = false;
    AlarmOptions alarms; // no rules: no alarm column, nothing watched
    bool exitOnAlarm = false;
};

// `tc4dl-cli monitor`: finds the meter, polls it once a second with the program's own live
// session and main tick, and prints one line per reading.
class Monitor final : public QObject {
    Q_OBJECT
public:
    Monitor(MonitorOptions options, QTextStream& out, QTextStream& err, QObject* parent = nullptr);
    ~Monitor() override;

    // Starts the monitor; false (with the exit code set) when it cannot start.
    bool start();
    // Ends the monitor with `exitCode`; only the first call counts.
    void stop(int exitCode);
    [[nodiscard]] int exitCode() const { return m_exitCode; }

Q_SIGNALS:
    void finished(int exitCode);

private:
    void onTick(const TickCheck& check);
    void printReading(const LiveReading& reading);
    // Every line must reach the standard output: false (said on stderr) when it did not.
    bool outputArrived();

    MonitorOptions m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    // What one reading did to the alarms: each raising and clearing is said on stderr.
    struct Watched {
        QStringList inForce; // the alarm column: raised and not yet cleared, rules first
        bool raised = false; // this reading raised one
    };
    Watched watchAlarms(const QDateTime& time, const LiveReading& reading);

    MeterConnection m_meter;
    alarm::AlarmMonitor m_alarms;
    std::optional<bool> m_celsius; // the unit of the last reading, to follow a switch
    qint64 m_printed = 0;
    bool m_lostReported = false;
    // Set by the first stop: a frame or tick still on its way prints and reports nothing more.
    bool m_stopped = false;
    int m_exitCode = Ok;
};

// Line formats of the monitor, kept apart for the tests.
[[nodiscard]] QString csvHeader(bool withAlarms = false);
[[nodiscard]] QString csvLine(const QDateTime& time, const LiveReading& reading);
// The CSV line with the alarm column last.
[[nodiscard]] QString csvLine(
    const QDateTime& time, const LiveReading& reading, const QStringList& alarms);
// The standard error's line of one alarm raised, and of one cleared.
[[nodiscard]] QString alarmLine(const QDateTime& time, const QString& alarm, const QString& value);
[[nodiscard]] QString clearedLine(
    const QDateTime& time, const QString& alarm, const QString& value);
// The name of a watched channel's open-probe alarm: "T2 OL".
[[nodiscard]] QString probeAlarmName(int channel);
[[nodiscard]] QString textLine(const QDateTime& time, const LiveReading& reading);

} // namespace tc4dl::cli
