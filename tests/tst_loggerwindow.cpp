// The logger's graph window: opening and restoring it, graphing a data set from the store's
// runs, the statistic strip and tools after it, the data-set list and its clicks, and the
// load command's error dialog.

#include "ChannelConfig.h"
#include "ChartView.h"
#include "DataLoggerWindow.h"
#include "DataSetList.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "FakeGraphServices.h"
#include "GraphConfig.h"
#include "GraphStateFile.h"
#include "GraphStatistics.h"
#include "LoggerImages.h"
#include "LoggerTimeline.h"
#include "TfrmErr.h"
#include "TfrmGraph.h"
#include "WorkspaceRig.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <utility>

using namespace tc4dl;
using tc4dl::testing::FakeGraphServices;
using tc4dl::testing::WorkspaceRig;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 5, 0));

DataSetStore storeOf(const QList<loggerimages::RecordedSet>& sets)
{
    DataSetStore store;
    const QByteArray bytes = loggerimages::image(sets);
    const MemoryImage image(bytes, bytes.size() - 1);
    const DecodeOutcome outcome = decodeMemoryImage(image, kNow, store);
    if (outcome.result != LoadResult::Success)
        qFatal("test image does not decode");
    return store;
}

loggerimages::RecordedSet withInterval(int samples, int seed, quint16 interval)
{
    loggerimages::RecordedSet s = loggerimages::setWithSamples(samples, seed);
    s.interval = interval;
    return s;
}

// A template whose view is split (0.25) or shares one axis (1.0).
void writeTemplate(const FakeGraphServices& services, double firstProportion)
{
    chart::ChartModel look;
    look.setMultiAxesProportions(0, firstProportion);
    QVERIFY(QDir(services.folders.program).mkpath(QStringLiteral("template")));
    QVERIFY(chart::saveGraphState(
        look, QDir(services.folders.program).filePath(graphTemplateRelativePath())));
}

// The window over a set of data sets of the workspace: `sets` (three samples a minute apart
// when empty) as the archive's sets on view.
struct Rig {
    explicit Rig(const QList<loggerimages::RecordedSet>& sets = {})
        : logger(services, area, rig.ws().openData(), OpenData::Piece::Archive,
            TfrmGraph::dataLoggerCaption(), [] { return QSize(1000, 600); }, {})
    {
        const QByteArray bytes = loggerimages::image(
            sets.isEmpty() ? QList<loggerimages::RecordedSet> { withInterval(3, 0, 60) } : sets);
        if (!rig.ws().openData().showArchive(MemoryImage(bytes, bytes.size() - 1), {}).isEmpty())
            qFatal("test image does not decode");
        // Shown, so that the area's visible part has its size when a window is placed in it.
        area.resize(1100, 700);
        area.show();
    }
    TfrmGraph& open()
    {
        TfrmGraph* window = logger.OpenDataLoggerWindow(kNow);
        if (!window)
            qFatal("no logger window");
        return *window;
    }

    FakeGraphServices services;
    WorkspaceRig rig { &services.manualClock };
    QMdiArea area;
    const DataSetStore& store = rig.ws().openData().store(OpenData::Piece::Archive);
    DataLoggerWindow logger;
};

} // namespace

class TestLoggerWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openCreatesRestoresAndRecreates();
    void graphsTheSetsOwnRun_data();
    void graphsTheSetsOwnRun();
    void intervalLists_data();
    void intervalLists();
    void emptySetLeavesStatisticsEmpty();
    void annotationToolsFollowTheView_data();
    void annotationToolsFollowTheView();
    void listRowsAndClicks();
    void timelineBreaksBetweenSets_data();
    void timelineBreaksBetweenSets();
    void errorDialog_data();
    void errorDialog();
};

