// The real-time recorder on its own: which ticks take a sample, Run's questions and refusals,
// the stop at the last sample and from outside, what the rate lists and Clear do to a run, and
// a window that goes away in the middle of a run.

#include "ChartModel.h"
#include "DateTimeSerial.h"
#include "FakeGraphServices.h"
#include "LiveLink.h"
#include "RealTimeRecorder.h"
#include "TfrmGraph.h"
#include "TfrmSetupRealTime.h"
#include "WorkspaceRig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>

using namespace tc4dl;
using tc4dl::testing::FakeGraphServices;
using tc4dl::testing::WorkspaceRig;
using Answer = Prompter::Answer;

namespace {

// The real-time graph window as the recorder sees it, recording what is done to it.
class FakeWindow final : public RealTimeWindow {
public:
    FakeWindow()
    {
        graph.setSubsets(4);
        graph.setPoints(100);
    }
    void setMaxText(int ch, const QString& t) override { maxTexts[ch] = t; }
    void setMinText(int ch, const QString& t) override { minTexts[ch] = t; }
    void setAvgText(int ch, const QString& t) override { avgTexts[ch] = t; }
    void setDataNoText(const QString& t) override { dataNo = t; }
    void setStartTimeText(const QString& t) override { startTime = t; }
    chart::ChartModel& model() override { return graph; }
    void redraw() override { ++redraws; }
    void restore() override { ++restores; }
    void setClearEnabled(bool on) override { clearEnabled = on; }
    int minutesIndex() const override { return minutes; }
    int secondsIndex() const override { return seconds; }
    void setRateIndexes(int m, int s) override
    {
        minutes = m;
        seconds = s;
    }
    void showSamplingRate(int s) override
    {
        minutes = s / 60;
        seconds = s % 60;
    }
    void clear() override { ++clears; }
    bool save() override
    {
        ++saves;
        return saveSucceeds;
    }
    void focusPlot() override { }

    chart::ChartModel graph;
    std::array<QString, 4> maxTexts, minTexts, avgTexts;
    QString dataNo, startTime;
    int redraws = 0, restores = 0, clears = 0, saves = 0;
    int minutes = 0, seconds = 2;
    bool clearEnabled = true;
    bool saveSucceeds = true;
};

// Answers the set-up dialog with `samples` at `rate` seconds.
std::function<int(QDialog&)> setUp(const QString& samples, int rate)
{
    return [=](QDialog& dialog) {
        auto& setup = dynamic_cast<TfrmSetupRealTime&>(dialog);
        setup.samplesField()->setText(samples);
        setup.minutesList()->setCurrentIndex(rate / 60);
        setup.secondsList()->setCurrentIndex(rate % 60);
        return int(QDialog::Accepted);
    };
}

struct Fixture {
    Fixture()
    {
        rig.report(LinkChange::ScanFound);
        auto own = std::make_unique<FakeWindow>();
        window = own.get();
        recorder.attachWindow(std::move(own));
    }
    // Run with `samples` at `rate` seconds, answered by the set-up dialog.
    void run(const QString& samples, int rate)
    {
        services.prompts.dialogs = setUp(samples, rate);
        recorder.run();
        services.prompts.dialogs = nullptr;
    }
    // One tick a second later; `frame` says whether a frame arrived since the last one.
    void tick(bool frame = true, bool lost = false)
    {
        services.manualClock.advance(1000);
        rec().onSamplingPoint(
            TickCheck { frame, lost, values }, toDateTimeSerial(services.manualClock.now()));
    }
    Recording& rec() { return rig.recording(); }
    const ControlState& controls() { return rig.ws().controls(); }

    FakeGraphServices services;
    WorkspaceRig rig { &services.manualClock };
    std::array<float, 4> values {}; // what the ticks bring as the last frame's values
    int windowsMade = 0;
    std::function<void()> makeWindow;
    RealTimeRecorder recorder { rig.ws(), services, [this] {
                                   ++windowsMade;
                                   if (makeWindow)
                                       makeWindow();
                               } };
    FakeWindow* window = nullptr;
};

} // namespace

