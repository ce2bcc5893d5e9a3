// tc4dl-cli report and archive report as a user runs them: a download from tc4dl-meter on a
// pseudo-terminal, then the report of each set read back with pdftotext and held against
// `tc4dl-cli alarms` and `export` of the same set.

#include "ChartModel.h"
#include "CliProcess.h"
#include "DateTimeSerial.h"
#include "GraphStateFile.h"
#include "LoggerImages.h"
#include "PdfTools.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

using cliprocess::Run;

QString dataHome()
{
    static QTemporaryDir home;
    return home.path();
}

Run runCli(const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dataHome());
    env.insert(QStringLiteral("TC4DL_EXTRA_PORTS"), QString());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    return cliprocess::run(QStringLiteral(TC4DL_CLI), args, env, QString(), 60000);
}

using pdftools::pdfText;

// An ISO time of the command line as the English report writes it.
QString reportTime(const QString& iso)
{
    const QDateTime t = QDateTime::fromString(iso, Qt::ISODate);
    QString date = QLocale::c().dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return QLocale::c().toString(t.date(), date) + u' '
        + t.time().toString(QStringLiteral("HH:mm:ss"));
}

QStringList fingerprints(const QString& text)
{
    QStringList found;
    static const QRegularExpression hex(QStringLiteral(R"(\b[0-9a-f]{64}\b)"));
    for (auto it = hex.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    return found;
}

} // namespace

class TestReportCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void agreesWithAlarmsAndExport_data();
    void agreesWithAlarmsAndExport();
    void archiveReportIsTheFilesRecord();
    void graphFileNeedsItsUnitForTheMkt();
    void germanOnLetterToStandardOutput();
    void exitCodes_data();
    void exitCodes();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestReportCli::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the reports");
    QVERIFY(m_dir.isValid());
    QProcess meter;
    const QString device = cliprocess::startMeter(
        meter, QStringLiteral(TC4DL_METER), { QStringLiteral("--no-pacing") });
    QVERIFY(!device.isEmpty());
    m_file = m_dir.filePath(QStringLiteral("download.ch4"));
    const Run r = runCli({ QStringLiteral("download"), QStringLiteral("--port"), device,
        QStringLiteral("-o"), m_file, QStringLiteral("--no-archive") });
    cliprocess::stopMeter(meter);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
}

void TestReportCli::agreesWithAlarmsAndExport_data()
{
    QTest::addColumn<QString>("set");
    QTest::addColumn<QStringList>("limits");
    // The cold room in °F: the door opened, a defrost, the air's rate of change.
    QTest::newRow("cold room") << QStringLiteral("1")
                               << QStringList { "--alarm", "T1>40", "--alarm", "T3>40", "--alarm",
                                      "T1/min>0.5", "--hysteresis", "1" };
    QTest::newRow("oven warming up") << QStringLiteral("2")
                                     << QStringList { "--alarm", "T1>180", "--alarm", "T2>175",
                                            "--alarm", "T4<22", "--hysteresis", "0.5" };
    // An open probe on T3 and a probe from ice into boiling water.
    QTest::newRow("probe test") << QStringLiteral(
        "3") << QStringList { "--alarm", "T1>50", "--alarm", "T3>50", "--alarm", "T2<0.5" };
}

