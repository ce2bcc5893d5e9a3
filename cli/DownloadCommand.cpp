// tc4dl-cli download: the meter's logger memory into a collection file.

#include "ArchiveAccess.h"
#include "CollectionFile.h"
#include "DataSetText.h"
#include "ExitCode.h"
#include "LoggerCommands.h"
#include "LoggerData.h"
#include "MeterConnection.h"
#include "Output.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <optional>
#ifdef Q_OS_WIN
#include <io.h>
#define TC4DL_ISATTY _isatty
#define TC4DL_FILENO _fileno
#else
#include <unistd.h>
#define TC4DL_ISATTY isatty
#define TC4DL_FILENO fileno
#endif

namespace tc4dl::cli {

namespace {

// Progress on a terminal, redrawn in place; nothing until the end otherwise.
class Progress {
public:
    explicit Progress(QTextStream& err)
        : m_err(err),
          m_terminal(TC4DL_ISATTY(TC4DL_FILENO(stderr)))
    {
        m_timer.start();
    }
    void show(qint64 received, qint64 total)
    {
        m_received = received;
        m_total = total;
        if (!m_terminal || total <= 0 || m_timer.elapsed() - m_lastDraw < 200)
            return;
        m_lastDraw = m_timer.elapsed();
        const double seconds = std::max<qint64>(1, m_timer.elapsed()) / 1000.0;
        const double rate = received / seconds;
        const qint64 left = rate > 0 ? qint64((total - received) / rate) : 0;
        m_err << QStringLiteral("\r%1 of %2 bytes  %3%  %4 bytes/s  %5:%6 left  ")
                     .arg(received)
                     .arg(total)
                     .arg(received * 100 / total)
                     .arg(qint64(rate))
                     .arg(left / 60)
                     .arg(left % 60, 2, 10, QLatin1Char('0'));
        m_err.flush();
    }
    void summary(const LoadReport& report)
    {
        if (m_terminal && m_lastDraw > 0)
            m_err << '\n';
        const double seconds = m_timer.elapsed() / 1000.0;
        m_err << QStringLiteral("Received %1 of %2 bytes in %3 s, %4 blocks repeated.\n")
                     .arg(m_received)
                     .arg(report.total)
                     .arg(seconds, 0, 'f', 1)
                     .arg(report.counters.checksumErrors + report.counters.stalledBlocks);
        m_err.flush();
    }

private:
    QTextStream& m_err;
    bool m_terminal;
    QElapsedTimer m_timer;
    qint64 m_lastDraw = 0;
    qint64 m_received = 0;
    qint64 m_total = 0;
};

int failureCode(const LoadReport& report, QTextStream& err)
{
    using F = LoadReport::Failure;
    switch (report.failure) {
    case F::Stopped:
        err << "Stopped: the transfer was ended and nothing was written.\n";
        return stop::exitCode() != 0 ? stop::exitCode() : Interrupted;
    case F::PortError:
        err << "The link to the meter failed during the transfer.\n";
        return LinkLost;
    case F::Refused:
        err << "The meter's port could not be taken from the live link.\n";
        return report.refusal == LeaseRefusal::PortNotOpened ? CannotOpen : LinkLost;
    case F::NotConnected:
        err << "There is no connection with the meter.\n";
        return NoMeter;
    case F::MeterRecording:
        err << "The meter is recording data, please stop recording before loading data.\n";
        return MeterRecording;
    default:
        err << failureSentence(report.result, report.decode) << '\n';
        return exitCodeFor(report.result);
    }
}

// What the command line asked for.
struct DownloadOptions {
    QString port;
    bool demo = false;
    QString outPath; // "-" for the standard output
    bool raw = false; // also the image as received, into rawPath
    QString rawPath;
    bool csv = false;
    bool archive = true; // add the sets to the archive at archivePath
    bool archiveOff = false; // the desktop program's settings switched adding off
    QString archivePath;
    QString archiveRefused; // why the Settings' archive file cannot be used
};

// Reads the arguments into `options`; an exit code when the command ends here (a usage error
// or the help).
std::optional<int> parseArguments(const QStringList& arguments, Clock& clock,
    DownloadOptions& options, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Downloads the meter's logger memory, writes it to a collection file "
                       "and prints the data-set list.\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("download"), QStringLiteral("The command."));
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("Use this serial port (COM3, ttyUSB0, /dev/pts/4)."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("Look on the built-in simulated meter too."));
    const QCommandLineOption output(QStringLiteral("o"),
        QStringLiteral("The collection file (default datasets-<date and time>.ch4; - is the "
                       "standard output, the data-set list then goes to stderr)."),
        QStringLiteral("FILE.ch4"));
    const QCommandLineOption raw(QStringLiteral("raw"),
        QStringLiteral("Also write the memory image as received, even when it does not decode."),
        QStringLiteral("FILE"));
    const QCommandLineOption csv(
        QStringLiteral("csv"), QStringLiteral("Print the data-set list as CSV."));
    const QCommandLineOption archiveOption = archivePathOption();
    const QCommandLineOption noArchive(
        QStringLiteral("no-archive"), QStringLiteral("Do not add the sets to the archive."));
    parser.addOptions({ port, demo, output, raw, csv, archiveOption, noArchive });
    if (!parser.parse(arguments) || parser.positionalArguments().size() != 1) {
        err << (parser.errorText().isEmpty() ? QStringLiteral("Unexpected arguments.")
                                             : parser.errorText())
            << "\nUsage: tc4dl-cli download [--port DEVICE | --demo] [-o FILE.ch4] [--raw FILE] "
               "[--csv] [--archive PATH|URI | --no-archive]\n";
        return Usage;
    }
    if (printHelpIfAsked(parser, out))
        return Ok;
    if (parser.isSet(port) && parser.isSet(demo)) {
        err << "Give either --port or --demo, not both.\n";
        return Usage;
    }
    options.port = parser.value(port);
    options.demo = parser.isSet(demo);
    options.outPath = parser.isSet(output)
        ? parser.value(output)
        : QStringLiteral("datasets-%1.ch4")
              .arg(clock.now().toString(QStringLiteral("yyyy-MM-ddTHH-mm-ss")));
    options.raw = parser.isSet(raw);
    options.rawPath = parser.value(raw);
    options.csv = parser.isSet(csv);
    options.archive = !parser.isSet(noArchive);
    // An --archive given here is asked for; otherwise the desktop program's switch holds.
    options.archiveOff
        = options.archive && !parser.isSet(archiveOption) && desktopArchiveAddsOff(clock, err);
    if (options.archive && !options.archiveOff)
        options.archivePath = archivePath(parser, archiveOption, clock, &options.archiveRefused);
    return std::nullopt;
}

// Runs the transfer into `data` with progress on `err`; a signal stops it cleanly.
LoadReport transferMemory(LoggerData& data, QTextStream& err)
{
    Progress progress(err);
    LoadReport report;
    QEventLoop loop;
    QObject::connect(&data, &LoggerData::loadProgress, &loop,
        [&progress](qint64 received, qint64 total) { progress.show(received, total); });
    QObject::connect(&data, &LoggerData::loadFinished, &loop, [&](const LoadReport& r) {
        report = r;
        loop.quit();
    });
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, &loop, [&] {
        if (stop::requested())
            data.stopLoad();
    });
    interruptCheck.start(50);
    if (data.startLoad())
        loop.exec();
    if (report.failure != LoadReport::Failure::NotConnected
        && report.failure != LoadReport::Failure::MeterRecording
        && report.failure != LoadReport::Failure::Refused)
        progress.summary(report);
    return report;
}

// Writes the collection file (or the standard output) from what the transfer received.
int writeCollection(
    const LoadReport& report, const QString& outPath, QTextStream& out, QTextStream& err)
{
    // The collection file holds exactly what the transfer file would.
    const MemoryImage image(report.received);
    if (outPath == QLatin1String("-")) {
        out.flush();
        const QByteArray bytes = collectionBytes(image);
        if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout)
            != std::size_t(bytes.size())) {
            QString reason;
            (void)standardOutputComplete(out, &reason);
            err << standardOutputFailure(reason);
            return CannotWrite;
        }
        return Ok;
    }
    QString why;
    if (!writeTransferFile(image, outPath, &why)) {
        err << "Cannot write " << outPath << ": " << endSentence(why) << '\n';
        return CannotWrite;
    }
    return Ok;
}

