// The graph window's scale, annotation and display commands: the Y axis dialog, Graph Option,
// split and shared axes, zoom, crosses and texts placed with the mouse, deleting and colouring
// annotations, Clear, and changing the sampling rate in the real-time graph.

#include "ChartQcp.h"
#include "ChartView.h"
#include "FakeGraphServices.h"
#include "GraphCommands.h"
#include "GraphConfig.h"
#include "GraphShared.h"
#include "ManualClock.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "RealTimeRecorder.h"
#include "ScriptedPrompter.h"
#include "TfrmAnnoEdit.h"
#include "TfrmGraph.h"
#include "TfrmSetupScale.h"
#include "WorkspaceRig.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <utility>

using namespace tc4dl;
using chart::GraphAnnotation;
using chart::Scale;
using chart::ScaleControl;
using tc4dl::testing::ScriptedPrompter;

namespace {

using Answer = Prompter::Answer;
using tc4dl::testing::FakeGraphServices;
using tc4dl::testing::WorkspaceRig;

// The real-time graph (split, −10 to 50 on every axis), with the template message already
// shown and forgotten.
struct Fixture {
    Fixture()
    {
        graph = CreateRealTimeGraph(host, area, recorder, rig.recording().rate());
        host.prompts.shown.clear();
        // Dialogs are answered by `script`, counted in `dialogs`.
        host.prompts.dialogs = [this](QDialog& d) {
            ++dialogs;
            return script(d);
        };
    }
    // On screen with one shared axis, so that clicks reach the plot.
    void show()
    {
        area.resize(1000, 700);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        graph->frameWindow()->resize(900, 600);
        button("chkSplit")->click();
        graph->redraw();
        QCoreApplication::processEvents();
        QVERIFY(!view()->plotRect().isEmpty());
    }
    QAbstractButton* button(const char* name) const
    {
        return graph->findChild<QAbstractButton*>(QLatin1String(name));
    }
    chart::ChartView* view() const { return graph->graph(); }
    chart::ChartModel& model() const { return graph->model(); }
    void setRange(int axis, Scale scale) const // leaves the working axis at 0
    {
        model().setWorkingAxis(axis);
        model().setYScale(scale);
        model().setWorkingAxis(0);
    }
    void click(QPoint inView) const
    {
        QCustomPlot* plot = view()->plot();
        const QPointF local(plot->mapFrom(view(), inView));
        const QPointF global = plot->mapToGlobal(local);
        for (const auto type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
            QMouseEvent event(type, local, global, Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(plot, &event);
        }
    }
    // Samples and statistics as a recording leaves them; the data point marker (2) and
    // annotations 3 to 6, the last one in use.
    void record(int samples)
    {
        for (int p = 0; p < 10; ++p) {
            model().setX(0, p, 46000.0 + p / 86400.0);
            model().setY(0, p, 21.5);
        }
        for (QLineEdit* box : { graph->dataNoBox(), graph->maxBox(0), graph->avgBox(3) })
            box->setText(QStringLiteral("21.5"));
        for (int i = 2; i <= 6; ++i)
            model().setAnnotation(i,
                { chart::kAnnotationCross, 46000.0, 20.0 + i, QStringLiteral("a%1").arg(i),
                    0x00FF00 });
        graph->setLastAnnotationIndex(6);
        rig.recording().assumeRecording(rig.recording().active(), samples);
    }

    FakeGraphServices host;
    WorkspaceRig rig { &host.manualClock };
    RealTimeRecorder recorder { rig.ws(), host };
    std::function<int(QDialog&)> script = [](QDialog&) { return int(QDialog::Rejected); };
    int dialogs = 0;
    QMdiArea area;
    TfrmGraph* graph = nullptr;
};

// Answers the scale dialog with OK: `boxes` holds T1 MIN, T1 MAX, T2 MIN, … T4 MAX, split by '|'.
std::function<int(QDialog&)> scaleAnswer(const QString& boxes, bool save)
{
    return [boxes, save](QDialog& d) {
        auto& dialog = dynamic_cast<TfrmSetupScale&>(d);
        const QStringList texts = boxes.split(QLatin1Char('|'));
        for (int k = 0; k < 8; ++k)
            (k % 2 ? dialog.maxBox(k / 2) : dialog.minBox(k / 2))->setText(texts.value(k));
        dialog.saveBox()->setChecked(save);
        return int(QDialog::Accepted);
    };
}

} // namespace

class TestGraphCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void yAxisDialogShowsWholeNumbers()
    {
        Fixture f;
        QStringList shown;
        f.script = [&shown](QDialog& d) {
            auto& dialog = dynamic_cast<TfrmSetupScale&>(d);
            for (int ch = 0; ch < 4; ++ch)
                shown << dialog.minBox(ch)->text() + QLatin1Char('|') + dialog.maxBox(ch)->text();
            return int(QDialog::Rejected);
        };
        f.button("btnChangeScale")->click();
        QCOMPARE(shown, QStringList(4, QStringLiteral("-10|50")));

