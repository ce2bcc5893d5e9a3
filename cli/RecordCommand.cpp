// tc4dl-cli record: several meters recorded with nobody at the screen.

#include "ArchiveAccess.h"
#include "ArchiveRunStore.h"
#include "Clock.h"
#include "ExitCode.h"
#include "HttpOptions.h"
#include "LivePageServer.h"
#include "LoggerCommands.h"
#include "MeterState.h"
#include "Output.h"
#include "RecordPage.h"
#include "Recorder.h"
#include "RecorderJson.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTimer>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tc4dl::cli {

namespace {

using namespace tc4dl::recorder;

const char* const kRecordUsage
    = "Usage: tc4dl-cli record --port DEVICE[=NAME]... | --demo | --config FILE\n"
      "         [--every SECONDS] [--count N] [--archive PATH|URI | --no-archive] [--journal DIR]\n"
      "         [--mqtt URL [--mqtt-auth FILE] [--mqtt-prefix P] [--mqtt-ca FILE]]\n"
      "         [--alarm [NAME:]SPEC]... [--hysteresis H] [--on-alarm CMD] [--webhook URL]\n"
      "         [--channel [NAME:]T1=TEXT]...\n"
      "         [--http ADDRESS:PORT [--http-token-file FILE] [--http-cert F --http-key F]]\n";

struct Options {
    QCommandLineOption config { QStringLiteral("config"),
        QStringLiteral("Read the settings from FILE (INI: the long options as keys, one "
                       "[meter NAME] group with its port per meter); the command line adds to it."),
        QStringLiteral("FILE") };
    std::vector<QCommandLineOption> settings;
};

Options makeOptions()
{
    Options o;
    auto add = [&o](const char* name, const char* help, const char* value = nullptr) {
        o.settings.emplace_back(QString::fromLatin1(name), QString::fromUtf8(help),
            value ? QString::fromLatin1(value) : QString());
    };
    add("port",
        "A meter on DEVICE (ttyUSB0, /dev/ttyUSB0, COM3, a pty), named NAME (default: the "
        "device's base name). Repeatable: one per meter.",
        "DEVICE[=NAME]");
    add("demo", "Record the built-in simulated meter too, named demo.");
    add("every", "Keep a reading every SECONDS (1 to 3600; default 1).", "SECONDS");
    add("count", "Stop after N readings of every meter.", "N");
    add("archive", "Store the runs in this archive (default: the desktop program's).", "PATH");
    add("no-archive", "Store nothing (MQTT and alarms only).");
    add("journal",
        "The folder of the recorder's journals, which keep every reading until it is stored "
        "(default: record-journal in the desktop program's data folder).",
        "DIR");
    add("mqtt", "Publish to this broker: mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (TLS).", "URL");
    add("mqtt-auth",
        "The broker's user and password: a file with lines user=NAME and password=SECRET, "
        "readable by its owner only (mode 0600).",
        "FILE");
    add("mqtt-prefix", "The topics' first levels (default tc4dl).", "P");
    add("mqtt-ca", "With mqtts: the certificate authority to trust (default: the system's).",
        "FILE");
    add("alarm",
        "An alarm limit for the meter NAME, or for every meter without NAME: T1>150, T3<-5.5 or "
        "T2/min>5 (degrees per minute over the last 60 s), in the unit the meter shows. "
        "Repeatable.",
        "[NAME:]SPEC");
    add("hysteresis", "How far a reading must come back before its alarm clears (default 1.0).",
        "H");
    add("on-alarm",
        "Run CMD (no shell) at each raising and clearing, with TC4DL_METER, TC4DL_ALARM, "
        "TC4DL_VALUE, TC4DL_TIME and TC4DL_STATE in its environment.",
        "CMD");
    add("webhook", "POST each raising and clearing as JSON to this http:// or https:// address.",
        "URL");
    add("channel", "Name a channel (at most 24 characters), of meter NAME or of every meter.",
        "[NAME:]T1=TEXT");
    return o;
}

// The lines user=NAME and password=SECRET of the auth file, which only its owner may read.
bool readAuthFile(const QString& path, QString& user, QString& password, QTextStream& err)
{
#ifdef Q_OS_UNIX
    struct stat st { };
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0) {
        err << "Cannot read --mqtt-auth " << QDir::toNativeSeparators(path) << ".\n";
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        err << "--mqtt-auth " << QDir::toNativeSeparators(path)
            << " may be read by others: it holds a password, so make it readable by its owner "
               "only (chmod 600).\n";
        return false;
    }
#endif
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 4096) {
        err << "Cannot read --mqtt-auth " << QDir::toNativeSeparators(path)
            << " (a file of at most 4 KiB).\n";
        return false;
    }
    const ConfigText text = readConfigText(file.readAll());
    if (!text.ok()) {
        err << "--mqtt-auth " << QDir::toNativeSeparators(path) << ": " << text.error << ".\n";
        return false;
    }
    for (const ConfigEntry& e : text.entries) {
        if (e.group.isEmpty() && e.key == QLatin1String("user"))
            user = e.value;
        else if (e.group.isEmpty() && e.key == QLatin1String("password"))
            password = e.value;
        else {
            err << "--mqtt-auth " << QDir::toNativeSeparators(path) << " line " << e.line
                << ": only user=NAME and password=SECRET belong there.\n";
            return false;
        }
    }
    if (user.isEmpty()) {
        err << "--mqtt-auth " << QDir::toNativeSeparators(path) << " names no user=NAME.\n";
        return false;
    }
    return true;
}

