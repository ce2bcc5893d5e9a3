// The main window's Print, Printer Setup and Data Logger > Setup commands.

#include "ChartCustomizeDialog.h"
#include "MainWindowFixture.h"
#include "QtPrompter.h"
#include "TfrmSetup.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPrinter>
#include <QTabWidget>
#include <QTest>

using namespace tc4dl;
using namespace tc4dl::testing;

class TestMainCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void messageBoxesDefaultToTheHarmlessAnswer_data()
    {
        QTest::addColumn<Prompter::Buttons>("buttons");
        QTest::addColumn<int>("defaultButton"); // QMessageBox::StandardButton, 0 for Qt's own
        QTest::newRow("yes/no") << Prompter::Buttons::YesNo << 0;
        // A Yes that cannot be undone (erasing the meter's memory): Enter answers No.
        QTest::newRow("yes/no, no by default")
            << Prompter::Buttons::YesNoDefaultNo << int(QMessageBox::No);
    }
    void messageBoxesDefaultToTheHarmlessAnswer()
    {
        QFETCH(Prompter::Buttons, buttons);
        QFETCH(int, defaultButton);
        QMessageBox box;
        QtPrompter::prepareMessageBox(box, QStringLiteral("?"), buttons, Prompter::Icon::Question);
        QCOMPARE(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        if (defaultButton != 0)
            QCOMPARE(box.defaultButton(), box.button(QMessageBox::StandardButton(defaultButton)));
        else
            QVERIFY(box.defaultButton() == nullptr);
    }

    void printWithoutAChildWindowDoesNothing()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        f.window->Print1Click();
        QVERIFY(f.prompter.printQuestions.isEmpty());
        QCOMPARE(f.dialogsShown, 0);
    }

    void graphPrintOffersTheCustomizationWithoutFourPagesThenPrints_data()
    {
        QTest::addColumn<bool>("axisPage");
        QTest::addColumn<int>("dialogs");
        // The graph's usual look leaves no page once the four are forbidden: no empty dialog.
        QTest::newRow("usual look") << false << 0;
        QTest::newRow("axis page on") << true << 1;
    }

    void graphPrintOffersTheCustomizationWithoutFourPagesThenPrints()
    {
        QFETCH(bool, axisPage);
        QFETCH(int, dialogs);
        Fixture f({ QStringLiteral("SIMULATOR") });
        f.meters.try_emplace(QStringLiteral("SIMULATOR"));
        f.window->FormShow();
        TfrmGraph* graph = f.window->windows().realTimeGraph();
        QVERIFY(graph);
        graph->model().look.allowAxisPage = axisPage;
        f.window->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(graph->frameWindow()));
        int pagesShown = -1;
        chart::ChartLook lookDuringDialog;
        f.dialogs = [&](QDialog& dialog) {
            auto* customize = qobject_cast<chart::ChartCustomizeDialog*>(&dialog);
            if (!customize)
                return int(QDialog::Rejected);
            pagesShown = customize->pages()->count();
            lookDuringDialog = graph->model().look;
            return int(QDialog::Rejected);
        };
        f.prompter.printAnswers << false;
        f.window->Print1Click();
        QCOMPARE(f.dialogsShown, dialogs);
        if (dialogs > 0) {
            QVERIFY(!lookDuringDialog.allowFontPage && !lookDuringDialog.allowPage1
                && !lookDuringDialog.allowPage2 && !lookDuringDialog.allowSubsetsPage);
            QCOMPARE(pagesShown, 1); // the axis page alone
        }
        // The print dialog came after the customization; the pages are offered again.
        QCOMPARE(f.prompter.printQuestions, QStringList { QStringLiteral("print dialog") });
        const chart::ChartLook& look = graph->model().look;
        QVERIFY(look.allowFontPage && look.allowPage1 && look.allowPage2 && look.allowSubsetsPage);
    }

    void printerSetupAsksOnTheProgramsPrinter()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        f.prompter.printAnswers << true;
        QPrinter* before = &f.window->printer();
        f.window->PrinterSetup1Click();
        QCOMPARE(f.prompter.printQuestions, QStringList { QStringLiteral("printer set-up") });
        // One printer for the program's whole run.
        QCOMPARE(&f.window->printer(), before);
    }

    void setupWindowIsCreatedOnceAndRestored()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        f.meters.try_emplace(QStringLiteral("SIMULATOR"));
        f.window->FormShow();
        f.window->Setup1Click();
        TfrmSetup* setup = f.window->windows().setupWindow();
        QVERIFY(setup);
        QCOMPARE(setup->windowTitle(), QStringLiteral("Datenlogger-Einrichtung"));
        QVERIFY(setup->isVisibleTo(f.window));
        QWidget* frame = setup->parentWidget();
        frame->showMinimized();
        f.window->Setup1Click();
        QCOMPARE(f.window->windows().setupWindow(), setup);
        QVERIFY(!frame->isMinimized());
        QCOMPARE(f.window->mdiArea()->activeSubWindow(), frame);
        QCOMPARE(f.window->mdiArea()->findChildren<TfrmSetup*>().size(), 1);
        // Save does nothing on it.
        f.window->Save1Click();
        frame->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f.window->windows().setupWindow());
        f.window->Setup1Click();
        QVERIFY(f.window->windows().setupWindow());
    }
};

QTEST_MAIN(TestMainCommands)
#include "tst_maincommands.moc"