        // Truncated toward zero, each channel from its own axis.
        f.setRange(0, { ScaleControl::ManualMinAndMax, 20.7, 80.2 });
        f.setRange(1, { ScaleControl::ManualMinAndMax, -20.9, -0.5 });
        f.setRange(2, { ScaleControl::ManualMinAndMax, 0.99, 1000.99 });
        f.setRange(3, { ScaleControl::Auto, -5.5, 5.5 });
        shown.clear();
        f.button("btnChangeScale")->click();
        QCOMPARE(shown,
            (QStringList { QStringLiteral("20|80"), QStringLiteral("-20|0"),
                QStringLiteral("0|1000"), QStringLiteral("-5|5") }));
        // Cancel changes nothing.
        QCOMPARE(f.model().yScale(0), (Scale { ScaleControl::ManualMinAndMax, 20.7, 80.2 }));
    }

    void yAxisDialogRejectsNonIntegers_data()
    {
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("message"); // the stored German text has no blank of its own
        QTest::newRow("12.5") << QStringLiteral("0|10|0|12.5|0|10|0|10")
                              << QStringLiteral("12.5 ist ungültig.");
        QTest::newRow("empty") << QStringLiteral("0|10|0|10||10|0|10")
                               << QStringLiteral("ist ungültig.");
        // T1 MIN is read last: it names the message.
        QTest::newRow("two bad") << QStringLiteral("x1|10|0|10|0|10|0|y4")
                                 << QStringLiteral("x1 ist ungültig.");
    }
    void yAxisDialogRejectsNonIntegers()
    {
        QFETCH(QString, boxes);
        Fixture f;
        f.script = scaleAnswer(boxes, true);
        const QByteArray before = f.model().storeState();
        f.button("btnChangeScale")->click();
        QFETCH(QString, message);
        QCOMPARE(f.host.prompts.shown, QStringList { message });
        QCOMPARE(f.model().storeState(), before);
        QVERIFY(!QFile::exists(graphTemplatePath(f.host.folders)));
    }

    void yAxisDialogSetsEveryAxis()
    {
        Fixture f;
        f.setRange(3, { ScaleControl::Auto, 0.0, 1.0 });
        f.script = scaleAnswer(QStringLiteral("1|2|3|4|5|6|7|8"), false);
        f.button("btnChangeScale")->click();
        QCOMPARE(f.model().yScale(3), (Scale { ScaleControl::Auto, 7, 8 }));
        QVERIFY(!QFile::exists(graphTemplatePath(f.host.folders)));

        // MIN above MAX goes through; the scale mode stays; ticked, it becomes the template.
        f.script = scaleAnswer(QStringLiteral("60|10|-5|5|0|0|-100|300"), true);
        f.button("btnChangeScale")->click();
        QVERIFY2(f.host.prompts.shown.isEmpty(), qPrintable(f.host.prompts.shown.join('\n')));
        const QList<Scale> expected { { ScaleControl::ManualMinAndMax, 60, 10 },
            { ScaleControl::ManualMinAndMax, -5, 5 }, { ScaleControl::ManualMinAndMax, 0, 0 },
            { ScaleControl::Auto, -100, 300 } };
        for (int axis = 0; axis < 4; ++axis)
            QCOMPARE(f.model().yScale(axis), expected.at(axis));
        QCOMPARE(f.model().workingAxis(), 0);

        // A graph configured later takes the saved ranges, without the missing-template note.
        TfrmGraph later(f.host);
        QVERIFY(ConfigureGraph(*later.graph(), f.host, GraphExtent { 4, 10, 0, 0, 0, 100 }));
        QVERIFY(f.host.prompts.shown.isEmpty());
        for (int axis = 0; axis < 4; ++axis)
            QCOMPARE(later.model().yScale(axis), expected.at(axis));
    }

