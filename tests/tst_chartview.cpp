#include "ChartCustomizeDialog.h"
#include "ChartDecimator.h"
#include "ChartGraph.h"
#include "ChartModel.h"
#include "ChartQcp.h"
#include "ChartSupport.h"
#include "ChartView.h"
#include "TimeAxisTicker.h"
#include "TimeCases.h"

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

#include <algorithm>
#include <cmath>
#include <memory>

using namespace tc4dl::chart;

#include "ChartViewFixtures.h"

using namespace chartviewtest;

class TestChartView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layoutFollowsSplitAndShared();
    void stackedAxesKeepTheirProportionsOnResize_data();
    void stackedAxesKeepTheirProportionsOnResize();
    void pixelConversionsMatchThePlotRectangle();
    void nullPointsBecomeGaps();
    void incrementalUpdatesMatchAFullRebuild();
    void switchingDataSetsShowsOnlyTheNewSet_data();
    void switchingDataSetsShowsOnlyTheNewSet();
    void annotationsBecomeItems();
    void undoZoomRestoresTheManualScales();
    void undoZoomReplotsOnce_data();
    void undoZoomReplotsOnce();
    void rubberBandZoomsTheAxisItIsDrawnOn_data();
    void rubberBandZoomsTheAxisItIsDrawnOn();
    void arrowCursorSetsThePointer();
    void clicksReachHotSpots();
    void customizeDialogPagesFollowTheSwitches();
    void customizeDialogWritesBackOnOkOnly();
    void colourConversionIsBgr();
    void axisTimesFollowTheMetersClock_data();
    void axisTimesFollowTheMetersClock();
    void timeTicksAreWholeStepsWithDistinctLabels_data();
    void timeTicksAreWholeStepsWithDistinctLabels();
    void printoutKeepsTextInProportion();
};

void TestChartView::layoutFollowsSplitAndShared()
{
    ChartModel m;
    configure(m, true);
    auto view = shownView(m);
    QCOMPARE(view->axisRectCount(), 4);
    QCOMPARE(view->plot()->axisRects().size(), 4);
    QCOMPARE(view->plot()->graphCount(), 4);
    // Every subset sits on its own axis, each with the axis's manual scale.
    for (int s = 0; s < 4; ++s) {
        QCOMPARE(view->plot()->graph(s)->keyAxis()->axisRect(), view->plot()->axisRect(s));
        QCOMPARE(view->plot()->axisRect(s)->axis(QCPAxis::atLeft)->range(), QCPRange(-10, 50));
    }
    // Quarter proportions give plot areas of (nearly) equal height, stacked top to bottom.
    for (int a = 1; a < 4; ++a) {
        QVERIFY(qAbs(view->plotRect(a).height() - view->plotRect(0).height()) <= 2);
        QVERIFY(view->plotRect(a).top() > view->plotRect(a - 1).bottom());
    }

    m.setMultiAxesSubsets(-1, 0);
    m.setMultiAxesProportions(0, 1.0);
    view->reinitAndReset();
    view->invalidateImage();
    QCOMPARE(view->axisRectCount(), 1);
    QCOMPARE(view->plot()->axisRects().size(), 1);
    QCOMPARE(view->plot()->graphCount(), 4);
    QVERIFY(view->plotRect().height() > 3 * view->plotRect(0).width() / 10);

    // A layout change noticed by resetImage alone rebuilds the axes as well.
    for (int k = 0; k < 4; ++k) {
        m.setMultiAxesSubsets(k, 1);
        m.setMultiAxesProportions(k, 0.25);
    }
    view->resetImage();
    QCOMPARE(view->axisRectCount(), 4);

    // Titles take a row only while they have text (a lone blank counts as none).
    const int rows = view->plot()->plotLayout()->rowCount();
    m.look.mainTitle = QStringLiteral("Kiln 3");
    m.look.subTitle = QStringLiteral(" ");
    view->resetImage();
    QCOMPARE(view->plot()->plotLayout()->rowCount(), rows + 1);
    QCOMPARE(qobject_cast<QCPTextElement*>(view->plot()->plotLayout()->element(0, 0))->text(),
        QStringLiteral("Kiln 3"));
    m.look.mainTitle.clear();
    view->resetImage();
    view->reinitAndReset();
    QCOMPARE(view->plot()->plotLayout()->rowCount(), rows);
}

