// tc4dl-cli: the TC4DL meter from scripts and headless machines.

#include "AlarmOptions.h"
#include "ExitCode.h"
#include "LoggerCommands.h"
#include "Monitor.h"
#include "Output.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <cstring>
#include <memory>

namespace {

const char* const kUsage
    = "Usage: tc4dl-cli monitor [--port DEVICE | --demo] [--count N] [--csv] [--keep-going]\n"
      "                         [--alarm SPEC]... [--hysteresis H] [--exit-on-alarm]\n"
      "       tc4dl-cli download [--port DEVICE | --demo] [-o FILE.ch4] [--raw FILE] [--csv]\n"
      "       tc4dl-cli sets FILE.ch4 [--csv]\n"
      "       tc4dl-cli alarms FILE.ch4 [--set N] --alarm SPEC... [--hysteresis H]\n"
      "       tc4dl-cli export FILE.ch4 [--set N] [-o OUT.csv]\n"
      "       tc4dl-cli export FILE.ghf [-o OUT.csv]\n"
      "       tc4dl-cli report FILE.ch4|FILE.ghf [--set N] [--alarm SPEC]... -o OUT.pdf\n"
      "       tc4dl-cli setup info | clock | interval MM:SS | erase --yes "
      "[--port DEVICE | --demo]\n"
      "       tc4dl-cli archive list | add FILE... | export ID... | remove ID... --yes | check\n"
      "       tc4dl-cli archive report ID... -o OUT.pdf\n";

int runMonitor(
    QCoreApplication& app, const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Prints the meter's four channels once a second.\n"
            "Each alarm raised prints alarm,TIME,SPEC,VALUE on the standard error (SPEC \"T2 OL\" "
            "when a watched channel reads OL); with --csv and --alarm a last column alarm holds "
            "those of the reading, separated by ;.\n"
            "Without --port the meter is looked for on every serial port (and on the built-in "
            "simulated meter with --demo).\n")
        + tc4dl::cli::exitCodeHelp());
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
        tc4dl::cli::alarmOption(), tc4dl::cli::hysteresisOption(), exitOnAlarmOption });
    if (!parser.parse(arguments)) {
        err << parser.errorText() << '\n' << kUsage;
        return tc4dl::cli::Usage;
    }
    if (tc4dl::cli::printHelpIfAsked(parser, out))
        return tc4dl::cli::Ok;
    if (parser.isSet(QStringLiteral("version"))) {
        out << "tc4dl-cli " << TC4DL_VERSION << '\n';
        return tc4dl::cli::Ok;
    }
    tc4dl::cli::MonitorOptions options;
    options.port = parser.value(portOption);
    options.demo = parser.isSet(demoOption);
    options.csv = parser.isSet(csvOption);
    options.keepGoing = parser.isSet(keepGoingOption);
    options.exitOnAlarm = parser.isSet(exitOnAlarmOption);
    if (const int code = tc4dl::cli::readAlarmOptions(parser, options.alarms, err);
        code != tc4dl::cli::Ok)
        return code;
    if (parser.isSet(countOption)) {
        bool ok = false;
        options.count = parser.value(countOption).toLongLong(&ok);
        if (!ok || options.count < 1) {
            err << "--count needs a whole number of readings of 1 or more, not \""
                << parser.value(countOption) << "\".\n";
            return tc4dl::cli::Usage;
        }
    }
    if (options.exitOnAlarm && options.alarms.rules.empty()) {
        err << "--exit-on-alarm needs at least one --alarm SPEC.\n";
        return tc4dl::cli::Usage;
    }
    if (!options.port.isEmpty() && options.demo) {
        err << "Give either --port or --demo, not both.\n";
        return tc4dl::cli::Usage;
    }

    tc4dl::cli::Monitor monitor(options, out, err);
    QObject::connect(&monitor, &tc4dl::cli::Monitor::finished, &app, &QCoreApplication::exit);
    if (!monitor.start())
        return monitor.exitCode();

    // The monitor stops its tick and gives the port back before it ends.
    const tc4dl::cli::stop::CleanupScope cleanup;
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, &monitor, [&monitor] {
        if (tc4dl::cli::stop::requested())
            monitor.stop(tc4dl::cli::stop::exitCode());
    });
    interruptCheck.start(50);
    return app.exec();
}

