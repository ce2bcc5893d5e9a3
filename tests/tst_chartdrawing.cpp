// How long graphs are drawn: the thinned summary of each line and the raster a recording's
// lines are redrawn from, each against a fresh full drawing.

#include "ChartCustomizeDialog.h"
#include "ChartDecimator.h"
#include "ChartGraph.h"
#include "ChartModel.h"
#include "ChartQcp.h"
#include "ChartSupport.h"
#include "ChartView.h"
#include "TimeAxisTicker.h"

#include <DateTimeSerial.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

#include "ChartViewFixtures.h"

using namespace chartviewtest;

class TestChartDrawing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rasterLinesMatchDirectDrawing_data();
    void rasterLinesMatchDirectDrawing();
    void realTimeTicksDrawLikeAFreshView_data();
    void realTimeTicksDrawLikeAFreshView();
    void longGraphsAreThinnedKeepingExtremesAndGaps();
    void thinningFollowsAppendedPoints();
    void columnsFlatterThanAPixelRowGetOnePoint();
    void summaryChangesOnlyFromTheReportedPoint_data();
    void summaryChangesOnlyFromTheReportedPoint();
};

namespace {

QSharedPointer<QCPGraphDataContainer> series(int count)
{
    QSharedPointer<QCPGraphDataContainer> data(new QCPGraphDataContainer);
    QVector<QCPGraphData> rows;
    for (int i = 0; i < count; ++i)
        rows.append({ 1000.0 + 2.0 * i, 20.0 + std::sin(i * 2.6) + 3.0 * std::sin(i / 500.0) });
    data->set(rows, true);
    return data;
}

bool sameData(const QCPGraphDataContainer& a, const QCPGraphDataContainer& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.constBegin(), j = b.constBegin(); i != a.constEnd(); ++i, ++j)
        if (i->key != j->key
            || !(i->value == j->value || (std::isnan(i->value) && std::isnan(j->value))))
            return false;
    return true;
}

} // namespace

void TestChartDrawing::rasterLinesMatchDirectDrawing_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("added"); // points appended per step; negative: removed
    QTest::addColumn<int>("rewritten"); // last points given new values per step
    QTest::addColumn<double>("spread"); // of the values, the axis being -10..10
    QTest::addColumn<int>("gapEvery"); // every n-th new point a gap (0: none)
    QTest::newRow("one point per tick") << 25 << 1 << 0 << 3.0 << 0;
    QTest::newRow("several, tail rewritten") << 12 << 7 << 12 << 3.0 << 0;
    QTest::newRow("gaps") << 15 << 5 << 0 << 3.0 << 3;
    QTest::newRow("lines leave the plot") << 15 << 3 << 2 << 40.0 << 0;
    QTest::newRow("steep jumps") << 15 << 2 << 0 << 19.0 << 0;
    QTest::newRow("points removed") << 10 << -9 << 0 << 3.0 << 0;
    QTest::newRow("rewritten far back") << 6 << 0 << 400 << 5.0 << 7;
}

// The raster, updated from the first change on after every step, must give the very pixels
// QCustomPlot draws from the same points.
void TestChartDrawing::rasterLinesMatchDirectDrawing()
{
    QFETCH(int, steps);
    QFETCH(int, added);
    QFETCH(int, rewritten);
    QFETCH(double, spread);
    QFETCH(int, gapEvery);
    LinePlot cached(true);
    LinePlot direct(false);
    QRandomGenerator random(17);
    int made = 0;
    auto next = [&](double key) {
        ++made;
        const double value = gapEvery > 0 && made % gapEvery == 0
            ? std::nan("")
            : 2.0 * std::sin(key / 90.0) + random.bounded(spread) - spread / 2;
        return QCPGraphData(key, value);
    };
    QVector<QCPGraphData> points;
    for (int i = 0; i < 1500; ++i)
        points.append(next(i * 1.2));
    for (int step = 0; step <= steps; ++step) {
        int changed = points.size();
        if (step > 0) {
            for (int k = 0; k < added; ++k)
                points.append(next(points.last().key + 0.9));
            if (added < 0) {
                points.resize(std::max<qsizetype>(1, points.size() + added));
                changed = points.size();
            }
            const int from = std::max<int>(0, points.size() - std::max(added, 0) - rewritten);
            for (int i = from; i < points.size() - std::max(added, 0); ++i)
                points[i] = next(points[i].key);
            changed = std::min(changed, from);
        }
        for (LinePlot* line : { &cached, &direct }) {
            line->graph->data()->set(points, true);
            line->graph->markChangedFrom(step == 0 ? 0 : changed);
            line->plot.replot(QCustomPlot::rpImmediateRefresh);
        }
        // The first drawing of a view is direct; the raster serves the changes after it.
        QCOMPARE(cached.graph->hasRaster(), step > 0);
        QVERIFY2(shownPicture(cached.plot) == shownPicture(direct.plot),
            qPrintable(QStringLiteral("step %1").arg(step)));
    }
}

