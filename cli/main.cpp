// tc4dl-cli: the TC4DL meter from scripts and headless machines.

#include "ExitCode.h"
#include "LoggerCommands.h"
#include "Output.h"
#include "ServeCommand.h"
#include "StopSignals.h"

#include <QCoreApplication>

namespace {

const char* const kUsage
    = "Usage: tc4dl-cli monitor [--port DEVICE | --demo] [--count N] [--csv] [--keep-going]\n"
      "                         [--alarm SPEC]... [--hysteresis H] [--exit-on-alarm]\n"
      "       tc4dl-cli download [--port DEVICE | --demo] [-o FILE.ch4] [--raw FILE] [--csv]\n"
      "       tc4dl-cli sets FILE.ch4 [--csv]\n"
      "       tc4dl-cli alarms FILE.ch4 [--set N] --alarm SPEC... [--hysteresis H]\n"
      "       tc4dl-cli export FILE.ch4 [--set N] [-o OUT.csv]\n"
      "       tc4dl-cli export FILE.ghf [-o OUT.csv]\n"
      "       tc4dl-cli setup info | clock | interval MM:SS | erase --yes "
      "[--port DEVICE | --demo]\n"
      "       tc4dl-cli archive list | add FILE... | export ID... | remove ID... --yes | check\n"
      "       tc4dl-cli serve [--port DEVICE]... | --demo --http ADDRESS:PORT\n"
      "                       [--http-token-file FILE] [--http-cert FILE --http-key FILE]\n"
      "       tc4dl-cli record --port DEVICE[=NAME]... | --demo | --config FILE [options]\n";

} // namespace

QString tc4dl::cli::exitCodeHelp()
{
    return QStringLiteral(
        "Exit codes: 0 done, 1 usage, 2 no meter found, 3 port cannot be opened, 4 link lost,\n"
        "5 meter recording, 6 no answer or memory size rejected, 7 transfer incomplete,\n"
        "8 data error, 9 memory error, 10 no data, 11 file cannot be written,\n"
        "12 invalid input, 13 file cannot be read, 14 alarm (monitor --exit-on-alarm),\n"
        "15 archive cannot be opened, written or is damaged, 16 live page cannot be served,\n"
        "130 interrupted (Ctrl-C), 143 terminated (SIGTERM). A full disk or device behind\n"
        "the output gives 11.");
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
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
        code = tc4dl::cli::runMonitor(app, args, out, err);
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
    } else if (command == QLatin1String("record")) {
        code = tc4dl::cli::runRecord(app, args, out, err);
    } else if (command == QLatin1String("setup")) {
        code = tc4dl::cli::runSetup(args, out, err);
    } else if (command == QLatin1String("serve")) {
        code = tc4dl::cli::runServe(app, args, out, err);
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
               "  setup     read the logger's state, set its clock or interval, erase it\n"
               "  archive   list, add, export, remove or check the archived data sets\n"
               "  serve     serve the live page of the readings for a browser or a phone\n"
               "  record    record several meters unattended: archive, MQTT, alarms\n\n"
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