// Qt Gui's start-up says on a headless machine that the session's runtime folder is missing; a
// report uses none, and that line is not the command's to say.
QtMessageHandler qtMessages = nullptr;
void quietRuntimeFolder(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: ")))
        return;
    qtMessages(type, context, text);
}

} // namespace

QString tc4dl::cli::exitCodeHelp()
{
    return QStringLiteral(
        "Exit codes: 0 done, 1 usage, 2 no meter found, 3 port cannot be opened, 4 link lost,\n"
        "5 meter recording, 6 no answer or memory size rejected, 7 transfer incomplete,\n"
        "8 data error, 9 memory error, 10 no data, 11 file cannot be written,\n"
        "12 invalid input, 13 file cannot be read, 14 alarm (monitor --exit-on-alarm),\n"
        "15 archive cannot be opened, written or is damaged, 130 interrupted (Ctrl-C),\n"
        "143 terminated (SIGTERM). A full disk or device behind the output gives 11.");
}

int main(int argc, char* argv[])
{
    // A report draws its PDF with Qt Gui (fonts, a painter), which needs an application of the
    // Gui kind; the offscreen platform asks for no display.
    const bool draws = argc > 1
        && (std::strcmp(argv[1], "report") == 0
            || (argc > 2 && std::strcmp(argv[1], "archive") == 0
                && std::strcmp(argv[2], "report") == 0));
    if (draws) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qtMessages = qInstallMessageHandler(quietRuntimeFolder);
    }
    const std::unique_ptr<QCoreApplication> application = draws
        ? std::make_unique<QGuiApplication>(argc, argv)
        : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("tc4dl-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TC4DL_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList args = QCoreApplication::arguments();
    const QString command = args.size() > 1 ? args.at(1) : QString();
    int code = tc4dl::cli::Usage;
    // Ctrl-C and SIGTERM end every command without a half-written file.
    tc4dl::cli::stop::install();
    if (command == QLatin1String("monitor")) {
        code = runMonitor(app, args, out, err);
    } else if (command == QLatin1String("download")) {
        code = tc4dl::cli::runDownload(args, out, err);
    } else if (command == QLatin1String("sets")) {
        code = tc4dl::cli::runSets(args, out, err);
    } else if (command == QLatin1String("alarms")) {
        code = tc4dl::cli::runAlarms(args, out, err);
    } else if (command == QLatin1String("export")) {
        code = tc4dl::cli::runExport(args, out, err);
    } else if (command == QLatin1String("archive")) {
        code = tc4dl::cli::runArchive(args, out, err);
    } else if (command == QLatin1String("setup")) {
        code = tc4dl::cli::runSetup(args, out, err);
    } else if (command == QLatin1String("report")) {
        code = tc4dl::cli::runReport(args, out, err);
    } else if (command == QLatin1String("--version")) {
        out << "tc4dl-cli " << TC4DL_VERSION << '\n';
        code = tc4dl::cli::Ok;
    } else if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out << "tc4dl-cli: the TC4DL four-channel thermometer from the command line.\n\n"
            << kUsage
            << "\nCommands:\n"
               "  monitor   print the live readings once a second\n"
               "  download  copy the logger memory into a collection file (.ch4)\n"
               "  sets      list the data sets of a collection file\n"
               "  alarms    list where the data sets of a collection file cross alarm limits\n"
               "  export    write the samples of a collection file, or a graph file, as CSV\n"
               "  report    write a PDF record of a collection file's sets or a graph file\n"
               "  setup     read the logger's state, set its clock or interval, erase it\n"
               "  archive   list, add, export, remove, check or report the archived data sets\n\n"
            << tc4dl::cli::exitCodeHelp() << "\n\ntc4dl-cli COMMAND --help tells more.\n";
        code = tc4dl::cli::Ok;
    } else {
        err << (command.isEmpty() ? QStringLiteral("No command given.")
                                  : QStringLiteral("Unknown command \"%1\".").arg(command))
            << '\n'
            << kUsage;
    }
    if (tc4dl::cli::stop::requested() && code == tc4dl::cli::Ok)
        code = tc4dl::cli::stop::exitCode();
    // Output that did not arrive whole is a failure, whatever the command thought.
    QString why;
    if (!tc4dl::cli::standardOutputComplete(out, &why) && code == tc4dl::cli::Ok) {
        err << tc4dl::cli::standardOutputFailure(why);
        code = tc4dl::cli::CannotWrite;
    }
    err.flush();
    return code;
}