void TestLoggerWindow::openCreatesRestoresAndRecreates()
{
    Rig r;
    TfrmGraph& window = r.open();
    QCOMPARE(window.windowTitle(), QStringLiteral("DataLogger"));
    QVERIFY(!window.dataSetPanel()->isHidden());
    QCOMPARE(window.frameWindow()->geometry(), QRect(0, 0, 1000, 540));
    // The empty graph until the first set: one channel, 500 points, t0 .. t0 + 500 s.
    const chart::ChartModel& m = window.model();
    QCOMPARE(m.subsets(), 1);
    QCOMPARE(m.points(), 500);
    const double t0 = toDateTimeSerial(kNow);
    QCOMPARE(m.look.xScale.min, t0);
    QVERIFY(qAbs(m.look.xScale.max - t0 - 500.0 / 86400.0) < 1e-9);
    QCOMPARE(m.yScale(0).min, 30.0);
    QCOMPARE(m.yScale(0).max, 130.0);
    QVERIFY(m.look.allowGraphAnnotHotSpots);
    QCOMPARE(window.dataSetList()->rowCount(), 1);
    // Every heading whole in the still empty list.
    QHeaderView* headings = window.dataSetList()->horizontalHeader();
    for (int c = 0; c < 6; ++c)
        QVERIFY2(headings->sectionSize(c) >= headings->sectionSizeHint(c),
            qPrintable(QString::number(c)));

    // Opened again: the same window, back to its normal state.
    window.frameWindow()->showMinimized();
    QCOMPARE(r.logger.OpenDataLoggerWindow(kNow), &window);
    QVERIFY(!window.frameWindow()->isMinimized());

    // Closed: a new window, whose list is empty although the store still holds sets. In a
    // document area lower than the main window's client area it ends at the area's bottom.
    QVERIFY(window.frameWindow()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!r.logger.window());
    r.area.resize(1100, 400);
    QCoreApplication::sendPostedEvents();
    TfrmGraph& again = r.open();
    QCOMPARE(again.frameWindow()->geometry(), QRect(0, 0, 1000, r.area.viewport()->height()));
    QCOMPARE(again.dataSetList()->rowCount(), 1);
    QVERIFY(again.dataSetList()->item(0, 1)->text().isEmpty());
    QVERIFY(r.store.setCount() == 1);
}

void TestLoggerWindow::graphsTheSetsOwnRun_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<bool>("shippedTemplate");
    // T2 rises by a tenth per sample: its rate over the set, by the set's interval.
    QTest::addColumn<QString>("rate");
    // The user's name for T2 (none: T2 everywhere), a high limit on T2 (NaN: off), the unit
    // the limits are in (-1 unknown, 1 Celsius), and the crossings expected (samples).
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("limitCelsius");
    QTest::addColumn<QList<int>>("crossings");
    const double off = qQNaN();
    QTest::newRow("first set") << 0 << false << "0.1 °/min"
                               << "" << off << -1 << QList<int> {};
    QTest::newRow("second") << 1 << false << "3.0 °/min"
                            << "" << off << -1 << QList<int> {};
    QTest::newRow("set 2 of 3: after the runs of sets 0 and 1") << 2 << false << "0.1 °/min"
                                                                << "" << off << -1 << QList<int> {};
    // The template shipped beside the program keeps the logger's full range.
    QTest::newRow("under the shipped template") << 1 << true << "3.0 °/min"
                                                << "" << off << -1 << QList<int> {};
    QTest::newRow("named T2, limit crossed once") << 2 << false << "0.1 °/min"
                                                  << "Ofen" << 20.15 << -1 << QList<int> { 2 };
    // 20.15 °C is 68.27 °F, far above this °F set's 20.x.
    QTest::newRow("Celsius limit over a Fahrenheit set") << 1 << false << "3.0 °/min"
                                                         << "" << 20.15 << 1 << QList<int> {};
    QTest::newRow("same limit, unit unknown: taken as it stands")
        << 1 << false << "3.0 °/min"
        << "" << 20.15 << -1 << QList<int> { 2 };
}

