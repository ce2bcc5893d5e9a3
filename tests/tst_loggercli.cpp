// tc4dl-cli's logger commands as a user runs them: real processes, the simulated meter
// in-process (--demo) or served on a pseudo-terminal by tc4dl-meter, output read line by line.

#include "CliProcess.h"
#include "GraphStateFile.h"
#include "LoggerImages.h"
#include "ManualClock.h"
#include "SettingsStore.h"
#include "TimeCases.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cerrno>
#include <csignal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <cstring>

namespace {

using cliprocess::Run;

// The per-user data folder of every run, so that downloads archive there and not at home.
QString dataHome()
{
    static QTemporaryDir home;
    return home.path();
}

// The per-user settings folder of every run: the desktop program's settings the tool follows.
QString configHome()
{
    static QTemporaryDir home;
    return home.path();
}

Run runCli(const QStringList& args, const QString& folder = QString(), int timeoutMs = 60000)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    env.insert(QStringLiteral("TC4DL_EXTRA_PORTS"), QString());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    return cliprocess::run(QStringLiteral(TC4DL_CLI), args, env, folder, timeoutMs);
}

QString startMeter(QProcess& meter, const QStringList& args)
{
    return cliprocess::startMeter(meter, QStringLiteral(TC4DL_METER), args);
}

using cliprocess::stopMeter;

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QRegularExpression kSetLine(
    QStringLiteral(R"(^\d+,\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d,-?\d+,\d+,[CF]$)"));
const QRegularExpression kSampleLine(
    QStringLiteral(R"(^(\d+),(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)(,(-?\d+\.\d|OL)){4},[CF]$)"));

#ifdef Q_OS_UNIX
// A file that declares a graph-state block of `declared` bytes and really holds them, but as a
// hole: it costs no disk, and only a reader that trusts the length reads gigabytes of zeros.
void writeSparseGraphFile(const QString& path, quint32 declared, quint32 version)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    char head[12];
    qToLittleEndian(declared, head);
    std::memcpy(head + 4, "TC4G", 4);
    qToLittleEndian(version, head + 8);
    QCOMPARE(f.write(head, 12), qint64(12));
    QVERIFY(f.resize(4 + qint64(declared)));
}

bool isCharacterDevice(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

// Whether /proc/PID/syscall shows the process blocked in open().
bool inOpen(const QByteArray& syscall)
{
    const QByteArray number = syscall.split(' ').value(0);
#ifdef SYS_open
    if (number == QByteArray::number(SYS_open))
        return true;
#endif
    return number == QByteArray::number(SYS_openat);
}

bool isFifo(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}
#endif

} // namespace

class TestLoggerCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void setsListsEveryDownloadedSet();
    void exportLineByLine();
    void exportOneSet();
    void timesFollowTheMetersClock_data();
    void timesFollowTheMetersClock();
    void exitCodes_data();
    void exitCodes();
    void alarmsListTheCrossings_data();
    void alarmsListTheCrossings();
    void downloadOverPseudoTerminalWithFaults();
    void refusedWhileRecording();
    void setupCommands();
    void hostileSurroundings_data();
    void hostileSurroundings();
    void archiveKeepsEachSetOnce();
    void archiveFollowsItsFile_data();
    void archiveFollowsItsFile();

private:
    QTemporaryDir m_dir;
    QString m_file;
    QStringList m_sets;
};

// One download from the built-in meter, kept for the file commands.
void TestLoggerCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(QStringLiteral("demo.ch4"));
    const Run r = runCli({ QStringLiteral("download"), QStringLiteral("--demo"),
        QStringLiteral("-o"), m_file, QStringLiteral("--csv") });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.value(0), QStringLiteral("set,start,interval_s,samples,unit"));
    QVERIFY(r.out.size() >= 2);
    for (const QString& line : r.out.mid(1))
        QVERIFY2(kSetLine.match(line).hasMatch(), qPrintable(line));
    // Not a terminal: one summary line instead of progress.
    QVERIFY(r.err.contains(QStringLiteral("Received")));
    m_sets = r.out;
}

void TestLoggerCli::setsListsEveryDownloadedSet()
{
    const Run csv = runCli({ QStringLiteral("sets"), m_file, QStringLiteral("--csv") });
    QCOMPARE(csv.exitCode, 0);
    QCOMPARE(csv.out, m_sets);
    const Run table = runCli({ QStringLiteral("sets"), m_file });
    QCOMPARE(table.exitCode, 0);
    QCOMPARE(table.out.size(), m_sets.size());
}

// Every sample line: its set, a time interval seconds after the one before, four values with a
// point (German locale set), the set's unit; as many lines as the list says.
void TestLoggerCli::exportLineByLine()
{
    const Run r = runCli({ QStringLiteral("export"), m_file });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.value(0), QStringLiteral("set,time,T1,T2,T3,T4,unit"));
    QHash<int, int> counts;
    QDateTime previous;
    int previousSet = 0;
    for (const QString& line : r.out.mid(1)) {
        const QRegularExpressionMatch m = kSampleLine.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        const int set = m.captured(1).toInt();
        const QDateTime t = QDateTime::fromString(m.captured(2), Qt::ISODate);
        const QStringList info = m_sets.value(set).split(QLatin1Char(','));
        QVERIFY(line.endsWith(info.value(4)));
        if (set == previousSet)
            QCOMPARE(previous.secsTo(t), info.value(2).toLongLong());
        else
            QCOMPARE(m.captured(2), info.value(1));
        ++counts[set];
        previous = t;
        previousSet = set;
    }
    for (int k = 1; k < m_sets.size(); ++k)
        QCOMPARE(counts.value(k), m_sets.at(k).split(QLatin1Char(',')).value(3).toInt());
}