void TestChartView::stackedAxesKeepTheirProportionsOnResize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<double>>("proportions");
    const QList<double> quarters = { 0.25, 0.25, 0.25, 0.25 };
    QTest::newRow("maximized") << QSize(1600, 1000) << quarters;
    QTest::newRow("tiled, wide and low") << QSize(1400, 330) << quarters;
    QTest::newRow("small") << QSize(420, 380) << quarters;
    QTest::newRow("unequal") << QSize(1200, 900) << QList<double> { 0.4, 0.2, 0.2, 0.2 };
}

// Every resize, however large, leaves each stacked axis its share of the plot height at once,
// without a second replot forced from outside.
void TestChartView::stackedAxesKeepTheirProportionsOnResize()
{
    QFETCH(QSize, size);
    QFETCH(QList<double>, proportions);
    ChartModel m;
    configure(m, true);
    for (int k = 0; k < 4; ++k)
        m.setMultiAxesProportions(k, proportions[k]);
    auto view = shownView(m);
    QCoreApplication::processEvents();
    view->resize(size);
    QCoreApplication::processEvents();
    int total = 0;
    for (int a = 0; a < 4; ++a)
        total += view->plotRect(a).height();
    for (int a = 0; a < 4; ++a) {
        const double share = view->plotRect(a).height() / double(total);
        QVERIFY2(qAbs(share - proportions[a]) * total <= 2.5,
            qPrintable(QStringLiteral("axis %1: %2 of %3 px")
                           .arg(a)
                           .arg(view->plotRect(a).height())
                           .arg(total)));
    }
}

void TestChartView::pixelConversionsMatchThePlotRectangle()
{
    ChartModel m;
    configure(m, true);
    auto view = shownView(m);
    const QRect r = view->plotRect();
    QVERIFY(r.isValid());
    QVERIFY(view->rect().contains(r));
    QVERIFY(r.height() < view->height() / 3); // axis 0 of four stacked axes

    // The corners of axis 0's rectangle are its scale's corners.
    const QPointF topLeft = view->pixelToGraph(r.topLeft(), 0);
    const QPointF bottomRight = view->pixelToGraph(QPoint(r.right() + 1, r.bottom() + 1), 0);
    QVERIFY(qAbs(topLeft.x() - kStart) < 1.5 * kSecond);
    QVERIFY(qAbs(bottomRight.x() - (kStart + 200 * kSecond)) < 1.5 * kSecond);
    QVERIFY(qAbs(topLeft.y() - 50.0) < 0.6);
    QVERIFY(qAbs(bottomRight.y() - -10.0) < 0.6);

    for (const QPoint p :
        { r.center(), r.topLeft() + QPoint(7, 11), r.bottomRight() - QPoint(3, 5) })
        QCOMPARE(view->graphToPixel(view->pixelToGraph(p, 0), 0), p);
    // A point of the lowest axis converted with axis 0's scale lies below axis 0's rectangle.
    const QPoint low = view->plotRect(3).center();
    QVERIFY(view->pixelToGraph(low, 0).y() < -10.0);
    QVERIFY(qAbs(view->pixelToGraph(low, 3).y() - 20.0) < 1.0);
}

void TestChartView::nullPointsBecomeGaps()
{
    ChartModel m;
    configure(m, false, 100, 60);
    m.setY(1, 10, 9999.0);
    auto view = shownView(m);
    QSharedPointer<QCPGraphDataContainer> data = view->plot()->graph(1)->data();
    QCOMPARE(data->size(), 100);
    QVERIFY(std::isnan((data->constBegin() + 10)->value));
    QVERIFY(!std::isnan((data->constBegin() + 11)->value));
    QVERIFY(std::isnan((data->constBegin() + 60)->value)); // cleared tail
    QCOMPARE((data->constBegin() + 11)->value, double(m.y(1, 11)));
    // Keys stay ascending although the cleared points have X 0.
    for (auto it = data->constBegin() + 1; it != data->constEnd(); ++it)
        QVERIFY(it->key >= (it - 1)->key);
}

