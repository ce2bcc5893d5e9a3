// tc4dl-cli export on a graph file: a graph recorded in the window becomes spreadsheet input
// whatever the machine's locale.

#include "ChartModel.h"
#include "CliProcess.h"
#include "DateTimeSerial.h"
#include "GraphStateFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tc4dl;

class TestGraphCsv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exportsPointsUpToTheFirstEmpty_data();
    void exportsPointsUpToTheFirstEmpty();
    void refusesWhatItCannotRead();

private:
    QTemporaryDir m_dir;
};

void TestGraphCsv::exportsPointsUpToTheFirstEmpty_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("field");
    QTest::newRow("no data") << 9999.0f << "";
    QTest::newRow("upper limit") << 3000.0f << "3000.0";
    QTest::newRow("above it") << 3000.05f << "OL";
    QTest::newRow("lower limit") << -3000.0f << "-3000.0";
    QTest::newRow("below it") << -3000.1f << "OL";
    QTest::newRow("beyond the Celsius export range") << 1500.04f << "1500.0";
    QTest::newRow("rounded") << 21.66f << "21.7";
}

void TestGraphCsv::exportsPointsUpToTheFirstEmpty()
{
    QFETCH(float, value);
    QFETCH(QString, field);
    chart::ChartModel graph;
    graph.setSubsets(4);
    graph.setPoints(10);
    const double start = toDateTimeSerial(QDateTime(QDate(2026, 3, 1), QTime(13, 5, 7)));
    for (int p = 0; p < 3; ++p)
        for (int s = 0; s < 4; ++s) {
            graph.setX(s, p, start + p / 86400.0);
            graph.setY(s, p, s == 2 ? value : 20.0f + s);
        }
    const QString ghf = m_dir.filePath(QStringLiteral("g.GHF"));
    QVERIFY(chart::saveGraphState(graph, ghf));
    const QString csv = m_dir.filePath(QStringLiteral("out.csv"));
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const cliprocess::Run r = cliprocess::run(QStringLiteral(TC4DL_CLI),
        { QStringLiteral("export"), ghf, QStringLiteral("-o"), csv }, env, QString(), 20000);
    QCOMPARE(r.exitCode, 0);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4); // the header and the three points filled of ten
    QCOMPARE(lines[0], QStringLiteral("time,T1,T2,T3,T4"));
    QCOMPARE(lines[1], QStringLiteral("2026-03-01T13:05:07,20.0,21.0,%1,23.0").arg(field));
    QVERIFY(lines[3].startsWith(QLatin1String("2026-03-01T13:05:09,")));
}

void TestGraphCsv::refusesWhatItCannotRead()
{
    const QString empty = m_dir.filePath(QStringLiteral("empty.ghf"));
    QFile(empty).open(QIODevice::WriteOnly);
    const cliprocess::Run r
        = cliprocess::run(QStringLiteral(TC4DL_CLI), { QStringLiteral("export"), empty },
            QProcessEnvironment::systemEnvironment(), QString(), 20000);
    QCOMPARE(r.exitCode, 13);
    QVERIFY2(r.err.contains(QLatin1String("Stream read error")), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestGraphCsv)
#include "tst_graphcsv.moc"