// The report's crossings are those `alarms` lists, at the same times with the same values, and
// its statistics are those of the samples `export` writes.
void TestReportCli::agreesWithAlarmsAndExport()
{
    QFETCH(QString, set);
    QFETCH(QStringList, limits);
    const Run alarms = runCli(QStringList { "alarms", m_file, "--set", set } + limits);
    QVERIFY2(alarms.exitCode == 0, qPrintable(alarms.err));
    const Run exported = runCli({ "export", m_file, "--set", set });
    QCOMPARE(exported.exitCode, 0);
    const QString pdf = m_dir.filePath(QStringLiteral("set%1.pdf").arg(set));
    const Run made = runCli(QStringList { "report", m_file, "--set", set, "-o", pdf } + limits);
    QVERIFY2(made.exitCode == 0, qPrintable(made.err));
    QVERIFY(made.err.contains(QStringLiteral("Wrote ")));
    const QString text = pdfText(pdf);
    QVERIFY(!text.isEmpty());

    // Crossings: one row each, with the time, the channel, the value and the limit.
    const QString crossings = text.section(QStringLiteral("Crossings of the limits"), 1)
                                  .section(QStringLiteral("Events"), 0, 0);
    const QStringList lines = alarms.out.mid(1);
    static const QRegularExpression row(QStringLiteral(R"(^\s*\d+ \w+ \d{4} \d\d:\d\d:\d\d\s+T\d)"),
        QRegularExpression::MultilineOption);
    int rows = 0;
    for (auto it = row.globalMatch(crossings); it.hasNext(); it.next())
        ++rows;
    QCOMPARE(rows, int(lines.size()));
    for (const QString& line : lines) {
        const QStringList f = line.split(u','); // set,time,alarm,value
        const QString channel = f[2].left(2);
        const QString value = f[3];
        const QRegularExpression expected(QRegularExpression::escape(reportTime(f[1]))
            + QStringLiteral(R"(\s+)") + channel + QStringLiteral(R"(\s+)")
            + QRegularExpression::escape(value));
        QVERIFY2(expected.match(crossings).hasMatch(), qPrintable(line + u'\n' + crossings));
    }
    if (lines.isEmpty())
        QVERIFY(crossings.contains(QStringLiteral("No limit was crossed.")));

    // Statistics: per channel the extremes and the mean of the exported readings.
    const QStringList samples = exported.out.mid(1);
    for (int c = 0; c < 4; ++c) {
        double lo = 1e9;
        double hi = -1e9;
        double sum = 0.0;
        int n = 0;
        int ol = 0;
        for (const QString& sample : samples) {
            const QString field = sample.section(u',', 2 + c, 2 + c);
            if (field == QLatin1String("OL")) {
                ++ol;
                continue;
            }
            const double v = field.toDouble();
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            sum += v;
            ++n;
        }
        const QString name = QStringLiteral("T%1").arg(c + 1);
        const QString pattern = n == 0
            ? QStringLiteral(R"(^\s*%1(\s+–){5}\s+0\s+%2\s+0\s*$)").arg(name).arg(ol)
            : QStringLiteral(R"(^\s*%1\s+%2\s+%3\s+%4\s+\S+\s+\S+\s+%5\s+%6\s+0\s*$)")
                  .arg(name, QRegularExpression::escape(QString::number(lo, 'f', 1)),
                      QRegularExpression::escape(QString::number(hi, 'f', 1)),
                      QRegularExpression::escape(QString::number(sum / n, 'f', 1)))
                  .arg(n)
                  .arg(ol);
        QVERIFY2(
            QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text).hasMatch(),
            qPrintable(pattern + u'\n' + text));
    }
    QVERIFY(QRegularExpression(QStringLiteral(R"(Samples:\s+%1\b)").arg(samples.size()))
                .match(text)
                .hasMatch());
}

// The archive's report of a set is the file's: the same numbers, and the same fingerprint (the
// archive's hash of the set's bytes).
void TestReportCli::archiveReportIsTheFilesRecord()
{
    const QString archive = m_dir.filePath(QStringLiteral("archive.sqlite"));
    QCOMPARE(runCli({ "archive", "add", m_file, "--archive", archive }).exitCode, 0);
    const Run list = runCli({ "archive", "list", "--csv", "--archive", archive });
    QCOMPARE(list.out.size(), 4);
    const QString second = list.out.value(2).section(u',', 0, 0);
    const QString fromArchive = m_dir.filePath(QStringLiteral("archive.pdf"));
    const Run made
        = runCli({ "archive", "report", second, "--archive", archive, "-o", fromArchive });
    QVERIFY2(made.exitCode == 0, qPrintable(made.err));
    const QString fromFile = m_dir.filePath(QStringLiteral("file.pdf"));
    QCOMPARE(runCli({ "report", m_file, "--set", "2", "-o", fromFile }).exitCode, 0);
    const QString a = pdfText(fromArchive);
    const QString f = pdfText(fromFile);
    QCOMPARE(fingerprints(a).size(), 1);
    QCOMPARE(fingerprints(a), fingerprints(f));
    QVERIFY(a.contains(QStringLiteral("Archive set ") + second));
    QVERIFY(a.contains(QStringLiteral("first from download.ch4")));
    const auto statistics = [](const QString& text) {
        return text.section(QStringLiteral("Statistics"), 1)
            .section(QStringLiteral("Limits"), 0, 0);
    };
    QCOMPARE(statistics(a), statistics(f));

    // Sets in both units are no one timeline.
    const QString first = list.out.value(1).section(u',', 0, 0);
    const Run mixed = runCli({ "archive", "report", first, second, "--archive", archive, "-o",
        m_dir.filePath(QStringLiteral("mixed.pdf")) });
    QCOMPARE(mixed.exitCode, 12);
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("mixed.pdf"))));
}