void TestLoggerWindow::graphsTheSetsOwnRun()
{
    QFETCH(int, k);
    QFETCH(bool, shippedTemplate);
    QFETCH(QString, name);
    QFETCH(double, high);
    QFETCH(int, limitCelsius);
    QFETCH(QList<int>, crossings);
    loggerimages::RecordedSet inFahrenheit = withInterval(5, 2, 2);
    inFahrenheit.unit = 0;
    Rig r({ withInterval(3, 1, 60), inFahrenheit, withInterval(4, 3, 90) });
    if (shippedTemplate)
        QVERIFY(writeDefaultTemplate(
            QDir(r.services.folders.program).filePath(graphTemplateRelativePath())));
    alarm::ChannelSet channels;
    channels[1].name = name;
    channels[1].highOn = !qIsNaN(high);
    channels[1].high = channels[1].highOn ? high : 0.0;
    r.services.channels.setChannels(channels);
    if (limitCelsius >= 0)
        r.services.celsius = limitCelsius == 1;
    TfrmGraph& window = r.open();
    const int counts[] = { 3, 5, 4 };
    int before = 0;
    for (int i = 0; i < k; ++i)
        before += counts[i];
    const qsizetype base = 4 * before;
    const int n = counts[k];

    QVERIFY(r.logger.GraphDataSet(k));
    const chart::ChartModel& m = window.model();
    QCOMPARE(m.subsets(), 4);
    QCOMPARE(m.points(), n);
    for (int p = 0; p < n; ++p)
        for (int s = 0; s < 4; ++s) {
            const qsizetype i = base + 4 * p + s;
            QCOMPARE(m.x(s, p), r.store.sampleTimes()[static_cast<size_t>(i)]);
            QCOMPARE(m.y(s, p), r.store.sampleValues()[static_cast<size_t>(i)]);
        }
    const double start = r.store.startTime(k);
    QCOMPARE(m.look.xScale.min, start);
    QVERIFY(qAbs(m.look.xScale.max - (start + n * r.store.interval(k) / 86400.0)) < 1e-9);
    for (int axis = 0; axis < 4; ++axis) {
        QCOMPARE(m.yScale(axis).min, -20.0);
        QCOMPARE(m.yScale(axis).max, 100.0);
    }
    QCOMPARE(window.dataNoBox()->text(), QString::number(n));
    QCOMPARE(window.startTimeBox()->text(), chart::dateTimeText(start));
    // The statistics ran over the set: channel 1 holds 200 + j tenths.
    QVERIFY(window.maxBox(1)->text().startsWith(QStringLiteral("20.%1@").arg(n - 1)));
    QVERIFY(!window.avgBox(0)->text().startsWith(QLatin1Char('*')));
    // A text export proposes the set's own unit.
    QCOMPARE(window.dataCelsius(), std::optional<bool>(k != 1));

    QTEST(window.rateBox(1)->text(), "rate");
    // The name where a person reads the channel; the model (and so every file) keeps T2.
    const QString shown = name.isEmpty() ? QStringLiteral("T2") : name;
    QCOMPARE(window.graph()->legendLabel(1), shown);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblT2Max"))->text(), shown + " MAX ");
    QCOMPARE(window.graph()->axisTitle(1), name);
    QCOMPARE(m.look.subsetLabels.value(1), QStringLiteral("T2"));
    QVERIFY(m.yAxisLabel(1).isEmpty());

    // The crossings: listed, marked by the view, never written into the graph.
    auto* list = window.findChild<QTableWidget*>(QStringLiteral("lstCrossings"));
    QVERIFY(list);
    QCOMPARE(list->isVisibleTo(&window), !qIsNaN(high));
    QCOMPARE(list->rowCount(), crossings.size());
    QCOMPARE(static_cast<qsizetype>(window.graph()->overlayMarkers().size()), crossings.size());
    for (int i = 0; i < crossings.size(); ++i) {
        const int j = crossings[i];
        const double at = start + j * r.store.interval(k) / 86400.0;
        QCOMPARE(list->item(i, 0)->text(), chart::dateTimeText(at));
        QCOMPARE(list->item(i, 1)->text(), shown);
        QCOMPARE(list->item(i, 3)->text(), QStringLiteral("> 20.1"));
        QCOMPARE(window.graph()->overlayMarkers()[static_cast<size_t>(i)].subset, 1);
    }
    for (int a = 0; a < m.annotationCount(); ++a)
        QVERIFY(m.annotation(a).text.isEmpty() && m.annotation(a).type == chart::kAnnotationText);

    // Limits switched off: the list goes, the markers with it.
    r.services.channels.setChannels({});
    QVERIFY(!list->isVisibleTo(&window));
    QVERIFY(window.graph()->overlayMarkers().empty());
    QCOMPARE(window.graph()->legendLabel(1), QStringLiteral("T2"));
}

