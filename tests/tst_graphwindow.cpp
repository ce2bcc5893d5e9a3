// The graph window: its set-up with and without a graph template, the statistics boxes, the
// MAX/MIN texts and the data point marker, the save questions of both tracked roles (alone and
// when the main window closes), saving a graph file, and the real-time graph's place.

#include "ChannelConfig.h"
#include "ChartQcp.h"
#include "ChartView.h"
#include "ClientArea.h"
#include "DateTimeSerial.h"
#include "DocumentArea.h"
#include "FakeGraphServices.h"
#include "GraphCommands.h"
#include "GraphConfig.h"
#include "GraphRates.h"
#include "GraphShared.h"
#include "GraphStateFile.h"
#include "GraphStatistics.h"
#include "LoggerGraphRole.h"
#include "ManualClock.h"
#include "MessageTable.h"
#include "NoMeterDeps.h"
#include "RealTimeRecorder.h"
#include "RecordingSettingsStore.h"
#include "SaveGraph.h"
#include "ScriptedPrompter.h"
#include "SimulatedSerialPort.h"
#include "TfrmGraph.h"
#include "TfrmMain.h"
#include "WorkspaceRig.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStatusBar>
#include <QStyleOptionTitleBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QtEndian>

using namespace tc4dl;
using chart::ChartModel;
using tc4dl::testing::FakeGraphServices;
using tc4dl::testing::ScriptedPrompter;
using tc4dl::testing::WorkspaceRig;

namespace {

constexpr double kDay = 86400.0;

// The main window's services and recorder host, the recorder as the real-time role, and the
// message the graph template's absence brings.
struct Host {
    QString missingTemplateMessage() const
    {
        // The stored German parts have no blanks of their own at the seams.
        return services.messages.getTextOrDefault(QStringLiteral("IDS_12")) + QLatin1Char(' ')
            + QDir::toNativeSeparators(graphTemplatePath(services.folders)) + QLatin1Char(' ')
            + services.messages.getTextOrDefault(QStringLiteral("IDS_13"));
    }
    TfrmGraph* createRealTimeGraph(QMdiArea& area, QString* error = nullptr)
    {
        return CreateRealTimeGraph(services, area, recorder, recording().rate(), error);
    }
    Recording& recording() { return rig.recording(); }
    OpenData& data() { return rig.ws().openData(); }
    const ControlState& controls() { return rig.ws().controls(); }

    FakeGraphServices services;
    WorkspaceRig rig { &services.manualClock };
    RealTimeRecorder recorder { rig.ws(), services };
};

// Writes a template whose look is that of `model`.
void writeTemplate(const QString& folder, const ChartModel& model)
{
    QVERIFY(QDir(folder).mkpath(QStringLiteral("template")));
    QString error;
    QVERIFY2(
        chart::saveGraphState(model, QDir(folder).filePath(graphTemplateRelativePath()), &error),
        qPrintable(error));
}

// Four channels of `n` points two seconds apart; channel 3 lies beyond the limits.
void fill(ChartModel& model, int n, double start)
{
    model.setSubsets(4);
    model.setPoints(n);
    for (int p = 0; p < n; ++p) {
        const double x = start + 2.0 * p / kDay;
        for (int s = 0; s < 4; ++s)
            model.setX(s, p, x);
        model.setY(0, p, 20.0 + p); // rising: max last, min first
        model.setY(1, p, p == 4 ? 5.0 : 10.0); // one dip
        model.setY(2, p, -12.5); // constant: first occurrence kept
        model.setY(3, p, 3500.0); // over range
    }
}

// Two sets of curves alike point for point, a gap (NaN) standing for a gap.
bool sameCurves(
    const std::vector<chart::OverlayCurve>& a, const std::vector<chart::OverlayCurve>& b)
{
    const auto same = [](double u, double v) { return (std::isnan(u) && std::isnan(v)) || u == v; };
    if (a.size() != b.size())
        return false;
    for (std::size_t c = 0; c < a.size(); ++c) {
        if (a[c].subset != b[c].subset || a[c].x != b[c].x || a[c].y.size() != b[c].y.size())
            return false;
        for (std::size_t i = 0; i < a[c].y.size(); ++i)
            if (!same(a[c].y[i], b[c].y[i]))
                return false;
    }
    return true;
}

// A role that asks for the rates of the latest minute, as the real-time graph does, or not.
class StubRole final : public GraphRole {
public:
    explicit StubRole(bool latest)
        : m_latest(latest)
    {
    }
    void attach(TfrmGraph&) override { }
    bool closeQuery() override { return true; }
    void closed() override { }
    void save() override { }
    bool ratesOfLatestMinute() const override { return m_latest; }

private:
    bool m_latest;
};

QMdiSubWindow* frameOf(TfrmGraph* graph)
{
    return qobject_cast<QMdiSubWindow*>(graph->parentWidget());
}

// The main window with no meter and its folders in a temporary place.
struct MainFixture {
    MainFixture()
    {
        MainWindowDeps deps = tc4dl::testing::noMeterDeps(
            clock, store, prompter, programDir.path(), dataDir.path());
        window = new TfrmMain(std::move(deps));
        window->resize(1200, 800);
    }
    ~MainFixture() { delete window; }