std::optional<RecorderSetup> readSetup(
    const QCommandLineParser& parser, const Options& o, QTextStream& err, int& code)
{
    SetupBuilder builder;
    code = Usage;
    if (parser.isSet(o.config)) {
        const QString path = parser.value(o.config);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            err << "Cannot read the settings file " << QDir::toNativeSeparators(path) << ": "
                << endSentence(file.errorString()) << '\n';
            code = CannotRead;
            return std::nullopt;
        }
        // One byte more than a settings file may hold is enough to refuse it.
        const QByteArray bytes = file.read(ConfigText::kMaxBytes + 1);
        if (!builder.addConfig(readConfigText(bytes), QFileInfo(path).fileName())) {
            err << endSentence(builder.error()) << '\n';
            return std::nullopt;
        }
    }
    for (const QCommandLineOption& option : o.settings) {
        const QString key = option.names().constFirst();
        if (!parser.isSet(option))
            continue;
        const bool flag = option.valueName().isEmpty();
        const QStringList values
            = flag ? QStringList { QStringLiteral("true") } : parser.values(option);
        for (const QString& value : values) {
            if (!builder.add({}, key, value, QStringLiteral("--") + key)) {
                err << endSentence(builder.error()) << '\n';
                return std::nullopt;
            }
        }
    }
    std::optional<RecorderSetup> setup = builder.build();
    if (!setup)
        err << endSentence(builder.error()) << '\n';
    return setup;
}

// One line per meter: on a terminal redrawn in place every second, otherwise written once a
// minute. Lines said meanwhile go above the block.
class StatusBoard {
public:
    StatusBoard(QTextStream& err, std::vector<MeterState*> meters, bool terminal)
        : m_err(err),
          m_meters(std::move(meters)),
          m_terminal(terminal)
    {
    }

    void say(const QString& line)
    {
        clear();
        m_err << line << '\n';
        draw();
    }
    void beat(const QDateTime& now)
    {
        if (m_terminal) {
            clear();
            draw();
        } else if (!m_lastMinute.isValid() || m_lastMinute.secsTo(now) >= 60) {
            m_lastMinute = now;
            for (const MeterState* m : m_meters)
                m_err << lineOf(*m) << '\n';
            m_err.flush();
        }
    }
    void finish() { clear(); }

