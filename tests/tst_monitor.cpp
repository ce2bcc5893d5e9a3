// tc4dl-cli monitor, run as a user runs it: a real process, its output read line by line.

#include "CliProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

using cliprocess::Run;

Run runCli(const QStringList& args, int timeoutMs = 20000)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TC4DL_EXTRA_PORTS"), QString());
    return cliprocess::run(QStringLiteral(TC4DL_CLI), args, env, QString(), timeoutMs);
}

QString startMeter(QProcess& meter, const QStringList& args)
{
    return cliprocess::startMeter(meter, QStringLiteral(TC4DL_METER), args);
}

using cliprocess::stopMeter;

const QRegularExpression kCsvLine(
    QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(,(-?\d+\.\d|OL|)){4},[CF]$)"));

} // namespace

class TestMonitor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void demoCsvPrintsHeaderAndOneLinePerReading()
    {
        const Run r = runCli({ QStringLiteral("monitor"), QStringLiteral("--demo"),
            QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--csv") });
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out.size(), 4);
        QCOMPARE(r.out.at(0), QStringLiteral("time,T1,T2,T3,T4,unit"));
        QDateTime previous;
        for (int i = 1; i < 4; ++i) {
            const QString& line = r.out.at(i);
            QVERIFY2(kCsvLine.match(line).hasMatch(), qPrintable(line));
            const QDateTime t = QDateTime::fromString(line.left(19), Qt::ISODate);
            QVERIFY(t.isValid());
            if (previous.isValid())
                QVERIFY(t >= previous);
            previous = t;
            // The simulated meter reads plausible temperatures in degrees Celsius.
            const QStringList fields = line.split(QLatin1Char(','));
            QCOMPARE(fields.last(), QStringLiteral("C"));
            const double t1 = fields.at(1).toDouble();
            QVERIFY2(t1 > -50 && t1 < 200, qPrintable(line));
        }
    }

    void textOutputNamesTheChannelsAndUnit()
    {
        const Run r = runCli({ QStringLiteral("monitor"), QStringLiteral("--demo"),
            QStringLiteral("--count"), QStringLiteral("1") });
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out.size(), 1);
        QVERIFY2(QRegularExpression(
                     QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d .*T1 .*T2 .*T3 .*T4 .*°C$)"))
                     .match(r.out.at(0))
                     .hasMatch(),
            qPrintable(r.out.at(0)));
    }

    void meterOnAPseudoTerminalWithFaults()
    {
        QProcess meter;
        const QString device = startMeter(meter,
            { QStringLiteral("--junk"), QStringLiteral("7"), QStringLiteral("--split"),
                QStringLiteral("5"), QStringLiteral("--open-channel"), QStringLiteral("3") });
        if (device.isEmpty())
            QSKIP("tc4dl-meter could not serve a pseudo-terminal here");
        const Run r = runCli({ QStringLiteral("monitor"), QStringLiteral("--port"), device,
            QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--csv") });
        stopMeter(meter);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out.size(), 3);
        for (int i = 1; i < 3; ++i) {
            QVERIFY2(kCsvLine.match(r.out.at(i)).hasMatch(), qPrintable(r.out.at(i)));
            // The open channel has no reading: an empty field.
            QCOMPARE(r.out.at(i).split(QLatin1Char(',')).at(3), QString());
        }
    }

    void silenceIsReportedAsALostLink()
    {
        QProcess meter;
        const QString device = startMeter(meter,
            { QStringLiteral("--no-pacing"), QStringLiteral("--silent-after"),
                QStringLiteral("2") });
        if (device.isEmpty())
            QSKIP("tc4dl-meter could not serve a pseudo-terminal here");
        const Run r = runCli({ QStringLiteral("monitor"), QStringLiteral("--port"), device,
            QStringLiteral("--csv") });
        stopMeter(meter);
        QCOMPARE(r.exitCode, 4);
        QVERIFY2(r.err.contains(QStringLiteral("Lost the link")), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    }

    void alarmsOverAPseudoTerminal_data()
    {
        QTest::addColumn<QStringList>("meterArgs");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("header"); // empty: text lines
        QTest::addColumn<QStringList>("alarmColumn"); // one entry per reading
        QTest::addColumn<QString>("errLine"); // the pattern of each stderr line
        QTest::addColumn<int>("errLines");
        const QString raised
            = QStringLiteral(R"(^alarm,\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d,T1>-100,-?\d+\.\d$)");
        const QString withAlarm = QStringLiteral("time,T1,T2,T3,T4,unit,alarm");
        QTest::newRow("csv: the alarm column holds the alarm in force, raised once")
            << QStringList {} << QStringList { "--count", "3", "--csv", "--alarm", "T1>-100" } << 0
            << withAlarm << QStringList { "T1>-100", "T1>-100", "T1>-100" } << raised << 1;
        const QString probe = QStringLiteral(
            R"(^(alarm|cleared),\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d,(T1>-100|T3 OL),(OL|-?\d+\.\d)$)");
        QTest::newRow("loose probe: raised, cleared, raised again")
            << QStringList { "--loose-channel", "3" }
            << QStringList { "--count", "3", "--csv", "--alarm", "T3>100" } << 0 << withAlarm
            << QStringList { "T3 OL", "", "T3 OL" } << probe << 3;
        QTest::newRow("rules first, then the probes; a clearing leaves the rest")
            << QStringList { "--loose-channel", "3" }
            << QStringList { "--count", "2", "--csv", "--alarm", "T3>100", "--alarm", "T1>-100" }
            << 0 << withAlarm << QStringList { "T1>-100;T3 OL", "T1>-100" } << probe << 3;
        QTest::newRow("two alarms of one reading")
            << QStringList {}
            << QStringList { "--count", "1", "--csv", "--alarm", "T1>-100", "--alarm", "T2<2999" }
            << 0 << withAlarm << QStringList { "T1>-100;T2<2999" }
            << R"(^alarm,\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d,T[12][<>]-?\d+,-?\d+\.\d$)" << 2;
        QTest::newRow("exit on alarm")
            << QStringList {} << QStringList { "--csv", "--alarm", "T1>-100", "--exit-on-alarm" }
            << 14 << withAlarm << QStringList { "T1>-100" } << raised << 1;
        QTest::newRow("not raised: an empty column, nothing on stderr")
            << QStringList {}
            << QStringList { "--count", "2", "--csv", "--alarm", "T1>2999", "--exit-on-alarm" } << 0
            << withAlarm << QStringList { "", "" } << QString() << 0;
        QTest::newRow("open probe on a watched channel")
            << QStringList { "--open-channel", "3" }
            << QStringList { "--csv", "--alarm", "T3>100", "--exit-on-alarm" } << 14 << withAlarm
            << QStringList { "T3 OL" } << R"(^alarm,\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d,T3 OL,OL$)" << 1;
        QTest::newRow("text lines keep their form")
            << QStringList {} << QStringList { "--count", "1", "--alarm", "T1>-100" } << 0
            << QString() << QStringList { "" } << raised << 1;
    }

    void alarmsOverAPseudoTerminal()
    {
        QFETCH(QStringList, meterArgs);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, header);
        QFETCH(QStringList, alarmColumn);
        QFETCH(QString, errLine);
        QFETCH(int, errLines);
        QProcess meter;
        const QString device = startMeter(meter, meterArgs);
        if (device.isEmpty())
            QSKIP("tc4dl-meter could not serve a pseudo-terminal here");
        const Run r = runCli(
            QStringList { QStringLiteral("monitor"), QStringLiteral("--port"), device } + args);
        stopMeter(meter);
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
        QStringList rows = r.out;
        if (!header.isEmpty())
            QCOMPARE(rows.takeFirst(), header);
        QCOMPARE(rows.size(), alarmColumn.size());
        for (int i = 0; i < rows.size(); ++i) {
            if (header.isEmpty()) {
                QVERIFY2(!rows.at(i).contains(QLatin1Char(',')), qPrintable(rows.at(i)));
                continue;
            }
            QVERIFY2(kCsvLine.match(rows.at(i).section(QLatin1Char(','), 0, 5)).hasMatch(),
                qPrintable(rows.at(i)));
            QCOMPARE(rows.at(i).section(QLatin1Char(','), 6), alarmColumn.at(i));
        }
        const QStringList err = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(err.size(), errLines);
        for (const QString& line : err)
            QVERIFY2(QRegularExpression(errLine).match(line).hasMatch(), qPrintable(line));
        // Each alarm that leaves the column was cleared on stderr, once.
        if (!header.isEmpty()) {
            int clearings = 0;
            QStringList before;
            for (const QString& column : alarmColumn) {
                const QStringList now = column.split(QLatin1Char(';'), Qt::SkipEmptyParts);
                for (const QString& a : before)
                    clearings += now.contains(a) ? 0 : 1;
                before = now;
            }
            QCOMPARE(r.err.count(QStringLiteral("cleared,")), clearings);
        }
    }

    void failuresSayWhyInOneSentence_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing port")
            << QStringList { QStringLiteral("monitor"), QStringLiteral("--port"),
                   QStringLiteral("/dev/tc4dl-no-such-port") }
            << 3 << QStringLiteral("Cannot open port /dev/tc4dl-no-such-port");
        QTest::newRow("no command") << QStringList {} << 1 << QStringLiteral("No command given.");
        QTest::newRow("unknown command") << QStringList { QStringLiteral("fly") } << 1
                                         << QStringLiteral("Unknown command \"fly\".");
        QTest::newRow("bad count") << QStringList { QStringLiteral("monitor"),
            QStringLiteral("--demo"), QStringLiteral("--count"), QStringLiteral("x") }
                                   << 1 << QStringLiteral("--count needs a whole number");
        QTest::newRow("port and demo") << QStringList { QStringLiteral("monitor"),
            QStringLiteral("--demo"), QStringLiteral("--port"), QStringLiteral("ttyS0") }
                                       << 1 << QStringLiteral("either --port or --demo");
        QTest::newRow("invalid alarm SPEC") << QStringList { QStringLiteral("monitor"),
            QStringLiteral("--demo"), QStringLiteral("--alarm"), QStringLiteral("T1>150"),
            QStringLiteral("--alarm"),
            QStringLiteral("T1>15,5") } << 1 << QStringLiteral("Not an alarm SPEC: \"T1>15,5\"");
        QTest::newRow("exit on alarm without an alarm") << QStringList {
            QStringLiteral("monitor"), QStringLiteral("--demo"), QStringLiteral("--exit-on-alarm")
        } << 1 << QStringLiteral("--exit-on-alarm needs at least one --alarm");
        QTest::newRow("invalid hysteresis") << QStringList { QStringLiteral("monitor"),
            QStringLiteral("--demo"), QStringLiteral("--alarm"), QStringLiteral("T1>150"),
            QStringLiteral("--hysteresis"), QStringLiteral("x") }
                                            << 1 << QStringLiteral("--hysteresis needs a number");
    }

    void failuresSayWhyInOneSentence()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const Run r = runCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void helpAndVersion()
    {
        const Run version = runCli({ QStringLiteral("--version") });
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.value(0).startsWith(QStringLiteral("tc4dl-cli ")));
        const Run help = runCli({ QStringLiteral("monitor"), QStringLiteral("--help") });
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.join(QLatin1Char('\n')).contains(QStringLiteral("--keep-going")));
    }
};

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