    QTemporaryDir programDir;
    QTemporaryDir dataDir;
    ManualClock clock;
    RecordingSettingsStore store;
    ScriptedPrompter prompter;
    TfrmMain* window = nullptr;
};

// What a person sees of widget `w`: its rectangle in `top`'s coordinates, cut by every
// parent between them.
QRect visibleRect(const QWidget* w, const QWidget* top)
{
    QRect r(w->mapTo(top, QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p && p != top; p = p->parentWidget())
        r &= QRect(p->mapTo(top, QPoint(0, 0)), p->size());
    return r & top->rect();
}

bool shown(const QWidget* w, const QWidget* top)
{
    for (const QWidget* p = w; p && p != top; p = p->parentWidget())
        if (p->isHidden())
            return false;
    return w->isVisibleTo(top);
}

struct TickLabel {
    QString text;
    QRectF rect;
    QString axis;
};

// The drawn tick labels of every axis of `plot`, where QCustomPlot puts them.
QList<TickLabel> tickLabelsOf(QCustomPlot* plot)
{
    QList<TickLabel> labels;
    const QList<QCPAxisRect*> rects = plot->axisRects();
    for (qsizetype r = 0; r < rects.size(); ++r) {
        for (QCPAxis* axis :
            { rects[r]->axis(QCPAxis::atLeft), rects[r]->axis(QCPAxis::atBottom) }) {
            if (!axis->tickLabels())
                continue;
            const QFontMetricsF fm(axis->tickLabelFont());
            const QList<double> ticks = axis->tickVector();
            const QList<QString> texts = axis->tickVectorLabels();
            const bool left = axis->axisType() == QCPAxis::atLeft;
            for (qsizetype i = 0; i < ticks.size() && i < texts.size(); ++i) {
                if (texts[i].isEmpty() || !axis->range().contains(ticks[i]))
                    continue;
                const QSizeF size = fm.boundingRect(QRectF(0, 0, 10000, 10000),
                                          Qt::TextDontClip | Qt::AlignHCenter, texts[i])
                                        .size();
                const double at = axis->coordToPixel(ticks[i]);
                const double gap = axis->tickLabelPadding() + axis->tickLengthOut();
                QRectF rect = left ? QRectF(rects[r]->left() - gap - size.width(),
                                  at - size.height() / 2, size.width(), size.height())
                                   : QRectF(at - size.width() / 2, rects[r]->bottom() + gap,
                                       size.width(), size.height());
                labels.append(
                    { texts[i], rect, QStringLiteral("%1%2").arg(left ? 'Y' : 'X').arg(r) });
            }
        }
    }
    return labels;
}

} // namespace

class TestGraphWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void windowStartsAsDesigned()
    {
        Host host;
        TfrmGraph graph(host.services);
        QVERIFY(graph.dataSetPanel()->isHidden());
        QTableWidget* grid = graph.dataSetList();
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Einrichten"));
        QCOMPARE(grid->horizontalHeaderItem(5)->text(), QStringLiteral("Einheit"));
        QCOMPARE(grid->columnWidth(3), 65);
        QCOMPARE(graph.dataNoBox()->text(), QStringLiteral("0"));
        QCOMPARE(graph.minutesList()->currentText(), QStringLiteral("00"));
        QCOMPARE(graph.secondsList()->currentText(), QStringLiteral("02"));
        QCOMPARE(graph.secondsList()->count(), 61);
        QVERIFY(!graph.minutesList()->isEnabled());
        for (int ch = 0; ch < 4; ++ch) {
            QCOMPARE(graph.avgBox(ch)->text(), QStringLiteral("***.* "));
            QVERIFY(graph.maxBox(ch)->isReadOnly() && graph.minBox(ch)->isReadOnly());
        }
        QCOMPARE(graph.lineCursorPanel()->height(), 106);
        QVERIFY(!graph.findChild<QToolButton*>(QStringLiteral("UndoZoom"))->isEnabled());
        // Texts from the window's table, German in use.
        QCOMPARE(graph.findChild<QToolButton*>(QStringLiteral("ToolButton5"))->toolTip(),
            QStringLiteral("Kreuz in die Grafik zeichnen"));
        // A graph of a file has no role; the logger's role attaches when given.
        QVERIFY(!graph.role());
        LoggerGraphRole logger(host.services, host.data(), OpenData::Piece::Logger, {});
        graph.setRole(&logger);
        QCOMPARE(graph.role(), &logger);
        QCOMPARE(logger.window(), &graph);
    }

    void realTimeGraphWithoutTemplate()
    {
        Host host;
        QMdiArea area;
        QString error;
        TfrmGraph* graph = host.createRealTimeGraph(area, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(host.services.prompts.shown, QStringList { host.missingTemplateMessage() });
        QVERIFY(
            host.services.prompts.shown.first().startsWith(QStringLiteral("Die Datei kann nicht")));
        QVERIFY(host.recorder.hasWindow());
        QCOMPARE(graph->role(), &host.recorder);
        QCOMPARE(frameOf(graph)->y(), 0);
        QVERIFY(graph->clearVisible());

        const ChartModel& m = graph->model();
        QCOMPARE(m.subsets(), 4);
        QCOMPARE(m.points(), 100);
        QCOMPARE(m.y(3, 99), 9999.0f);
        QCOMPARE(m.x(0, 0), 0.0);
        QCOMPARE(m.look.multiAxesProportions, (QList<double> { 0.25, 0.25, 0.25, 0.25 }));
        QCOMPARE(m.look.multiAxesSubsets, (QList<int> { 1, 1, 1, 1 }));
        for (int axis = 0; axis < 4; ++axis)
            QCOMPARE(m.yScale(axis),
                (chart::Scale { chart::ScaleControl::ManualMinAndMax, -10.0, 50.0 }));
        const double now = toDateTimeSerial(host.services.manualClock.now());
        QCOMPARE(m.look.xScale.control, chart::ScaleControl::ManualMinAndMax);
        QCOMPARE(m.look.xScale.min, now);
        QVERIFY(qAbs((m.look.xScale.max - now) * kDay - 110.0) < 1e-3);
        QCOMPARE(m.look.subsetLabels.size(), 4);
        QCOMPARE(
            m.look.subsetColors, (QList<chart::Color> { 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF }));
        QCOMPARE(m.look.subTitle, QStringLiteral(" "));
        QCOMPARE(m.vertLine(1).color, 0x0000FFu);
        QCOMPARE(m.workingAxis(), 0);
        QVERIFY(m.look.allowGraphAnnotHotSpots && !m.look.focalRect && !m.look.allowBar);
        // Split: crosses and texts are not offered.
        QVERIFY(!graph->annotationToolsEnabled());
        QVERIFY(graph->minutesList()->isEnabled());
        QCOMPARE(graph->secondsList()->currentText(), QStringLiteral("02"));

        // Every set-up without template tells it again, once.
        QVERIFY(
            ConfigureGraph(*graph->graph(), host.services, GraphExtent { 4, 10, 0, 0, 0, 100 }));
        QCOMPARE(host.services.prompts.shown.size(), 2);
        // minX = 0 keeps the X scale.
        QCOMPARE(graph->model().look.xScale.min, now);
        QCOMPARE(graph->model().points(), 10);
    }

    void samplingRateLists_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::newRow("2 s") << 2 << 0 << 2;
        QTest::newRow("1:30") << 90 << 1 << 30;
        QTest::newRow("60:59") << 3659 << 60 << 59;
        QTest::newRow("61 min: no minutes") << 3660 << -1 << 0;
    }
    void samplingRateLists()
    {
        QFETCH(int, rate);
        Host host;
        host.recording().setRate(rate);
        QMdiArea area;
        TfrmGraph* graph = host.createRealTimeGraph(area);
        QTEST(graph->minutesList()->currentIndex(), "minutes");
        QTEST(graph->secondsList()->currentIndex(), "seconds");
    }