void TestLoggerCli::exportOneSet()
{
    const QString out = m_dir.filePath(QStringLiteral("set2.csv"));
    const Run r = runCli({ QStringLiteral("export"), m_file, QStringLiteral("--set"),
        QStringLiteral("2"), QStringLiteral("-o"), out });
    QCOMPARE(r.exitCode, 0);
    const QStringList lines
        = QString::fromUtf8(readFile(out)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size() - 1, m_sets.value(2).split(QLatin1Char(',')).value(3).toInt());
    for (const QString& line : lines.mid(1))
        QVERIFY(line.startsWith(QStringLiteral("2,")));
}

void TestLoggerCli::timesFollowTheMetersClock_data()
{
    timecases::addTimeCaseRows();
}

// A set recorded on a switch day: `sets` gives its start as recorded, `export` every sample's
// time once, interval seconds apart on the calendar.
void TestLoggerCli::timesFollowTheMetersClock()
{
    const auto [zone, date, start, interval, samples] = timecases::currentTimeCase();
    const auto restore = timecases::inTimeZone(zone); // the tool inherits the zone
    const loggerimages::RecordedSet s = loggerimages::setRecordedAt(date, start, interval, samples);
    const QString in = m_dir.filePath(QStringLiteral("switch.ch4"));
    writeFile(in, loggerimages::image({ s }));
    const QString iso = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
    const Run sets = runCli({ QStringLiteral("sets"), in, QStringLiteral("--csv") });
    QCOMPARE(sets.exitCode, 0);
    QCOMPARE(sets.out.value(1).section(QLatin1Char(','), 1, 1),
        timecases::sampleTime(date, start, interval, 0).toString(iso));
    const Run r = runCli({ QStringLiteral("export"), in });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.size(), samples + 1);
    for (int k = 0; k < samples; ++k)
        QCOMPARE(r.out.value(k + 1).section(QLatin1Char(','), 1, 1),
            timecases::sampleTime(date, start, interval, k).toString(iso));
}

void TestLoggerCli::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file"); // written to in.ch4 first when not empty
    QTest::addColumn<int>("code");
    const QString in = QStringLiteral("@in");
    QByteArray noData(256, '\xFF');
    noData[8] = 0;
    noData[9] = 0;
    noData[10] = 0;
    noData[11] = 0;
    noData[12] = char(0xFF);
    QByteArray tooMany = noData;
    tooMany[8] = char(0x0F);
    tooMany[9] = char(0xA1); // 4001
    QByteArray badSet = noData;
    badSet[9] = 1;
    badSet[11] = 0x01; // LastAddress 285: a set of 30 bytes without its marks
    badSet[12] = 0x1D;
    badSet.append(QByteArray(30, '\0'));
    QTest::newRow("no command") << QStringList {} << QByteArray() << 1;
    QTest::newRow("unknown option") << QStringList { "sets", in, "--bogus" } << noData << 1;
    QTest::newRow("no meter") << QStringList { "download" } << QByteArray() << 2;
    QTest::newRow("port cannot open")
        << QStringList { "download", "--port", "/nonexistent/tty" } << QByteArray() << 3;
    QTest::newRow("data error") << QStringList { "sets", in } << badSet << 8;
    QTest::newRow("memory error") << QStringList { "sets", in } << tooMany << 9;
    QTest::newRow("no data") << QStringList { "sets", in } << noData << 10;
    QTest::newRow("cannot write") << QStringList { "export", "@good", "-o", "/nonexistent/x.csv" }
                                  << QByteArray() << 11;
    QTest::newRow("no such set") << QStringList { "export", "@good", "--set", "99" } << QByteArray()
                                 << 12;
    QTest::newRow("interval 61:00")
        << QStringList { "setup", "interval", "61:00", "--demo" } << QByteArray() << 12;
    QTest::newRow("interval 00:00")
        << QStringList { "setup", "interval", "00:00", "--demo" } << QByteArray() << 12;
    QTest::newRow("erase without --yes")
        << QStringList { "setup", "erase", "--demo" } << QByteArray() << 1;
    QTest::newRow("cannot read") << QStringList { "sets", "/nonexistent.ch4" } << QByteArray()
                                 << 13;
    QTest::newRow("alarms, invalid SPEC")
        << QStringList { "alarms", "@good", "--alarm", "T9>1" } << QByteArray() << 1;
    QTest::newRow("alarms without --alarm")
        << QStringList { "alarms", "@good" } << QByteArray() << 1;
    QTest::newRow("alarms, data error")
        << QStringList { "alarms", in, "--alarm", "T1>1" } << badSet << 8;
    QTest::newRow("alarms, no data")
        << QStringList { "alarms", in, "--alarm", "T1>1" } << noData << 10;
    QTest::newRow("alarms, no such set")
        << QStringList { "alarms", "@good", "--set", "99", "--alarm", "T1>1" } << QByteArray()
        << 12;
    QTest::newRow("alarms, cannot read")
        << QStringList { "alarms", "/nonexistent.ch4", "--alarm", "T1>1" } << QByteArray() << 13;
    QTest::newRow("alarms --help-all")
        << QStringList { "alarms", "--help-all" } << QByteArray() << 0;
    QTest::newRow("archive without its command") << QStringList { "archive" } << QByteArray() << 1;
    QTest::newRow("archive remove without --yes")
        << QStringList { "archive", "remove", "1", "--archive", "@arch" } << QByteArray() << 1;
    QTest::newRow("archive export of no id")
        << QStringList { "archive", "export", "first", "--archive", "@arch" } << QByteArray() << 12;
    QTest::newRow("archive add of a file that cannot be read")
        << QStringList { "archive", "add", "/nonexistent.ch4", "--archive", "@arch" }
        << QByteArray() << 13;
    QTest::newRow("archive add of a damaged set")
        << QStringList { "archive", "add", in, "--archive", "@arch" } << badSet << 8;
    QTest::newRow("archive add of a memory without sets")
        << QStringList { "archive", "add", in, "--archive", "@arch" } << noData << 10;
    QTest::newRow("archive that is a folder")
        << QStringList { "archive", "check", "--archive", "@dir" } << QByteArray() << 15;
    QTest::newRow("archive in a folder that cannot be made")
        << QStringList { "archive", "add", "@good", "--archive", "/proc/none/archive.sqlite" }
        << QByteArray() << 15;
    QTest::newRow("archive list --help-all")
        << QStringList { "archive", "list", "--help-all" } << QByteArray() << 0;
    // --help-all is the help too: the command itself does not run.
    QTest::newRow("monitor --help-all")
        << QStringList { "monitor", "--help-all" } << QByteArray() << 0;
    QTest::newRow("download --help-all")
        << QStringList { "download", "--help-all" } << QByteArray() << 0;
    QTest::newRow("sets --help-all") << QStringList { "sets", "--help-all" } << QByteArray() << 0;
    QTest::newRow("export --help-all")
        << QStringList { "export", "--help-all" } << QByteArray() << 0;
    QTest::newRow("setup erase --help-all")
        << QStringList { "setup", "erase", "--help-all" } << QByteArray() << 0;
}