void TestChartDrawing::realTimeTicksDrawLikeAFreshView_data()
{
    QTest::addColumn<bool>("split");
    QTest::newRow("split") << true;
    QTest::newRow("shared") << false;
}

// A long real-time run, thinned and drawn from rasters: after each tick the picture must be that
// of a view drawn from scratch for the same data.
void TestChartDrawing::realTimeTicksDrawLikeAFreshView()
{
    QFETCH(bool, split);
    ChartModel m;
    configure(m, split, 20000, 15000);
    m.look.xScale = { ScaleControl::ManualMinAndMax, kStart, kStart + 2.0 * 20000 * kSecond };
    auto view = shownView(m);
    QVERIFY(view->plot()->graph(0)->data() != nullptr);
    for (int p = 15000; p < 15008; ++p) {
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, kStart + 2.0 * p * kSecond);
            m.setY(s, p, p % 5 == 0 ? 9999.0 : 20.0 + s + 8.0 * std::sin(p / 3.0));
        }
        view->resetImage();
        view->invalidateImage();
        ChartModel copy;
        QVERIFY(copy.loadState(m.storeState()));
        auto fresh = shownView(copy);
        QVERIFY2(shownPicture(*view->plot()) == shownPicture(*fresh->plot()),
            qPrintable(QStringLiteral("tick %1").arg(p)));
    }
    // The run was long enough to be thinned, and so drawn from rasters.
    QVERIFY(static_cast<ChartGraph*>(view->plot()->graph(0))->hasRaster());
}

void TestChartDrawing::longGraphsAreThinnedKeepingExtremesAndGaps()
{
    QSharedPointer<QCPGraphDataContainer> full = series(20000);
    (full->begin() + 7001)->value = 95.0; // a spike
    for (int i = 12000; i < 12400; ++i)
        (full->begin() + i)->value = std::nan("");
    const QCPRange range(1000.0, 1000.0 + 2.0 * 19999);
    ChartDecimator decimator;
    const QSharedPointer<QCPGraphDataContainer> shown = decimator.shown(full, range, 500, 0);
    QVERIFY(shown != full);
    QVERIFY(shown->size() <= 2 * 500 + 8);
    bool found = false;
    QCOMPARE(shown->valueRange(found), full->valueRange(found));
    QCOMPARE(shown->keyRange(found).upper, full->keyRange(found).upper);
    int gaps = 0;
    for (auto it = shown->constBegin(); it != shown->constEnd(); ++it) {
        gaps += std::isnan(it->value) ? 1 : 0;
        if (it != shown->constBegin())
            QVERIFY(it->key >= (it - 1)->key);
    }
    QCOMPARE(gaps, 1); // one marker for the whole run of gaps
    // Asked again for the same view, the same summary comes back; few points are not thinned.
    QCOMPARE(decimator.shown(full, range, 500, full->size()), shown);
    QSharedPointer<QCPGraphDataContainer> small = series(1500);
    QCOMPARE(decimator.shown(small, range, 500, 0), small);
    QVERIFY(!decimator.active());
}

void TestChartDrawing::thinningFollowsAppendedPoints()
{
    // A real-time graph: the tail holds gaps keyed like the last sample; each tick fills one.
    QSharedPointer<QCPGraphDataContainer> full = series(30000);
    const int filled = 25000;
    for (int i = filled; i < 30000; ++i)
        *(full->begin() + i) = { 1000.0 + 2.0 * (filled - 1), std::nan("") };
    const QCPRange range(1000.0, 1000.0 + 2.0 * 30000);
    ChartDecimator live;
    (void)live.shown(full, range, 700, 0);
    for (int i = filled; i < filled + 40; ++i) {
        *(full->begin() + i) = { 1000.0 + 2.0 * i, 30.0 + (i % 7) };
        for (int j = i + 1; j < 30000; ++j)
            (full->begin() + j)->key = 1000.0 + 2.0 * i;
        const QSharedPointer<QCPGraphDataContainer> shown = live.shown(full, range, 700, i);
        ChartDecimator fresh;
        QVERIFY(sameData(*shown, *fresh.shown(full, range, 700, 0)));
    }
}