    void realTimeGraphFromTemplate_data()
    {
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("inDataFolder");
        QTest::newRow("shared axis") << false << false;
        QTest::newRow("split") << true << false;
        QTest::newRow("in the data folder") << false << true;
    }
    void realTimeGraphFromTemplate()
    {
        QFETCH(bool, split);
        QFETCH(bool, inDataFolder);
        Host host;
        ChartModel look;
        look.look.mainTitle = QStringLiteral("Kiln");
        look.look.gridStyle = chart::GridStyle::Dash;
        look.look.allowPopup = true;
        look.setNullY(-1.0f);
        look.setMultiAxesProportions(0, split ? 0.25 : 1.0);
        look.look.xScale = chart::Scale { chart::ScaleControl::ManualMinAndMax, 100.0, 200.0 };
        writeTemplate(
            inDataFolder ? host.services.folders.appData : host.services.folders.program, look);

        QMdiArea area;
        QString error;
        TfrmGraph* graph = host.createRealTimeGraph(area, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(host.services.prompts.shown.isEmpty());
        const ChartModel& m = graph->model();
        // The template's look stays; the set-up's own values override it.
        QCOMPARE(m.look.mainTitle, QStringLiteral("Kiln"));
        QCOMPARE(m.look.gridStyle, chart::GridStyle::Dash);
        QVERIFY(!m.look.allowPopup);
        QCOMPARE(m.nullY(), 9999.0f);
        QCOMPARE(m.points(), 100);
        QCOMPARE(graph->annotationToolsEnabled(), !split);

        // minX = 0 keeps the template's X scale.
        QVERIFY(ConfigureGraph(*graph->graph(), host.services, GraphExtent { 4, 5, 0, 0, 0, 10 }));
        QCOMPARE(graph->model().look.xScale.min, 100.0);
        QVERIFY(host.services.prompts.shown.isEmpty());
    }

    // A damaged template is said in one message naming it, and the built-in look takes its
    // place, so the real-time graph still has its four channels and their points.
    void damagedTemplateFallsBackToTheBuiltInLook_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason"); // a part of the reason left for the log
        QTest::newRow("cut short")
            << QByteArray("\x40\x00\x00\x00 short", 10) << chart::kStreamReadError;
        QTest::newRow("empty file") << QByteArray() << chart::kStreamReadError;
        QTest::newRow("no state block")
            << QByteArray("\x08\x00\x00\x00GIF89a\x01\x02", 12) << QStringLiteral("magic");
    }
    void damagedTemplateFallsBackToTheBuiltInLook()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        Host host;
        QVERIFY(QDir(host.services.folders.program).mkpath(QStringLiteral("template")));
        QFile file(graphTemplatePath(host.services.folders));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QMdiArea area;
        QString error;
        TfrmGraph* graph = host.createRealTimeGraph(area, &error);
        QVERIFY(graph);
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(host.services.prompts.shown, QStringList { host.missingTemplateMessage() });

        const ChartModel& m = graph->model();
        QCOMPARE(m.subsets(), 4);
        QCOMPARE(m.points(), 100);
        QCOMPARE(m.look.multiAxesSubsets, (QList<int> { 1, 1, 1, 1 }));
        QCOMPARE(m.yScale(3), (chart::Scale { chart::ScaleControl::ManualMinAndMax, -10.0, 50.0 }));
        QCOMPARE(m.look.subsetLabels,
            (QStringList { QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3"),
                QStringLiteral("T4") }));
        QVERIFY(!graph->annotationToolsEnabled());
        QVERIFY(graph->minutesList()->isEnabled());

