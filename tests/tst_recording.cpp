// Real-time recording through the main window against the simulated meter: Run with its
// dialog and question, sampling at the chosen rate on the main tick, the self-stop at the last
// sample, Stop with trimming, and a link lost in the middle of a run.

#include "DateTimeSerial.h"
#include "MainWindowFixture.h"
#include "TfrmGraph.h"
#include "TfrmSetupRealTime.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace tc4dl;
using namespace tc4dl::testing;

namespace {

// Answers the set-up dialog with a number of samples and a rate.
std::function<int(QDialog&)> setUp(const QString& samples, int minutes, int seconds)
{
    return [=](QDialog& dialog) {
        auto* setup = qobject_cast<TfrmSetupRealTime*>(&dialog);
        if (!setup)
            return int(QDialog::Rejected);
        setup->samplesField()->setText(samples);
        setup->minutesList()->setCurrentIndex(minutes);
        setup->secondsList()->setCurrentIndex(seconds);
        return int(QDialog::Accepted);
    };
}

struct Session : Fixture {
    Session()
        : Fixture({ QStringLiteral("SIMULATOR") })
    {
        meters.try_emplace(QStringLiteral("SIMULATOR"));
        window->FormShow();
        clock.runDue();
        prompter.shown.clear(); // the missing-template message of the start
    }
    SimulatedMeter& meter() { return meters[QStringLiteral("SIMULATOR")]; }
    TfrmGraph* graph() const { return window->windows().realTimeGraph(); }
    int samples() const { return window->workspace().recording().sampleCount(); }
    bool running() const { return window->workspace().recording().active(); }
};

constexpr double kSecond = 1.0 / 86400.0;

} // namespace