void TestChartDrawing::columnsFlatterThanAPixelRowGetOnePoint()
{
    // Forty points per column: a slow ramp that moves less than a pixel row within a column,
    // and one column holding a real step.
    QSharedPointer<QCPGraphDataContainer> full(new QCPGraphDataContainer);
    QVector<QCPGraphData> rows;
    for (int i = 0; i < 4000; ++i)
        rows.append({ 1000.0 + i, 20.0 + i * 0.0001 + (i == 2005 ? 5.0 : 0.0) });
    full->set(rows, true);
    const QCPRange range(1000.0, 1000.0 + 4000.0);
    ChartDecimator both;
    ChartDecimator flat;
    const int kept = both.shown(full, range, 100, 0)->size();
    const QSharedPointer<QCPGraphDataContainer> thin = flat.shown(full, range, 100, 0, 0.1);
    QCOMPARE(kept, 200);
    QCOMPARE(thin->size(), 101); // one per column, two where the step is
    bool found = false;
    QCOMPARE(thin->valueRange(found).upper, full->valueRange(found).upper);
    // A new value step is a new view: nothing of the old one is reused.
    QCOMPARE(flat.shown(full, range, 100, full->size(), 0.0)->size(), 200);
}

void TestChartDrawing::summaryChangesOnlyFromTheReportedPoint_data()
{
    QTest::addColumn<int>("firstChanged"); // from the end of the filled points (negative: back)
    QTest::addColumn<int>("count"); // points written per step
    QTest::addColumn<bool>("newRange"); // the view moves on every step
    QTest::newRow("one sample per tick") << 0 << 1 << false;
    QTest::newRow("several per tick") << 0 << 9 << false;
    QTest::newRow("the last points rewritten") << -30 << 30 << false;
    QTest::newRow("a point far back rewritten") << -4000 << 1 << false;
    QTest::newRow("the view moves") << 0 << 3 << true;
}

// Lines are drawn again only from the first point of the summary that changed (changedFrom):
// everything before it must be exactly as in the summary before, and the whole summary as a
// fresh one.
void TestChartDrawing::summaryChangesOnlyFromTheReportedPoint()
{
    QFETCH(int, firstChanged);
    QFETCH(int, count);
    QFETCH(bool, newRange);
    QSharedPointer<QCPGraphDataContainer> full = series(30000);
    int filled = 25000;
    for (int i = filled; i < 30000; ++i)
        *(full->begin() + i) = { 1000.0 + 2.0 * (filled - 1), std::nan("") };
    QCPRange range(1000.0, 1000.0 + 2.0 * 30000);
    ChartDecimator live;
    (void)live.shown(full, range, 700, 0, 0.01);
    for (int step = 0; step < 12; ++step) {
        const QCPGraphDataContainer before = *live.shown(full, range, 700, full->size(), 0.01);
        const int from = filled + firstChanged;
        for (int i = from; i < from + count; ++i)
            *(full->begin() + i) = { 1000.0 + 2.0 * i, 30.0 + ((i * 7 + step) % 11) };
        filled = std::max(filled, from + count);
        for (int j = filled; j < 30000; ++j)
            (full->begin() + j)->key = 1000.0 + 2.0 * (filled - 1);
        if (newRange)
            range = QCPRange(range.lower + 40.0, range.upper + 40.0);
        const QSharedPointer<QCPGraphDataContainer> shown
            = live.shown(full, range, 700, from, 0.01);
        const int changed = live.changedFrom();
        QVERIFY(changed >= 0 && changed <= shown->size());
        QVERIFY(changed <= before.size());
        for (int i = 0; i < changed; ++i) {
            const QCPGraphData& a = *(before.constBegin() + i);
            const QCPGraphData& b = *(shown->constBegin() + i);
            QVERIFY2(a.key == b.key
                    && (a.value == b.value || (std::isnan(a.value) && std::isnan(b.value))),
                qPrintable(QStringLiteral("step %1, point %2").arg(step).arg(i)));
        }
        if (newRange)
            QCOMPARE(changed, 0);
        ChartDecimator fresh;
        QVERIFY(sameData(*shown, *fresh.shown(full, range, 700, 0, 0.01)));
    }
}

QTEST_MAIN(TestChartDrawing)
#include "tst_chartdrawing.moc"