void TestLoggerCli::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    const QString in = m_dir.filePath(QStringLiteral("in.ch4"));
    if (!file.isEmpty())
        writeFile(in, file);
    args.replaceInStrings(QStringLiteral("@in"), in);
    args.replaceInStrings(QStringLiteral("@good"), m_file);
    const QString archive = m_dir.filePath(QStringLiteral("codes.sqlite"));
    args.replaceInStrings(QStringLiteral("@arch"), archive);
    args.replaceInStrings(QStringLiteral("@dir"), m_dir.path());
    const Run r = runCli(args);
    QCOMPARE(r.exitCode, code);
    // A failed add changes nothing: no set came in.
    if (args.value(1) == QLatin1String("add") && code != 15)
        QCOMPARE(runCli({ "archive", "list", "--csv", "--archive", archive }).out.size(), 1);
    if (r.exitCode != 0) {
        QVERIFY(!r.err.trimmed().isEmpty());
        QVERIFY(r.out.isEmpty());
    } else {
        QVERIFY2(r.out.value(0).startsWith(QStringLiteral("Usage: ")), qPrintable(r.err));
    }
}

void TestLoggerCli::alarmsListTheCrossings_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("lines");
    const QStringList both { "--alarm", "T1>150", "--alarm", "T3<-5.5" };
    QTest::newRow("every set") << both
                               << QStringList { "set,time,alarm,value",
                                      "1,2013-04-15T14:06:09,T1>150,160.0",
                                      "1,2013-04-15T14:09:09,T1>150,160.0",
                                      "2,2013-04-15T14:30:19,T3<-5.5,-6.0",
                                      "2,2013-04-15T14:30:39,T3<-5.5,-7.0" };
    QTest::newRow("one set") << both + QStringList { "--set", "2" }
                             << QStringList { "set,time,alarm,value",
                                    "2,2013-04-15T14:30:19,T3<-5.5,-6.0",
                                    "2,2013-04-15T14:30:39,T3<-5.5,-7.0" };
    QTest::newRow("a wide hysteresis keeps the alarm raised")
        << QStringList { "--alarm", "T1>150", "--hysteresis", "25" }
        << QStringList { "set,time,alarm,value", "1,2013-04-15T14:06:09,T1>150,160.0" };
    QTest::newRow("never crossed")
        << QStringList { "--alarm", "T2>50.5" } << QStringList { "set,time,alarm,value" };
}

// Two sets with known samples: each crossing once, again only after coming back by the
// hysteresis, at its sample's time, in the set's unit.
void TestLoggerCli::alarmsListTheCrossings()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, lines);
    loggerimages::RecordedSet oven;
    for (const quint16 t1 : { 1000, 1600, 1700, 1400, 1600 })
        oven.samples.push_back({ t1, 200, 200, 200 });
    loggerimages::RecordedSet freezer;
    freezer.minute = 0x30;
    freezer.interval = 10;
    for (const int t3 : { -50, -60, -40, -70 })
        freezer.samples.push_back({ 200, 200, static_cast<quint16>(t3), 200 });
    const QString in = m_dir.filePath(QStringLiteral("alarms.ch4"));
    writeFile(in, loggerimages::image({ oven, freezer }));
    const Run r = runCli(QStringList { QStringLiteral("alarms"), in } + args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, lines);
}

// tc4dl-meter on a real pseudo-terminal, with bad checksums and a stalled block: the download
// still gets the whole memory, and --raw keeps what the meter sent.
void TestLoggerCli::downloadOverPseudoTerminalWithFaults()
{
    QProcess meter;
    const QString device = startMeter(meter,
        { QStringLiteral("--no-pacing"), QStringLiteral("--corrupt-every"), QStringLiteral("20"),
            QStringLiteral("--stall-block"), QStringLiteral("3") });
    QVERIFY(!device.isEmpty());
    const QString out = m_dir.filePath(QStringLiteral("pty.ch4"));
    const QString raw = m_dir.filePath(QStringLiteral("pty.raw"));
    const Run r = runCli({ QStringLiteral("download"), QStringLiteral("--port"), device,
        QStringLiteral("-o"), out, QStringLiteral("--raw"), raw, QStringLiteral("--csv") });
    stopMeter(meter);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.value(0), m_sets.value(0));
    QCOMPARE(r.out.size(), m_sets.size());
    QVERIFY(readFile(raw).startsWith(readFile(out)));
    const Run sets = runCli({ QStringLiteral("sets"), out, QStringLiteral("--csv") });
    QCOMPARE(sets.out, r.out);
}

void TestLoggerCli::refusedWhileRecording()
{
    QProcess meter;
    const QString device = startMeter(meter, { QStringLiteral("--recording") });
    QVERIFY(!device.isEmpty());
    const QString out = m_dir.filePath(QStringLiteral("never.ch4"));
    const Run r = runCli({ QStringLiteral("download"), QStringLiteral("--port"), device,
        QStringLiteral("-o"), out });
    stopMeter(meter);
    QCOMPARE(r.exitCode, 5);
    QVERIFY(r.err.contains(QStringLiteral("recording")));
    QVERIFY(!QFile::exists(out));
}