void TestReportCli::graphFileNeedsItsUnitForTheMkt()
{
    tc4dl::chart::ChartModel graph;
    graph.setSubsets(4);
    graph.setPoints(3);
    const double start = tc4dl::dateTimeSerial(QDate(2026, 12, 9), QTime(8, 0, 0));
    for (int p = 0; p < 3; ++p)
        for (int s = 0; s < 4; ++s) {
            graph.setX(s, p, start + p / 86400.0);
            graph.setY(s, p, 20.0 + 10.0 * (p % 2));
        }
    const QString ghf = m_dir.filePath(QStringLiteral("run.ghf"));
    QVERIFY(tc4dl::chart::saveGraphState(graph, ghf));
    const QString pdf = m_dir.filePath(QStringLiteral("graph.pdf"));
    QCOMPARE(runCli({ "report", ghf, "-o", pdf }).exitCode, 0);
    QVERIFY(pdfText(pdf).contains(QStringLiteral("no MKT is given")));
    QCOMPARE(runCli({ "report", ghf, "--unit", "C", "-o", pdf }).exitCode, 0);
    const QString text = pdfText(pdf);
    // 20, 30 and 20 °C.
    QVERIFY2(QRegularExpression(
                 QStringLiteral(R"(^\s*T1\s+20\.0\s+30\.0\s+23\.3\s+5\.8\s+24\.6\s+3\s+0\s+0\s*$)"),
                 QRegularExpression::MultilineOption)
                 .match(text)
                 .hasMatch(),
        qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Graph file run.ghf")));
}

void TestReportCli::germanOnLetterToStandardOutput()
{
    const Run r = runCli({ "report", m_file, "--set", "2", "--lang", "de", "--paper", "letter",
        "--title", "Ofenprotokoll", "--site", "Bäckerei Süd", "-o", "-" });
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.value(0).startsWith(QStringLiteral("%PDF-")));
    // The bytes on the standard output are the whole PDF.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    p.setProcessEnvironment(env);
    const QString pdf = m_dir.filePath(QStringLiteral("stdout.pdf"));
    p.setStandardOutputFile(pdf);
    p.start(QStringLiteral(TC4DL_CLI),
        { "report", m_file, "--set", "2", "--lang", "de", "--paper", "letter", "--title",
            "Ofenprotokoll", "--site", "Bäckerei Süd", "-o", "-" });
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QString text = pdfText(pdf);
    QVERIFY(text.contains(QStringLiteral("Ofenprotokoll")));
    QVERIFY(text.contains(QStringLiteral("Bäckerei Süd")));
    QVERIFY(text.contains(QStringLiteral("Seite 1 von")));
    QVERIFY(text.contains(QStringLiteral("Statistik (°C)")));
}

void TestReportCli::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    const QString out = QStringLiteral("@out");
    QTest::newRow("no -o") << QStringList { "report", "@good", "--set", "2" } << 1;
    QTest::newRow("no file") << QStringList { "report", "-o", out } << 1;
    QTest::newRow("--unit for a collection")
        << QStringList { "report", "@good", "--unit", "C", "-o", out } << 1;
    QTest::newRow("ΔH too low") << QStringList { "report", "@good", "--set", "2", "--mkt-dh",
        "59.9", "-o", out } << 12;
    QTest::newRow("ΔH no number") << QStringList { "report", "@good", "--set", "2", "--mkt-dh",
        "83,1", "-o", out } << 12;
    QTest::newRow("language") << QStringList { "report", "@good", "--set", "2", "--lang", "fr",
        "-o", out } << 12;
    QTest::newRow("paper") << QStringList { "report", "@good", "--set", "2", "--paper", "a5", "-o",
        out } << 12;
    QTest::newRow("alarm SPEC") << QStringList { "report", "@good", "--set", "2", "--alarm", "T5>1",
        "-o", out } << 12;
    QTest::newRow("hysteresis") << QStringList { "report", "@good", "--set", "2", "--hysteresis",
        "-1", "-o", out } << 12;
    QTest::newRow("no such set") << QStringList { "report", "@good", "--set", "9", "-o", out }
                                 << 12;
    // The demo memory holds a set in °F and two in °C.
    QTest::newRow("sets in both units") << QStringList { "report", "@good", "-o", out } << 12;
    QTest::newRow("cannot read") << QStringList { "report", "/nonexistent.ch4", "-o", out } << 13;
    QTest::newRow("cannot read a graph file")
        << QStringList { "report", "/nonexistent.ghf", "-o", out } << 13;
    QTest::newRow("cannot write") << QStringList { "report", "@good", "--set", "2", "-o",
        "/nonexistent/r.pdf" } << 11;
    QTest::newRow("archive report without -o")
        << QStringList { "archive", "report", "1", "--archive", "@arch" } << 1;
    QTest::newRow("archive report of no set")
        << QStringList { "archive", "report", "999", "--archive", "@arch", "-o", out } << 12;
    QTest::newRow("report --help") << QStringList { "report", "--help" } << 0;
}

void TestReportCli::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    const QString out = m_dir.filePath(QStringLiteral("codes.pdf"));
    QFile::remove(out);
    const QString archive = m_dir.filePath(QStringLiteral("codes.sqlite"));
    if (!QFile::exists(archive))
        QCOMPARE(runCli({ "archive", "add", m_file, "--archive", archive }).exitCode, 0);
    args.replaceInStrings(QStringLiteral("@good"), m_file);
    args.replaceInStrings(QStringLiteral("@out"), out);
    args.replaceInStrings(QStringLiteral("@arch"), archive);
    const Run r = runCli(args);
    QVERIFY2(r.exitCode == code, qPrintable(r.err));
    if (code != 0) {
        // One plain sentence, and no file left behind.
        QVERIFY(!r.err.trimmed().isEmpty());
        QVERIFY(!QFile::exists(out));
    } else {
        QVERIFY(r.out.join(u'\n').contains(QStringLiteral("--mkt-dh")));
    }
}

QTEST_GUILESS_MAIN(TestReportCli)
#include "tst_reportcli.moc"