    static QString lineOf(const MeterState& m)
    {
        QString line = m.name() + QStringLiteral(": ");
        const std::optional<KeptReading>& r = m.lastReading();
        if (!m.connected())
            line += r ? QStringLiteral("no connection since %1").arg(isoLocalTime(r->time))
                      : QStringLiteral("no connection yet");
        else if (!r)
            line += QStringLiteral("connected, no reading kept yet");
        else {
            line += isoLocalTime(r->time);
            for (int c = 0; c < 4; ++c) {
                const QString v = r->noValue(c) ? QStringLiteral("----")
                    : r->overLimit(c)           ? QStringLiteral("OL")
                                                : QString::number(*r->value(c), 'f', 1);
                line += QStringLiteral("  T%1 %2").arg(c + 1).arg(v, 6);
            }
            line += r->celsius ? QStringLiteral(" °C") : QStringLiteral(" °F");
        }
        if (!m.alarmsInForce().isEmpty())
            line += QStringLiteral("  ALARM ") + m.alarmsInForce().join(QStringLiteral(", "));
        line += QStringLiteral("  stored %1/%2").arg(m.storedCount()).arg(m.keptCount());
        return line;
    }

private:
    void clear()
    {
        if (m_terminal && m_drawn > 0) {
            m_err << "\x1b[" << m_drawn << 'A';
            for (int i = 0; i < m_drawn; ++i)
                m_err << "\x1b[2K\n";
            m_err << "\x1b[" << m_drawn << 'A';
            m_drawn = 0;
        }
    }
    void draw()
    {
        if (m_terminal) {
            for (const MeterState* m : m_meters)
                m_err << lineOf(*m) << '\n';
            m_drawn = int(m_meters.size());
        }
        m_err.flush();
    }

    QTextStream& m_err;
    std::vector<MeterState*> m_meters;
    bool m_terminal;
    int m_drawn = 0;
    QDateTime m_lastMinute;
};

bool isTerminal([[maybe_unused]] int descriptor)
{
#ifdef Q_OS_UNIX
    return ::isatty(descriptor) == 1;
#else
    return false;
#endif
}

} // namespace

