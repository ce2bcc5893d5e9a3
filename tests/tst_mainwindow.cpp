// The main window against the in-process simulated meter, with a hand-moved clock, scripted
// message boxes and recorded Settings: start-up, the enabled states as the link comes and
// goes, the panel, the meter keys, the port list and closing.

#include "ChartModel.h"
#include "HelpWindow.h"
#include "MainWindowFixture.h"
#include "QtGermanTexts.h"
#include "TfrmGraph.h"
#include "TfrmPanel.h"
#include "Ticker.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>

#include <map>

using namespace tc4dl;
using namespace tc4dl::testing;

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Qt's standard buttons and dialogs speak the program's language.
    void qtsOwnTextsAreGerman()
    {
        QVERIFY(installQtGermanTexts(*QCoreApplication::instance()));
        QCOMPARE(
            QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
        QCOMPARE(QCoreApplication::translate("QMdiSubWindow", "Close"),
            QStringLiteral("Schlie\u00dfen"));
    }

    // The splash stays on top: it goes before the first message of the start can appear.
    void splashClosesBeforeTheFirstMessage()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        int closes = 0;
        qsizetype shownWhenClosed = -1;
        f.closeSplash = [&] {
            ++closes;
            shownWhenClosed = f.prompter.shown.size();
        };
        f.window->FormShow();
        QCOMPARE(closes, 1);
        QCOMPARE(shownWhenClosed, 0);
        QVERIFY(!f.prompter.shown.isEmpty()); // no template here: the message came after
    }

    // The toolbar as designed: buttons and port list at their places, and hints that leave
    // the status bar's two panels alone.
    void toolBarLayoutAndHints()
    {
        Fixture f({ QStringLiteral("ttyS0") });
        f.window->resize(1000, 600);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        auto* bar = f.window->findChild<QToolBar*>(QStringLiteral("ToolBar"));
        QVERIFY(bar);
        const int buttonX[] = { 3, 30, 57, 83, 110, 137, 164, 191 };
        int i = 0;
        for (const char* name : { "SpeedButton1", "SpeedButton2", "btnPrint", "btnDataLogger",
                 "btnOutputToGraph", "btnRun", "btnStop", "SpeedButton8" }) {
            QWidget* button = bar->widgetForAction(f.window->action(QLatin1String(name)));
            if (!button) // a button placed in the toolbar's strip shows the action
                for (auto* b : bar->findChildren<QToolButton*>())
                    if (b->defaultAction() == f.window->action(QLatin1String(name)))
                        button = b;
            QVERIFY2(button, name);
            QVERIFY2(qAbs(button->mapTo(bar, QPoint()).x() - buttonX[i]) <= 1,
                qPrintable(
                    QStringLiteral("%1 at %2").arg(name).arg(button->mapTo(bar, QPoint()).x())));
            ++i;
        }
        QVERIFY(qAbs(f.window->portList()->mapTo(bar, QPoint()).x() - 321) <= 1);
        QVERIFY(f.window->portList()->width() >= 105);

        f.window->action(QStringLiteral("btnRun"))->showStatusText(f.window);
        QVERIFY(f.window->statusBar()->currentMessage().isEmpty());
        for (QLabel* panel : f.window->statusBar()->findChildren<QLabel*>())
            QVERIFY(panel->isVisible());
    }

    void startsWithTheDesignedStates()
    {
        Fixture f({ QStringLiteral("ttyS0"), QStringLiteral("SIMULATOR") });
        QCOMPARE(f.window->windowTitle(), QStringLiteral("TC4DL"));
        QVERIFY(!f.enabled("btnRun") && !f.enabled("Run1"));
        QVERIFY(!f.enabled("btnStop") && !f.enabled("Stop1"));
        QVERIFY(f.enabled("btnDataLogger") && f.loggerMenuEnabled());
        QVERIFY(!f.enabled("btnOutputToGraph"));
        QCOMPARE(f.window->portList()->currentIndex(), 0);
        QCOMPARE(
            f.window->workspace().session().comm1().deviceName(), QStringLiteral("/dev/ttyS0"));
        QVERIFY(!f.window->workspace().session().mainTimer().isEnabled());
        // German in use.
        QCOMPARE(f.window->menu(QStringLiteral("File1"))->title(), QStringLiteral("Datei"));
        QCOMPARE(f.window->action(QStringLiteral("btnRun"))->toolTip(),
            QStringLiteral("Starte Echzeitgrafik-Daten"));
        // Every row of every menu carries a caption, translated or not.
        for (QMenu* menu : f.window->findChildren<QMenu*>()) {
            QVERIFY2(!menu->title().isEmpty(), qPrintable(menu->objectName()));
            for (QAction* item : menu->actions())
                QVERIFY2(item->isSeparator() || !item->text().isEmpty(),
                    qPrintable(menu->objectName() + "/" + item->objectName()));
        }
        QCOMPARE(
            f.window->action(QStringLiteral("Cascade1"))->text(), QStringLiteral("Ü&berlappend"));
        // Nothing stored: the defaults.
        QCOMPARE(f.window->workspace().settings().lastConnectedModel, 740);
        QCOMPARE(f.window->workspace().settings().realTimeRate, 2);
    }

    void scanFindsTheMeterOnTheSecondPort()
    {
        Fixture f({ QStringLiteral("ttyS0"), QStringLiteral("SIMULATOR") });
        f.meters.try_emplace(QStringLiteral("SIMULATOR"));
        f.window->FormShow();
        QCOMPARE(f.window->status().device(), QStringLiteral("SIMULATOR"));
        QCOMPARE(f.window->status().state(), kOn);
        QVERIFY(f.enabled("btnRun") && f.enabled("Run1"));
        QVERIFY(!f.enabled("btnStop") && !f.enabled("Stop1"));
        QVERIFY(f.enabled("btnDataLogger") && f.loggerMenuEnabled());
        QVERIFY(f.window->workspace().session().mainTimer().isEnabled());
        QCOMPARE(f.window->portList()->currentIndex(), 1);
        QCOMPARE(f.window->workspace().session().link().lastConnectedPort(), 1);
        QVERIFY(f.window->windows().panel());
        QCOMPARE(f.window->windows().panel()->parentWidget()->pos(), QPoint(0, 0));
        QVERIFY(!f.window->windows().panel()->noConnectionVisible());
        QVERIFY(f.window->action(QStringLiteral("ControlPanel1"))->isChecked());

        // The scan's closing poll brings the first frame: values in German notation.
        f.clock.runDue();
        QVERIFY(f.window->workspace().session().link().frameArrived());
        QVERIFY2(f.window->windows().panel()->valueText(0).contains(QLatin1Char(',')),
            qPrintable(f.window->windows().panel()->valueText(0)));
        QVERIFY(f.window->windows().panel()->isMarkVisible(Mark::T1C));
    }

    void noMeterLeavesTheLinkDown()
    {
        Fixture f({ QStringLiteral("ttyS0"), QStringLiteral("ttyS1") },
            { { "LastConnectedPort", 7 }, { "LastConnectedModel", 999 } });
        QCOMPARE(f.window->workspace().session().link().lastConnectedPort(), 7);
        f.window->FormShow();
        QCOMPARE(f.window->status().state(), kOff);
        QCOMPARE(f.window->status().device(), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(f.window->portList()->currentIndex(), 0); // beyond the list: entry 0
        QCOMPARE(f.window->workspace().session().link().lastConnectedPort(), 0);
        QCOMPARE(f.window->workspace().session().link().meterModel(), 740);
        QVERIFY(f.window->windows().panel()->noConnectionVisible());
        QVERIFY(!f.enabled("btnRun") && !f.enabled("btnStop"));
        QVERIFY(f.window->workspace().session().mainTimer().isEnabled());
    }

    void linkLostAfterThreeSilentTicksAndBackWithTheNextFrame()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        SimulatedMeter& meter = f.meters[QStringLiteral("SIMULATOR")];
        f.window->FormShow();
        f.clock.runDue();
        f.tick();
        meter.setSilent(true);
        f.tick(); // takes the frame that came before the silence
        f.tick();
        f.tick();
        QCOMPARE(f.window->status().state(), kOn);
        f.tick();
        QCOMPARE(f.window->status().state(), kOff);
        for (const char* name : { "btnRun", "Run1", "btnStop", "Stop1", "btnDataLogger" })
            QVERIFY2(!f.enabled(name), name);
        QVERIFY(!f.loggerMenuEnabled());
        QVERIFY(f.window->windows().panel()->noConnectionVisible());
        for (int i = 0; i < 3; ++i)
            f.tick();
        QCOMPARE(f.window->workspace().session().link().counters().linkLosses, 2u);

        meter.setSilent(false);
        f.tick();
        QCOMPARE(f.window->status().state(), kOn);
        QVERIFY(f.enabled("btnRun") && !f.enabled("btnStop") && f.enabled("btnDataLogger"));
        QVERIFY(f.loggerMenuEnabled());
        QVERIFY(!f.window->windows().panel()->noConnectionVisible());
    }

    void panelMarksAndBlinkingFollowTheMeter()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        SimulatedMeter& meter = f.meters[QStringLiteral("SIMULATOR")];
        f.window->FormShow();
        f.clock.runDue();
        TfrmPanel* panel = f.window->windows().panel();

        meter.setCelsius(false);
        meter.setMaxMinMode(MeterMode::MaxMinBlinking);
        meter.setRecording(true);
        f.tick();
        QCOMPARE(f.window->workspace().unit(), Unit::Fahrenheit);
        QVERIFY(panel->isMarkVisible(Mark::T1F) && !panel->isMarkVisible(Mark::T1C));
        QVERIFY(f.window->windows().panelKeeper().maxMinTimer().isEnabled());
        QVERIFY(f.window->windows().panelKeeper().recTimer().isEnabled());
        f.window->MaxMinTimerTimer();
        QVERIFY(panel->isMarkVisible(Mark::Max) && panel->isMarkVisible(Mark::Min));
        f.window->MaxMinTimerTimer();
        QVERIFY(!panel->isMarkVisible(Mark::Max) && !panel->isMarkVisible(Mark::Min));
        f.window->RECTimerTimer();
        QVERIFY(panel->isMarkVisible(Mark::Rec));

        meter.setMaxMinMode(MeterMode::Max);
        meter.setDifferenceDisplay(true);
        f.tick();
        QVERIFY(!f.window->windows().panelKeeper().maxMinTimer().isEnabled());
        QVERIFY(panel->isMarkVisible(Mark::Max) && !panel->isMarkVisible(Mark::Min));
        QVERIFY(!panel->isMarkVisible(Mark::LabelT3));
        QCOMPARE(panel->valueText(2), QStringLiteral("1 -- 2"));
    }

    void closingAndReopeningThePanel()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        SimulatedMeter& meter = f.meters[QStringLiteral("SIMULATOR")];
        f.window->FormShow();
        f.clock.runDue();
        QMdiSubWindow* sub
            = qobject_cast<QMdiSubWindow*>(f.window->windows().panel()->parentWidget());
        QVERIFY(sub);
        sub->move(40, 30);
        sub->showMinimized();
        f.window->ControlPanel1Click(); // restores, does not create
        QVERIFY(!sub->isMinimized());
        // Behind the graph, the panel comes to the front.
        f.window->mdiArea()->setActiveSubWindow(
            qobject_cast<QMdiSubWindow*>(f.window->windows().realTimeGraph()->frameWindow()));
        f.window->ControlPanel1Click();
        QCOMPARE(f.window->mdiArea()->activeSubWindow(), sub);
        QCOMPARE(f.window->mdiArea()->subWindowList().size(), 2); // the panel, the graph

        QVERIFY(sub->close());
        QCoreApplication::processEvents();
        QVERIFY(!f.window->windows().panel());
        QVERIFY(!f.window->action(QStringLiteral("ControlPanel1"))->isChecked());
        meter.setHold(true, f.clock.tickMs());
        f.tick(); // decodes with no panel: nothing to touch, nothing breaks

        f.window->ControlPanel1Click();
        TfrmPanel* panel = f.window->windows().panel();
        QVERIFY(panel);
        QCOMPARE(panel->parentWidget()->pos(), QPoint(0, 0));
        QVERIFY(f.window->action(QStringLiteral("ControlPanel1"))->isChecked());
        // The marks of the meter's state show at once, and follow its next change.
        QVERIFY(panel->isMarkVisible(Mark::Hold));
        QVERIFY(panel->isMarkVisible(Mark::T1C));
        meter.setHold(false, f.clock.tickMs());
        f.tick();
        QVERIFY(!panel->isMarkVisible(Mark::Hold));
        QVERIFY(panel->isMarkVisible(Mark::T1C));
    }

    void keysWriteTheirBytesOnlyWhileConnected()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        SimulatedMeter& meter = f.meters[QStringLiteral("SIMULATOR")];
        f.window->FormShow();
        f.clock.runDue();
        f.prompter.shown.clear(); // the missing graph template's message
        TfrmPanel* panel = f.window->windows().panel();
        meter.clearReceived();
        QTest::mouseClick(panel->findChild<QWidget*>(QStringLiteral("btnHOLD")), Qt::LeftButton);
        QCOMPARE(meter.received(), QByteArray("H"));
        QCOMPARE(f.beeps, 1);

        meter.setSilent(true);
        for (int i = 0; i < 4; ++i)
            f.tick();
        QVERIFY(!f.window->workspace().session().link().meterConnected());
        meter.clearReceived();
        QTest::mouseClick(panel->findChild<QWidget*>(QStringLiteral("btnCF")), Qt::LeftButton);
        QVERIFY(!meter.received().contains('C'));
        QCOMPARE(f.beeps, 1);
        panel->btnMMAMouseDown();
        panel->btnMMAMouseUp();
        QCOMPARE(f.prompter.shown, QStringList { QStringLiteral("No Connection") });
        QVERIFY(!meter.received().contains('M'));
    }

    // The unit is the meter's, from its frames: switched on the meter (here by the panel's
    // key), every text export's range window proposes it at once, for the real-time graph and
    // for a graph opened from a file alike, and what is written follows it.
    void theMetersUnitSwitchReachesTheExportsAtOnce()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        SimulatedMeter& meter = f.meters[QStringLiteral("SIMULATOR")];
        f.window->FormShow();
        f.clock.runDue();
        f.tick();
        QCOMPARE(f.window->workspace().unit(), Unit::Celsius);
        TfrmGraph* realTime = f.window->windows().realTimeGraph();
        chart::ChartModel& model = realTime->model();
        for (int p = 0; p < 3; ++p)
            for (int s = 0; s < 4; ++s) {
                model.setX(s, p, 46000.0 + p / 86400.0);
                model.setY(s, p, p == 1 ? 2000.0 : 20.0); // beyond °C, within °F
            }
        const QString folder = f.documentsDir.path();
        const auto save = [&](QWidget* frame, const QString& name, bool fahrenheit) {
            f.window->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(frame));
            f.prompter.fileNames << QDir(folder).filePath(name);
            if (name.endsWith(QLatin1String(".txt"))) // a graph file asks for no range
                f.prompter.ranges << Prompter::RangeAnswer { true, {}, {}, fahrenheit };
            f.window->Save1Click();
        };
        save(realTime->frameWindow(), QStringLiteral("rt.ghf"), false);
        TfrmGraph* opened = f.window->fileCommands().openGraphFile(
            QDir(folder).filePath(QStringLiteral("rt.ghf")));
        QVERIFY(opened);
        save(opened->frameWindow(), QStringLiteral("c.txt"), false);
        QCOMPARE(f.prompter.rangeRequests.size(), 1);
        QVERIFY(!f.prompter.rangeRequests.last().fahrenheit);

        f.window->windows().panel()->btnCFClick();
        QVERIFY(!meter.isCelsius());
        f.tick(); // the answer to the poll before the key
        f.tick();
        QCOMPARE(f.window->workspace().unit(), Unit::Fahrenheit);
        QVERIFY(f.window->windows().panel()->isMarkVisible(Mark::T1F));
        save(opened->frameWindow(), QStringLiteral("f.txt"), true);
        save(realTime->frameWindow(), QStringLiteral("rt.txt"), true);
        QCOMPARE(f.prompter.rangeRequests.size(), 3);
        QVERIFY(f.prompter.rangeRequests[1].fahrenheit);
        QVERIFY(f.prompter.rangeRequests[2].fahrenheit);
        const auto text = [&](const QString& name) {
            QFile file(QDir(folder).filePath(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QVERIFY(text(QStringLiteral("c.txt")).contains("\tOL\t"));
        QVERIFY(text(QStringLiteral("f.txt")).contains("2000"));
        QVERIFY(text(QStringLiteral("rt.txt")).contains("2000"));
        QVERIFY(!text(QStringLiteral("rt.txt")).contains("OL"));
    }

    void portListChangeReopensComm1()
    {
        Fixture f({ QStringLiteral("SIMULATOR"), QStringLiteral("ttyUSB0") });
        f.meters.try_emplace(QStringLiteral("SIMULATOR"));
        f.meters.try_emplace(QStringLiteral("/dev/ttyUSB0"));
        f.window->FormShow();
        f.clock.runDue();
        f.window->portList()->setCurrentIndex(1); // as the user picks it
        QCOMPARE(
            f.window->workspace().session().comm1().deviceName(), QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(f.window->workspace().session().comm1().isActive());
        QCOMPARE(f.window->workspace().session().link().lastConnectedPort(), 1);
        // The change does not identify again, but the status bar names the new port at once.
        QCOMPARE(f.window->status().device(), QStringLiteral("/dev/ttyUSB0"));
        f.tick();
        QVERIFY(f.meters[QStringLiteral("/dev/ttyUSB0")].received().contains('A'));

        f.window->portList()->setEditText(QStringLiteral("COM12"));
        QCOMPARE(
            f.window->workspace().session().comm1().deviceName(), QStringLiteral("/dev/COM12"));
        QCOMPARE(f.window->status().device(), QStringLiteral("/dev/COM12"));
        QVERIFY(!f.window->workspace().session().comm1().isActive());
        QCOMPARE(f.window->workspace().session().link().lastConnectedPort(), -1);
    }

    void closeBoxWritesTheSettingsExitDoesNot()
    {
        {
            Fixture f({ QStringLiteral("SIMULATOR") });
            f.meters[QStringLiteral("SIMULATOR")].setCelsius(false);
            f.window->FormShow();
            f.clock.runDue();
            QSignalSpy exit(f.window, &TfrmMain::exitRequested);
            f.window->Exit1Click();
            QCOMPARE(exit.size(), 1);
            QVERIFY(f.store.writes.isEmpty());
        }
        Fixture f({ QStringLiteral("ttyS0"), QStringLiteral("SIMULATOR") },
            { { "RealTimeRate", 5 }, { "AnnoColor", 255 } });
        f.meters[QStringLiteral("SIMULATOR")].setCelsius(false);
        f.window->FormShow();
        f.clock.runDue();
        QVERIFY(f.window->close());
        QCOMPARE(f.store.writes,
            (QStringList { "RealTimeRate", "LastConnectedPort", "LastConnectedModel", "AnnoColor",
                "CF_Degree" }));
        QCOMPARE(f.store.values["LastConnectedPort"], 1);
        QCOMPARE(f.store.values["LastConnectedModel"], 740);
        QCOMPARE(f.store.values["CF_Degree"], 0);
        QCOMPARE(f.store.values["RealTimeRate"], 5);
        QCOMPARE(f.store.values["AnnoColor"], 255);
        QVERIFY(!f.window->workspace().session().comm1().isActive());
    }

    // A port that did not open at the start (another program held it) is not taken by the tick
    // when it comes free; picking it again in the list opens it.
    void aPortThatNeverOpenedWaitsToBePickedAgain()
    {
        Fixture f({ QStringLiteral("ttyUSB0") });
        f.window->FormShow();
        f.clock.runDue();
        QVERIFY(!f.window->workspace().session().comm1().isActive());
        // The other program lets go of the port.
        auto* port = dynamic_cast<SimulatedSerialPort*>(
            f.window->workspace().session().comm1().implementation());
        QVERIFY(port);
        port->setOpenFails(false);
        for (int i = 0; i < 3; ++i)
            f.tick();
        QVERIFY(!f.window->workspace().session().comm1().isActive());
        QCOMPARE(f.window->workspace().session().link().counters().reopenAttempts, quint64(0));

        Q_EMIT f.window->portList()->activated(0);
        QVERIFY(f.window->workspace().session().comm1().isActive());
        f.tick();
        f.tick();
        QVERIFY(f.window->workspace().session().link().meterConnected());
    }

    void commandsLeaveTheLentDeviceAlone()
    {
        Fixture f({ QStringLiteral("SIMULATOR"), QStringLiteral("ttyUSB0") });
        SimulatedMeter& meter = f.meters[QStringLiteral("SIMULATOR")];
        f.meters.try_emplace(QStringLiteral("/dev/ttyUSB0"));
        f.window->FormShow();
        f.clock.runDue();
        f.prompter.shown.clear();
        QVERIFY(f.enabled("btnRun"));
        auto lease = f.window->workspace().session().borrowDevice(LeaseOptions {});
        QVERIFY(lease);
        QVERIFY(!f.window->portList()->isEnabled());
        meter.clearReceived();

        // The port list keeps the port in use.
        f.window->portList()->setCurrentIndex(1);
        QCOMPARE(f.window->portList()->currentIndex(), 0);
        QCOMPARE(f.window->workspace().session().comm1().deviceName(), QStringLiteral("SIMULATOR"));
        QCOMPARE(f.window->workspace().session().link().lastConnectedPort(), 0);
        // Run asks nothing and starts nothing.
        f.window->btnRunClick();
        QCOMPARE(f.dialogsShown, 0);
        QVERIFY(f.prompter.shown.isEmpty());
        QVERIFY(!f.window->workspace().recording().active());
        // Keys send nothing and do not beep.
        QTest::mouseClick(
            f.window->windows().panel()->findChild<QWidget*>(QStringLiteral("btnHOLD")),
            Qt::LeftButton);
        QCOMPARE(f.beeps, 0);
        // The window stays, says why, and keeps its Settings for the real close.
        QVERIFY(!f.window->close());
        QCOMPARE(f.prompter.shown,
            QStringList { QStringLiteral(
                "Das Programm kann nicht beendet werden, solange ein Logger-Download oder "
                "ein Einstellungsaustausch mit dem Messgerät läuft. Bitte beenden Sie es, "
                "wenn der Austausch abgeschlossen ist.") });
        QVERIFY(f.store.writes.isEmpty());
        QVERIFY(meter.received().isEmpty());

        lease.reset();
        QVERIFY(f.window->portList()->isEnabled());
        QVERIFY(f.window->workspace().session().comm1().isActive());
        f.tick();
        QVERIFY(meter.received().contains('A'));
        QVERIFY(f.window->close());
        QVERIFY(!f.window->workspace().session().comm1().isActive());
    }

    void ticksKeepAOneSecondCadence()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        f.meters.try_emplace(QStringLiteral("SIMULATOR"));
        f.window->FormShow();
        f.tick(1000);
        QCOMPARE(f.window->workspace().session().mainTimer().interval(), 1000);
        f.tick(1030);
        QCOMPARE(f.window->workspace().session().mainTimer().interval(), 970);
        f.tick(990);
        QCOMPARE(f.window->workspace().session().mainTimer().interval(), 980);
        QVERIFY(!f.window->workspace().session().tickBusy());
    }

    // Help > Contents (and F1, and the toolbar's button) shows the help page in the program's
    // own window, so it works without a browser or a desktop launcher: at the German section,
    // the language in use, and the page's links move within it.
    void helpOpensInTheProgramsOwnViewer()
    {
        QTemporaryDir folder;
        QVERIFY(QFile::copy(
            QStringLiteral(TC4DL_HELP_PAGE), folder.filePath(QStringLiteral("TC4DLHELP.htm"))));
        Fixture f({ QStringLiteral("ttyS0") }, {}, folder.path());
        QCOMPARE(f.window->action(QStringLiteral("Contents1"))->shortcut(),
            QKeySequence(QKeySequence::HelpContents));
        f.window->action(QStringLiteral("Contents1"))->trigger();
        auto* help = f.window->findChild<HelpWindow*>();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QVERIFY(help->isWindow());
        QVERIFY(help->windowTitle().startsWith(QStringLiteral("TC4DL")));
        QTextBrowser& browser = help->browser();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        // The German half is below the English one: the view has moved down to it.
        const int german = browser.verticalScrollBar()->value();
        QVERIFY(german > 0);

        // A link in the page's contents, clicked: the view moves to its section.
        QTextCursor link(browser.document());
        bool found = false;
        for (QTextBlock b = browser.document()->begin(); b.isValid() && !found; b = b.next())
            for (auto it = b.begin(); !it.atEnd() && !found; ++it)
                if (it.fragment().charFormat().anchorHref() == QLatin1String("#de-save")) {
                    link.setPosition(it.fragment().position() + 1);
                    found = true;
                }
        QVERIFY(found);
        browser.setTextCursor(link);
        browser.ensureCursorVisible();
        QSignalSpy clicked(&browser, &QTextBrowser::anchorClicked);
        QTest::mouseClick(
            browser.viewport(), Qt::LeftButton, {}, browser.cursorRect(link).center());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(browser.source().fragment(), QStringLiteral("de-save"));
        QVERIFY(browser.verticalScrollBar()->value() > german);

        // Asked again: the same window, not a second one.
        f.window->action(QStringLiteral("SpeedButton8"))->trigger();
        QCOMPARE(f.window->findChildren<HelpWindow*>().size(), 1);
    }

    // Without the page, nothing opens and nothing is asked.
    void helpWithoutThePageSaysSo()
    {
        QTemporaryDir folder;
        Fixture f({ QStringLiteral("ttyS0") }, {}, folder.path());
        f.window->action(QStringLiteral("Contents1"))->trigger();
        QVERIFY(!f.window->findChild<HelpWindow*>());
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY(f.prompter.shown.first().contains(QLatin1String("TC4DLHELP.htm")));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