void TestChartView::incrementalUpdatesMatchAFullRebuild()
{
    ChartModel m;
    configure(m, true, 100, 40);
    auto view = shownView(m);
    // After every change the view's data must equal that of a view built from scratch.
    auto sameAsFresh = [&m, &view]() { return sameDataAsFreshView(m, *view); };
    // Real-time ticks: one sample after the other.
    for (int p = 40; p < 45; ++p) {
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, kStart + 2.0 * p * kSecond);
            m.setY(s, p, 30.0 + s);
        }
        view->resetImage();
        QVERIFY(sameAsFresh());
    }
    m.setY(2, 5, 9999.0); // an earlier point cleared
    view->resetImage();
    QVERIFY(sameAsFresh());
    QVERIFY(std::isnan((view->plot()->graph(2)->data()->constBegin() + 5)->value));
    m.setPoints(120); // longer, a sample far on
    m.setX(0, 110, kStart + 250 * kSecond);
    m.setY(0, 110, 12.5);
    view->resetImage();
    QVERIFY(sameAsFresh());
    m.setX(1, 3, kStart - 50 * kSecond); // out of order
    view->resetImage();
    QVERIFY(sameAsFresh());
    m.setY(1, 60, 33.0);
    view->resetImage();
    QVERIFY(sameAsFresh());
    m.setPoints(90);
    view->resetImage();
    QVERIFY(sameAsFresh());
}

void TestChartView::switchingDataSetsShowsOnlyTheNewSet_data()
{
    QTest::addColumn<QList<int>>("lengths"); // points of each set in turn, all filled
    QTest::addColumn<QList<bool>>("splits");
    QTest::newRow("long, short, long")
        << QList<int> { 3000, 40, 3000 } << QList<bool> { true, true, true };
    QTest::newRow("short, long, short")
        << QList<int> { 40, 3000, 40 } << QList<bool> { true, true, true };
    QTest::newRow("through an empty set")
        << QList<int> { 2000, 0, 1500 } << QList<bool> { true, true, true };
    QTest::newRow("split, then shared")
        << QList<int> { 2000, 700, 2500 } << QList<bool> { true, false, true };
}

// The logger window: each set is a new layout (reinitAndReset) over data written whole. The
// arrays of the set before are reused, but nothing of that set may remain.
void TestChartView::switchingDataSetsShowsOnlyTheNewSet()
{
    QFETCH(QList<int>, lengths);
    QFETCH(QList<bool>, splits);
    ChartModel m;
    configure(m, splits.first(), lengths.first(), lengths.first());
    auto view = shownView(m);
    for (qsizetype k = 1; k < lengths.size(); ++k) {
        configure(m, splits[k], lengths[k], lengths[k]);
        for (int p = 0; p < lengths[k]; ++p)
            m.setY(2, p, p % 17 == 0 ? 9999.0 : -5.0 - k); // gaps, other values than before
        view->reinitAndReset();
        view->invalidateImage();
        QVERIFY2(sameDataAsFreshView(m, *view), qPrintable(QStringLiteral("set %1").arg(k)));
    }
}

void TestChartView::annotationsBecomeItems()
{
    ChartModel m;
    configure(m, true);
    m.setAnnotation(2,
        { kAnnotationCross, kStart + 20 * kSecond, 21.0, QStringLiteral("10:00:20\r21.0"),
            0x000000 });
    m.setAnnotation(4,
        { kAnnotationText, kStart + 50 * kSecond, 40.0, QStringLiteral("T1 MAX:30.0\rsecond line"),
            0x0000FF });
    m.setAnnotation(5, { kAnnotationCross, kStart + 60 * kSecond, 10.0, QString(), 0xFF0000 });
    m.setAnnotation(6, { kAnnotationText, kStart, 0.0, QString(), 0 }); // deleted: not drawn
    m.look.showVertLineAnnotations = true;
    m.setVertLine(0, { kStart + 30 * kSecond, 0xFF0000 });
    m.setVertLine(1, { kStart + 90 * kSecond, 0x0000FF });
    auto view = shownView(m);

    const QList<QCPItemText*> texts = itemsOf<QCPItemText>(view->plot());
    QCOMPARE(texts.size(), 2);
    QStringList shown;
    for (QCPItemText* t : texts)
        shown.append(t->text());
    QVERIFY(shown.contains(QStringLiteral("10:00:20\n21.0")));
    QVERIFY(shown.contains(QStringLiteral("T1 MAX:30.0\nsecond line")));
    const QList<QCPItemTracer*> crosses = itemsOf<QCPItemTracer>(view->plot());
    QCOMPARE(crosses.size(), 2);
    for (QCPItemText* t : texts)
        if (t->text().startsWith(QLatin1String("T1")))
            QCOMPARE(t->color(), QColor(Qt::red)); // 0x0000FF is red
    // Annotations are in graph units of axis 0.
    const QPoint at = view->graphToPixel(QPointF(kStart + 60 * kSecond, 10.0), 0);
    for (QCPItemTracer* c : crosses)
        if (c->position->coords().y() == 10.0)
            QVERIFY((c->position->pixelPosition() - QPointF(at)).manhattanLength() < 2.0);

    // One straight line per vertical line and stacked axis.
    QCOMPARE(itemsOf<QCPItemStraightLine>(view->plot()).size(), 8);
    m.look.showVertLineAnnotations = false;
    m.look.showGraphAnnotations = false;
    view->resetImage();
    QCOMPARE(view->plot()->itemCount(), 0);
}