void TestLoggerWindow::intervalLists_data()
{
    QTest::addColumn<quint16>("interval"); // the raw 16 bits
    QTest::addColumn<int>("minutes"); // list index, -1 none
    QTest::addColumn<int>("seconds");
    QTest::newRow("60 s") << quint16(60) << 1 << 0;
    QTest::newRow("3600 s") << quint16(3600) << 60 << 0;
    QTest::newRow("3660 s: beyond the minutes list") << quint16(3660) << -1 << 0;
    QTest::newRow("-1 s") << quint16(0xFFFF) << 0 << -1;
    QTest::newRow("-61 s") << quint16(0xFFC3) << -1 << -1;
}

void TestLoggerWindow::intervalLists()
{
    QFETCH(quint16, interval);
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    Rig r({ withInterval(2, 0, interval) });
    TfrmGraph& window = r.open();
    QVERIFY(r.logger.GraphDataSet(0));
    QCOMPARE(window.minutesList()->currentIndex(), minutes);
    QCOMPARE(window.secondsList()->currentIndex(), seconds);
    // The set's own figures replace what the statistics read off the plot.
    QCOMPARE(window.dataNoBox()->text(), QStringLiteral("2"));
}

void TestLoggerWindow::emptySetLeavesStatisticsEmpty()
{
    Rig r({ withInterval(4, 0, 60), withInterval(0, 0, 30) });
    TfrmGraph& window = r.open();
    QVERIFY(r.logger.GraphDataSet(0));
    QVERIFY(!window.maxBox(0)->text().isEmpty());
    QVERIFY(r.logger.GraphDataSet(1));
    QCOMPARE(window.model().points(), 0);
    QCOMPARE(window.model().look.xScale.min, window.model().look.xScale.max);
    QCOMPARE(window.dataNoBox()->text(), QStringLiteral("0"));
    QCOMPARE(window.startTimeBox()->text(), chart::dateTimeText(r.store.startTime(1)));
    for (int ch = 0; ch < 4; ++ch) {
        QVERIFY(window.maxBox(ch)->text().isEmpty());
        QVERIFY(window.minBox(ch)->text().isEmpty());
        QVERIFY(window.avgBox(ch)->text().isEmpty());
    }
    // Nothing beyond the store.
    QVERIFY(!r.logger.GraphDataSet(2));
    QVERIFY(!r.logger.GraphDataSet(-1));
}

void TestLoggerWindow::annotationToolsFollowTheView_data()
{
    QTest::addColumn<double>("proportion"); // 0: no template (the built-in split view)
    QTest::addColumn<bool>("enabled");
    QTest::newRow("built-in split view") << 0.0 << false;
    QTest::newRow("split template") << 0.25 << false;
    QTest::newRow("shared axis") << 1.0 << true;
}

void TestLoggerWindow::annotationToolsFollowTheView()
{
    QFETCH(double, proportion);
    QFETCH(bool, enabled);
    Rig r;
    if (proportion > 0)
        writeTemplate(r.services, proportion);
    TfrmGraph& window = r.open();
    QCOMPARE(window.annotationToolsEnabled(), enabled);
    window.setAnnotationToolsEnabled(!enabled);
    QVERIFY(r.logger.GraphDataSet(0));
    QCOMPARE(window.annotationToolsEnabled(), enabled);
    // Without a template every set-up says so; with one nothing is said.
    QCOMPARE(r.services.prompts.shown.size(), proportion > 0 ? 0 : 2);
}