class TestRealTimeRecorder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Ticks as letters: F a frame arrived, - silence, L silence that lost the link.
    void sampledTicks_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("ticks");
        QTest::addColumn<int>("samples");
        QTest::newRow("every tick") << 1 << "FFFF" << 4;
        QTest::newRow("every second tick") << 2 << "FFFFF" << 2;
        QTest::newRow("a silent tick counts") << 2 << "F-F" << 1;
        QTest::newRow("a due tick without frame waits") << 2 << "F-FF" << 1;
        QTest::newRow("a lost link starts the count again") << 2 << "FLFF" << 1;
        QTest::newRow("three seconds") << 3 << "FFFFFF" << 2;
    }
    void sampledTicks()
    {
        QFETCH(int, rate);
        QFETCH(QString, ticks);
        Fixture f;
        f.run(QStringLiteral("100"), rate);
        QVERIFY(f.rec().active());
        QCOMPARE(f.rec().rate(), rate);
        for (const QChar c : ticks)
            f.tick(c == u'F', c == u'L');
        QTEST(f.rec().sampleCount(), "samples");
        QCOMPARE(f.window->dataNo,
            f.rec().sampleCount() ? QString::number(f.rec().sampleCount()) : QString());
        QCOMPARE(f.rec().unsaved(), f.rec().sampleCount() > 0);
    }

    void noSamplesWithoutARun()
    {
        Fixture f;
        for (int i = 0; i < 5; ++i)
            f.tick();
        QCOMPARE(f.rec().sampleCount(), 0);
        QVERIFY(!f.rec().unsaved());
    }

    void theLastSampleStopsTheRun()
    {
        Fixture f;
        f.values = { 21.5f, 22.0f, 5000.0f, -1.0f };
        f.run(QStringLiteral("3"), 1);
        QVERIFY(f.controls().stop && !f.controls().run && !f.window->clearEnabled);
        // The stop at the last sample runs inside the tick: it waits for nothing.
        const QDateTime before = f.services.manualClock.now();
        for (int i = 0; i < 3; ++i)
            f.tick();
        QCOMPARE(f.services.manualClock.now(), before.addMSecs(3000));
        QVERIFY(!f.rec().active());
        QVERIFY(f.controls().run && !f.controls().stop && f.window->clearEnabled);
        QCOMPARE(f.window->graph.points(), 3);
        QCOMPARE(f.window->avgTexts[0], QStringLiteral("21.500"));
        QCOMPARE(f.window->avgTexts[2], QStringLiteral("****")); // over range: no average
        // Further ticks take nothing.
        f.tick();
        QCOMPARE(f.rec().sampleCount(), 3);
    }

    void stopFromOutsideWaitsForTheTickWithinItsBound()
    {
        Fixture f;
        f.run(QStringLiteral("10"), 1);
        f.tick();
        // Stop from inside a tick, which cannot end meanwhile: the wait has its bound.
        QDateTime before;
        LiveSession& session = f.rig.ws().session();
        QObject::connect(&session, &LiveSession::samplingPoint, &session, [&] {
            before = f.services.manualClock.now();
            f.recorder.stop();
        });
        session.mainTimerTimer();
        QCOMPARE(f.services.manualClock.now(), before.addMSecs(2500));
        QVERIFY(!f.rec().active());
        QCOMPARE(f.window->graph.points(), 1);
    }

    void runRefusals_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("no meter") << false << "10" << QString();
        QTest::newRow("not a number") << true << "abc"
                                      << "abc ist kein g\u00fcltiger Wert.";
        QTest::newRow("no samples") << true << " 0"
                                    << " 0 ist kein g\u00fcltiger Wert.";
        QTest::newRow("negative") << true << "-5"
                                  << "-5 ist kein g\u00fcltiger Wert.";
    }
    void runRefusals()
    {
        QFETCH(bool, connected);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Fixture f;
        if (!connected)
            f.rig.report(LinkChange::Lost);
        // Without a meter no dialog may be shown: the prompter then has no answer for one.
        if (connected)
            f.run(typed, 5);
        else
            f.recorder.run();
        QVERIFY(!f.rec().active());
        QVERIFY(f.window->startTime.isEmpty() && f.window->redraws == 0); // nothing started
        QCOMPARE(f.rec().rate(), 2); // the rate is taken only with a valid number
        QCOMPARE(f.services.prompts.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(f.services.prompts.shown.first().startsWith(typed),
                qPrintable(f.services.prompts.shown.first()));
    }

    void runAsksToSaveAGraphWithSamples_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("saves");
        QTest::addColumn<bool>("runs");
        QTest::addColumn<bool>("saved"); // the save's outcome after Yes
        QTest::newRow("yes") << int(Answer::Yes) << 1 << true << true;
        QTest::newRow("yes, but the save did not happen")
            << int(Answer::Yes) << 1 << false << false;
        QTest::newRow("no") << int(Answer::No) << 0 << true << true;
        QTest::newRow("cancel") << int(Answer::Cancel) << 0 << false << true;
    }
    void runAsksToSaveAGraphWithSamples()
    {
        QFETCH(int, answer);
        QFETCH(bool, saved);
        Fixture f;
        f.window->saveSucceeds = saved;
        f.rec().assumeRecording(false, 5);
        f.services.prompts.answers << Answer(answer);
        QFETCH(bool, runs);
        if (runs)
            f.run(QStringLiteral("10"), 2);
        else
            f.recorder.run(); // no set-up dialog after Cancel or an unsaved Yes
        QCOMPARE(f.services.prompts.shown.size(), 1);
        QTEST(f.window->saves, "saves");
        QCOMPARE(f.rec().active(), runs);
        QCOMPARE(f.rec().sampleCount(), runs ? 0 : 5);
        QCOMPARE(f.window->restores, 1);
    }

    // The close question saves this graph; a Yes whose save did not happen keeps it open.
    void closeAsksToSaveTheGraph_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("closes");
        QTest::newRow("yes") << int(Answer::Yes) << true << true;
        QTest::newRow("yes, but the save did not happen") << int(Answer::Yes) << false << false;
        QTest::newRow("no") << int(Answer::No) << true << true;
        QTest::newRow("cancel") << int(Answer::Cancel) << true << false;
    }
    void closeAsksToSaveTheGraph()
    {
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QFETCH(bool, closes);
        Fixture f;
        f.rec().setUnsaved(true);
        f.window->saveSucceeds = saved;
        f.services.prompts.answers << Answer(answer);
        QCOMPARE(f.recorder.closeQuery(), closes);
        QCOMPARE(f.window->saves, answer == int(Answer::Yes) ? 1 : 0);
        QCOMPARE(f.rec().unsaved(), !closes);
    }

    void runMakesTheClosedWindowAgain()
    {
        Fixture f;
        f.recorder.closed();
        QVERIFY(!f.recorder.hasWindow());
        // The window could not be made: nothing is asked.
        f.recorder.run();
        QCOMPARE(f.windowsMade, 1);
        QVERIFY(!f.rec().active());
        // Made: the set-up follows.
        auto* made = new FakeWindow;
        f.makeWindow = [&] { f.recorder.attachWindow(std::unique_ptr<FakeWindow>(made)); };
        f.run(QStringLiteral("10"), 2);
        QCOMPARE(f.windowsMade, 2);
        QVERIFY(f.rec().active());
        QCOMPARE(made->restores, 0);
        // Closed during that run: the window made next holds no run, and its Clear is open.
        f.recorder.closed();
        auto* again = new FakeWindow;
        f.recorder.attachWindow(std::unique_ptr<FakeWindow>(again));
        QVERIFY(again->clearEnabled);
    }

    // A rate picked during a run asks first; the graph starts again at it only when the
    // answer lets the samples go.
    void rateChangeDuringARun_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("changes");
        QTest::newRow("no") << int(Answer::No) << true << true;
        QTest::newRow("yes") << int(Answer::Yes) << true << true;
        QTest::newRow("yes, but the save did not happen") << int(Answer::Yes) << false << false;
        QTest::newRow("cancel") << int(Answer::Cancel) << true << false;
    }
    void rateChangeDuringARun()
    {
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QFETCH(bool, changes);
        Fixture f;
        f.window->saveSucceeds = saved;
        f.run(QStringLiteral("10"), 1);
        f.tick();
        f.services.prompts.answers << Answer(answer);
        f.recorder.samplingRateChanged(0); // 00:00 becomes 00:02
        QCOMPARE(f.rec().rate(), changes ? 2 : 1);
        QCOMPARE(f.window->seconds, changes ? 2 : 1);
        QCOMPARE(f.rec().active(), !changes);
        QCOMPARE(f.window->clears, changes ? 1 : 0);
        QCOMPARE(f.window->saves, answer == int(Answer::Yes) ? 1 : 0);
        if (!changes)
            return;
        // The same rate again, also picked as 00:00, changes nothing and asks nothing.
        f.recorder.samplingRateChanged(2);
        f.recorder.samplingRateChanged(0);
        QCOMPARE(f.services.prompts.shown.size(), 1);
        QCOMPARE(f.window->clears, 1);
        QCOMPARE(f.window->seconds, 2);
    }

    void aWindowGoneWithoutClosingTakesNoMoreSamples()
    {
        FakeGraphServices services;
        WorkspaceRig rig(&services.manualClock);
        rig.report(LinkChange::ScanFound);
        RealTimeRecorder recorder(rig.ws(), services);
        QMdiArea area;
        auto* graph = new TfrmGraph(services);
        graph->setWindowTitle(TfrmGraph::realTimeCaption());
        graph->model().setSubsets(4);
        area.addSubWindow(graph);
        graph->setRole(&recorder);
        QVERIFY(recorder.hasWindow());
        services.prompts.dialogs = setUp(QStringLiteral("10"), 1);
        recorder.run();
        QVERIFY(rig.recording().active());
        delete graph; // as the main window's end does it: no close, no question
        QVERIFY(!recorder.hasWindow());
        QVERIFY(!rig.recording().active());
        rig.recording().onSamplingPoint(TickCheck { true, false }, 46000.0);
        QCOMPARE(rig.recording().sampleCount(), 0);
    }
};

QTEST_MAIN(TestRealTimeRecorder)
#include "tst_realtimerecorder.moc"