void TestLoggerCli::setupCommands()
{
    QProcess meter;
    const QString device = startMeter(meter, { QStringLiteral("--no-pacing") });
    QVERIFY(!device.isEmpty());
    const QStringList port { QStringLiteral("--port"), device };
    const Run interval = runCli(QStringList { "setup", "interval", "01:30" } + port);
    QCOMPARE(interval.exitCode, 0);
    QCOMPARE(interval.out, QStringList { QStringLiteral("Recording interval set.") });
    const Run info = runCli(QStringList { "setup", "info" } + port);
    QCOMPARE(info.exitCode, 0);
    QVERIFY(info.out.contains(QStringLiteral("Recording interval: 01:30")));
    QVERIFY(info.out
                .filter(QRegularExpression(
                    QStringLiteral(R"(^Meter time: \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d$)")))
                .size()
        == 1);
    const Run erase = runCli(QStringList { "setup", "erase", "--yes" } + port);
    QCOMPARE(erase.exitCode, 0);
    const Run after = runCli(QStringList { "setup", "info" } + port);
    QVERIFY(after.out.contains(QStringLiteral("Data sets: 0")));
    QVERIFY(after.out.contains(QStringLiteral("Memory available: 16000 samples")));
    stopMeter(meter);
}

// The command-line tool where scripts meet trouble: a full disk behind the standard output,
// graph files that declare gigabytes, pipes nobody writes to and a stop signal, "-o -" and
// "-o" onto device nodes and pipes. Every row is one real run.
void TestLoggerCli::hostileSurroundings_data()
{
    QTest::addColumn<QStringList>("args"); // @good: a collection file; @graph: a graph file;
                                           // @in: the prepared input; @node: the prepared target
    QTest::addColumn<QString>("prepare"); // what @in or @node is
    QTest::addColumn<QString>("stdoutTo"); // a file the standard output goes to, or empty
    QTest::addColumn<int>("stopSignal"); // sent once the command waits on @in; 0: none
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said"); // a part of stderr

    const QString full = QStringLiteral("/dev/full");
    QTest::newRow("sets, full output") << QStringList { "sets", "@good" } << QString() << full << 0
                                       << 11 << "No space left on device.";
    QTest::newRow("sets --csv, full output")
        << QStringList { "sets", "@good", "--csv" } << QString() << full << 0 << 11
        << "Cannot write the standard output";
    QTest::newRow("export collection, full output") << QStringList { "export",
        "@good" } << QString() << full << 0 << 11 << "Cannot write the standard output";
    QTest::newRow("export graph, full output") << QStringList { "export", "@graph" } << QString()
                                               << full << 0 << 11 << "No space left on device.";
    QTest::newRow("monitor, full output")
        << QStringList { "monitor", "--demo", "--count", "2" } << QString() << full << 0 << 11
        << "Cannot write the standard output";
    QTest::newRow("sparse graph file of 3.75 GiB")
        << QStringList { "export", "@in" } << "sparse 0xF0000000 v1" << QString() << 0 << 13
        << "never takes more than";
    QTest::newRow("sparse graph file of version 0")
        << QStringList { "export", "@in" } << "sparse 0x30000000 v0" << QString() << 0 << 13
        << "format version 0;";
    QTest::newRow("sets on a FIFO without writer, SIGTERM")
        << QStringList { "sets", "@in" } << "fifo" << QString() << int(SIGTERM) << 143 << "";
    QTest::newRow("export on a FIFO without writer, SIGINT")
        << QStringList { "export", "@in" } << "fifo" << QString() << int(SIGINT) << 130 << "";
    QTest::newRow("sets on a stalled FIFO, SIGTERM")
        << QStringList { "sets", "@in" } << "stalled fifo" << QString() << int(SIGTERM) << 143
        << "";
    QTest::newRow("graph export on a stalled FIFO, SIGTERM")
        << QStringList { "export", "@in" } << "stalled fifo ghf" << QString() << int(SIGTERM) << 143
        << "";
    QTest::newRow("-o - is the standard output")
        << QStringList { "export", "@good", "--set", "1", "-o", "-" } << QString() << QString() << 0
        << 0 << "";
    QTest::newRow("-o - onto a full output") << QStringList { "export", "@good", "-o",
        "-" } << QString() << full << 0 << 11 << "No space left on device.";
    QTest::newRow("-o onto a full device node")
        << QStringList { "export", "@good", "-o", "@node" } << "node 1 7" << QString() << 0 << 11
        << "No space left on device.";
    QTest::newRow("-o onto a null device node") << QStringList { "export", "@graph", "-o", "@node" }
                                                << "node 1 3" << QString() << 0 << 0 << "";
    QTest::newRow("download -o onto a full device node")
        << QStringList { "download", "--demo", "-o", "@node" } << "node 1 7" << QString() << 0 << 11
        << "No space left on device.";
    // A descriptor of the tool named as its output is written through, never replaced: a log
    // the shell opened with >> keeps what it held.
    QTest::newRow("-o /dev/stdout appends to a log opened with >>")
        << QStringList { "export", "@good", "--set", "1", "-o", "/dev/stdout" } << QString()
        << ">>@log" << 0 << 0 << "";
    QTest::newRow("-o /dev/fd/1 appends to a log opened with >>")
        << QStringList { "export", "@good", "--set", "1", "-o", "/dev/fd/1" } << QString()
        << ">>@log" << 0 << 0 << "";
    QTest::newRow("-o /proc/self/fd/1 appends to a log opened with >>")
        << QStringList { "export", "@good", "--set", "1", "-o", "/proc/self/fd/1" } << QString()
        << ">>@log" << 0 << 0 << "";
    QTest::newRow("-o /dev/stdout onto a log opened with >")
        << QStringList { "export", "@good", "--set", "1", "-o", "/dev/stdout" } << QString()
        << "@log" << 0 << 0 << "";
    QTest::newRow("-o /dev/stdout onto a full output")
        << QStringList { "export", "@good", "-o", "/dev/stdout" } << QString() << full << 0 << 11
        << "Cannot write /dev/stdout: No space left on device.";
    QTest::newRow("-o /dev/stderr onto a pipe")
        << QStringList { "export", "@good", "--set", "1", "-o", "/dev/stderr" } << QString()
        << QString() << 0 << 0 << "set,time,T1,T2,T3,T4,unit\n1,";
    QTest::newRow("-o a descriptor that is not open")
        << QStringList { "export", "@good", "-o", "/dev/fd/987" } << QString() << QString() << 0
        << 11 << "Cannot write /dev/fd/987: ";
    QTest::newRow("too large collection file: one full stop") << QStringList { "sets",
        "@in" } << "huge collection" << QString() << 0 << 13 << "never exceeds 1048576 bytes.\n";
}