        // Every later set-up says it again, once, and still gives a working graph.
        QVERIFY(
            !ConfigureGraph(*graph->graph(), host.services, GraphExtent { 4, 10, 0, 0, 0, 100 }));
        QCOMPARE(host.services.prompts.shown.size(), 2);
        QCOMPARE(graph->model().points(), 10);
    }

    void templateWritePlace()
    {
        GraphFolders folders { QStringLiteral("/nonexistent/tc4dl"), QStringLiteral("/tmp/data") };
        QCOMPARE(graphTemplateWritePath(folders), QStringLiteral("/tmp/data/template/graph.ghf"));
        QTemporaryDir program;
        folders.program = program.path();
        QCOMPARE(graphTemplateWritePath(folders), graphTemplatePath(folders));
        QVERIFY(graphTemplateReadPath(folders).isEmpty());
    }

    void statisticsBoxes_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("rate");
        // A graph with room for `capacity` points (the rest X 0 and null, as while recording),
        // with a role that wants the latest minute's rates (the real-time graph's) or none.
        QTest::addColumn<int>("capacity");
        QTest::addColumn<bool>("latest");
        // The rates of T1 (rising 1 per 2 s) and T2 (one dip at point 4), and the user's
        // name for T1 (none: T1).
        QTest::addColumn<QString>("rateT1");
        QTest::addColumn<QString>("rateT2");
        QTest::addColumn<QString>("name");
        QTest::newRow("ten points 2 s apart")
            << 10 << QStringLiteral("00:02") << 10 << false << "30.0 °/min"
            << "0.9 °/min"
            << "";
        QTest::newRow("one point") << 1 << QStringLiteral("00:00") << 1 << false << "****"
                                   << "****"
                                   << "";
        // The whole graph still sees the dip; the latest minute (points 60..89) does not.
        QTest::newRow("ninety points, whole graph")
            << 90 << QStringLiteral("00:02") << 90 << false << "30.0 °/min"
            << "0.1 °/min"
            << "";
        QTest::newRow("ninety of 200 recorded, latest minute, named")
            << 90 << QStringLiteral("00:02") << 200 << true << "30.0 °/min"
            << "0.0 °/min"
            << "Ofen";
        QTest::newRow("ten of 200 recorded, latest minute holds all")
            << 10 << QStringLiteral("00:02") << 200 << true << "30.0 °/min"
            << "0.9 °/min"
            << "";
    }
    void statisticsBoxes()
    {
        QFETCH(int, points);
        QFETCH(int, capacity);
        QFETCH(bool, latest);
        QFETCH(QString, name);
        Host host;
        TfrmGraph graph(host.services);
        StubRole role(latest);
        graph.setRole(&role);
        const double start = toDateTimeSerial(host.services.manualClock.now());
        fill(graph.model(), points, start);
        graph.model().setPoints(capacity);
        // The labels and the split view every graph of the program starts with.
        graph.model().look.subsetLabels = QStringList { "T1", "T2", "T3", "T4" };
        for (int k = 0; k < 4; ++k) {
            graph.model().setMultiAxesSubsets(k, 1);
            graph.model().setMultiAxesProportions(k, 0.25);
        }
        const QByteArray unnamed = graph.model().storeState();
        alarm::ChannelSet channels;
        channels[0].name = name;
        host.services.channels.setChannels(channels);
        graph.redraw();
        graph.model().setPoints(points);
        graph.ComputeGraphStatistics();
        QTEST(graph.minutesList()->currentText() + QLatin1Char(':')
                + graph.secondsList()->currentText(),
            "rate");
        QCOMPARE(graph.dataNoBox()->text(), QString::number(points));
        QCOMPARE(graph.startTimeBox()->text(), chart::dateTimeText(start));
        const double last = start + 2.0 * (points - 1) / kDay;
        QCOMPARE(graph.maxBox(0)->text(), chart::valueAtText(19.0f + points, last));
        QVERIFY(graph.maxBox(0)->text().startsWith(QString::number(19 + points) + ".0@"));
        QCOMPARE(graph.minBox(0)->text(), chart::valueAtText(20.0f, start));
        QCOMPARE(graph.minBox(2)->text(), chart::valueAtText(-12.5f, start));
        QCOMPARE(graph.avgBox(2)->text(), QStringLiteral("-12.500"));
        if (points > 4)
            QCOMPARE(graph.minBox(1)->text(), chart::valueAtText(5.0f, start + 8.0 / kDay));
        // All beyond the limits: OL both ways, no average.
        QCOMPARE(graph.maxBox(3)->text(), QStringLiteral("OL"));
        QCOMPARE(graph.minBox(3)->text(), QStringLiteral("OL"));
        QCOMPARE(graph.avgBox(3)->text(), QStringLiteral("****"));

        // Rates: OL readings take no part, so T4 has none; a constant channel stands still.
        QTEST(graph.rateBox(0)->text(), "rateT1");
        QTEST(graph.rateBox(1)->text(), "rateT2");
        QCOMPARE(graph.rateBox(2)->text(),
            points > 1 ? QStringLiteral("0.0 °/min") : QStringLiteral("****"));
        QCOMPARE(graph.rateBox(3)->text(), QStringLiteral("****"));
        // The name in the legend and the row, never in the model (so never in a file).
        const QString shown = name.isEmpty() ? QStringLiteral("T1") : name;
        QCOMPARE(graph.graph()->legendLabel(0), shown);
        QCOMPARE(graph.findChild<QLabel*>(QStringLiteral("lblT1Max"))->text(), shown + " MAX ");
        QCOMPARE(graph.graph()->axisTitle(0), name);
        graph.model().setPoints(capacity);
        QCOMPARE(graph.model().storeState(), unnamed);

        // The rate curves come and go with their switch, beside the data, not in it.
        graph.rateCurvesSwitch()->setChecked(true);
        QCOMPARE(graph.graph()->overlayCurvesDrawn(), 4);
        const chart::OverlayCurve& t1 = graph.graph()->overlayCurves().front();
        QCOMPARE(static_cast<int>(t1.y.size()), points);
        if (points > 1)
            QVERIFY(qAbs(t1.y.back() - 30.0) < 1e-6);
        QVERIFY(std::isnan(graph.graph()->overlayCurves()[3].y.back())); // OL: a gap
        QCOMPARE(graph.model().storeState(), unnamed);
        // Samples recorded while they are shown: drawn as if worked out anew; so after a
        // reading behind the end changed.
        for (int p = points; p < std::min(points + 5, capacity); ++p) {
            for (int ch = 0; ch < 4; ++ch) {
                graph.model().setX(ch, p, start + 2.0 * p / kDay);
                graph.model().setY(ch, p, 20.0 + p * 1.5);
            }
            graph.redraw();
            QVERIFY(sameCurves(graph.graph()->overlayCurves(), chart::rateCurves(graph.model())));
        }
        graph.model().setY(0, 0, 40.0);
        graph.redraw();
        QVERIFY(sameCurves(graph.graph()->overlayCurves(), chart::rateCurves(graph.model())));
        graph.rateCurvesSwitch()->setChecked(false);
        QCOMPARE(graph.graph()->overlayCurvesDrawn(), 0);
    }

    // The rate curves kept up to date with a growing graph are the ones worked out anew after
    // every change; only samples added past their ends are read on their own.
    void rateCurvesKeptUpToDate_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("changes"); // per step: + appended, * anew, - none
        QTest::newRow("a sample at a time") << QStringList { "add", "add", "add" } << "+++";
        QTest::newRow("a reading behind the end changed")
            << QStringList { "add", "earlier", "add" } << "+*+";
        QTest::newRow("only the look") << QStringList { "add", "look" } << "+-";
        QTest::newRow("OL, a gap, then a reading")
            << QStringList { "add OL", "add null", "add" } << "+++";
        QTest::newRow("the graph cut shorter") << QStringList { "add", "shorter" } << "+*";
        QTest::newRow("the clock set back") << QStringList { "add", "add back" } << "++";
        QTest::newRow("the null value changed") << QStringList { "add", "null value" } << "+*";
        QTest::newRow("more changes than the model remembers")
            << QStringList { "add", "many looks, add" } << "+*";
        QTest::newRow("a sample beyond a hole") << QStringList { "add far", "add" } << "++";
    }
    void rateCurvesKeptUpToDate()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, changes);
        ChartModel model;
        const double start = 46000.5;
        fill(model, 10, start);
        model.setPoints(60);
        int next = 10;
        chart::RateCurves curves;
        QCOMPARE(curves.update(model), chart::RateCurves::Change::Anew);
        const auto add = [&](int p, double t, float y) {
            for (int ch = 0; ch < 4; ++ch) {
                model.setX(ch, p, t);
                model.setY(ch, p, y + ch);
            }
        };
        using Change = chart::RateCurves::Change;
        for (int i = 0; i < steps.size(); ++i) {
            const QString& step = steps[i];
            if (step == QLatin1String("add far"))
                next += 3; // X 0 stays between
            const int p = next;
            const double t = start + 2.0 * p / kDay;
            if (step.startsWith(QLatin1String("add")))
                ++next;
            if (step == QLatin1String("add") || step == QLatin1String("add far")) {
                add(p, t, 20.0f + float(p % 7));
            } else if (step == QLatin1String("add OL")) {
                add(p, t, 5000.0f);
            } else if (step == QLatin1String("add null")) {
                add(p, t, model.nullY());
            } else if (step == QLatin1String("add back")) {
                add(p, start - 1.0, 20.0f);
            } else if (step == QLatin1String("earlier")) {
                model.setY(1, 3, 99.0);
            } else if (step == QLatin1String("look")) {
                model.look.mainTitle = QStringLiteral("x");
                model.touchLook();
            } else if (step == QLatin1String("shorter")) {
                model.setPoints(5);
            } else if (step == QLatin1String("null value")) {
                model.setNullY(20.0f);
            } else if (step == QLatin1String("many looks, add")) {
                for (int k = 0; k < 100; ++k)
                    model.touchLook();
                add(next++, t, 20.0f);
            }
            const Change expected = changes[i] == QLatin1Char('+') ? Change::Appended
                : changes[i] == QLatin1Char('*')                   ? Change::Anew
                                                                   : Change::None;
            QCOMPARE(curves.update(model), expected);
            QVERIFY(sameCurves(curves.curves(), chart::rateCurves(model)));
            if (expected == Change::Appended) {
                for (std::size_t c = 0; c < curves.curves().size(); ++c)
                    QCOMPARE(curves.appendedFrom()[c], curves.curves()[c].x.size() - 1);
            }
        }
    }

    void showMaxMinTwiceStacksEightTexts()
    {
        Host host;
        host.services.shared.annoColor = 0x0000FF;
        TfrmGraph graph(host.services);
        QVERIFY(!graph.clearVisible());
        graph.resize(900, 600);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        fill(graph.model(), 10, toDateTimeSerial(host.services.manualClock.now()));
        graph.redraw();
        QCoreApplication::processEvents();
        graph.ComputeGraphStatistics();
        graph.commands()->showMaxMinButtonClick();
        graph.commands()->showMaxMinButtonClick();
        QCOMPARE(graph.lastAnnotationIndex(), 11);
        QCOMPARE(graph.model().annotationCount(), 12);
        for (int k = 0; k < 4; ++k) {
            const chart::GraphAnnotation first = graph.model().annotation(4 + k);
            QCOMPARE(first.type, chart::kAnnotationText);
            QCOMPARE(first.color, 0x0000FFu);
            QCOMPARE(first.text,
                QStringLiteral("T%1 MAX:").arg(k + 1) + graph.maxBox(k)->text()
                    + QStringLiteral("MIN:") + graph.minBox(k)->text() + QStringLiteral("AVG:")
                    + graph.avgBox(k)->text());
            QCOMPARE(graph.model().annotation(8 + k), first); // same text, same place
        }
        // Annotations 0..3 stay the program's own.
        QVERIFY(graph.model().annotation(3).text.isEmpty());
    }

    void dataPointMarkerReusesAnnotationTwo()
    {
        Host host;
        TfrmGraph graph(host.services);
        const double start = toDateTimeSerial(host.services.manualClock.now());
        fill(graph.model(), 10, start);
        graph.PESGraph1DataHotSpot(0, 3);
        graph.PESGraph1DataHotSpot(1, 4);
        QCOMPARE(graph.model().annotationCount(), 3);
        const chart::GraphAnnotation marker = graph.model().annotation(2);
        QCOMPARE(marker.type, chart::kAnnotationCross);
        QCOMPARE(marker.color, 0xFFFFFFu); // shows on the black plot
        QCOMPARE(marker.x, start + 8.0 / kDay);
        QCOMPARE(marker.y, 5.0);
        QCOMPARE(marker.text, chart::timeText(marker.x) + QChar(13) + QStringLiteral("5.0"));
    }

    void toggles()
    {
        Host host;
        TfrmGraph graph(host.services);
        graph.resize(900, 600);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        auto* statistic = graph.findChild<QToolButton*>(QStringLiteral("ToolButton1"));
        auto* lineCursor = graph.findChild<QToolButton*>(QStringLiteral("ToolButton2"));
        QVERIFY(statistic->isChecked() && lineCursor->isChecked());
        statistic->click();
        QVERIFY(!graph.statisticStrip()->isVisible());
        lineCursor->click();
        QVERIFY(!graph.lineCursorPanel()->isVisible());
        QVERIFY(!graph.model().look.showVertLineAnnotations);
        lineCursor->click();
        QVERIFY(graph.model().look.showVertLineAnnotations);
        QVERIFY(graph.lineCursorPanel()->isVisible());
        // The read-out stays at the plot's top-left corner.
        QCoreApplication::processEvents();
        const QPoint corner
            = graph.graph()->geometry().topLeft() + graph.graph()->plotRect().topLeft();
        QCOMPARE(graph.readOut()->pos(), corner);
    }

    // Over a split graph the read-out converts on the axis under the pointer.
    void mouseReadOutInsideThePlotOnly_data()
    {
        QTest::addColumn<int>("axis");
        QTest::newRow("over T1") << 0;
        QTest::newRow("over T3") << 2;
        QTest::newRow("over T4") << 3;
    }
    void mouseReadOutInsideThePlotOnly()
    {
        QFETCH(int, axis);
        Host host;
        QMdiArea area;
        area.resize(1000, 700);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        TfrmGraph* graph = host.createRealTimeGraph(area);
        graph->frameWindow()->resize(900, 600);
        // Every channel's own range: 100..200 for T1, 200..300 for T2, and so on.
        for (int a = 0; a < 4; ++a) {
            graph->model().setWorkingAxis(a);
            graph->model().setYScale(
                { chart::ScaleControl::ManualMinAndMax, 100.0 * (a + 1), 100.0 * (a + 2) });
        }
        graph->model().setWorkingAxis(0);
        graph->redraw();
        QCoreApplication::processEvents();
        chart::ChartView* view = graph->graph();
        QCustomPlot* plot = view->plot();
        const QRect rect = view->plotRect(axis);
        QVERIFY(!rect.isEmpty());
        const auto moveTo = [&](QPoint inView) {
            const QPoint local = plot->mapFrom(view, inView);
            QMouseEvent move(QEvent::MouseMove, QPointF(local), plot->mapToGlobal(QPointF(local)),
                Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(plot, &move);
        };
        const QPoint inside = rect.center();
        moveTo(inside);
        const QPointF value = view->pixelToGraph(inside, axis);
        const QString expected
            = chart::fixedText(value.y(), 1) + QLatin1Char('@') + chart::timeText(value.x());
        QCOMPARE(graph->readOut()->text(), expected);
        QVERIFY(graph->readOut()->isVisible());
        QVERIFY(value.y() > 100.0 * (axis + 1) && value.y() < 100.0 * (axis + 2));
        // Outside the plot the read-out keeps its text.
        moveTo(QPoint(2, 2));
        QCOMPARE(graph->readOut()->text(), expected);
    }

    void closeQuestions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("saved"); // the save after Yes happened
        const QString logger = QStringLiteral("Speichere Datenloggerdaten ?");
        const QString realTime = QStringLiteral("Speichere Echtzeit-Grafik ?");
        const auto yes = static_cast<int>(Prompter::Answer::Yes);
        const auto no = static_cast<int>(Prompter::Answer::No);
        const auto cancel = static_cast<int>(Prompter::Answer::Cancel);
        QTest::newRow("logger yes")
            << TfrmGraph::dataLoggerCaption() << yes << true << logger << true;
        // A Yes whose save did not happen (cancelled, not written) keeps the window.
        QTest::newRow("logger yes, not saved")
            << TfrmGraph::dataLoggerCaption() << yes << false << logger << false;
        QTest::newRow("logger no")
            << TfrmGraph::dataLoggerCaption() << no << true << logger << true;
        QTest::newRow("logger cancel")
            << TfrmGraph::dataLoggerCaption() << cancel << false << logger << true;
        QTest::newRow("real-time yes")
            << TfrmGraph::realTimeCaption() << yes << true << realTime << true;
        QTest::newRow("real-time yes, not saved")
            << TfrmGraph::realTimeCaption() << yes << false << realTime << false;
        QTest::newRow("real-time no")
            << TfrmGraph::realTimeCaption() << no << true << realTime << true;
        QTest::newRow("real-time cancel")
            << TfrmGraph::realTimeCaption() << cancel << false << realTime << true;
    }
    void closeQuestions()
    {
        QFETCH(QString, caption);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        Host host;
        int saveCommands = 0;
        LoggerGraphRole logger(
            host.services, host.data(), OpenData::Piece::Logger, [&saveCommands, saved] {
                ++saveCommands;
                return saved;
            });
        host.services.savesSucceed = saved;
        host.rig.report(LinkChange::ScanFound);
        host.recording().setUnsaved(true);
        host.data().setUnsaved(OpenData::Piece::Logger, true);
        host.recording().assumeRecording(true, 7);
        QMdiArea area;
        auto* graph = new TfrmGraph(host.services);
        graph->setWindowTitle(caption);
        QMdiSubWindow* sub = area.addSubWindow(graph);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        const bool realTime = caption == TfrmGraph::realTimeCaption();
        graph->setRole(realTime ? static_cast<GraphRole*>(&host.recorder) : &logger);
        sub->show();
        host.services.prompts.answers << static_cast<Prompter::Answer>(answer);

        QCOMPARE(sub->close(), closes);
        QTEST(host.services.prompts.shown.value(0), "question");
        QCOMPARE(host.services.prompts.shown.size(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(area.subWindowList().isEmpty(), closes);
        const bool yes = answer == static_cast<int>(Prompter::Answer::Yes);
        QCOMPARE(saveCommands, !realTime && yes ? 1 : 0);
        QCOMPARE(host.services.graphSaves, realTime && yes ? 1 : 0);
        const bool loggerUnsaved = host.data().unsaved(OpenData::Piece::Logger);
        if (!closes) {
            QVERIFY(host.recording().unsaved() && loggerUnsaved);
            QVERIFY(host.recording().active());
            return;
        }
        // Each window lets go of its own data only: closing the real-time graph keeps the
        // question for the logger's downloaded sets.
        QCOMPARE(loggerUnsaved, realTime);
        QVERIFY(!host.recorder.hasWindow() && !logger.window());
        QCOMPARE(host.recording().unsaved(), !realTime);
        // Closing the real-time graph ends the recording.
        QCOMPARE(host.recording().active(), !realTime);
        QCOMPARE(host.recording().sampleCount(), realTime ? 0 : 7);
        QCOMPARE(host.controls().run, realTime);
        QCOMPARE(host.controls().stop, !realTime);
    }

    void closingWithoutMeterLeavesRunDisabled()
    {
        Host host;
        QMdiArea area;
        TfrmGraph* graph = host.createRealTimeGraph(area);
        graph->close(); // on its own: its frame goes too
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(area.subWindowList().isEmpty());
        QVERIFY(!host.controls().run && !host.controls().stop);
        QVERIFY(host.services.prompts.shown.size() == 1); // the template message only, no question
    }

    void mainWindowClosesAfterTheGraphQuestions()
    {
        MainFixture f;
        f.window->FormShow();
        QVERIFY(f.window->windows().realTimeGraph());
        QVERIFY(f.window->action(QStringLiteral("RealTimeGraph1"))->isChecked());
        f.prompter.shown.clear();
        f.window->workspace().recording().setUnsaved(true);

        f.prompter.answers << Prompter::Answer::Cancel;
        QVERIFY(!f.window->close());
        QCOMPARE(f.prompter.shown, QStringList { QStringLiteral("Speichere Echtzeit-Grafik ?") });
        QVERIFY(f.store.writes.isEmpty());
        QVERIFY(f.window->windows().realTimeGraph());

        const QString name = QDir(f.programDir.path()).filePath(QStringLiteral("rt.ghf"));
        f.prompter.answers << Prompter::Answer::Yes;
        f.prompter.fileNames << name;
        QVERIFY(f.window->close());
        QVERIFY(QFile::exists(name));
        QVERIFY(!f.store.writes.isEmpty());
    }

    void saveGraphFile_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("written");
        QTest::newRow("ghf") << QStringLiteral("one.ghf") << true;
        QTest::newRow("GHF") << QStringLiteral("two.GHF") << true;
        QTest::newRow("other") << QStringLiteral("four.dat") << false;
    }
    void saveGraphFile()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, written);
        MainFixture f;
        f.window->FormShow();
        TfrmGraph* graph = f.window->windows().realTimeGraph();
        fill(graph->model(), 10, 46000.5);
        const QString path = QDir(f.programDir.path()).filePath(fileName);
        f.prompter.shown.clear();
        f.prompter.fileNames << path;
        f.window->Save1Click();
        // The user's documents folder, never the program's own (often not writable).
        QCOMPARE(f.prompter.saveStarts, QStringList { f.dataDir.path() });
        QCOMPARE(f.prompter.suffixes, QStringList { QStringLiteral("GHF") });
        QCOMPARE(QFile::exists(path), written);
        QVERIFY(f.prompter.shown.isEmpty());
        if (!written)
            return;
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData()), quint32(bytes.size() - 4));
        ChartModel back;
        QVERIFY(chart::loadGraphState(back, path));
        QCOMPARE(back.storeState(), graph->model().storeState());
        QCOMPARE(back.y(0, 9), 29.0f);

        // The dialog proposes the last name the next time (cancelled here).
        f.prompter.fileNames << QString();
        f.window->Save1Click();
        QCOMPARE(f.prompter.saveStarts.value(1), path);
    }

    void saveGraphFileThatCannotBeCreated()
    {
        MainFixture f;
        f.window->FormShow();
        f.prompter.shown.clear();
        const QString path = QDir(f.programDir.path()).filePath(QStringLiteral("no/such/x.ghf"));
        f.prompter.fileNames << path;
        f.window->Save1Click();
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY2(f.prompter.shown.first().startsWith(
                     QStringLiteral("Cannot create file \"%1\". ").arg(path)),
            qPrintable(f.prompter.shown.first()));
        QVERIFY(!QFile::exists(path));
    }

    void saveFiltersFollowTheDecimalSeparator()
    {
        QCOMPARE(graphFileFilters(QLocale::c()).size(), 3);
        const QStringList german = graphFileFilters(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(german.size(), 2);
        QVERIFY(german.first().startsWith(QStringLiteral("Graph file(*.ghf,only for TC4DL)")));
        QVERIFY(german.last().contains(QStringLiteral("*.TXT")));
    }

    void realTimeGraphSitsBesideThePanel()
    {
        MainFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        f.window->FormShow();
        TfrmGraph* graph = f.window->windows().realTimeGraph();
        QVERIFY(graph && f.window->windows().panel());
        const int panelWidth = f.window->windows().panel()->frameWindow()->width();
        const int bar = f.window->findChild<QToolBar*>(QStringLiteral("ToolBar"))->height();
        // The whole window, with its newest readings and its buttons, lies inside the
        // client area's visible width.
        const int visible = f.window->mdiArea()->viewport()->width();
        const QRect expected(panelWidth, 0, visible - panelWidth,
            f.window->frameGeometry().height() - bar - f.window->statusBar()->height() - 40);
        QCOMPARE(graph->frameWindow()->geometry(), expected);
        QCOMPARE(f.window->mdiArea()->currentSubWindow(), graph->frameWindow());
        const QRect atStart = graph->frameWindow()->geometry();

        // Closed, the menu item makes it again; while it exists, the item only restores it.
        QVERIFY(graph->frameWindow()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f.window->windows().realTimeGraph());
        QAction* item = f.window->action(QStringLiteral("RealTimeGraph1"));
        QVERIFY(!item->isChecked());
        item->trigger();
        QVERIFY(f.window->windows().realTimeGraph());
        QVERIFY(item->isChecked());
        // Made again, it is placed and sized as at the start, not at its bare minimum.
        QCOMPARE(f.window->windows().realTimeGraph()->frameWindow()->geometry(), atStart);
        f.window->windows().realTimeGraph()->frameWindow()->showMinimized();
        item->trigger();
        QVERIFY(item->isChecked());
        QVERIFY(!f.window->windows().realTimeGraph()->frameWindow()->isMinimized());
        QCOMPARE(f.window->mdiArea()->subWindowList().size(), 2);
    }

    // Tiles and cascaded windows cover the client area and keep at least the least size.
    void tileAndCascadeGeometries_data()
    {
        QTest::addColumn<bool>("tile");
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("least");
        QTest::addColumn<QList<QRect>>("expected");
        const QSize none(0, 0);
        QTest::newRow("tile 2") << true << 2 << none
                                << QList<QRect> { QRect(0, 0, 683, 768), QRect(683, 0, 683, 768) };
        QTest::newRow("tile 3") << true << 3 << none
                                << QList<QRect> { QRect(0, 0, 683, 384), QRect(683, 0, 683, 384),
                                       QRect(0, 384, 1366, 384) };
        QTest::newRow("tile 5 held at the least size")
            << true << 5 << QSize(520, 320)
            << QList<QRect> { QRect(0, 0, 520, 384), QRect(455, 0, 520, 384),
                   QRect(846, 0, 520, 384), QRect(0, 384, 683, 384), QRect(683, 384, 683, 384) };
        QTest::newRow("cascade 3") << false << 3 << none
                                   << QList<QRect> { QRect(0, 0, 1316, 718),
                                          QRect(25, 25, 1316, 718), QRect(50, 50, 1316, 718) };
        QTest::newRow("cascade 30 starts over") << false << 30 << QSize(520, 320) << QList<QRect>();
    }
    void tileAndCascadeGeometries()
    {
        QFETCH(bool, tile);
        QFETCH(int, count);
        QFETCH(QSize, least);
        QFETCH(QList<QRect>, expected);
        const QRect client(0, 0, 1366, 768);
        const QList<QRect> places = tile ? ClientArea::tileGeometries(client, count, least)
                                         : ClientArea::cascadeGeometries(client, count, 25, least);
        QCOMPARE(places.size(), count);
        if (!expected.isEmpty())
            QCOMPARE(places, expected);
        for (const QRect& r : places) {
            QVERIFY(client.contains(r));
            QVERIFY(r.width() >= least.width() && r.height() >= least.height());
        }
        // A window the program places keeps inside too, never below its least size.
        QCOMPARE(documentarea::placedInside(QRect(300, 0, 1216, 800), client, QSize(520, 320)),
            QRect(150, 0, 1216, 768));
        QCOMPARE(documentarea::placedInside(QRect(0, 0, 300, 200), client, QSize(520, 320)),
            QRect(0, 0, 520, 320));
    }

    // Tile and Cascade move the children inside the client area; the main window keeps its
    // size however large the children's minimum sizes are.
    void tileAndCascadeLeaveTheMainWindowAlone_data()
    {
        QTest::addColumn<bool>("tile");
        QTest::newRow("tile") << true;
        QTest::newRow("cascade") << false;
    }
    void tileAndCascadeLeaveTheMainWindowAlone()
    {
        QFETCH(bool, tile);
        MainFixture f;
        f.window->resize(900, 600);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        f.window->FormShow();
        QCoreApplication::processEvents();
        const QSize before = f.window->size();
        if (tile)
            f.window->Tile1Click();
        else
            f.window->Cascade1Click();
        QCoreApplication::processEvents();
        QCOMPARE(f.window->size(), before);
        QVERIFY(f.window->minimumSizeHint().width() <= before.width());
        const QRect client = f.window->mdiArea()->viewport()->rect();
        for (QMdiSubWindow* sub : f.window->mdiArea()->subWindowList()) {
            QVERIFY(sub->geometry().left() >= 0 && sub->geometry().top() >= 0);
            // No window made smaller than its controls need; each inside the client area.
            QVERIFY(sub->width() >= sub->minimumSizeHint().width());
            QVERIFY(sub->height() >= sub->minimumSizeHint().height());
            QVERIFY2(client.contains(sub->geometry()),
                qPrintable(QStringLiteral("%1,%2 %3x%4")
                               .arg(sub->x())
                               .arg(sub->y())
                               .arg(sub->width())
                               .arg(sub->height())));
        }
        // The graph is not cascaded down to its size hint: it takes the room there is.
        if (!tile)
            QVERIFY(f.window->windows().realTimeGraph()->frameWindow()->width()
                > client.width() * 3 / 4);
    }

    // Tiled, cascaded or on a small screen, every graph window stays legible: no two controls
    // or labels overlap, none is cut short, and no tick label repeats; the time axis shows the
    // time of day with the date on its first label.
    void legibleAtEverySize_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QSize>("size");
        const QRect client(0, 0, 1366, 768);
        QMdiSubWindow probe;
        QStyleOptionTitleBar option;
        option.initFrom(&probe);
        const int step = probe.style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, &probe);
        QList<std::pair<const char*, QSize>> sizes {
            { "640x360", QSize(640, 360) },
            { "Kaskade", ClientArea::cascadeGeometries(client, 4, step, QSize()).first().size() },
            { "Nebeneinander 2", ClientArea::tileGeometries(client, 2, QSize()).first().size() },
            { "Nebeneinander 3", ClientArea::tileGeometries(client, 3, QSize()).first().size() },
            { "Nebeneinander 4", ClientArea::tileGeometries(client, 4, QSize()).first().size() },
        };
        for (const char* role : { "Echtzeit", "Datenlogger", "Datei" })
            for (const auto& [name, size] : sizes)
                QTest::newRow(QByteArray(role).append(' ').append(name).constData())
                    << QString::fromLatin1(role) << size;
    }
    void legibleAtEverySize()
    {
        QFETCH(QString, role);
        QFETCH(QSize, size);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Host host;
        QMdiArea area;
        area.resize(1366, 768);
        LoggerGraphRole logger(host.services, host.data(), OpenData::Piece::Logger, {});
        TfrmGraph* graph = nullptr;
        const double start = toDateTimeSerial(QDateTime(QDate(2026, 12, 9), QTime(20, 0, 0)));
        if (role == QLatin1String("Echtzeit")) {
            graph = host.createRealTimeGraph(area);
        } else {
            graph = new TfrmGraph(host.services);
            area.addSubWindow(graph)->setAttribute(Qt::WA_DeleteOnClose);
            // A logger set over midnight, a minute apart; a file of three days, hourly.
            const bool fromLogger = role == QLatin1String("Datenlogger");
            const int n = fromLogger ? 360 : 72;
            const double step = fromLogger ? 60.0 / kDay : 3600.0 / kDay;
            if (fromLogger) {
                graph->setWindowTitle(TfrmGraph::dataLoggerCaption());
                graph->setRole(&logger);
                graph->dataSetPanel()->show();
                QTableWidget* list = graph->dataSetList();
                const QStringList row { "1", "09.12.2026", "20:00:00", "00:01:00", "360", "°C" };
                for (int c = 0; c < row.size(); ++c)
                    list->setItem(0, c, new QTableWidgetItem(row[c]));
                graph->fitDataSetColumns();
            } else {
                graph->setWindowTitle(QStringLiteral("/home/messung/ofen.ghf"));
            }
            // Without a template the built-in look is used, after a message.
            (void)ConfigureGraph(*graph->graph(), host.services,
                GraphExtent { 4, n, start, start + n * step, -20.0, 100.0 });
            ChartModel& m = graph->model();
            for (int p = 0; p < n; ++p)
                for (int s = 0; s < 4; ++s) {
                    m.setX(s, p, start + p * step);
                    m.setY(s, p, static_cast<float>(20 + 10 * s + (p % 30)));
                }
            if (!fromLogger) {
                m.setMultiAxesSubsets(-1, 0);
                m.setMultiAxesProportions(0, 1.0);
            }
            graph->graph()->reinitAndReset();
            graph->ComputeGraphStatistics();
            graph->redraw();
        }
        QVERIFY(graph);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        graph->frameWindow()->setGeometry(QRect(QPoint(0, 0), size));
        graph->frameWindow()->show();
        QCoreApplication::processEvents();
        graph->graph()->plot()->replot();
        QCoreApplication::processEvents();
        // The window is as large as it was made: its least size fits every one of these.
        QCOMPARE(graph->frameWindow()->size(), size);

        // Controls: none over another, none cut by the window or squeezed below its text.
        QList<QWidget*> controls;
        for (QWidget* w : graph->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w)
                || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w);
            if ((control || w == graph->graph()) && w != graph->readOut() && shown(w, graph)
                && !qobject_cast<QTableWidget*>(w->parentWidget()->parentWidget()))
                controls << w;
        }
        QVERIFY(controls.size() > 20);
        for (QWidget* w : controls) {
            const QRect seen = visibleRect(w, graph);
            const QRect whole(w->mapTo(graph, QPoint(0, 0)), w->size());
            QVERIFY2(seen == whole, qPrintable(w->objectName() + QStringLiteral(" is cut")));
            if (qobject_cast<QLabel*>(w) || qobject_cast<QPushButton*>(w)
                || qobject_cast<QCheckBox*>(w))
                QVERIFY2(w->width() >= w->minimumSizeHint().width(),
                    qPrintable(w->objectName() + QStringLiteral(" is squeezed")));
            for (QWidget* other : controls)
                if (other != w && !w->isAncestorOf(other) && !other->isAncestorOf(w))
                    QVERIFY2(!seen.intersects(visibleRect(other, graph)),
                        qPrintable(
                            w->objectName() + QStringLiteral(" over ") + other->objectName()));
        }

        // Tick labels: none over another, none repeated on one axis, time of day on each
        // time label and the date on the first.
        const QList<TickLabel> labels = tickLabelsOf(graph->graph()->plot());
        QHash<QString, QStringList> perAxis;
        for (const TickLabel& l : labels)
            perAxis[l.axis] << l.text;
        QStringList seen;
        for (const TickLabel& l : labels)
            seen << l.axis + ':' + l.text;
        for (QCPAxisRect* r : graph->graph()->plot()->axisRects())
            seen << QStringLiteral("%1x%2").arg(r->width()).arg(r->height());
        QVERIFY2(perAxis.size() >= 2, qPrintable(seen.join(',')));
        for (auto it = perAxis.cbegin(); it != perAxis.cend(); ++it) {
            QVERIFY2(QSet<QString>(it->begin(), it->end()).size() == it->size(),
                qPrintable(it.key() + ' ' + it->join('|')));
            if (it.key().startsWith('X')) {
                QVERIFY2(it->size() >= 2, qPrintable(it->join('|')));
                for (const QString& text : *it)
                    QVERIFY2(
                        text.contains(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d"))),
                        qPrintable(text));
                QVERIFY2(
                    it->first().contains(QRegularExpression(QStringLiteral("\\d\\d\\.\\d\\d\\."))),
                    qPrintable(it->first()));
            }
        }
        for (qsizetype i = 0; i < labels.size(); ++i)
            for (qsizetype j = i + 1; j < labels.size(); ++j)
                QVERIFY2(!labels[i].rect.adjusted(0.5, 0.5, -0.5, -0.5).intersects(labels[j].rect),
                    qPrintable(labels[i].axis + ' ' + labels[i].text + QStringLiteral(" over ")
                        + labels[j].axis + ' ' + labels[j].text));
    }
};

QTEST_MAIN(TestGraphWindow)
#include "tst_graphwindow.moc"