    void graphOption_data()
    {
        QTest::addColumn<int>("dialogResult");
        QTest::addColumn<int>("answer"); // -1: not asked
        QTest::addColumn<bool>("changeT3"); // T3's range set to 0..10 in the dialog
        const int ok = QDialog::Accepted;
        QTest::newRow("OK, saved as the template") << ok << int(Answer::Yes) << false;
        QTest::newRow("OK, not saved") << ok << int(Answer::No) << false;
        QTest::newRow("OK, T3 changed in the dialog") << ok << int(Answer::No) << true;
        QTest::newRow("cancelled") << int(QDialog::Rejected) << -1 << false;
    }
    void graphOption()
    {
        QFETCH(int, dialogResult);
        QFETCH(int, answer);
        QFETCH(bool, changeT3);
        Fixture f;
        const Scale xBefore { ScaleControl::Auto, 46000.25, 46000.5 };
        f.model().look.xScale = xBefore;
        f.setRange(0, { ScaleControl::Auto, 0.1, 100.3 });
        f.setRange(2, { ScaleControl::ManualMinAndMax, 500, 600 });
        // The usual look has no axis page; a template can offer it.
        f.model().look.allowAxisPage = changeT3;
        const QByteArray before = f.model().storeState();
        // A zoom offers Undo Zoom; undoing it, or Graph Option, takes it away again.
        QAbstractButton* undo = f.button("UndoZoom");
        QVERIFY(!undo->isEnabled());
        Q_EMIT f.view()->zoomedIn();
        QVERIFY(undo->isEnabled());
        undo->click();
        QVERIFY(!undo->isEnabled());
        Q_EMIT f.view()->zoomedIn();
        f.script = [dialogResult, changeT3](QDialog& dialog) {
            if (changeT3) {
                auto* min = dialog.findChild<QDoubleSpinBox*>(QStringLiteral("axisMin2"));
                auto* max = dialog.findChild<QDoubleSpinBox*>(QStringLiteral("axisMax2"));
                if (!min || !max)
                    return int(QDialog::Rejected);
                min->setValue(0);
                max->setValue(10);
            }
            if (dialogResult == QDialog::Accepted)
                dialog.accept();
            return dialogResult;
        };
        if (answer >= 0)
            f.host.prompts.answers << Answer(answer);
        f.button("Button1")->click();
        QCOMPARE(f.dialogs, 1);
        QCOMPARE(f.host.prompts.shown,
            answer >= 0 ? QStringList { QStringLiteral("Möchen Sie die Änderungen speichern ?") }
                        : QStringList());
        QCOMPARE(QFile::exists(graphTemplatePath(f.host.folders)), answer == int(Answer::Yes));
        if (dialogResult != QDialog::Accepted) {
            // Cancel changes nothing, the zoom included.
            QCOMPARE(f.model().storeState(), before);
            QVERIFY(undo->isEnabled());
            return;
        }
        // Each axis keeps its own range (in single precision, held by hand) unless the dialog
        // changed it; X stays as it was, held by hand.
        QCOMPARE(
            f.model().look.xScale, (Scale { ScaleControl::ManualMinAndMax, 46000.25, 46000.5 }));
        const QList<Scale> expected { { ScaleControl::ManualMinAndMax, double(0.1f),
                                          double(100.3f) },
            { ScaleControl::ManualMinAndMax, -10, 50 },
            changeT3 ? Scale { ScaleControl::ManualMinAndMax, 0, 10 }
                     : Scale { ScaleControl::ManualMinAndMax, 500, 600 },
            { ScaleControl::ManualMinAndMax, -10, 50 } };
        for (int axis = 0; axis < 4; ++axis)
            QCOMPARE(f.model().yScale(axis), expected.at(axis));
        QCOMPARE(f.model().workingAxis(), 0);
        QVERIFY(!undo->isEnabled());
    }