void TestLoggerCli::hostileSurroundings()
{
#ifndef Q_OS_UNIX
    QSKIP("Device nodes, FIFOs and signals are a Unix matter");
#else
    QFETCH(QStringList, args);
    QFETCH(QString, prepare);
    QFETCH(QString, stdoutTo);
    QFETCH(int, stopSignal);
    QFETCH(int, code);
    QFETCH(QString, said);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("in"));
    const QString node = dir.filePath(QStringLiteral("node"));
    const QString graph = dir.filePath(QStringLiteral("graph.ghf"));
    {
        tc4dl::chart::ChartModel model;
        model.setSubsets(4);
        model.setPoints(3);
        for (int p = 0; p < 3; ++p) {
            model.setX(-1, p, 46000.0 + p / 1440.0);
            model.setY(-1, p, 20.5 + p);
        }
        QVERIFY(tc4dl::chart::saveGraphState(model, graph));
    }
    int heldFifo = -1;
    auto closeHeld = qScopeGuard([&heldFifo] {
        if (heldFifo >= 0)
            ::close(heldFifo);
    });
    if (prepare.startsWith(QLatin1String("sparse "))) {
        const QStringList parts = prepare.split(QLatin1Char(' '));
        writeSparseGraphFile(in + QStringLiteral(".ghf"), parts.at(1).toUInt(nullptr, 16),
            parts.at(2).mid(1).toUInt());
        args.replaceInStrings(QStringLiteral("@in"), in + QStringLiteral(".ghf"));
    } else if (prepare == QLatin1String("huge collection")) {
        QFile f(in + QStringLiteral(".ch4"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(3LL * 1024 * 1024 * 1024));
        args.replaceInStrings(QStringLiteral("@in"), f.fileName());
    } else if (prepare.contains(QLatin1String("fifo"))) {
        const QString fifo = in
            + (args.value(0) == QLatin1String("export") ? QStringLiteral(".ghf")
                                                        : QStringLiteral(".ch4"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        args.replaceInStrings(QStringLiteral("@in"), fifo);
        if (prepare.startsWith(QLatin1String("stalled"))) {
            // A writer that is there but sends only a few bytes: the command waits in read().
            heldFifo = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
            QVERIFY(heldFifo >= 0);
            QCOMPARE(::write(heldFifo, "\x10\0\0\0", 4), ssize_t(4));
        }
    } else if (prepare.startsWith(QLatin1String("node "))) {
        if (::geteuid() != 0)
            QSKIP("Making a device node takes root; this row runs in CI, which is root");
        const QStringList parts = prepare.split(QLatin1Char(' '));
        const int made = ::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600,
            makedev(parts.at(1).toUInt(), parts.at(2).toUInt()));
        if (made != 0 && errno == EPERM)
            QSKIP("This container or file system does not let root make device nodes");
        QCOMPARE(made, 0);
    }
    args.replaceInStrings(QStringLiteral("@good"), m_file);
    args.replaceInStrings(QStringLiteral("@graph"), graph);
    args.replaceInStrings(QStringLiteral("@node"), node);

    // ">>@log": a log holding a line already, opened for appending as the shell's >> does;
    // "@log": the same log opened anew, as > does.
    const bool appended = stdoutTo.startsWith(QLatin1String(">>"));
    const QString log = dir.filePath(QStringLiteral("log.csv"));
    const QByteArray earlier = "an earlier line\n";
    ino_t logNode = 0;
    if (appended)
        stdoutTo = stdoutTo.mid(2);
    if (stdoutTo == QLatin1String("@log")) {
        writeFile(log, earlier);
        struct stat info { };
        QCOMPARE(::stat(QFile::encodeName(log).constData(), &info), 0);
        logNode = info.st_ino;
        stdoutTo = log;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TC4DL_EXTRA_PORTS"), QString());
    QProcess p;
    p.setProcessEnvironment(env);
    if (!stdoutTo.isEmpty())
        p.setStandardOutputFile(stdoutTo, appended ? QIODevice::Append : QIODevice::Truncate);
    QElapsedTimer timer;
    timer.start();
    p.start(QStringLiteral(TC4DL_CLI), args);
    QVERIFY(p.waitForStarted());
    if (stopSignal != 0) {
        if (heldFifo >= 0) {
            // The command has taken the bytes: it runs past its start and waits for more.
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    int waiting = -1;
                    return ::ioctl(heldFifo, FIONREAD, &waiting) == 0 && waiting == 0;
                }(),
                10000);
        } else {
            // Nobody writes: the command waits in open(), where it is stopped. It reaches the
            // open only after its handlers are set up.
            if (readFile(QStringLiteral("/proc/self/syscall")).isEmpty()) {
                p.kill();
                p.waitForFinished();
                QSKIP("/proc does not show where a process waits here");
            }
            const QString syscall = QStringLiteral("/proc/%1/syscall").arg(p.processId());
            QTRY_VERIFY_WITH_TIMEOUT(
                inOpen(readFile(syscall)) || p.state() != QProcess::Running, 10000);
        }
        QCOMPARE(p.state(), QProcess::Running);
        QCOMPARE(::kill(pid_t(p.processId()), stopSignal), 0);
    }
    if (!p.waitForFinished(stopSignal != 0 ? 10000 : 60000)) {
        p.kill();
        p.waitForFinished();
        QFAIL("the command did not end");
    }
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(p.exitCode() == code, qPrintable(QString::number(p.exitCode()) + ": " + err));
    QVERIFY2(err.contains(said), qPrintable(err));
    if (code != 0) {
        QVERIFY2(!err.trimmed().isEmpty() || stopSignal != 0, "a failure says why");
        QVERIFY2(!err.contains(QStringLiteral("..")), qPrintable(err));
    }
    // Only the seconds a stop or a refusal takes, not the gigabytes a trusting reader reads.
    if (prepare.startsWith(QLatin1String("sparse")))
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    if (prepare.startsWith(QLatin1String("node ")))
        QVERIFY2(isCharacterDevice(node), "the device node is still a device node");
    if (prepare.contains(QLatin1String("fifo")))
        QVERIFY(isFifo(args.value(1)));
    if (logNode != 0) {
        struct stat info { };
        QCOMPARE(::stat(QFile::encodeName(log).constData(), &info), 0);
        QCOMPARE(info.st_ino, logNode); // written through, not replaced
        const Run plain = runCli(
            { QStringLiteral("export"), m_file, QStringLiteral("--set"), QStringLiteral("1") });
        QCOMPARE(readFile(log),
            (appended ? earlier : QByteArray()) + plain.out.join(QLatin1Char('\n')).toUtf8()
                + '\n');
    }
    if (args.contains(QStringLiteral("-")) && code == 0) {
        const Run plain = runCli(
            { QStringLiteral("export"), m_file, QStringLiteral("--set"), QStringLiteral("1") });
        const QStringList out = QString::fromUtf8(p.readAllStandardOutput())
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(out.size() > 1);
        QCOMPARE(out, plain.out);
        QVERIFY(!QFile::exists(QStringLiteral("-")));
    }
#endif
}

