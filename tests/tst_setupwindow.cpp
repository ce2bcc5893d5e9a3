// The "Data Logger Setup" window against the simulated meter: each button's exchange, its
// messages, the interval input rule, the erase question, the read-out, and the live link
// being back after every command.

#include "DeviceLease.h"
#include "LiveSession.h"
#include "ManualClock.h"
#include "QuietLinkHost.h"
#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "SimulatedSerialPort.h"
#include "TfrmSetup.h"
#include "Ticker.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace tc4dl;
using testing::ScriptedPrompter;

namespace {

const QDateTime kComputerTime(QDate(2013, 4, 15), QTime(14, 5, 9));

// A connected live session on the simulated meter, and the set-up window over it.
struct Rig {
    Rig()
        : clock(kComputerTime)
    {
        session = std::make_unique<LiveSession>(
            clock, host,
            [this](const QString&) -> std::unique_ptr<SerialPort> {
                auto port = std::make_unique<SimulatedSerialPort>(clock, meter);
                port->setPaced(false);
                return port;
            },
            LinkTexts {}, false);
        session->link().setPortEntries({ QLatin1String(ports::kSimulatedMeter) });
        session->start();
        clock.runDue();
        window = std::make_unique<TfrmSetup>(clock, *session, prompter);
        QObject::connect(window.get(), &TfrmSetup::commandFinished, [this](const SetupReport& r) {
            report = r;
            ended = true;
        });
    }
    ~Rig() { window.reset(); }

