// The main tick keeps a one-second cadence by correcting its interval tick by tick.

#include "TickPacer.h"

#include <QTest>

using namespace tc4dl;

namespace {
constexpr double kSecond = 1.0 / 86400.0;
const double kStart = 46365.5; // 2026-12-09 12:00
} // namespace

class TestTickPacer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void corrections_data()
    {
        QTest::addColumn<QList<double>>("gapsMs"); // time between ticks
        QTest::addColumn<QList<int>>("intervals"); // interval after each later tick
        QTest::newRow("on time") << QList<double> { 1000, 1000 } << QList<int> { 1000, 1000 };
        QTest::newRow("late by 30 ms") << QList<double> { 1030 } << QList<int> { 970 };
        QTest::newRow("early by 20 ms") << QList<double> { 980 } << QList<int> { 1020 };
        // The correction accumulates: the interval keeps what the last tick gave it.
        QTest::newRow("accumulates")
            << QList<double> { 1030, 1030, 1000 } << QList<int> { 970, 940, 940 };
        QTest::newRow("never below 500") << QList<double> { 1700, 1000 } << QList<int> { 500, 500 };
        QTest::newRow("truncated toward zero") << QList<double> { 1000.4 } << QList<int> { 999 };
        // A clock set back an hour does not stop the polling for an hour.
        QTest::newRow("clock set back")
            << QList<double> { -3600000.0, 1000 } << QList<int> { 2000, 2000 };
    }

    void corrections()
    {
        QFETCH(QList<double>, gapsMs);
        QFETCH(QList<int>, intervals);
        TickPacer pacer;
        int interval = 1000;
        double now = kStart;
        // The first tick only records its time.
        QCOMPARE(pacer.onTick(now, interval), 1000);
        for (int i = 0; i < gapsMs.size(); ++i) {
            now += gapsMs.at(i) / 1000.0 * kSecond;
            interval = pacer.onTick(now, interval);
            QCOMPARE(interval, intervals.at(i));
        }
    }
};

QTEST_APPLESS_MAIN(TestTickPacer)
#include "tst_tickpacer.moc"