// Two downloads over a pseudo-terminal from a memory that grew in between: each set is
// archived once, and the archive commands list, export, remove and check what came.
void TestLoggerCli::archiveKeepsEachSetOnce()
{
    using loggerimages::setRecordedAt;
    const QDate day(2026, 11, 1);
    const QList<loggerimages::RecordedSet> sets { setRecordedAt(day, QTime(8, 0), 60, 5),
        setRecordedAt(day.addDays(2), QTime(9, 30), 30, 4),
        setRecordedAt(day.addDays(20), QTime(7, 15), 120, 3) };
    const QString small = m_dir.filePath(QStringLiteral("small.ch4"));
    const QString grown = m_dir.filePath(QStringLiteral("grown.ch4"));
    writeFile(small, loggerimages::image(sets.mid(0, 2)));
    writeFile(grown, loggerimages::image(sets));
    const QString archive = m_dir.filePath(QStringLiteral("cold room.sqlite"));
    const QStringList at { QStringLiteral("--archive"), archive };
    for (const auto& [memory, said] :
        { std::pair { small, "Archived 2 new sets, 0 already there.\n" },
            std::pair { grown, "Archived 1 new set, 2 already there.\n" } }) {
        QProcess meter;
        const QString device = startMeter(
            meter, { QStringLiteral("--no-pacing"), QStringLiteral("--memory"), memory });
        QVERIFY(!device.isEmpty());
        const Run r = runCli(QStringList { "download", "--port", device, "-o",
                                 m_dir.filePath(QStringLiteral("dl.ch4")) }
            + at);
        stopMeter(meter);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.count(QStringLiteral("Archived")), 1);
        QVERIFY2(r.err.endsWith(QLatin1String(said)), qPrintable(r.err));
    }
    const Run list = runCli(QStringList { "archive", "list", "--csv" } + at);
    QCOMPARE(list.exitCode, 0);
    QCOMPARE(list.out.value(0),
        QStringLiteral("id,start,interval_s,samples,unit,added,source,note,kind,meter"));
    QCOMPARE(list.out.size(), 4);
    const QRegularExpression row(QStringLiteral(
        R"(^(\d+),(2026-11-\d\dT\d\d:\d\d:00),(\d+),(\d+),C,\d{4}-\d\d-\d\dT[\d:]{8},download [^,]+,,logger,$)"));
    QStringList ids;
    for (int k = 1; k < 4; ++k) {
        const QRegularExpressionMatch m = row.match(list.out[k]);
        QVERIFY2(m.hasMatch(), qPrintable(list.out[k]));
        ids << m.captured(1);
    }
    QVERIFY(list.out[1].contains(QStringLiteral(",2026-11-01T08:00:00,60,5,")));
    QVERIFY(list.out[3].contains(QStringLiteral(",2026-11-21T07:15:00,120,3,")));
    const Run range = runCli(
        QStringList { "archive", "list", "--csv", "--from", "2026-11-02", "--to", "2026-11-03" }
        + at);
    QCOMPARE(range.out.mid(1), QStringList { list.out[2] });

    // Export: CSV with the archive ids as set numbers, and a collection file the tool reads.
    const Run csv = runCli(QStringList { "archive", "export", ids[2], ids[0] } + at);
    QCOMPARE(csv.exitCode, 0);
    QCOMPARE(csv.out.value(0), QStringLiteral("set,time,T1,T2,T3,T4,unit"));
    QCOMPARE(csv.out.size(), 1 + 3 + 5);
    QVERIFY(csv.out[1].startsWith(ids[2] + QStringLiteral(",2026-11-21T07:15:00,")));
    QVERIFY(csv.out[4].startsWith(ids[0] + QStringLiteral(",2026-11-01T08:00:00,")));
    const QString collection = m_dir.filePath(QStringLiteral("chosen.ch4"));
    QCOMPARE(
        runCli(QStringList { "archive", "export", ids[1], "-o", collection } + at).exitCode, 0);
    const Run back = runCli({ QStringLiteral("sets"), collection, QStringLiteral("--csv") });
    QCOMPARE(back.out.size(), 2);
    QVERIFY(back.out[1].startsWith(QStringLiteral("1,2026-11-03T09:30:00,30,4,")));

    // Adding a file of sets already there adds nothing; removing and checking.
    const Run add = runCli(QStringList { "archive", "add", grown } + at);
    QCOMPARE(add.exitCode, 0);
    QCOMPARE(add.out, QStringList { grown + QStringLiteral(": 0 new, 3 already in the archive.") });
    QCOMPARE(runCli(QStringList { "archive", "remove", ids[1], "--yes" } + at).out,
        QStringList { QStringLiteral("Removed 1 set.") });
    QCOMPARE(runCli(QStringList { "archive", "remove", "999", "--yes" } + at).exitCode, 12);
    const Run check = runCli(QStringList { "archive", "check" } + at);
    QCOMPARE(check.exitCode, 0);
    QCOMPARE(check.out, QStringList { QStringLiteral("The archive is sound: 2 sets.") });

    // --no-archive adds nothing; an archive that cannot be opened is said once and the
    // download still succeeds.
    for (const QString& option : { QStringLiteral("--no-archive"), QStringLiteral("--archive") }) {
        QProcess meter;
        const QString device = startMeter(
            meter, { QStringLiteral("--no-pacing"), QStringLiteral("--memory"), grown });
        QStringList args { "download", "--port", device, "-o", m_dir.filePath("again.ch4"),
            option };
        if (option == QLatin1String("--archive"))
            args << m_dir.path();
        const Run r = runCli(args);
        stopMeter(meter);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.count(QStringLiteral("not archived")),
            option == QLatin1String("--archive") ? 1 : 0);
        QVERIFY(!r.err.contains(QStringLiteral("Archived")));
    }
    QCOMPARE(runCli(QStringList { "archive", "list", "--csv" } + at).out.size(), 3);
    // Without --archive the desktop program's archive is used: the first download went there.
    const Run home
        = runCli({ QStringLiteral("archive"), QStringLiteral("list"), QStringLiteral("--csv") });
    QVERIFY(home.out.size() >= m_sets.size());
    QVERIFY(QFile::exists(dataHome() + QStringLiteral("/TC4DL/TC4DL/archive.sqlite")));

    // The desktop program's archive settings: its file, and adding switched off.
    {
        tc4dl::ManualClock clock;
        tc4dl::NativeSettingsStore settings(
            clock, configHome() + QStringLiteral("/TC4DL/TC4DL.conf"));
        QVERIFY(settings.writeText(tc4dl::kArchivePathKey, archive));
        QVERIFY(settings.writeInt(tc4dl::kArchiveEnabledKey, 0));
        settings.flush();
    }
    QCOMPARE(runCli({ QStringLiteral("archive"), QStringLiteral("list"), QStringLiteral("--csv") })
                 .out.size(),
        3);
    for (const bool asked : { false, true }) {
        QProcess meter;
        const QString device = startMeter(
            meter, { QStringLiteral("--no-pacing"), QStringLiteral("--memory"), grown });
        QStringList args { "download", "--port", device, "-o", m_dir.filePath("off.ch4") };
        if (asked)
            args << at;
        const Run r = runCli(args);
        stopMeter(meter);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.contains(QStringLiteral("switched off")), !asked);
        QCOMPARE(r.err.contains(QStringLiteral("Archived 1 new set, 2 already there.")), asked);
    }
    QFile::remove(configHome() + QStringLiteral("/TC4DL/TC4DL.conf"));
}