void TestLoggerWindow::listRowsAndClicks()
{
    Rig r({ withInterval(3, 1, 60), withInterval(5, 2, 2), withInterval(4, 3, 90) });
    TfrmGraph& window = r.open();
    QTableWidget* grid = window.dataSetList();

    // The only row of a new window is empty: a click graphs nothing.
    grid->setCurrentCell(0, 1);
    window.dataSetGridClick();
    QCOMPARE(window.model().points(), 500);

    FillDataSetList(window, r.store);
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->columnCount(), 6);
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 6; ++c)
            QCOMPARE(grid->item(k, c)->text(), dataSetRow(r.store, k, QLocale()).at(c));
    // No date, time or heading is cut off, and the panel holds every column.
    int columns = 0;
    for (int c = 0; c < 6; ++c) {
        const QFontMetrics metrics(grid->font());
        for (int k = 0; k < 3; ++k)
            QVERIFY2(grid->columnWidth(c) > metrics.horizontalAdvance(grid->item(k, c)->text()),
                qPrintable(grid->item(k, c)->text()));
        columns += grid->columnWidth(c);
    }
    QVERIFY(window.dataSetPanel()->width() > columns);
    // The first set is selected, not graphed.
    QCOMPARE(grid->currentRow(), 0);
    QVERIFY(grid->item(0, 0)->isSelected());
    QCOMPARE(window.model().points(), 500);

    grid->setCurrentCell(1, 3);
    window.dataSetGridClick();
    QCOMPARE(window.model().points(), 5);
    QCOMPARE(window.dataNoBox()->text(), QStringLiteral("5"));

    // A shorter store leaves no rows of the longer list behind.
    const DataSetStore one = storeOf({ withInterval(2, 0, 60) });
    FillDataSetList(window, one);
    QCOMPARE(grid->rowCount(), 1);
}

void TestLoggerWindow::timelineBreaksBetweenSets_data()
{
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("order"); // the sets as the timeline shows them
    const int shown = int(TimelineResult::Shown);
    QTest::newRow("one set: no break") << QList<int> { 1 } << shown << QList<int> { 1 };
    QTest::newRow("two sets, the later one first in the store")
        << QList<int> { 0, 1 } << shown << QList<int> { 1, 0 };
    QTest::newRow("three sets: a break between each")
        << QList<int> { 2, 0, 1 } << shown << QList<int> { 1, 0, 2 };
    QTest::newRow("°C and °F: refused, nothing converted")
        << QList<int> { 0, 3 } << int(TimelineResult::MixedUnits) << QList<int> {};
    QTest::newRow("nothing chosen")
        << QList<int> {} << int(TimelineResult::NoSets) << QList<int> {};
    QTest::newRow("a set outside the store")
        << QList<int> { 0, 7 } << int(TimelineResult::NoSets) << QList<int> {};
}

