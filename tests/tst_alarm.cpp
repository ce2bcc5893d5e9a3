// The alarm library: crossings with hysteresis, open probes, a lost link, rate rules and a unit
// switch, driven by readings and times alone; the SPEC texts; the least-squares rate.

#include "Alarm.h"
#include "ChannelConfig.h"
#include "MeterValues.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using namespace tc4dl::alarm;

namespace {

constexpr double kBase = 46000.0; // a serial in 2025

double serialAt(double seconds)
{
    return kBase + seconds / tc4dl::kSecondsPerDay;
}

int secondsOf(double serial)
{
    return static_cast<int>(std::lround((serial - kBase) * tc4dl::kSecondsPerDay));
}

float valueOf(const QString& token)
{
    if (token == QLatin1String("OL"))
        return tc4dl::kNullValue;
    if (token == QLatin1String("-"))
        return 20.0f;
    return token.toFloat();
}

QString eventText(const AlarmEvent& e)
{
    const QString at = QString::number(secondsOf(e.serial)) + QLatin1Char(' ');
    const QString channel = QStringLiteral("T%1").arg(e.channel + 1);
    const QString value = QString::number(e.value, 'g', 6);
    switch (e.kind) {
    case AlarmEvent::Kind::Raised:
        return at + QStringLiteral("raise ") + e.rule->specText() + QLatin1Char(' ') + value;
    case AlarmEvent::Kind::Cleared:
        return at + QStringLiteral("clear ") + e.rule->specText() + QLatin1Char(' ') + value;
    case AlarmEvent::Kind::ProbeOpen:
        return at + QStringLiteral("open ") + channel;
    case AlarmEvent::Kind::ProbeClosed:
        return at + QStringLiteral("closed ") + channel;
    case AlarmEvent::Kind::LinkLost:
        return at + QStringLiteral("lost");
    case AlarmEvent::Kind::LinkBack:
        return at + QStringLiteral("back");
    }
    return {};
}

// Steps separated by ';': "S: a b c d" a reading at second S (a value, "OL", or "-" for 20),
// "lost S" and "back S" for the link, "F" and "C" for a unit switch on the meter.
QStringList run(AlarmMonitor& monitor, const QString& steps)
{
    QStringList events;
    const auto note = [&events](const std::vector<AlarmEvent>& happened) {
        for (const AlarmEvent& e : happened)
            events << eventText(e);
    };
    for (const QString& rawStep : steps.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString step = rawStep.trimmed();
        const QStringList words = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (step == QLatin1String("F") || step == QLatin1String("C")) {
            monitor.convertUnit(step == QLatin1String("C"));
        } else if (words.value(0) == QLatin1String("lost")) {
            note(monitor.linkLost(serialAt(words.value(1).toDouble())));
        } else if (words.value(0) == QLatin1String("back")) {
            note(monitor.linkBack(serialAt(words.value(1).toDouble())));
        } else {
            const double seconds = step.section(QLatin1Char(':'), 0, 0).toDouble();
            const QStringList tokens
                = step.section(QLatin1Char(':'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            std::array<float, kChannels> values {};
            for (std::size_t c = 0; c < values.size(); ++c)
                values[c] = valueOf(tokens.value(static_cast<qsizetype>(c), QStringLiteral("-")));
            note(monitor.feed(serialAt(seconds), values));
        }
    }
    return events;
}

std::vector<AlarmRule> rulesFrom(const QString& specs)
{
    std::vector<AlarmRule> rules;
    for (const QString& spec : specs.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        rules.push_back(parseAlarmSpec(spec).value());
    return rules;
}

std::array<double, kChannels> everyChannel(double hysteresis)
{
    return { hysteresis, hysteresis, hysteresis, hysteresis };
}

} // namespace

class TestAlarm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void crossings_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("hysteresis"); // one for every channel, or one each
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("raised once above the limit")
            << "T1>150"
            << "1"
            << "0: 140; 1: 151; 2: 160; 3: 155" << QStringList { "1 raise T1>150 151" };
        QTest::newRow("at the limit is not above") << "T1>150"
                                                   << "1"
                                                   << "0: 150; 1: 150" << QStringList {};
        QTest::newRow("clears only back by the hysteresis, then raises again")
            << "T1>150"
            << "1"
            << "0: 151; 1: 149.5; 2: 152; 3: 149; 4: 151"
            << QStringList { "0 raise T1>150 151", "3 clear T1>150 149", "4 raise T1>150 151" };
        QTest::newRow("below, on its own channel")
            << "T3<-5.5"
            << "1"
            << "0: - - -6 -; 1: - - -5 -; 2: - - -4.5 -; 3: - - -6 -"
            << QStringList { "0 raise T3<-5.5 -6", "2 clear T3<-5.5 -4.5", "3 raise T3<-5.5 -6" };
        QTest::newRow("no hysteresis")
            << "T1>150"
            << "0"
            << "0: 151; 1: 150; 2: 151"
            << QStringList { "0 raise T1>150 151", "1 clear T1>150 150", "2 raise T1>150 151" };
        QTest::newRow("a negative hysteresis counts as none")
            << "T1>150"
            << "-5"
            << "0: 151; 1: 152; 2: 150"
            << QStringList { "0 raise T1>150 151", "2 clear T1>150 150" };
        QTest::newRow("each channel clears by its own hysteresis")
            << "T1>150 T2>150 T3>150 T4>150"
            << "1 2 3 4"
            << "0: 151 151 151 151; 1: 149 149 149 149; 2: 148 148 148 148; 3: 147 147 147 147; "
               "4: 146 146 146 146"
            << QStringList { "0 raise T1>150 151", "0 raise T2>150 151", "0 raise T3>150 151",
                   "0 raise T4>150 151", "1 clear T1>150 149", "2 clear T2>150 148",
                   "3 clear T3>150 147", "4 clear T4>150 146" };
        QTest::newRow("an infinite hysteresis counts as none")
            << "T2>150"
            << "inf"
            << "0: - 151; 1: - 150" << QStringList { "0 raise T2>150 151", "1 clear T2>150 150" };
        QTest::newRow("a hysteresis that is no number counts as none")
            << "T4<10"
            << "nan"
            << "0: - - - 9; 1: - - - 10" << QStringList { "0 raise T4<10 9", "1 clear T4<10 10" };
        QTest::newRow("OL on T4 with its rule opens its probe")
            << "T4>150"
            << "1"
            << "0: - - - OL; 1: - - - 20" << QStringList { "0 open T4", "1 closed T4" };
        QTest::newRow("high and low on one channel")
            << "T2>30 T2<10"
            << "1"
            << "0: - 31; 1: - 9; 2: - 20"
            << QStringList { "0 raise T2>30 31", "1 clear T2>30 9", "1 raise T2<10 9",
                   "2 clear T2<10 20" };
        QTest::newRow("OL opens the probe, the next reading closes it")
            << "T1>150"
            << "1"
            << "0: 160; 1: OL; 2: OL; 3: 100"
            << QStringList { "0 raise T1>150 160", "1 open T1", "3 closed T1",
                   "3 clear T1>150 100" };
        QTest::newRow("an open probe neither clears nor repeats a raised alarm")
            << "T1>150"
            << "1"
            << "0: 160; 1: OL; 2: 160"
            << QStringList { "0 raise T1>150 160", "1 open T1", "2 closed T1" };
        QTest::newRow("OL on a channel without a limit is no alarm")
            << "T1>150"
            << "1"
            << "0: 20 OL; 1: 20 OL" << QStringList {};
        QTest::newRow("nothing without limits") << ""
                                                << "1"
                                                << "0: OL OL; lost 1; back 2" << QStringList {};
        QTest::newRow("a lost link once, then back")
            << "T1>150"
            << "1"
            << "0: 20; lost 3; lost 4; back 6; 6: 20; back 7" << QStringList { "3 lost", "6 back" };
        QTest::newRow("rate rises faster than the limit")
            << "T1/min>5"
            << "1"
            << "0: 20; 10: 21; 20: 22; 30: 23" << QStringList { "10 raise T1/min>5 6" };
        QTest::newRow("rate falls faster than the limit")
            << "T2/min<-5"
            << "1"
            << "0: - 30; 6: - 29; 12: - 28" << QStringList { "6 raise T2/min<-5 -10" };
        QTest::newRow("rate unknown: nothing raised or cleared")
            << "T1/min>5"
            << "1"
            << "0: 20; 10: 21; 100: 0; 200: 20" << QStringList { "10 raise T1/min>5 6" };
        QTest::newRow("rate hysteresis in degrees per minute")
            << "T1/min>5"
            << "1"
            << "0: 20; 10: 21; 100: 21; 110: 21.75; 200: 30; 210: 30.66"
            << QStringList { "10 raise T1/min>5 6", "210 clear T1/min>5 3.96" };
        QTest::newRow("unit switch keeps the alarm, limits follow")
            << "T1>100"
            << "1"
            << "0: 101; F; 1: 215; 2: 210.5; 3: 210; C; 4: 101"
            << QStringList { "0 raise T1>100 101", "3 clear T1>212 210", "4 raise T1>100 101" };
        QTest::newRow("unit switch keeps the rate window")
            << "T1/min>20"
            << "1"
            << "0: 20; 10: 21; F; 20: 71.6" << QStringList {};
    }

    void crossings()
    {
        QFETCH(QString, rules);
        QFETCH(QString, hysteresis);
        QFETCH(QString, steps);
        QFETCH(QStringList, events);
        const auto number = [](const QString& t) {
            if (t == QLatin1String("inf"))
                return std::numeric_limits<double>::infinity();
            if (t == QLatin1String("nan"))
                return std::numeric_limits<double>::quiet_NaN();
            return t.toDouble();
        };
        const QStringList bands = hysteresis.split(QLatin1Char(' '));
        std::array<double, kChannels> perChannel = everyChannel(number(bands.value(0)));
        for (int c = 1; c < bands.size() && c < kChannels; ++c)
            perChannel[static_cast<std::size_t>(c)] = number(bands[c]);
        AlarmMonitor monitor;
        monitor.setRules(rulesFrom(rules), perChannel);
        QCOMPARE(run(monitor, steps), events);
    }

    void raisedStateFollowsTheEvents()
    {
        AlarmMonitor monitor;
        monitor.setRules(rulesFrom(QStringLiteral("T2>30")), everyChannel(1.0));
        run(monitor, QStringLiteral("0: - 31"));
        QVERIFY(monitor.channelRaised(1));
        QVERIFY(!monitor.channelRaised(0));
        QVERIFY(monitor.anyRaised());
        // New rules start from nothing raised, without events.
        monitor.setRules(rulesFrom(QStringLiteral("T2>30")), everyChannel(1.0));
        QVERIFY(!monitor.anyRaised());
        QCOMPARE(run(monitor, QStringLiteral("1: - 32")), QStringList { "1 raise T2>30 32" });
        run(monitor, QStringLiteral("lost 2"));
        QVERIFY(monitor.linkIsLost());
        run(monitor, QStringLiteral("back 3; 3: - 20; 4: - OL"));
        QVERIFY(!monitor.linkIsLost());
        QVERIFY(monitor.probeOpen(1));
        QVERIFY(monitor.channelRaised(1));
    }

    void specs_data()
    {
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QString>("text"); // empty: not a SPEC
        QTest::newRow("above") << "T1>150"
                               << "T1>150";
        QTest::newRow("below, negative with decimals") << "T3<-5.5"
                                                       << "T3<-5.5";
        QTest::newRow("rate") << "T2/min>5"
                              << "T2/min>5";
        QTest::newRow("falling rate") << "T4/min<-0.25"
                                      << "T4/min<-0.25";
        QTest::newRow("trailing zero") << "T1>150.0"
                                       << "T1>150";
        QTest::newRow("minus zero") << "T1>-0"
                                    << "T1>0";
        QTest::newRow("channel 5") << "T5>1"
                                   << "";
        QTest::newRow("channel 0") << "T0>1"
                                   << "";
        QTest::newRow("lower case") << "t1>150"
                                    << "";
        QTest::newRow("or equal") << "T1>=150"
                                  << "";
        QTest::newRow("decimal comma") << "T1>150,5"
                                       << "";
        QTest::newRow("exponent") << "T1>1e3"
                                  << "";
        QTest::newRow("no limit") << "T1>"
                                  << "";
        QTest::newRow("spaces") << "T1 > 150"
                                << "";
        QTest::newRow("unit") << "T1>150C"
                              << "";
        QTest::newRow("no leading digit") << "T1>.5"
                                          << "";
        QTest::newRow("per second") << "T2/s>5"
                                    << "";
        QTest::newRow("plus sign") << "T1>+5"
                                   << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void specs()
    {
        QFETCH(QString, spec);
        QFETCH(QString, text);
        const std::optional<AlarmRule> rule = parseAlarmSpec(spec);
        QCOMPARE(rule.has_value(), !text.isEmpty());
        if (rule) {
            QCOMPARE(rule->specText(), text);
            QCOMPARE(parseAlarmSpec(rule->specText()), rule);
        }
    }

    void leastSquares_data()
    {
        QTest::addColumn<QString>("samples"); // "seconds:T1 ..."
        QTest::addColumn<double>("perMinute"); // NaN: unknown
        const double unknown = std::nan("");
        QTest::newRow("a straight line") << "0:20 10:25 20:30 30:35 40:40 50:45 60:50" << 30.0;
        QTest::newRow("noise: least squares, not the two ends") << "0:0 1:0 2:0 3:3" << 54.0;
        QTest::newRow("OL samples left out") << "0:20 1:OL 2:22" << 60.0;
        QTest::newRow("a sample exactly 60 s old still counts") << "0:0 60:60" << 60.0;
        QTest::newRow("older samples leave the window") << "0:0 60:100 120:106" << 6.0;
        QTest::newRow("beyond the window: one sample") << "0:0 61:10" << unknown;
        QTest::newRow("one sample") << "0:20" << unknown;
        QTest::newRow("only OL beside one") << "0:OL 1:20 2:OL" << unknown;
        QTest::newRow("two at the same time") << "5:20 5:30" << unknown;
        QTest::newRow("a reading at the time of the last stays in the window")
            << "0:0 10:0 10:10" << 30.0;
        QTest::newRow("clock set back starts again") << "0:0 10:10 5:100" << unknown;
        QTest::newRow("many samples: the ring grows and wraps") << [] {
            QStringList s;
            for (int t = 0; t <= 300; ++t)
                s << QStringLiteral("%1:%2").arg(t).arg(t);
            return s.join(QLatin1Char(' '));
        }() << 60.0;
    }

    void leastSquares()
    {
        QFETCH(QString, samples);
        QFETCH(double, perMinute);
        RateOfChange rate;
        for (const QString& sample : samples.split(QLatin1Char(' '))) {
            const float v = valueOf(sample.section(QLatin1Char(':'), 1));
            rate.add(serialAt(sample.section(QLatin1Char(':'), 0, 0).toDouble()),
                { v, 20.0f, tc4dl::kNullValue, 20.0f });
        }
        if (std::isnan(perMinute)) {
            QVERIFY(!rate.perMinute(0));
        } else {
            QVERIFY(rate.perMinute(0));
            QVERIFY2(std::abs(*rate.perMinute(0) - perMinute) < 1e-6,
                qPrintable(QString::number(*rate.perMinute(0))));
        }
        // A steady channel has no slope; a channel of OL only has none known.
        if (rate.perMinute(0))
            QVERIFY(std::abs(rate.perMinute(1).value()) < 1e-9);
        QVERIFY(!rate.perMinute(2));
        QVERIFY(!rate.perMinute(4));
    }

    void crossingsInARun()
    {
        // Three samples a minute apart, then a sample cut short.
        const std::vector<float> values { 140, 20, 20, 20, 160, 20, 5, 20, 160, 20, 20, 20, 1 };
        const std::vector<Crossing> found = crossingsInRun(
            values, kBase, 60.0, rulesFrom(QStringLiteral("T1>150 T3<10")), everyChannel(1.0));
        QCOMPARE(found.size(), std::size_t(2));
        QCOMPARE(found[0].sample, 1);
        QCOMPARE(secondsOf(found[0].serial), 60);
        QCOMPARE(found[0].rule.specText(), QStringLiteral("T1>150"));
        QCOMPARE(found[0].value, 160.0);
        QCOMPARE(found[1].rule.specText(), QStringLiteral("T3<10"));
        QCOMPARE(found[1].value, 5.0);
        // A rate over the run's own times: one degree per 10 s.
        const std::vector<float> rising { 20, 0, 0, 0, 21, 0, 0, 0, 22, 0, 0, 0 };
        const std::vector<Crossing> fast = crossingsInRun(
            rising, kBase, 10.0, rulesFrom(QStringLiteral("T1/min>5")), everyChannel(1.0));
        QCOMPARE(fast.size(), std::size_t(1));
        QCOMPARE(fast[0].sample, 1);
        QVERIFY(std::abs(fast[0].value - 6.0) < 1e-9);
    }

    void channelSettings()
    {
        ChannelSet set;
        set[0] = { QStringLiteral("Ofen"), true, 150.0, true, -5.5, true, 5.0, 2.0 };
        set[2].name = QStringLiteral("   ");
        QCOMPARE(channelName(set, 0), QStringLiteral("Ofen"));
        QCOMPARE(channelName(set, 1), QStringLiteral("T2"));
        QCOMPARE(channelName(set, 2), QStringLiteral("T3"));
        const std::vector<AlarmRule> rules = rulesOf(set);
        QCOMPARE(rules.size(), std::size_t(3));
        QCOMPARE(rules[0].specText(), QStringLiteral("T1>150"));
        QCOMPARE(rules[1].specText(), QStringLiteral("T1<-5.5"));
        QCOMPARE(rules[2].specText(), QStringLiteral("T1/min>5"));

        const ChannelSet f = convertUnit(set, false);
        QCOMPARE(f[0].high, 302.0);
        QCOMPARE(f[0].low, 22.1);
        QCOMPARE(f[0].rate, 9.0);
        QCOMPARE(f[0].hysteresis, 3.6);
        QCOMPARE(f[1].hysteresis, 1.8);
        QCOMPARE(f[0].name, set[0].name);
        // Back and forth comes back equal, or each switch would count as a change.
        QCOMPARE(convertUnit(f, true), set);

        ChannelConfig config;
        QSignalSpy changed(&config, &ChannelConfig::changed);
        config.setChannels(set);
        config.setChannels(set);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(config.name(0), QStringLiteral("Ofen"));
    }
};

QTEST_GUILESS_MAIN(TestAlarm)
#include "tst_alarm.moc"
