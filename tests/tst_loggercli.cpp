// tc4dl-cli's logger commands as a user runs them: real processes, the simulated meter
// in-process (--demo) or served on a pseudo-terminal by tc4dl-meter, output read line by line.

#include <QFile>
#include "LoggerImages.h"
#include "TimeCases.h"
#include "CliProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

using cliprocess::Run;

Run runCli(const QStringList& args, const QString& folder = QString(), int timeoutMs = 60000)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
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
    void downloadOverPseudoTerminalWithFaults();
    void refusedWhileRecording();
    void setupCommands();

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
    QFETCH(QByteArray, zone);
    QFETCH(QDate, date);
    QFETCH(QTime, start);
    QFETCH(int, interval);
    QFETCH(int, samples);
    const auto restore = timecases::inTimeZone(zone); // the tool inherits the zone
    using timecases::bcd;
    loggerimages::SetSpec s = loggerimages::setWithSamples(samples);
    s.year = bcd(date.year() % 100);
    s.month = bcd(date.month());
    s.day = bcd(date.day());
    s.hour = bcd(start.hour());
    s.minute = bcd(start.minute());
    s.second = bcd(start.second());
    s.interval = static_cast<quint16>(interval);
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
    const Run r = runCli(args);
    QCOMPARE(r.exitCode, code);
    if (r.exitCode != 0) {
        QVERIFY(!r.err.trimmed().isEmpty());
        QVERIFY(r.out.isEmpty());
    }
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

QTEST_GUILESS_MAIN(TestLoggerCli)
#include "tst_loggercli.moc"