// Which archive the tool takes and how it says what it cannot do: no archive yet, a file that is
// none, a folder that is not there, a path from the Settings that is no full path, the switch as
// the program writes it; and --from and --to taking their bounds.
void TestLoggerCli::archiveFollowsItsFile_data()
{
    QTest::addColumn<QStringList>("settings"); // Key=Value, the desktop program's Settings
    QTest::addColumn<QStringList>("args"); // @dir the row's folder (and where the tool runs)
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("starts"); // list --csv: the starts listed
    QTest::addColumn<QString>("said"); // in stderr once; empty: stderr stays empty
    QTest::addColumn<QString>("file"); // exists afterwards; "!" first: does not
    const QStringList none;
    const QString edges = QStringLiteral("@dir/edges.sqlite");
    const auto list = [&](std::initializer_list<const char*> bounds) {
        QStringList args { "archive", "list", "--csv", "--archive", edges };
        for (const char* b : bounds)
            args << QString::fromLatin1(b);
        return args;
    };
    QTest::newRow("no archive yet: nothing listed, nothing said")
        << none << QStringList { "archive", "list", "--archive", "@dir/none.sqlite" } << 0 << none
        << ""
        << "!@dir/none.sqlite";
    QTest::newRow("no archive yet, CSV: the header alone")
        << none << QStringList { "archive", "list", "--csv", "--archive", "@dir/none.sqlite" } << 0
        << none << ""
        << "!@dir/none.sqlite";
    QTest::newRow("a file that is no archive")
        << none << QStringList { "archive", "list", "--archive", "@dir/notes.txt" } << 15 << none
        << "is no database"
        << "@dir/notes.txt";
    QTest::newRow("another program's database: refused, said in English")
        << none << QStringList { "archive", "add", "@good", "--archive", "@dir/recipes.sqlite" }
        << 15 << none << "holds what this program did not make (table recipes)"
        << "";
    QTest::newRow("export .ch4 into a folder that is not there")
        << none
        << QStringList { "archive", "export", "1", "-o", "@dir/none/x.ch4", "--archive", edges }
        << 11 << none << "does not exist"
        << "!@dir/none";
    QTest::newRow("export .csv into a folder that is not there")
        << none
        << QStringList { "archive", "export", "1", "-o", "@dir/none/x.csv", "--archive", edges }
        << 11 << none << "does not exist"
        << "!@dir/none";
    QTest::newRow("--archive relative: in the current folder")
        << none << QStringList { "archive", "add", "@good", "--archive", "rel.sqlite" } << 0 << none
        << ""
        << "@dir/rel.sqlite";
    QTest::newRow("a relative ArchivePath in the Settings: refused")
        << QStringList { "ArchivePath=rel.sqlite" } << QStringList { "archive", "list" } << 15
        << none << "no full path"
        << "!@dir/rel.sqlite";
    QTest::newRow("ArchivePath ~/a.sqlite: refused, no folder \"~\" made")
        << QStringList { "ArchivePath=~/a.sqlite" } << QStringList { "archive", "add", "@good" }
        << 15 << none << "no full path"
        << "!@dir/~";
    QTest::newRow("a relative ArchivePath: the download stands, not archived")
        << QStringList { "ArchivePath=rel.sqlite" }
        << QStringList { "download", "--port", "@port", "-o", "@dir/d.ch4" } << 0 << none
        << "no full path"
        << "!@dir/rel.sqlite";
    QTest::newRow("ArchiveEnabled false: said, adding stays on")
        << QStringList { "ArchiveEnabled=false", "ArchivePath=@dir/a.sqlite" }
        << QStringList { "download", "--port", "@port", "-o", "@dir/d.ch4" } << 0 << none
        << "neither 0 (off) nor 1 (on)"
        << "@dir/a.sqlite";
    QTest::newRow("ArchiveEnabled 0.0: said, adding stays on")
        << QStringList { "ArchiveEnabled=0.0", "ArchivePath=@dir/a.sqlite" }
        << QStringList { "download", "--port", "@port", "-o", "@dir/d.ch4" } << 0 << none
        << "neither 0 (off) nor 1 (on)"
        << "@dir/a.sqlite";
    // The sets start at 2026-11-04 23:59:59, 11-05 00:00:00, 11-05 23:59:59, 11-06 00:00:00.
    QTest::newRow("--from a day: from its midnight")
        << none << list({ "--from", "2026-11-05" }) << 0
        << QStringList { "2026-11-05T00:00:00", "2026-11-05T23:59:59", "2026-11-06T00:00:00" } << ""
        << "";
    QTest::newRow("--to a day: to its last second")
        << none << list({ "--to", "2026-11-05" }) << 0
        << QStringList { "2026-11-04T23:59:59", "2026-11-05T00:00:00", "2026-11-05T23:59:59" } << ""
        << "";
    QTest::newRow("--from a time: that second too")
        << none << list({ "--from", "2026-11-05T23:59:59" }) << 0
        << QStringList { "2026-11-05T23:59:59", "2026-11-06T00:00:00" } << ""
        << "";
    QTest::newRow("--to a time: that second too")
        << none << list({ "--to", "2026-11-05T00:00:00" }) << 0
        << QStringList { "2026-11-04T23:59:59", "2026-11-05T00:00:00" } << ""
        << "";
}