void TestLoggerWindow::timelineBreaksBetweenSets()
{
    QFETCH(QList<int>, chosen);
    QFETCH(int, result);
    QFETCH(QList<int>, order);
    loggerimages::RecordedSet inFahrenheit
        = loggerimages::setRecordedAt(QDate(2013, 4, 18), QTime(9, 0), 60, 2);
    inFahrenheit.unit = 0;
    Rig r({ loggerimages::setRecordedAt(QDate(2013, 4, 16), QTime(10, 0), 60, 2),
        loggerimages::setRecordedAt(QDate(2013, 4, 15), QTime(14, 5, 9), 60, 3),
        loggerimages::setRecordedAt(QDate(2013, 4, 17), QTime(8, 0), 30, 4), inFahrenheit });
    TfrmGraph& window = r.open();
    const std::vector<int> sets(chosen.begin(), chosen.end());

    QCOMPARE(int(r.logger.GraphTimeline(sets)), result);
    const chart::ChartModel& m = window.model();
    if (result != int(TimelineResult::Shown)) {
        QCOMPARE(m.points(), 500); // the empty graph as it was
        return;
    }
    // The samples of each set in time order, one null point between two sets.
    int p = 0;
    int samples = 0;
    for (int i = 0; i < order.size(); ++i) {
        const int k = order[i];
        if (i > 0) {
            for (int ch = 0; ch < 4; ++ch)
                QVERIFY2(m.isNull(m.y(ch, p)), qPrintable(QString::number(p)));
            QVERIFY(m.x(0, p) >= m.x(0, p - 1));
            QVERIFY(m.x(0, p) <= r.store.startTime(k));
            ++p;
        }
        const std::span<const float> values = r.store.setValues(k);
        const std::span<const double> times = r.store.setTimes(k);
        for (int j = 0; j < r.store.sampleCount(k); ++j, ++p)
            for (int ch = 0; ch < 4; ++ch) {
                QCOMPARE(m.y(ch, p), values[static_cast<size_t>(4 * j + ch)]);
                QCOMPARE(m.x(ch, p), times[static_cast<size_t>(4 * j + ch)]);
            }
        samples += r.store.sampleCount(k);
    }
    QCOMPARE(m.points(), p);
    QCOMPARE(m.look.xScale.min, r.store.startTime(order.first()));
    QCOMPARE(window.dataNoBox()->text(), QString::number(samples));
    QCOMPARE(window.startTimeBox()->text(), chart::dateTimeText(r.store.startTime(order.first())));
    // A break is no reading: the maximum is a sample's, not the null value's "OL".
    for (int ch = 0; ch < 2; ++ch)
        QVERIFY2(!window.maxBox(ch)->text().startsWith(QLatin1String("OL")),
            qPrintable(window.maxBox(ch)->text()));
    QCOMPARE(r.logger.window()->role()->dataCelsius(), std::optional<bool>(true));
}

void TestLoggerWindow::errorDialog_data()
{
    QTest::addColumn<QString>("button"); // empty: the close box
    QTest::addColumn<int>("result");
    QTest::newRow("Try Again") << QStringLiteral("Button2") << int(TfrmErr::TryAgain);
    QTest::newRow("Fixed the error") << QStringLiteral("Button1") << int(TfrmErr::FixError);
    QTest::newRow("Cancel") << QStringLiteral("Button3") << int(TfrmErr::Cancel);
    QTest::newRow("close box") << QString() << int(TfrmErr::Cancel);
}

void TestLoggerWindow::errorDialog()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    TfrmErr dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Fehlermeldung"));
    QCOMPARE(dialog.size(), QSize(346, 97));
    // One row left to right as designed, each German text whole, no button over another.
    const std::pair<const char*, const char*> buttons[] = { { "Button2", "Wiederholen" },
        { "Button1", "Datensatz löschen" }, { "Button3", "Abbrechen" } };
    int right = -1;
    for (const auto& [name, text] : buttons) {
        auto* pushButton = dialog.findChild<QPushButton*>(QLatin1String(name));
        QVERIFY(pushButton);
        QCOMPARE(pushButton->text(), QString::fromUtf8(text));
        QVERIFY2(pushButton->x() > right, name);
        QVERIFY2(pushButton->width() >= pushButton->sizeHint().width(), name);
        QVERIFY2(dialog.rect().contains(pushButton->geometry()), name);
        QCOMPARE(pushButton->y(), 64);
        QCOMPARE(pushButton->height(), 25);
        right = pushButton->geometry().right();
    }
    dialog.setFixOffered(false);
    QVERIFY(!dialog.fixOffered());
    dialog.setFixOffered(true);
    QVERIFY(dialog.fixOffered());
    dialog.setMessage(QStringLiteral("There was error\\n"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
        QStringLiteral("There was error\\n"));

    dialog.setResult(-1);
    dialog.show();
    if (button.isEmpty())
        dialog.close();
    else
        dialog.findChild<QPushButton*>(button)->click();
    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.result(), result);
}

QTEST_MAIN(TestLoggerWindow)
#include "tst_loggerwindow.moc"