int runRecord(
    QCoreApplication& app, const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Records one or more meters with nobody at the screen: each on its own "
                       "port, polled once a second; every reading kept goes through the "
                       "recorder's journal into the archive as a run of its meter, and to an "
                       "MQTT broker. Alarms are said on the standard error (alarm,TIME,METER,"
                       "ALARM,VALUE,STATE), published, run as a command and posted to a web "
                       "address. With --http the live page of the readings is served for a "
                       "browser, as `tc4dl-cli serve` serves it. Runs until SIGTERM or Ctrl-C "
                       "(exit 143 or 130 once what it has "
                       "is stored) or --count readings of every meter.\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("record"), QStringLiteral("The command."));
    const Options o = makeOptions();
    parser.addOption(o.config);
    for (const QCommandLineOption& option : o.settings)
        parser.addOption(option);
    parser.addOptions(httpOptions());
    if (const std::optional<int> end = parseOrEnd(parser, arguments, kRecordUsage, out, err))
        return *end;
    if (parser.positionalArguments().size() > 1) {
        err << "record takes no file or other argument: \"" << parser.positionalArguments().at(1)
            << "\".\n"
            << kRecordUsage;
        return Usage;
    }
    int code = Usage;
    std::optional<RecorderSetup> setup = readSetup(parser, o, err, code);
    if (!setup)
        return code;
    if (!setup->mqtt.enabled()
        && (!setup->mqtt.authFile.isEmpty() || !setup->mqtt.caFile.isEmpty())) {
        err << "--mqtt-auth and --mqtt-ca go with --mqtt URL.\n";
        return Usage;
    }
    if (!setup->mqtt.caFile.isEmpty() && !setup->mqtt.tls) {
        err << "--mqtt-ca goes with an mqtts:// broker.\n";
        return Usage;
    }
    live::ServerSettings http;
    const bool serving = httpRequested(parser);
    if (serving) {
        if (const int httpCode = readHttpOptions(parser, http, err); httpCode != Ok)
            return httpCode;
    }
    Recorder::Parts parts;
    if (!setup->mqtt.authFile.isEmpty()
        && !readAuthFile(setup->mqtt.authFile, parts.mqttUser, parts.mqttPassword, err))
        return Usage;

    SystemClock clock;
    std::unique_ptr<ArchiveRunStore> store;
    if (!setup->noArchive) {
        if (setup->archive.isEmpty() && desktopArchiveAddsOff(clock, err)) {
            err << "The desktop program's archive settings switch adding off: the readings are "
                   "not stored (--archive PATH stores them).\n";
        } else {
            QString path = setup->archive;
            if (path.isEmpty())
                path = archive::defaultArchivePath(desktopDataFolder());
            store = std::make_unique<ArchiveRunStore>(path, clock);
        }
    }
    parts.journalFolder = setup->journalFolder.isEmpty()
        ? QDir(desktopDataFolder()).filePath(QStringLiteral("record-journal"))
        : setup->journalFolder;
    parts.store = store.get();
    // Two recorders on one journal folder would store each other's runs from under them.
    std::unique_ptr<QLockFile> journalLock;
    if (store) {
        QDir().mkpath(parts.journalFolder);
        journalLock = std::make_unique<QLockFile>(
            QDir(parts.journalFolder).filePath(QStringLiteral("recorder.lock")));
        journalLock->setStaleLockTime(0);
        if (!journalLock->tryLock(0)) {
            qint64 pid = 0;
            QString host;
            QString lockingApp;
            journalLock->getLockInfo(&pid, &host, &lockingApp);
            err << "Another recorder"
                << (pid > 0 ? QStringLiteral(" (process %1)").arg(pid) : QString())
                << " keeps its journal in " << QDir::toNativeSeparators(parts.journalFolder)
                << ": give each recorder a --journal DIR of its own.\n";
            return journalLock->error() == QLockFile::LockFailedError ? Usage : CannotWrite;
        }
    }

#ifdef Q_OS_UNIX
    // A broker gone or a reader of the standard error gone is a failed write, not the end; a
    // file size limit is a full disk, which the journal says.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    parts.clock = &clock;
    Recorder recorder(*setup, parts);
    StatusBoard board(err, recorder.meters(), isTerminal(STDERR_FILENO));
    QObject::connect(
        &recorder, &Recorder::said, &recorder, [&board](const QString& s) { board.say(s); });
    QObject::connect(
        &recorder, &Recorder::alarmLine, &recorder, [&board](const QString& s) { board.say(s); });
    Recorder::Outcome outcome = Recorder::Outcome::Stopped;
    QObject::connect(&recorder, &Recorder::finished, &app, [&outcome, &app](Recorder::Outcome how) {
        outcome = how;
        app.quit();
    });
    // The page is served before any meter records, so that a port taken says so before the
    // first reading is kept.
    live::LiveBoard liveBoard;
    const RecordPage page(liveBoard, recorder.meters());
    live::LivePageServer server(liveBoard, clock);
    if (serving) {
        QString why;
        if (!server.start(http, &why)) {
            err << "Cannot serve the live page: " << endSentence(why) << '\n';
            return HttpFailed;
        }
        announcePage(server, out, isTerminal(STDOUT_FILENO));
        out.flush();
    }
    // From here on a signal ends the recording at the next check, after what it has is stored.
    const stop::CleanupScope cleanup;
    QString why;
    if (!recorder.start(&why)) {
        err << endSentence(why) << '\n';
        return CannotOpen;
    }
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, &recorder, [&recorder] {
        if (stop::requested())
            recorder.stop(Recorder::Outcome::Stopped);
    });
    interruptCheck.start(50);
    QTimer status;
    QObject::connect(
        &status, &QTimer::timeout, &recorder, [&board, &clock] { board.beat(clock.now()); });
    status.start(1000);
    if (!recorder.stopped())
        QCoreApplication::exec();
    status.stop();
    server.stop();
    board.finish();
    for (const MeterState* m : recorder.meters())
        err << StatusBoard::lineOf(*m) << '\n';
    err.flush();
    switch (outcome) {
    case Recorder::Outcome::JournalFailed:
        return CannotWrite;
    case Recorder::Outcome::CountReached:
        return recorder.unstored() > 0 ? ArchiveFailed : Ok;
    case Recorder::Outcome::Stopped:
        break;
    }
    return stop::exitCode() != 0 ? stop::exitCode() : Ok;
}

} // namespace tc4dl::cli