void TestChartView::undoZoomRestoresTheManualScales()
{
    ChartModel m;
    configure(m, false);
    auto view = shownView(m);
    QSignalSpy zoomed(view.get(), &ChartView::zoomedIn);
    const QRect r = view->plotRect();
    QCPAxisRect* rect = view->plot()->axisRect(0);
    const QCPRange x0 = rect->axis(QCPAxis::atBottom)->range();

    QWidget* surface = view->plot();
    QCoreApplication::processEvents();
    const QImage unzoomed = view->grab().toImage();
    QTest::mousePress(surface, Qt::LeftButton, {}, r.topLeft() + QPoint(100, 60));
    QTest::mouseMove(surface, r.topLeft() + QPoint(200, 120));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, r.topLeft() + QPoint(300, 160));
    QCOMPARE(zoomed.count(), 1);
    QCoreApplication::processEvents();
    QVERIFY(view->grab().toImage() != unzoomed);
    const QCPRange zx = rect->axis(QCPAxis::atBottom)->range();
    QVERIFY(zx.size() < x0.size() / 2);
    QVERIFY(rect->axis(QCPAxis::atLeft)->range().size() < 60.0 / 2);

    // A redraw (a new sample) keeps the zoom; undo brings back the manual scales.
    view->resetImage();
    QCOMPARE(rect->axis(QCPAxis::atBottom)->range(), zx);
    view->undoZoom();
    QCOMPARE(rect->axis(QCPAxis::atBottom)->range(), x0);
    QCOMPARE(rect->axis(QCPAxis::atLeft)->range(), QCPRange(-10, 50));
    // What is on screen is the full view again, not only the axes' numbers.
    QCoreApplication::processEvents();
    QCOMPARE(view->grab().toImage(), unzoomed);

    // New manual scales end a zoom as well.
    rect->axis(QCPAxis::atLeft)->setRange(0, 1);
    QTest::mousePress(surface, Qt::LeftButton, {}, r.topLeft() + QPoint(100, 60));
    QTest::mouseMove(surface, r.topLeft() + QPoint(200, 120));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, r.topLeft() + QPoint(300, 160));
    m.setYScale({ ScaleControl::ManualMinAndMax, 0.0, 100.0 });
    view->resetImage();
    QCOMPARE(rect->axis(QCPAxis::atLeft)->range(), QCPRange(0, 100));

    // Without zooming allowed a drag changes nothing.
    m.look.allowZooming = Zooming::None;
    view->resetImage();
    QTest::mousePress(surface, Qt::LeftButton, {}, r.topLeft() + QPoint(100, 60));
    QTest::mouseMove(surface, r.topLeft() + QPoint(200, 120));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, r.topLeft() + QPoint(300, 160));
    QCOMPARE(zoomed.count(), 2);
    QCOMPARE(rect->axis(QCPAxis::atLeft)->range(), QCPRange(0, 100));
}

void TestChartView::undoZoomReplotsOnce_data()
{
    QTest::addColumn<bool>("redrawnRight");
    QTest::newRow("alone") << false;
    QTest::newRow("redrawn right after") << true;
}