    void splitAndSharedAxes()
    {
        Fixture f;
        QAbstractButton* split = f.button("chkSplit");
        QVERIFY(split->isChecked() && !f.graph->annotationToolsEnabled());
        split->click();
        QVERIFY(!f.model().isSplit());
        QCOMPARE(f.model().axisCount(), 1);
        QCOMPARE(f.view()->axisRectCount(), 1);
        QVERIFY(f.graph->annotationToolsEnabled());
        f.button("ToolButton5")->click();
        QCOMPARE(f.host.shared.annotationTool, AnnotationTool::Cross);

        split->click();
        QCOMPARE(f.model().look.multiAxesProportions, (QList<double> { 0.25, 0.25, 0.25, 0.25 }));
        QCOMPARE(f.model().look.multiAxesSubsets, (QList<int> { 1, 1, 1, 1 }));
        QCOMPARE(f.view()->axisRectCount(), 4);
        QVERIFY(!f.graph->annotationToolsEnabled());
        QCOMPARE(f.host.shared.annotationTool, AnnotationTool::Normal);
        QCOMPARE(f.model().look.arrowCursor, 1);
        QVERIFY(f.button("ToolButton5")->isChecked()); // the buttons keep their state

        // Back to one axis: the tools are offered again, the tool stays Normal.
        split->click();
        QVERIFY(f.graph->annotationToolsEnabled());
        QCOMPARE(f.host.shared.annotationTool, AnnotationTool::Normal);
    }

    // Splitting or joining the axes builds the plot anew; the pointer's read-out and the
    // annotation tools work on the new axes at once, without a click to wake them.
    void readOutAndToolsSurviveSplitToggles_data()
    {
        QTest::addColumn<int>("toggles");
        QTest::newRow("joined again") << 2;
        QTest::newRow("split") << 1;
    }
    void readOutAndToolsSurviveSplitToggles()
    {
        QFETCH(int, toggles);
        Fixture f;
        f.show(); // one axis
        for (int i = 0; i < toggles; ++i)
            f.button("chkSplit")->click();
        QCoreApplication::processEvents();
        const QRect plot = f.view()->plotRect();
        QVERIFY(!plot.isEmpty());
        QCustomPlot* surface = f.view()->plot();
        const QPoint at = plot.topLeft() + QPoint(40, 30);
        QTest::mouseMove(surface, surface->mapFrom(f.view(), at));
        QCoreApplication::processEvents();
        QCOMPARE(f.view()->lastMousePosition(), at);
        QVERIFY(f.graph->readOut()->isVisible());
        const QString first = f.graph->readOut()->text();
        QTest::mouseMove(surface, surface->mapFrom(f.view(), at + QPoint(200, 20)));
        QVERIFY(f.graph->readOut()->text() != first);
        if (toggles % 2 == 1)
            return; // split: no annotation tools
        f.button("ToolButton5")->click();
        f.click(at);
        QCOMPARE(f.graph->lastAnnotationIndex(), 4);
    }