    // Presses `button` and runs the exchange to its end on the hand-moved clock.
    void press(const char* button)
    {
        ended = false;
        meter.clearReceived();
        window->findChild<QPushButton*>(QLatin1String(button))->click();
        for (int i = 0; i < 2000 && !ended && window->commandRunning(); ++i)
            clock.advance(10);
        clock.runDue();
    }
    void setFaults(void (*set)(LoggerFaults&))
    {
        LoggerFaults faults;
        set(faults);
        MeterOptions options = meter.options();
        options.loggerFaults = faults;
        meter.setOptions(options);
    }
    void setInterval(const QString& minutes, const QString& seconds)
    {
        window->findChild<QLineEdit*>(QStringLiteral("edtInt1"))->setText(minutes);
        window->findChild<QLineEdit*>(QStringLiteral("edtInt2"))->setText(seconds);
    }
    [[nodiscard]] QString label(const char* name) const
    {
        return window->findChild<QLabel*>(QLatin1String(name))->text();
    }
    // The live link has the device again and polls the meter.
    void verifyLiveLinkBack()
    {
        QVERIFY(!session->leaseHeld());
        QVERIFY(session->comm1().isActive());
        QVERIFY(session->mainTimer().isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        for (QPushButton* button : window->findChildren<QPushButton*>())
            QVERIFY(button->isEnabled());
    }

    ManualClock clock;
    SimulatedMeter meter;
    QuietLinkHost host;
    ScriptedPrompter prompter;
    std::unique_ptr<LiveSession> session;
    std::unique_ptr<TfrmSetup> window;
    SetupReport report;
    bool ended = false;
};

} // namespace

class TestSetupWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowHasItsDesignedControlsAndTexts()
    {
        Rig r;
        QCOMPARE(r.window->windowTitle(), QStringLiteral("Datenlogger-Einrichtung"));
        QCOMPARE(r.window->size(), QSize(637, 271));
        QCOMPARE(r.window->findChild<QPushButton*>("Button4")->text(), QStringLiteral("Lesen  "));
        QCOMPARE(r.window->findChild<QLineEdit*>("edtInt1")->text(), QStringLiteral("00"));
        QCOMPARE(r.window->findChild<QLineEdit*>("edtInt2")->text(), QStringLiteral("02"));
        QCOMPARE(r.window->findChild<QLineEdit*>("edtInt2")->maxLength(), 2);
        for (const char* name : { "lblMeterTime", "lblInt", "lblDataSets", "lblMemoryAvailable" })
            QVERIFY(r.label(name).isEmpty());
        // Every control lies inside the window.
        for (QWidget* child : r.window->findChildren<QWidget*>()) {
            const QRect area(child->mapTo(r.window.get(), QPoint(0, 0)), child->size());
            QVERIFY2(r.window->rect().contains(area), qPrintable(child->objectName()));
        }
        // Every caption and button text is shown whole.
        for (QLabel* label : r.window->findChildren<QLabel*>())
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        for (QPushButton* button : r.window->findChildren<QPushButton*>())
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width() - 8,
                qPrintable(button->objectName()));
    }

    void clockIsSetFromTheComputerAndTheMeterAnswerShown()
    {
        Rig r;
        r.press("Button1");
        QVERIFY(r.report.succeeded);
        QCOMPARE(r.prompter.shown.size(), 1);
        const QString text = r.prompter.shown.constFirst();
        // German first line, the English second one (its German text is missing).
        // A real line break where the table stores backslash-n, a blank before the seconds.
        QVERIFY2(text.startsWith(QStringLiteral("Meter Uhrzeitänderung erfolgreich \nToday is "
                                                "Day 15 of Month 04 of Year 2013\nThe time is "
                                                "Second ")),
            qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral(" of Minute 05 of Hour 14")), qPrintable(text));
        // The frame carried the time of the press: the meter's clock now follows the computer.
        QVERIFY(qAbs(r.meter.logger().time(r.clock.tickMs()).secsTo(r.clock.now())) <= 2);
        r.verifyLiveLinkBack();
    }

    void failedCommandsSayWhy_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("clock") << "Button1"
                               << "Meter Uhrzeitänderung fehlgeschlagen, Fehlercode ist 2";
        QTest::newRow("interval") << "Button2"
                                  << "Aufzeichnungsintervall Setupfehler";
        QTest::newRow("erase") << "Button3"
                               << "Speicher löschen fehlgeschlagen";
    }

    void failedCommandsSayWhy()
    {
        QFETCH(QString, button);
        QFETCH(QString, message);
        Rig r;
        // Two ready bytes at once count as no ready answer.
        r.setFaults([](LoggerFaults& f) { f.doubleReady = true; });
        const int sets = r.meter.logger().memory().setCount();
        r.prompter.answers << Prompter::Answer::Yes; // the erase question
        r.press(qPrintable(button));
        QVERIFY(r.ended);
        QVERIFY(!r.report.succeeded);
        QCOMPARE(r.prompter.shown.constLast(), message);
        QCOMPARE(r.meter.logger().memory().setCount(), sets);
        r.verifyLiveLinkBack();
    }

    void deviceNotLentFailsWithCodeOne()
    {
        Rig r;
        auto lease = r.session->borrowDevice();
        QVERIFY(lease);
        r.press("Button1");
        QCOMPARE(r.prompter.shown,
            QStringList {
                QStringLiteral("Meter Uhrzeitänderung fehlgeschlagen, Fehlercode ist 1") });
        QVERIFY(!QApplication::overrideCursor());
    }

    void intervalInput_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<int>("meterSeconds"); // -1: "Invalid Input", nothing sent
        QTest::newRow("00:00") << "00"
                               << "00" << -1;
        QTest::newRow("00:01") << "00"
                               << "01" << 1;
        QTest::newRow("59:59") << "59"
                               << "59" << 59 * 60 + 59;
        QTest::newRow("60:60 accepted") << "60"
                                        << "60" << 60 * 60 + 60;
        QTest::newRow("61:00") << "61"
                               << "00" << -1;
        QTest::newRow("one digit") << "1"
                                   << "5" << 65;
        QTest::newRow("empty minutes") << ""
                                       << "05" << -1;
    }

    void intervalInput()
    {
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(int, meterSeconds);
        Rig r;
        r.setInterval(minutes, seconds);
        const int before = r.meter.logger().memory().intervalSeconds();
        r.press("Button2");
        if (meterSeconds < 0) {
            QCOMPARE(r.prompter.shown, QStringList { QStringLiteral("Ungültige Eingabe") });
            QVERIFY(r.meter.received().isEmpty());
            QVERIFY(!r.ended);
            QCOMPARE(r.meter.logger().memory().intervalSeconds(), before);
            return;
        }
        QCOMPARE(r.prompter.shown,
            QStringList { QStringLiteral("Aufzeichnungsintervall Setup erfolgreich") });
        QCOMPARE(r.meter.logger().memory().intervalSeconds(), meterSeconds);
        r.verifyLiveLinkBack();
    }

    void eraseAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("no") << int(Prompter::Answer::No);
        QTest::newRow("yes") << int(Prompter::Answer::Yes);
    }

    void eraseAsksFirst()
    {
        QFETCH(int, answer);
        Rig r;
        const int sets = r.meter.logger().memory().setCount();
        QVERIFY(sets > 0);
        r.prompter.answers << Prompter::Answer(answer);
        r.press("Button3");
        QVERIFY(r.prompter.shown.constFirst().startsWith(QStringLiteral("Alle Aufzeichnungen")));
        // Enter alone must not erase the meter's memory.
        QCOMPARE(r.prompter.buttonsShown.constFirst(), Prompter::Buttons::YesNoDefaultNo);
        if (Prompter::Answer(answer) == Prompter::Answer::No) {
            QCOMPARE(r.prompter.shown.size(), 1);
            QVERIFY(r.meter.received().isEmpty());
            QVERIFY(!r.session->leaseHeld());
            QCOMPARE(r.meter.logger().memory().setCount(), sets);
            return;
        }
        QCOMPARE(r.prompter.shown.constLast(), QStringLiteral("Speicher löschen erfolgreich"));
        QCOMPARE(r.meter.logger().memory().setCount(), 0);
        r.verifyLiveLinkBack();
    }

    void readOutFillsTheLabelsAndKeepsThemOnFailure()
    {
        Rig r;
        r.press("Button1");
        r.setInterval(QStringLiteral("01"), QStringLiteral("30"));
        r.press("Button2");
        QCOMPARE(r.prompter.shown.size(), 2);
        r.press("Button4");
        QVERIFY(r.report.succeeded);
        QCOMPARE(r.prompter.shown.size(), 2); // the read-out says nothing
        QCOMPARE(r.label("lblInt"), QStringLiteral("01:30(mm:ss)"));
        QCOMPARE(r.label("lblDataSets"), QString::number(r.meter.logger().memory().setCount()));
        QVERIFY(r.label("lblMeterTime").contains(QStringLiteral("14:05")));
        bool ok = false;
        const int free = r.label("lblMemoryAvailable").toInt(&ok);
        QVERIFY(ok && free >= 0 && free <= 128256 / 8);
        r.verifyLiveLinkBack();

        // A meter that no longer answers changes nothing and says nothing.
        const QStringList before { r.label("lblMeterTime"), r.label("lblInt"),
            r.label("lblDataSets"), r.label("lblMemoryAvailable") };
        r.meter.setSilent(true);
        r.press("Button4");
        QVERIFY(r.ended && !r.report.succeeded);
        QCOMPARE(r.prompter.shown.size(), 2);
        QCOMPARE((QStringList { r.label("lblMeterTime"), r.label("lblInt"), r.label("lblDataSets"),
                     r.label("lblMemoryAvailable") }),
            before);
        r.verifyLiveLinkBack();
    }

    void hourglassAndDisabledButtonsOnlyWhileACommandRuns()
    {
        Rig r;
        r.meter.clearReceived();
        r.window->readButtonClick();
        QVERIFY(r.window->commandRunning());
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(!r.window->findChild<QPushButton*>("Button1")->isEnabled());
        // A second press meanwhile starts nothing.
        r.window->clockButtonClick();
        QVERIFY(r.session->leaseHeld());
        while (r.window->commandRunning())
            r.clock.advance(10);
        r.clock.runDue();
        QCOMPARE(r.report.command, SetupExchange::Command::ReadLoggerInfo);
        QVERIFY(r.prompter.shown.isEmpty());
        r.verifyLiveLinkBack();
    }

    void closingDuringACommandGivesTheDeviceBack()
    {
        Rig r;
        r.window->clockButtonClick();
        QVERIFY(r.session->leaseHeld());
        r.clock.advance(120);
        r.window.reset();
        r.clock.runDue();
        QVERIFY(!r.session->leaseHeld());
        QVERIFY(r.session->comm1().isActive());
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestSetupWindow)
#include "tst_setupwindow.moc"