// Undo Zoom shows the full view once: by itself when nothing redraws, not a second time after
// the redraw of a caller that graphs a data set.
void TestChartView::undoZoomReplotsOnce()
{
    QFETCH(bool, redrawnRight);
    ChartModel m;
    configure(m, true);
    auto view = shownView(m);
    QCoreApplication::processEvents();
    QSignalSpy replots(view.get(), &ChartView::replotted);
    view->undoZoom();
    if (redrawnRight) {
        view->resetImage();
        view->invalidateImage();
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(replots.count(), 1);
}

void TestChartView::rubberBandZoomsTheAxisItIsDrawnOn_data()
{
    QTest::addColumn<int>("axis");
    for (int a = 0; a < 4; ++a)
        QTest::addRow("T%d", a + 1) << a;
}

// Each stacked axis zooms on its own scale: the band's top and bottom become that axis's new
// range, read on that axis, and no other axis's values move.
void TestChartView::rubberBandZoomsTheAxisItIsDrawnOn()
{
    QFETCH(int, axis);
    ChartModel m;
    configure(m, true);
    auto view = shownView(m);
    QCoreApplication::processEvents();
    const QRect r = view->plotRect(axis);
    const QPoint from = r.topLeft() + QPoint(100, r.height() / 4);
    const QPoint to = r.topLeft() + QPoint(300, 3 * r.height() / 4);
    const double top = view->pixelToGraph(from, axis).y();
    const double bottom = view->pixelToGraph(to, axis).y();
    QVERIFY(top > 0.0 && bottom < 40.0);

    QWidget* surface = view->plot();
    QTest::mousePress(surface, Qt::LeftButton, {}, view->plot()->mapFrom(view.get(), from));
    QTest::mouseMove(surface, view->plot()->mapFrom(view.get(), (from + to) / 2));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, view->plot()->mapFrom(view.get(), to));
    QCoreApplication::processEvents();
    for (int a = 0; a < 4; ++a) {
        const QCPRange y = view->plot()->axisRect(a)->axis(QCPAxis::atLeft)->range();
        if (a != axis) {
            QCOMPARE(y, QCPRange(-10, 50));
            continue;
        }
        QVERIFY2(qAbs(y.upper - top) < 0.5 && qAbs(y.lower - bottom) < 0.5,
            qPrintable(QStringLiteral("%1..%2, band %3..%4")
                           .arg(y.lower)
                           .arg(y.upper)
                           .arg(bottom)
                           .arg(top)));
    }
}

void TestChartView::arrowCursorSetsThePointer()
{
    ChartModel m;
    configure(m, true);
    auto view = shownView(m);
    QCOMPARE(view->cursor().shape(), Qt::ArrowCursor);
    view->setArrowCursor(2);
    QCOMPARE(view->cursor().shape(), Qt::IBeamCursor);
    view->setArrowCursor(3);
    QCOMPARE(view->cursor().shape(), Qt::BitmapCursor);
    QVERIFY(!view->cursor().pixmap().isNull());
    QCOMPARE(view->cursor().hotSpot(), QPoint(16, 16));
    // The look's value is taken on the next redraw too.
    m.look.arrowCursor = 1;
    view->resetImage();
    QCOMPARE(view->cursor().shape(), Qt::ArrowCursor);
}