    void clickPlacesAnnotation_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<bool>("fromBottomRight"); // else from the plot's top-left corner
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<int>("dialogResult");
        QTest::addColumn<bool>("added");
        QTest::addColumn<int>("dialogs");
        const int ok = QDialog::Accepted;
        const QString cross = QStringLiteral("ToolButton5");
        const QString text = QStringLiteral("ToolButton9");
        QTest::newRow("cross") << cross << false << QPoint(20, 20) << ok << true << 0;
        QTest::newRow("cross left of the plot")
            << cross << false << QPoint(-3, -3) << ok << false << 0;
        QTest::newRow("cross on the far edge") << cross << true << QPoint(0, 0) << ok << true << 0;
        QTest::newRow("cross past the far edge")
            << cross << true << QPoint(2, 2) << ok << false << 0;
        QTest::newRow("text") << text << false << QPoint(20, 20) << ok << true << 1;
        QTest::newRow("text cancelled")
            << text << false << QPoint(20, 20) << int(QDialog::Rejected) << false << 1;
        QTest::newRow("text below the plot") << text << true << QPoint(-20, -6) << ok << false << 0;
        QTest::newRow("normal") << QStringLiteral("ToolButton4") << false << QPoint(20, 20) << ok
                                << false << 0;
    }
    void clickPlacesAnnotation()
    {
        QFETCH(QString, tool);
        QFETCH(bool, fromBottomRight);
        QFETCH(QPoint, offset);
        QFETCH(int, dialogResult);
        QFETCH(bool, added);
        Fixture f;
        f.host.shared.annoColor = 0x0000FF;
        f.show();
        f.button(qPrintable(tool))->click();
        f.script = [dialogResult](QDialog& d) {
            dynamic_cast<TfrmAnnoEdit&>(d).editBox()->setText(QStringLiteral("Peak"));
            return dialogResult;
        };
        const bool text = tool == QLatin1String("ToolButton9");
        const QRect rect = f.view()->plotRect();
        const QPoint at = (fromBottomRight ? rect.bottomRight() : rect.topLeft()) + offset;
        // The cross pointer's hot spot is the centre of its cross: a cross lands where the
        // pointer aims. The text's corner sits just below the I-beam's middle.
        const QPointF expected = f.view()->pixelToGraph(at + (text ? QPoint(1, 7) : QPoint()), 0);

        f.click(at);
        QTEST(f.dialogs, "dialogs");
        QCOMPARE(f.graph->lastAnnotationIndex(), added ? 4 : 3);
        QCOMPARE(f.model().annotationCount() > 4, added);
        if (!added)
            return;
        const GraphAnnotation a = f.model().annotation(4);
        if (!text)
            QVERIFY((f.view()->graphToPixel(QPointF(a.x, a.y), 0) - at).manhattanLength() <= 2);
        QCOMPARE(a,
            (GraphAnnotation { text ? chart::kAnnotationText : chart::kAnnotationCross,
                expected.x(), expected.y(), text ? QStringLiteral("Peak") : QString(), 0x0000FF }));
    }

    void numberingStartsAgainAfterClear()
    {
        Fixture f;
        f.show();
        f.button("ToolButton5")->click();
        const QPoint corner = f.view()->plotRect().topLeft();
        f.click(corner + QPoint(10, 10));
        f.click(corner + QPoint(40, 30));
        QCOMPARE(f.graph->lastAnnotationIndex(), 5);
        QCOMPARE(f.model().annotation(5).type, chart::kAnnotationCross);
        f.host.prompts.answers << Answer::No;
        f.button("tbntClr")->click();
        QCOMPARE(f.model().annotation(5).x, 0.0);
        f.click(corner + QPoint(60, 50));
        QCOMPARE(f.graph->lastAnnotationIndex(), 4);
        QVERIFY(f.model().annotation(4).x != 0.0);
        QCOMPARE(f.model().annotation(5).x, 0.0);
    }

    // Clear in one window starts only its own numbering again: the next annotation of another
    // window never lands on one that window already shows.
    void eachWindowNumbersItsOwnAnnotations()
    {
        Fixture f;
        f.show();
        TfrmGraph other(f.host);
        QVERIFY(ConfigureGraph(*other.graph(), f.host, GraphExtent { 4, 10, 0, 0, 0, 100 }));
        other.ComputeGraphStatistics();
        other.commands()->showMaxMinButtonClick(); // 4..7
        QCOMPARE(other.lastAnnotationIndex(), 7);
        const GraphAnnotation kept = other.model().annotation(4);

        f.button("ToolButton5")->click();
        f.click(f.view()->plotRect().topLeft() + QPoint(10, 10));
        QCOMPARE(f.graph->lastAnnotationIndex(), 4);
        f.host.prompts.answers << Answer::No;
        f.button("tbntClr")->click();
        QCOMPARE(f.graph->lastAnnotationIndex(), 3);

        other.commands()->showMaxMinButtonClick();
        QCOMPARE(other.lastAnnotationIndex(), 11);
        QCOMPARE(other.model().annotation(4), kept);
        QCOMPARE(other.model().annotationCount(), 12);
    }

    void doubleClickDeletesAnnotation_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("user's cross") << 4 << true;
        QTest::newRow("data point marker") << 2 << true;
        QTest::newRow("single click") << 4 << false;
    }
    void doubleClickDeletesAnnotation()
    {
        QFETCH(int, index);
        QFETCH(bool, doubleClick);
        Fixture f;
        f.record(0);
        GraphAnnotation expected = f.model().annotation(index);
        const GraphAnnotation other = f.model().annotation(3);
        Q_EMIT f.view()->annotationHotSpot(index, doubleClick);
        if (doubleClick) {
            expected.type = chart::kAnnotationText;
            expected.text.clear();
        }
        QCOMPARE(f.model().annotation(index), expected);
        QCOMPARE(f.model().annotation(3), other);
        Q_EMIT f.view()->graphHotSpot();
        QCOMPARE(f.view()->toolTip(), QStringLiteral("Doppelklick für löschen."));
    }

    void annotationColour()
    {
        Fixture f;
        f.host.shared.annoColor = 0x00FF00; // changed since, by another window
        f.record(0);
        f.model().setAnnotation(7, { chart::kAnnotationText, 1, 1, QStringLiteral("b"), 0x00FF00 });
        const QByteArray before = f.model().storeState();
        f.host.prompts.colors << std::nullopt;
        f.button("ToolButton15")->click(); // cancelled
        QCOMPARE(f.model().storeState(), before);
        QCOMPARE(f.host.shared.annoColor, 0x00FF00u);

        f.host.prompts.colors << 0x123456u;
        f.button("ToolButton15")->click();
        // The colour at creation: nothing stored, white.
        QCOMPARE(f.host.prompts.colorStarts, (QList<quint32> { 0xFFFFFF, 0xFFFFFF }));
        QCOMPARE(f.host.shared.annoColor, 0x123456u);
        for (int i = 0; i <= 6; ++i)
            QCOMPARE(f.model().annotation(i).color, 0x123456u);
        QCOMPARE(f.model().annotation(7).color, 0x00FF00u); // past LastAnnotationIndex
    }

    void clearTheRealTimeGraph_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("saved first") << int(Answer::Yes);
        QTest::newRow("not saved") << int(Answer::No);
    }
    void clearTheRealTimeGraph()
    {
        QFETCH(int, answer);
        Fixture f;
        f.record(10);
        const Scale x = f.model().look.xScale;
        const GraphAnnotation marker = f.model().annotation(2);
        Q_EMIT f.view()->zoomedIn();
        f.host.prompts.answers << Answer(answer);
        f.button("tbntClr")->click();
        QCOMPARE(
            f.host.prompts.shown, QStringList { QStringLiteral("Speichere Echtzeit-Grafik ?") });
        QCOMPARE(f.host.graphSaves, answer == int(Answer::Yes) ? 1 : 0);
        QVERIFY(!f.button("UndoZoom")->isEnabled());
        QCOMPARE(f.model().points(), 100);
        QCOMPARE(f.model().look.xScale, x);
        for (int s = 0; s < 4; ++s)
            for (int p : { 0, 9, 99 }) {
                QCOMPARE(f.model().x(s, p), 0.0);
                QCOMPARE(f.model().y(s, p), 9999.0f);
            }
        QVERIFY(f.graph->dataNoBox()->text().isEmpty());
        QVERIFY(f.graph->maxBox(0)->text().isEmpty() && f.graph->avgBox(3)->text().isEmpty());
        QCOMPARE(f.rig.recording().sampleCount(), 0);
        QCOMPARE(f.graph->lastAnnotationIndex(), 3);
        QCOMPARE(f.model().annotation(2), marker);
        for (int i = 3; i <= 6; ++i) {
            const GraphAnnotation a = f.model().annotation(i);
            QVERIFY(a.x == 0.0 && a.y == 0.0);
            QCOMPARE(a.text, QStringLiteral("a%1").arg(i));
        }
    }

    void samplingRateChange_data()
    {
        QTest::addColumn<int>("seconds"); // the new setting, in the lists
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("answer"); // -1: not asked
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<int>("rate");
        const int yes = int(Answer::Yes), no = int(Answer::No), cancel = int(Answer::Cancel);
        QTest::newRow("same rate") << 5 << false << 10 << -1 << false << 5;
        QTest::newRow("00:00 becomes 00:02") << 0 << false << 0 << -1 << true << 2;
        QTest::newRow("idle and empty") << 90 << false << 0 << -1 << true << 90;
        QTest::newRow("samples, cancel") << 90 << false << 10 << cancel << false << 5;
        QTest::newRow("samples, 00:00 cancelled") << 0 << false << 10 << cancel << false << 5;
        QTest::newRow("samples, yes") << 90 << false << 10 << yes << true << 90;
        QTest::newRow("running, no") << 90 << true << 0 << no << true << 90;
        QTest::newRow("running, cancel") << 90 << true << 0 << cancel << false << 5;
    }
    void samplingRateChange()
    {
        QFETCH(int, seconds);
        QFETCH(bool, running);
        QFETCH(int, samples);
        QFETCH(int, answer);
        QFETCH(bool, cleared);
        QFETCH(int, rate);
        Fixture f;
        f.rig.recording().setRate(5);
        f.graph->setSamplingRate(5);
        f.record(samples);
        f.rig.recording().assumeRecording(running, samples);
        const double stepBefore = f.recorder.xExtendStep();
        f.graph->setClearEnabled(false);
        if (answer >= 0)
            f.host.prompts.answers << Answer(answer);

        f.graph->minutesList()->setCurrentIndex(seconds / 60);
        f.graph->secondsList()->setCurrentIndex(seconds % 60);
        Q_EMIT f.graph->secondsList()->activated(seconds % 60);

        QCOMPARE(f.rig.recording().rate(), rate);
        QCOMPARE(f.graph->minutesList()->currentIndex(), rate / 60);
        QCOMPARE(f.graph->secondsList()->currentIndex(), rate % 60);
        const QString question = QStringLiteral(
            "Intervall wurde während einer Echtzeitaufzeichnung geändert oder es befinden sich "
            "Daten in der Echtzeit-Grafik.Damit das neue Intervall wirksam wird, muss die Grafik "
            "zurückgesetzt werden.\nMöchten Sie die Echtzeitgrafik speichern ?");
        QCOMPARE(f.host.prompts.shown, answer >= 0 ? QStringList { question } : QStringList());
        QCOMPARE(f.host.graphSaves, answer == int(Answer::Yes) ? 1 : 0);
        QCOMPARE(f.rig.recording().sampleCount(), cleared ? 0 : samples);
        QCOMPARE(f.graph->maxBox(0)->text().isEmpty(), cleared);
        QCOMPARE(f.graph->lastAnnotationIndex(), cleared ? 3 : 6);
        QCOMPARE(f.rig.recording().active(), running && !cleared);
        QCOMPARE(f.rig.ws().controls().run, cleared);
        QCOMPARE(f.rig.ws().controls().stop, running && !cleared);
        QCOMPARE(f.graph->clearEnabled(), cleared);
        QCOMPARE(f.recorder.xExtendStep(), cleared ? rate * 100 / 86400.0 : stepBefore);
    }
};

QTEST_MAIN(TestGraphCommands)
#include "tst_graphcommands.moc"