void TestLoggerCli::archiveFollowsItsFile()
{
    QFETCH(QStringList, settings);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QStringList, starts);
    QFETCH(QString, said);
    QFETCH(QString, file);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto at
        = [&dir](QString text) { return text.replace(QStringLiteral("@dir"), dir.path()); };
    // The files the rows name.
    writeFile(dir.filePath(QStringLiteral("notes.txt")), "Kühlraum prüfen\n");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("r"));
        db.setDatabaseName(dir.filePath(QStringLiteral("recipes.sqlite")));
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE recipes (name TEXT)")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("r"));
    using loggerimages::setRecordedAt;
    const QDate day(2026, 11, 4);
    const QString memory = dir.filePath(QStringLiteral("edges.ch4"));
    writeFile(memory,
        loggerimages::image({ setRecordedAt(day, QTime(23, 59, 59), 60, 1),
            setRecordedAt(day.addDays(1), QTime(0, 0), 60, 1),
            setRecordedAt(day.addDays(1), QTime(23, 59, 59), 60, 1),
            setRecordedAt(day.addDays(2), QTime(0, 0), 60, 1) }));
    QCOMPARE(
        runCli({ "archive", "add", memory, "--archive", dir.filePath("edges.sqlite") }).exitCode,
        0);
    const QString settingsFile = configHome() + QStringLiteral("/TC4DL/TC4DL.conf");
    {
        tc4dl::ManualClock clock;
        tc4dl::NativeSettingsStore store(clock, settingsFile);
        for (const QString& pair : settings)
            QVERIFY(store.writeText(pair.section(u'=', 0, 0), at(pair.section(u'=', 1))));
        store.flush();
    }
    args.replaceInStrings(QStringLiteral("@good"), m_file);
    for (QString& arg : args)
        arg = at(arg);
    QProcess meter;
    if (args.contains(QStringLiteral("@port"))) {
        const QString device = startMeter(
            meter, { QStringLiteral("--no-pacing"), QStringLiteral("--memory"), memory });
        QVERIFY(!device.isEmpty());
        args.replaceInStrings(QStringLiteral("@port"), device);
    }
    const Run r = runCli(args, dir.path());
    if (meter.state() != QProcess::NotRunning)
        stopMeter(meter);
    QFile::remove(settingsFile);
    QCOMPARE(r.exitCode, code);
    if (said.isEmpty())
        QVERIFY2(r.err.trimmed().isEmpty(), qPrintable(r.err));
    else
        QVERIFY2(r.err.count(said) == 1, qPrintable(r.err));
    if (args.contains(QStringLiteral("--csv"))) {
        QCOMPARE(r.out.value(0),
            QStringLiteral("id,start,interval_s,samples,unit,added,source,note,kind,meter"));
        QStringList listed;
        for (const QString& line : r.out.mid(1))
            listed << line.section(u',', 1, 1);
        QCOMPARE(listed, starts);
    } else if (args.value(1) == QLatin1String("list") && code == 0) {
        QVERIFY(r.out.isEmpty());
    }
    if (!file.isEmpty())
        QCOMPARE(
            QFileInfo::exists(at(file.mid(file.startsWith(u'!') ? 1 : 0))), !file.startsWith(u'!'));
}

QTEST_GUILESS_MAIN(TestLoggerCli)
#include "tst_loggercli.moc"