void TestChartView::clicksReachHotSpots()
{
    ChartModel m;
    configure(m, false);
    m.setAnnotation(
        4, { kAnnotationText, kStart + 100 * kSecond, 45.0, QStringLiteral("note"), 0 });
    m.look.allowGraphAnnotHotSpots = true;
    m.look.allowDataHotSpots = true;
    auto view = shownView(m);
    QSignalSpy clicks(view.get(), &ChartView::clicked);
    QSignalSpy notes(view.get(), &ChartView::annotationHotSpot);
    QSignalSpy points(view.get(), &ChartView::dataHotSpot);
    QWidget* surface = view->plot();

    const QPoint noteAt
        = view->graphToPixel(QPointF(kStart + 100 * kSecond, 45.0), 0) + QPoint(5, 4);
    QTest::mouseClick(surface, Qt::LeftButton, {}, noteAt);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).toPoint(), noteAt);
    QCOMPARE(view->lastMousePosition(), noteAt);
    QCOMPARE(notes.count(), 1);
    QCOMPARE(notes.at(0).at(0).toInt(), 4);
    QCOMPARE(notes.at(0).at(1).toBool(), false);
    QTest::mouseDClick(surface, Qt::LeftButton, {}, noteAt);
    QCOMPARE(notes.last().at(1).toBool(), true);

    const QPoint pointAt = view->graphToPixel(QPointF(m.x(3, 30), m.y(3, 30)), 0) + QPoint(1, 1);
    QTest::mouseClick(surface, Qt::LeftButton, {}, pointAt);
    QCOMPARE(points.count(), 1);
    QCOMPARE(points.at(0).at(0).toInt(), 3);
    QVERIFY(qAbs(points.at(0).at(1).toInt() - 30) <= 1);

    // Far from everything: only the click.
    const int before = clicks.count();
    QTest::mouseClick(surface, Qt::LeftButton, {}, view->plotRect().bottomRight() - QPoint(5, 5));
    QCOMPARE(clicks.count(), before + 1);
    QCOMPARE(points.count(), 1);

    // Hot spots switched off.
    m.look.allowGraphAnnotHotSpots = false;
    m.look.allowDataHotSpots = false;
    view->resetImage();
    const int notesBefore = notes.count();
    QTest::mouseClick(surface, Qt::LeftButton, {}, noteAt);
    QTest::mouseClick(surface, Qt::LeftButton, {}, pointAt);
    QCOMPARE(notes.count(), notesBefore);
    QCOMPARE(points.count(), 1);
}

void TestChartView::customizeDialogPagesFollowTheSwitches()
{
    ChartModel m;
    configure(m, true);
    {
        ChartCustomizeDialog all(m);
        QCOMPARE(all.pages()->count(), 5);
        // The program speaks German here too.
        QCOMPARE(all.windowTitle(), QStringLiteral("Grafik anpassen"));
        QStringList tabs;
        for (int i = 0; i < all.pages()->count(); ++i)
            tabs << all.pages()->tabText(i);
        QCOMPARE(tabs,
            (QStringList { QStringLiteral("Schrift"), QStringLiteral("Titel && Stil"),
                QStringLiteral("Farben"), QStringLiteral("Datenreihen"),
                QStringLiteral("Achsen") }));
    }
    // The print command switches off all but the axis page.
    m.look.allowFontPage = false;
    m.look.allowPage1 = false;
    m.look.allowPage2 = false;
    m.look.allowSubsetsPage = false;
    ChartCustomizeDialog printing(m);
    QCOMPARE(printing.pages()->count(), 1);
    QVERIFY(printing.findChild<QWidget*>(QStringLiteral("axisPage")));
    QVERIFY(!printing.findChild<QWidget*>(QStringLiteral("fontPage")));
    QVERIFY(!printing.findChild<QWidget*>(QStringLiteral("subsetsPage")));
    m.look.allowAxisPage = false;
    ChartCustomizeDialog none(m);
    QCOMPARE(none.pages()->count(), 0);
    none.accept();
    QCOMPARE(none.result(), int(QDialog::Accepted));
}