void printSets(const DataSetStore& store, bool csv, QTextStream& list)
{
    if (csv) {
        list << setsCsvHeader() << '\n';
        for (int k = 0; k < store.setCount(); ++k)
            list << setsCsvLine(store, k) << '\n';
    } else {
        for (const QString& line : setsTable(store))
            list << line << '\n';
    }
}

} // namespace

int runDownload(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    MeterConnection meter;
    DownloadOptions options;
    if (const std::optional<int> code = parseArguments(arguments, meter.clock(), options, out, err))
        return *code;

    if (const int code = meter.connect(options.port, options.demo, err); code != Ok)
        return code;
    meter.waitForReading(3000);
    // From here a signal stops the transfer cleanly: 'Q' to the meter, the port given back.
    const stop::CleanupScope cleanup;
    LoggerData data(meter.clock(), meter.session(), QString(), QString());
    const LoadReport report = transferMemory(data, err);

    if (stop::requested() && report.failure != LoadReport::Failure::Stopped) {
        err << stop::sentence();
        return stop::exitCode();
    }
    QString why;
    if (options.raw && !report.received.isEmpty()
        && !writeReceivedImage(MemoryImage(report.received), options.rawPath, &why)) {
        err << "Cannot write " << options.rawPath << ": " << endSentence(why) << '\n';
        return CannotWrite;
    }
    if (!report.loaded())
        return failureCode(report, err);
    if (const int code = writeCollection(report, options.outPath, out, err); code != Ok)
        return code;
    // The data-set list goes where the collection file does not.
    const bool toStandardOutput = options.outPath == QLatin1String("-");
    printSets(data.store(), options.csv, toStandardOutput ? err : out);
    if (!toStandardOutput)
        err << "Wrote " << options.outPath << ".\n";
    if (options.archiveOff)
        err << "The sets were not archived: adding is switched off in the archive settings "
               "(--archive PATH|URI adds them all the same).\n";
    else if (!options.archiveRefused.isEmpty())
        err << "The sets were not archived: " << endSentence(options.archiveRefused) << '\n';
    else if (options.archive)
        archiveDownload(options.archivePath, meter.clock(), data.store(),
            MemoryImage(report.received),
            options.port.isEmpty() ? QStringLiteral("download")
                                   : QStringLiteral("download %1").arg(options.port),
            err);
    return Ok;
}

} // namespace tc4dl::cli
