// tc4dl-cli monitor: the meter's live readings once a second, with alarm limits.

#include "AlarmOptions.h"
#include "ExitCode.h"
#include "LoggerCommands.h"
#include "Monitor.h"
#include "Output.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

namespace tc4dl::cli {

namespace {
const char* const kMonitorUsage
    = "Usage: tc4dl-cli monitor [--port DEVICE | --demo] [--count N] [--csv] [--keep-going]\n"
      "                         [--alarm SPEC]... [--hysteresis H] [--exit-on-alarm]\n";
} // namespace

int runMonitor(
    QCoreApplication& app, const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Prints the meter's four channels once a second.\n"
            "Each alarm raised prints alarm,TIME,SPEC,VALUE on the standard error (SPEC \"T2 OL\" "
            "when a watched channel reads OL), and each alarm cleared (back by the hysteresis, "
            "or the probe reading again) cleared,TIME,SPEC,VALUE. With --csv and --alarm a last "
            "column alarm holds the alarms in force at that reading, raised and not yet "
            "cleared, separated by ;.\n"
            "Without --port the meter is looked for on every serial port (and on the built-in "
            "simulated meter with --demo).\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("monitor"), QStringLiteral("The command."));
    const QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Use this serial port (COM3, ttyUSB0, /dev/pts/4)."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"), QStringLiteral("List the built-in simulated meter."));
    const QCommandLineOption countOption(
        QStringLiteral("count"), QStringLiteral("Stop after N readings."), QStringLiteral("N"));
    const QCommandLineOption csvOption(
        QStringLiteral("csv"), QStringLiteral("Comma-separated output with a header."));
    const QCommandLineOption keepGoingOption(QStringLiteral("keep-going"),
        QStringLiteral("Keep polling when the link is lost, and go on when readings return."));
    const QCommandLineOption exitOnAlarmOption(QStringLiteral("exit-on-alarm"),
        QStringLiteral("End at the first alarm raised, with exit code 14."));
    parser.addOptions({ portOption, demoOption, countOption, csvOption, keepGoingOption,
        alarmOption(), hysteresisOption(), exitOnAlarmOption });
    if (!parser.parse(arguments)) {
        err << parser.errorText() << '\n' << kMonitorUsage;
        return Usage;
    }
    if (printHelpIfAsked(parser, out))
        return Ok;
    if (parser.isSet(QStringLiteral("version"))) {
        out << "tc4dl-cli " << TC4DL_VERSION << '\n';
        return Ok;
    }
    MonitorOptions options;
    options.port = parser.value(portOption);
    options.demo = parser.isSet(demoOption);
    options.csv = parser.isSet(csvOption);
    options.keepGoing = parser.isSet(keepGoingOption);
    options.exitOnAlarm = parser.isSet(exitOnAlarmOption);
    if (const int code = readAlarmOptions(parser, options.alarms, err); code != Ok)
        return code;
    if (parser.isSet(countOption)) {
        bool ok = false;
        options.count = parser.value(countOption).toLongLong(&ok);
        if (!ok || options.count < 1) {
            err << "--count needs a whole number of readings of 1 or more, not \""
                << parser.value(countOption) << "\".\n";
            return Usage;
        }
    }
    if (options.exitOnAlarm && options.alarms.rules.empty()) {
        err << "--exit-on-alarm needs at least one --alarm SPEC.\n";
        return Usage;
    }
    if (!options.port.isEmpty() && options.demo) {
        err << "Give either --port or --demo, not both.\n";
        return Usage;
    }

    Monitor monitor(options, out, err);
    QObject::connect(&monitor, &Monitor::finished, &app, &QCoreApplication::exit);
    if (!monitor.start())
        return monitor.exitCode();

    // The monitor stops its tick and gives the port back before it ends.
    const stop::CleanupScope cleanup;
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, &monitor, [&monitor] {
        if (stop::requested())
            monitor.stop(stop::exitCode());
    });
    interruptCheck.start(50);
    return app.exec();
}

} // namespace tc4dl::cli