void TestChartView::customizeDialogWritesBackOnOkOnly()
{
    ChartModel m;
    configure(m, true);
    m.setWorkingAxis(2);
    const ChartLook before = m.look;
    {
        ChartCustomizeDialog dialog(m);
        dialog.findChild<QLineEdit*>(QStringLiteral("mainTitle"))->setText(QStringLiteral("Oven"));
        dialog.reject();
    }
    QCOMPARE(m.look, before);

    ChartCustomizeDialog dialog(m);
    dialog.findChild<QLineEdit*>(QStringLiteral("mainTitle"))->setText(QStringLiteral("Oven"));
    dialog.findChild<QComboBox*>(QStringLiteral("gridStyle"))->setCurrentIndex(2);
    dialog.findChild<QSpinBox*>(QStringLiteral("graphAnnotationTextSize"))->setValue(150);
    dialog.findChild<ChartColorButton*>(QStringLiteral("graphBackColor"))
        ->setColor(QColor(0, 0, 128));
    dialog.findChild<QLineEdit*>(QStringLiteral("subsetLabel1"))->setText(QStringLiteral("Door"));
    dialog.findChild<ChartColorButton*>(QStringLiteral("subsetColor3"))->setColor(Qt::red);
    dialog.findChild<QDoubleSpinBox*>(QStringLiteral("axisMax1"))->setValue(250.0);
    dialog.findChild<QLineEdit*>(QStringLiteral("axisLabel1"))->setText(QStringLiteral("°C"));
    dialog.findChild<QCheckBox*>(QStringLiteral("axisManual3"))->setChecked(false);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QCOMPARE(m.look.mainTitle, QStringLiteral("Oven"));
    QCOMPARE(m.look.gridStyle, GridStyle::Dash);
    QCOMPARE(m.look.graphAnnotationTextSize, 150);
    QCOMPARE(m.look.graphBackColor, Color(0x800000));
    QCOMPARE(m.look.subsetLabels.at(1), QStringLiteral("Door"));
    QCOMPARE(m.look.subsetColors.at(3), Color(0x0000FF));
    QCOMPARE(m.yScale(1).max, 250.0);
    QCOMPARE(m.yScale(1).min, -10.0);
    QCOMPARE(m.yScale(1).control, ScaleControl::ManualMinAndMax);
    QCOMPARE(m.yAxisLabel(1), QStringLiteral("°C"));
    QCOMPARE(m.yScale(3).control, ScaleControl::Auto);
    QCOMPARE(m.yScale(0), before.yScales.at(0));
    QCOMPARE(m.workingAxis(), 2);
}

void TestChartView::colourConversionIsBgr()
{
    QCOMPARE(toQColor(0xFF0000), QColor(0, 0, 255));
    QCOMPARE(toQColor(0x0080FF), QColor(255, 128, 0));
    QCOMPARE(fromQColor(QColor(0x12, 0x34, 0x56)), Color(0x563412));
    // A serial is a wall-clock reading: its seconds are those of the same reading in UTC.
    const QDateTime t(QDate(2026, 7, 1), QTime(13, 14, 15), Qt::UTC);
    QCOMPARE(SerialSeconds::toSeconds(tc4dl::toDateTimeSerial(t)), double(t.toSecsSinceEpoch()));
    QVERIFY(qAbs(SerialSeconds::toSerial(double(t.toSecsSinceEpoch())) - tc4dl::toDateTimeSerial(t))
        < 1e-9);
}

void TestChartView::axisTimesFollowTheMetersClock_data()
{
    timecases::addTimeCaseRows();
}