class TestRecording : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void aRunOfNSamplesAtRateRStopsItselfAtTheLast_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("samples");
        QTest::newRow("every second tick") << 2 << 5;
        QTest::newRow("every tick") << 1 << 4;
        QTest::newRow("every fifth tick") << 5 << 3;
    }

    void aRunOfNSamplesAtRateRStopsItselfAtTheLast()
    {
        QFETCH(int, rate);
        QFETCH(int, samples);
        Session r;
        r.dialogs = setUp(QStringLiteral(" %1").arg(samples), rate / 60, rate % 60);
        r.window->btnRunClick();
        QVERIFY(r.running());
        QCOMPARE(r.window->workspace().recording().rate(), rate);
        QVERIFY(!r.enabled("btnRun") && r.enabled("btnStop") && r.enabled("Stop1"));
        QVERIFY(!r.graph()->clearEnabled());
        QCOMPARE(r.graph()->model().points(), samples);

        QList<double> times;
        int ticks = 0;
        while (r.running() && ticks < 100) {
            const int before = r.samples();
            r.tick();
            ++ticks;
            if (r.samples() > before)
                times << toDateTimeSerial(r.clock.now());
        }
        QCOMPARE(r.samples(), samples);
        QCOMPARE(times.size(), samples);
        for (int i = 1; i < times.size(); ++i)
            QVERIFY(qAbs((times[i] - times[i - 1]) / kSecond - rate) < 0.01);
        QVERIFY(!r.running());
        QVERIFY(r.enabled("btnRun") && !r.enabled("btnStop"));
        QVERIFY(r.graph()->clearEnabled());
        QCOMPARE(r.graph()->dataNoBox()->text(), QString::number(samples));
        QVERIFY2(r.graph()->avgBox(0)->text().contains(QLatin1Char(',')),
            qPrintable(r.graph()->avgBox(0)->text()));
        QVERIFY(r.graph()->maxBox(0)->text().contains(QLatin1Char('@')));
        QCOMPARE(r.graph()->model().points(), samples);
        QCOMPARE(r.graph()->model().x(0, samples - 1), times.last());
    }

    void theStopAtTheLastSampleDoesNotFreezeTheTick()
    {
        Session r;
        r.dialogs = setUp(QStringLiteral("1"), 0, 1);
        r.window->btnRunClick();
        const qint64 before = r.clock.tickMs();
        r.tick();
        QVERIFY(!r.running());
        // One tick of 1000 ms and no 2.5 s wait for a tick that was the stop's own.
        QVERIFY2(r.clock.tickMs() - before < 1100,
            qPrintable(QString::number(r.clock.tickMs() - before)));
    }

    void stopBeforeTheGraphIsFullTrimsIt()
    {
        Session r;
        r.dialogs = setUp(QStringLiteral("2000"), 0, 1);
        r.window->btnRunClick();
        for (int i = 0; i < 3; ++i)
            r.tick();
        QCOMPARE(r.samples(), 3);
        r.window->btnStopClick();
        QCOMPARE(r.graph()->model().points(), 3);
        QVERIFY(!r.running());
        QCOMPARE(r.graph()->model().look.xScale.max, toDateTimeSerial(r.clock.now()));
        QVERIFY(!r.graph()->model().isNull(r.graph()->model().y(3, 2)));
    }

    void overRangeBecomesTheMaximumAndStays()
    {
        Session r;
        r.meter().setOverRange(1, true);
        r.dialogs = setUp(QStringLiteral("3"), 0, 1);
        r.window->btnRunClick();
        r.tick();
        r.meter().setOverRange(1, false);
        r.tick();
        r.tick();
        QCOMPARE(r.graph()->maxBox(1)->text(), QStringLiteral("OL"));
    }

    void aLostLinkPausesTheRunAndItGoesOn()
    {
        Session r;
        r.dialogs = setUp(QStringLiteral("10"), 0, 1);
        r.window->btnRunClick();
        r.tick();
        r.tick();
        QCOMPARE(r.samples(), 2);
        r.meter().setSilent(true);
        for (int i = 0; i < 4; ++i)
            r.tick();
        QVERIFY(!r.window->workspace().session().link().meterConnected());
        QVERIFY(r.running());
        QVERIFY(!r.enabled("btnStop") && !r.enabled("btnRun"));
        const int paused = r.samples();
        QVERIFY(paused <= 3); // the frame already on its way before the silence
        r.tick();
        QCOMPARE(r.samples(), paused);

        r.meter().setSilent(false);
        r.tick(); // the frame brings the link back; the run goes on
        QVERIFY(r.enabled("btnStop") && !r.enabled("btnRun"));
        QVERIFY(!r.graph()->clearEnabled());
        r.tick();
        r.tick();
        QVERIFY(r.samples() > paused);
    }

    void aQuestionBeforeARunOverData()
    {
        Session r;
        r.dialogs = setUp(QStringLiteral("5"), 0, 1);
        r.window->btnRunClick();
        r.tick();
        r.tick();
        r.window->btnStopClick();
        QCOMPARE(r.samples(), 2);

        // Cancel: nothing else happens.
        r.prompter.answers = { Prompter::Answer::Cancel };
        r.dialogsShown = 0;
        r.window->btnRunClick();
        QCOMPARE(r.prompter.shown.size(), 1);
        // The stored backslash-n is a real line break.
        QVERIFY(r.prompter.shown.first().startsWith(QStringLiteral(
            "Es sind Daten in der Echtzeitgrafik, die Grafik muss zurückgesetzt werden. \n")));
        QVERIFY(r.prompter.shown.first().endsWith(
            QStringLiteral("Möchten Sie die Echtzeitgrafik speichern ?")));
        QCOMPARE(r.dialogsShown, 0);
        QCOMPARE(r.samples(), 2);
        QCOMPARE(r.graph()->model().points(), 2);

        // No: the new run starts from an empty graph.
        r.prompter.answers = { Prompter::Answer::No };
        r.window->btnRunClick();
        QVERIFY(r.running());
        QCOMPARE(r.samples(), 0);
        QCOMPARE(r.graph()->model().points(), 5);
        QVERIFY(r.graph()->maxBox(0)->text().isEmpty());
    }

    void aNumberOfSamplesThatIsNoWholeNumberIsRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // a blank before the text, a real line break
        QTest::newRow("blank") << QStringLiteral("     ")
                               << QStringLiteral("     in nicht gültig.\n");
        QTest::newRow("zero") << QStringLiteral("    0")
                              << QStringLiteral("    0 in nicht gültig.\n");
        QTest::newRow("letters") << QStringLiteral("12a")
                                 << QStringLiteral("12a in nicht gültig.\n");
    }

    void aNumberOfSamplesThatIsNoWholeNumberIsRefused()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Session r;
        r.dialogs = setUp(typed, 0, 5);
        r.window->btnRunClick();
        QVERIFY(!r.running());
        QCOMPARE(r.prompter.shown, QStringList { message });
        // The graph's lists already show the dialog's choice; the rate itself is unchanged.
        QCOMPARE(r.graph()->secondsList()->currentIndex(), 5);
        QCOMPARE(r.window->workspace().recording().rate(), 2);
        QVERIFY(r.enabled("btnRun"));
    }

    void runDoesNothingWithoutTheMeter()
    {
        Session r;
        r.meter().setSilent(true);
        for (int i = 0; i < 4; ++i)
            r.tick();
        r.dialogs = setUp(QStringLiteral("5"), 0, 1);
        r.window->btnRunClick();
        QCOMPARE(r.dialogsShown, 0);
        QVERIFY(!r.running());
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
