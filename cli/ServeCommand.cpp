#include "ServeCommand.h"

#include "DateTimeSerial.h"
#include "ExitCode.h"
#include "HttpOptions.h"
#include "LivePageServer.h"
#include "LoggerCommands.h"
#include "Output.h"
#include "SessionSamples.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tc4dl::cli {

namespace {

const char* const kServeUsage
    = "Usage: tc4dl-cli serve [--port DEVICE]... | --demo [--name NAME]... --http ADDRESS:PORT\n"
      "                       [--http-token-file FILE] [--http-cert FILE --http-key FILE]\n"
      "                       [--alarm SPEC]... [--hysteresis H]\n";

bool standardOutputIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDOUT_FILENO) == 1;
#else
    return false;
#endif
}

} // namespace

MeterFeed::MeterFeed(
    QString name, live::LiveBoard& board, const AlarmOptions& alarms, QObject* parent)
    : QObject(parent),
      m_name(std::move(name)),
      m_board(board)
{
    m_board.addMeter(m_name);
    m_alarms.setRules(alarms.rules, alarms.hysteresisPerChannel());
    m_meter.setReadingObserver([this](const LiveReading& r) { onReading(r); });
    connect(&m_meter.session(), &LiveSession::samplingPoint, this, &MeterFeed::onTick);
}

int MeterFeed::start(const QString& port, bool demo, QTextStream& err)
{
    const int code = m_meter.connect(port, demo, err);
    if (code == Ok)
        m_meter.session().setTicking(true);
    return code;
}

void MeterFeed::stop()
{
    m_meter.session().setTicking(false);
}

void MeterFeed::onReading(const LiveReading& reading)
{
    const live::LiveSample sample
        = live::sampleOf(toDateTimeSerial(m_meter.clock().now()), reading);
    // The limits were given in the unit the meter showed; a switch carries them over.
    if (m_celsius && *m_celsius != sample.celsius)
        m_alarms.convertUnit(sample.celsius);
    m_celsius = sample.celsius;
    m_board.addReading(m_name, sample);
    for (const alarm::AlarmEvent& e : m_alarms.feed(sample.serial, live::monitoredValues(sample))) {
        if (const std::optional<live::AlarmChange> change = live::alarmChangeOf(e))
            m_board.alarmChanged(m_name, *change);
    }
}

void MeterFeed::onTick(const TickCheck& check)
{
    if (check.linkLost)
        m_board.setConnected(m_name, false);
}

int runServe(
    QCoreApplication& app, const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Serves the live page of the meters' readings for a browser (a phone on the same "
            "network, or this computer), without recording anything: the page, its readings as "
            "JSON and as Server-Sent Events. Read-only; 127.0.0.1 unless told otherwise, and any "
            "other address needs --http-token-file. One --port per meter, named by --name in "
            "the same order (default \"meter\", \"meter 2\", ...). Runs until Ctrl-C.\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("serve"), QStringLiteral("The command."));
    parser.addOptions({ { QStringLiteral("port"),
                            QStringLiteral("A meter's serial port (COM3, ttyUSB0, /dev/pts/4); "
                                           "repeatable."),
                            QStringLiteral("DEVICE") },
        { QStringLiteral("demo"), QStringLiteral("Serve the built-in simulated meter.") },
        { QStringLiteral("name"), QStringLiteral("The name of the meter on the page; repeatable."),
            QStringLiteral("NAME") },
        alarmOption(), hysteresisOption() });
    parser.addOptions(httpOptions());
    if (const std::optional<int> end = parseOrEnd(parser, arguments, kServeUsage, out, err))
        return *end;
    QStringList ports = parser.values(QStringLiteral("port"));
    const bool demo = parser.isSet(QStringLiteral("demo"));
    if (ports.isEmpty() == !demo) {
        err << "Give --port DEVICE (once per meter) or --demo.\n" << kServeUsage;
        return Usage;
    }
    if (!httpRequested(parser)) {
        err << "serve needs --http ADDRESS:PORT, such as --http 127.0.0.1:8080.\n";
        return Usage;
    }
    AlarmOptions alarms;
    if (const int code = readAlarmOptions(parser, alarms, err); code != Ok)
        return code;
    live::ServerSettings settings;
    if (const int code = readHttpOptions(parser, settings, err); code != Ok)
        return code;
    if (demo)
        ports = QStringList { QString() };
    const QStringList names = parser.values(QStringLiteral("name"));
    if (names.size() > ports.size()) {
        err << "More --name than meters: one --name per --port.\n";
        return Usage;
    }

    live::LiveBoard board;
    std::vector<std::unique_ptr<MeterFeed>> feeds;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        const QString name = i < names.size() ? names.at(i)
            : i == 0                          ? QStringLiteral("meter")
                                              : QStringLiteral("meter %1").arg(i + 1);
        if (name.isEmpty() || name.size() > live::kMaxMeterName) {
            err << "A meter's name has 1 to " << live::kMaxMeterName << " characters.\n";
            return Usage;
        }
        feeds.push_back(std::make_unique<MeterFeed>(name, board, alarms));
    }
    SystemClock clock;
    live::LivePageServer server(board, clock);
    QString why;
    if (!server.start(settings, &why)) {
        err << "Cannot serve the live page: " << endSentence(why) << '\n';
        return HttpFailed;
    }
    for (std::size_t i = 0; i < feeds.size(); ++i) {
        if (const int code = feeds[i]->start(ports.at(static_cast<qsizetype>(i)), demo, err);
            code != Ok)
            return code;
    }
    announcePage(server, out, standardOutputIsTerminal());
    QString outWhy;
    if (!standardOutputComplete(out, &outWhy)) {
        err << standardOutputFailure(outWhy);
        return CannotWrite;
    }

    const stop::CleanupScope cleanup;
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, &app, [&app] {
        if (stop::requested())
            app.exit(stop::exitCode());
    });
    interruptCheck.start(50);
    const int code = app.exec();
    for (const auto& feed : feeds)
        feed->stop();
    server.stop();
    return code;
}

} // namespace tc4dl::cli