// A set recorded across a daylight-saving switch of this computer: its points lie evenly on the
// axis, and the labels read the times as recorded, each once.
void TestChartView::axisTimesFollowTheMetersClock()
{
    const auto [zone, date, start, interval, samples] = timecases::currentTimeCase();
    const auto restore = timecases::inTimeZone(zone);
    const double first = tc4dl::dateTimeSerial(date, start);
    const double key0 = SerialSeconds::toSeconds(first);
    for (int k = 0; k < samples; ++k) {
        const double key = SerialSeconds::toSeconds(first + k * interval / 86400.0);
        QCOMPARE(key, key0 + double(k) * interval);
        QCOMPARE(
            TimeAxisTicker::keyToWallClock(key).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            timecases::sampleTime(date, start, interval, k)
                .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    TimeAxisTicker ticker;
    ticker.setTickCount(7);
    ticker.setTimeFormat(QStringLiteral("HH:mm:ss"));
    QVector<double> ticks;
    QVector<QString> labels;
    // At least a minute in view, so that the labels are whole seconds.
    const double span = std::max(60.0, double(samples - 1) * interval);
    ticker.generate(QCPRange(key0, key0 + span), QLocale::c(), 'g', 6, ticks, nullptr, &labels);
    QVERIFY(ticks.size() >= 2);
    QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        // The time of day on every label; the date, where a label carries it, on its second line.
        const QDateTime wallClock = TimeAxisTicker::keyToWallClock(ticks[i]);
        QCOMPARE(labels[i].section(QLatin1Char('\n'), 0, 0),
            wallClock.toString(QStringLiteral("HH:mm:ss")));
        if (labels[i].contains(QLatin1Char('\n')))
            QCOMPARE(labels[i].section(QLatin1Char('\n'), 1),
                QLocale::c().toString(wallClock.date(), QLocale::ShortFormat));
    }
}

void TestChartView::timeTicksAreWholeStepsWithDistinctLabels_data()
{
    QTest::addColumn<double>("span"); // seconds
    QTest::addColumn<int>("minTicks");
    // Zoomed into a fifth of a second: labels to the millisecond, not none at all.
    QTest::newRow("zoomed to 0.2 s") << 0.2 << 2;
    QTest::newRow("zoomed below a second") << 0.4 << 2;
    QTest::newRow("3 s") << 3.0 << 2;
    QTest::newRow("10 s") << 10.0 << 3;
    QTest::newRow("200 s") << 200.0 << 4;
    QTest::newRow("17 min") << 1020.0 << 3;
    QTest::newRow("5 h") << 18000.0 << 4;
    QTest::newRow("3 days") << 259200.0 << 3;
    QTest::newRow("20 days") << 1728000.0 << 2;
    QTest::newRow("a year") << 31536000.0 << 3;
}

// Every label of a time axis reads differently, whatever the span: steps are whole seconds,
// minutes, hours or days, and ticks sit on the local clock's boundaries.
void TestChartView::timeTicksAreWholeStepsWithDistinctLabels()
{
    QFETCH(double, span);
    QFETCH(int, minTicks);
    TimeAxisTicker ticker;
    ticker.setTickCount(7);
    const double start
        = TimeAxisTicker::wallClockToKey(QDateTime(QDate(2026, 3, 2), QTime(11, 2, 0, 300)));
    for (const double shift : { 0.0, 0.37, 13.9 }) {
        QVector<double> ticks;
        QVector<QString> labels;
        ticker.generate(QCPRange(start + shift, start + shift + span), QLocale(), 'g', 6, ticks,
            nullptr, &labels);
        QVERIFY2(ticks.size() >= minTicks, qPrintable(QString::number(ticks.size())));
        QVERIFY(ticks.size() <= 10); // a tick beyond each end is kept
        QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
        for (qsizetype i = 0; i < ticks.size(); ++i) {
            const QDateTime at = TimeAxisTicker::keyToWallClock(ticks[i]);
            if (span >= 1.0)
                QCOMPARE(at.time().msec(), 0);
            if (i > 0) {
                const double step = ticks[i] - ticks[i - 1];
                // Calendar months differ in length.
                const bool listed
                    = std::any_of(TimeAxisTicker::steps().begin(), TimeAxisTicker::steps().end(),
                        [step](double s) { return std::abs(s - step) < 1e-6; });
                QVERIFY2(listed || step >= 28 * 86400.0, qPrintable(QString::number(step)));
            }
        }
    }
}

void TestChartView::printoutKeepsTextInProportion()
{
    // Printed text is as large, against the page, as it is against the window on screen:
    // neither scaled twice (huge, overlapping) nor left at printer dots (unreadably small).
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the printout back");
    ChartModel m;
    configure(m, true);
    m.look.xAxisLabel = QStringLiteral("Zeitachse");
    auto view = shownView(m);
    const QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("graph.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageOrientation(QPageLayout::Landscape);
    const int resolution = printer.resolution();
    view->printTo(&printer);
    QCOMPARE(printer.resolution(), resolution); // the printer's own, for the next printout
    QProcess process;
    process.start(
        QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), pdf, QStringLiteral("-") });
    QVERIFY(process.waitForFinished(30000) && process.exitCode() == 0);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpression pageSize(QStringLiteral(R"re(<page width="([\d.]+)")re"));
    const QRegularExpression label(QStringLiteral(
        R"re(<word xMin="[\d.]+" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">Zeitachse</word>)re"));
    const auto pageMatch = pageSize.match(html);
    const auto labelMatch = label.match(html);
    QVERIFY2(pageMatch.hasMatch() && labelMatch.hasMatch(), qPrintable(html.left(2000)));
    const double printed = (labelMatch.captured(2).toDouble() - labelMatch.captured(1).toDouble())
        / pageMatch.captured(1).toDouble();
    const double onScreen = double(QFontMetrics(view->plot()->xAxis->labelFont()).height())
        / std::max(view->width(), 800);
    QVERIFY2(printed > onScreen / 2 && printed < onScreen * 2,
        qPrintable(QStringLiteral("printed %1, on screen %2").arg(printed).arg(onScreen)));
}

QTEST_MAIN(TestChartView)
#include "tst_chartview.moc"
