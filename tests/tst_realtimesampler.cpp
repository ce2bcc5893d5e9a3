// Real-time recording into the graph model: start, samples with running MAX/MIN, the time axis
// growing, the self-stop at the last sample, and the stop's trimming and averages.

#include "DateTimeSerial.h"
#include "RealTimeSampler.h"

#include <QTest>

#include <map>

using namespace tc4dl;

namespace {

constexpr double kSecond = 1.0 / 86400.0;

class Boxes final : public RealTimeBoxes {
public:
    void setMaxText(int ch, const QString& t) override { max[ch] = t; }
    void setMinText(int ch, const QString& t) override { min[ch] = t; }
    void setAvgText(int ch, const QString& t) override { avg[ch] = t; }
    void setDataNoText(const QString& t) override { dataNo = t; }
    void setStartTimeText(const QString& t) override { startTime = t; }
    std::map<int, QString> max, min, avg;
    QString dataNo = QStringLiteral("untouched");
    QString startTime;
};

struct Run {
    Run()
        : sampler(graph, boxes)
    {
        graph.setSubsets(4);
    }
    chart::ChartModel graph;
    Boxes boxes;
    RealTimeSampler sampler;
    const double t0 = toDateTimeSerial(QDateTime(QDate(2026, 12, 9), QTime(14, 5, 0)));
};

} // namespace

class TestRealTimeSampler : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void startEmptiesTheGraphAndTheBoxes()
    {
        Run r;
        r.graph.setPoints(3);
        r.graph.setY(0, 1, 22.0);
        r.boxes.max[0] = QStringLiteral("old");
        r.sampler.start(2000, r.t0);
        QCOMPARE(r.graph.points(), 2000);
        for (int s = 0; s < 4; ++s)
            QVERIFY(r.graph.isNull(r.graph.y(s, 1)) && r.graph.isNull(r.graph.y(s, 1999)));
        QCOMPARE(r.boxes.max[0], QString());
        QCOMPARE(r.boxes.avg[3], QString());
        QCOMPARE(r.boxes.dataNo, QStringLiteral("untouched")); // "Data No." is left alone
        QVERIFY(!r.boxes.startTime.isEmpty());
        QCOMPARE(r.graph.look.xScale.control, chart::ScaleControl::ManualMinAndMax);
        QCOMPARE(r.graph.look.xScale.min, r.t0);
        QVERIFY(qAbs(r.graph.look.xScale.max - (r.t0 + 100 * kSecond)) < 1e-9);
        QCOMPARE(r.sampler.liveMax(0), -9999.0f);
        QCOMPARE(r.sampler.liveMin(3), 9999.0f);
    }

    void samplesFillTheCellsAndTheRunningBoxes()
    {
        Run r;
        r.sampler.start(3, r.t0);
        QVERIFY(!r.sampler.addSample({ 20.5f, 30.0f, 3100.0f, -5.0f }, r.t0 + 2 * kSecond));
        QVERIFY(!r.sampler.addSample({ 21.5f, 29.0f, 25.0f, -6.0f }, r.t0 + 4 * kSecond));
        QCOMPARE(r.graph.x(2, 1), r.t0 + 4 * kSecond);
        QCOMPARE(r.graph.y(0, 1), 21.5f);
        QCOMPARE(r.boxes.dataNo, QStringLiteral("2"));
        QVERIFY2(r.boxes.max[0].startsWith(QStringLiteral("21.5@")), qPrintable(r.boxes.max[0]));
        QVERIFY(r.boxes.max[1].startsWith(QStringLiteral("30.0@")));
        // An over-range value becomes the maximum and stays, shown as OL.
        QCOMPARE(r.boxes.max[2], QStringLiteral("OL"));
        QCOMPARE(r.sampler.liveMax(2), 3100.0f);
        QVERIFY(r.boxes.min[3].startsWith(QStringLiteral("-6.0@")));
        // The third sample fills the graph: the run must stop.
        QVERIFY(r.sampler.addSample({ 1, 2, 3, 4 }, r.t0 + 6 * kSecond));
        QCOMPARE(r.sampler.sampleCount(), 3);
    }

    void theTimeAxisGrowsPastASampleBeyondIt()
    {
        Run r;
        r.sampler.start(500, r.t0);
        const double end = r.graph.look.xScale.max;
        r.sampler.addSample({ 1, 1, 1, 1 }, r.t0 + 100 * kSecond); // on the edge: no growth
        QCOMPARE(r.graph.look.xScale.max, end);
        r.sampler.addSample({ 1, 1, 1, 1 }, r.t0 + 101 * kSecond);
        QVERIFY(qAbs(r.graph.look.xScale.max - (r.t0 + 111 * kSecond)) < 1e-6);
        r.sampler.setXExtendStep(200 * kSecond);
        r.sampler.addSample({ 1, 1, 1, 1 }, r.t0 + 112 * kSecond);
        QVERIFY(qAbs(r.graph.look.xScale.max - (r.t0 + 312 * kSecond)) < 1e-6);
    }

    void stopTrimsToTheSamplesAndAverages()
    {
        Run r;
        r.sampler.start(10, r.t0);
        r.sampler.addSample({ 10.0f, 5000.0f, 1.0f, 7.0f }, r.t0 + kSecond);
        r.sampler.addSample({ 20.0f, 5000.0f, 2.0f, 8.0f }, r.t0 + 2 * kSecond);
        r.sampler.addSample({ 30.0f, 5000.0f, 2.0f, 9.5f }, r.t0 + 3 * kSecond);
        r.sampler.stop(r.t0 + 4 * kSecond);
        QCOMPARE(r.graph.points(), 3);
        QCOMPARE(r.graph.y(3, 2), 9.5f);
        QCOMPARE(r.graph.x(3, 2), r.t0 + 3 * kSecond);
        QCOMPARE(r.graph.look.xScale.max, r.t0 + 4 * kSecond);
        QCOMPARE(r.boxes.avg[0], QStringLiteral("20.000"));
        QCOMPARE(r.boxes.avg[1], QStringLiteral("****")); // nothing within the limits
        QCOMPARE(r.boxes.avg[2], QStringLiteral("1.667"));
        QCOMPARE(r.boxes.avg[3], QStringLiteral("8.167"));
    }

    void stopWithoutSamplesLeavesAnEmptyGraph()
    {
        Run r;
        r.sampler.start(10, r.t0);
        r.sampler.stop(r.t0 + kSecond);
        QCOMPARE(r.graph.points(), 0);
        QCOMPARE(r.boxes.avg[0], QStringLiteral("****"));
    }

    void germanAveragesUseTheDecimalComma()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Run r;
        r.sampler.start(2, r.t0);
        r.sampler.addSample({ 20.25f, 1, 1, 1 }, r.t0 + kSecond);
        r.sampler.stop(r.t0 + 2 * kSecond);
        QCOMPARE(r.boxes.avg[0], QStringLiteral("20,250"));
        QVERIFY(r.boxes.max[0].startsWith(QStringLiteral("20,3@"))
            || r.boxes.max[0].startsWith(QStringLiteral("20,2@")));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
};

QTEST_GUILESS_MAIN(TestRealTimeSampler)
#include "tst_realtimesampler.moc"
