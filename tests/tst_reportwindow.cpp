// File > Report… in the main window: from the logger window (the set shown, or all listed sets
// as one timeline), the Archive window's selection, the real-time graph and a graph file; the
// dialog, the save dialog, the PDF read back with pdftotext, the viewer, and what is said when
// something cannot be done.

#include "ChannelConfig.h"
#include "DataLoggerWindow.h"
#include "GraphStateFile.h"
#include "LoggerImages.h"
#include "MainWindowFixture.h"
#include "PdfTools.h"
#include "ProgramWindows.h"
#include "Recording.h"
#include "TfrmArchive.h"
#include "TfrmReport.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

using namespace tc4dl;
using namespace tc4dl::testing;

namespace {

// Two sets in °C recorded two hours apart, and (unless `count` leaves it out) one in °F.
QByteArray sets(int count = 3)
{
    loggerimages::RecordedSet first
        = loggerimages::setRecordedAt(QDate(2026, 4, 15), QTime(10, 0, 0), 60, 0);
    for (const quint16 t1 : { 200, 210, 220 })
        first.samples.push_back({ t1, 250, 0x7FFF, 100 });
    loggerimages::RecordedSet second
        = loggerimages::setRecordedAt(QDate(2026, 4, 15), QTime(12, 0, 0), 60, 0);
    for (const quint16 t1 : { 230, 240 })
        second.samples.push_back({ t1, 250, 0x7FFF, 100 });
    loggerimages::RecordedSet fahrenheit
        = loggerimages::setRecordedAt(QDate(2026, 4, 16), QTime(8, 0, 0), 60, 0);
    fahrenheit.unit = 0;
    fahrenheit.samples.push_back({ 700, 700, 700, 700 });
    return loggerimages::image(QList { first, second, fahrenheit }.first(count));
}

using pdftools::pdfText;

void activate(Fixture& f, QWidget* window)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    QVERIFY(sub);
    f.window->mdiArea()->setActiveSubWindow(sub);
}

// Opens a collection into the logger window, as File > Open does.
void openCollection(Fixture& f, const QString& path, int count = 3)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(sets(count));
    file.close();
    f.prompter.choiceAnswers << Prompter::Answer::Ok;
    f.prompter.openNames << path;
    f.window->Open1Click();
    f.prompter.shown.clear();
    QVERIFY(f.window->windows().dataLogger().window());
    activate(f, f.window->windows().dataLogger().window());
}

// Answers the report dialog as `fill` says and confirms it.
void answerReport(Fixture& f, const std::function<void(report::TfrmReport&)>& fill)
{
    f.dialogs = [fill](QDialog& dialog) {
        auto* report = qobject_cast<report::TfrmReport*>(&dialog);
        if (!report)
            return int(QDialog::Rejected);
        fill(*report);
        report->accept();
        return report->result();
    };
}

} // namespace

class TestReportWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is needed to read the reports");
    }

    // The set shown, or all listed sets as one timeline; in German, the channels' names and
    // limits of the channel settings, the choices kept for the next report.
    void loggerWindowReportsTheSetShownOrTheTimeline_data()
    {
        QTest::addColumn<bool>("timeline");
        QTest::addColumn<QStringList>("lines");
        // German texts, the numbers and dates of the system's locale (C in the tests).
        QTest::newRow("the set shown")
            << false
            << QStringList { R"(Ofen \(T1\)\s+20\.0\s+22\.0\s+21\.0)",
                   R"(Unterbrechungen:\s+keine)", R"(Ofen \(T1\): innerhalb der Grenzwerte\.)" };
        QTest::newRow("the timeline")
            << true
            << QStringList { R"(Ofen \(T1\)\s+20\.0\s+24\.0\s+22\.0)", R"(Unterbrechungen:\s+1)",
                   R"(Ofen \(T1\): außerhalb der Grenzwerte für 0:01:00\.)",
                   R"(Satz 2, 15 Apr 2026 12:00:00)" };
    }
    void loggerWindowReportsTheSetShownOrTheTimeline()
    {
        QFETCH(bool, timeline);
        QFETCH(QStringList, lines);
        Fixture f({});
        alarm::ChannelSet channels;
        channels[0].name = QStringLiteral("Ofen");
        channels[0].highOn = true;
        channels[0].high = 23.5;
        f.window->workspace().channels().setChannels(channels);
        openCollection(f, f.documentsDir.filePath(QStringLiteral("sets.ch4")));

        bool offered = false;
        answerReport(f, [&](report::TfrmReport& dialog) {
            offered = dialog.radAll != nullptr;
            dialog.edtTitle->setText(QStringLiteral("Ofenprotokoll"));
            dialog.edtOperator->setText(QStringLiteral("M. Muster"));
            if (timeline)
                dialog.radAll->setChecked(true);
        });
        const QString pdf = f.documentsDir.filePath(QStringLiteral("bericht.pdf"));
        f.prompter.fileNames << pdf;
        if (timeline) {
            // All listed sets mix °C and °F here: said, and nothing written.
            f.window->action(QStringLiteral("Report1"))->trigger();
            QVERIFY(offered);
            QCOMPARE(f.prompter.shown.value(0),
                QStringLiteral("Die Datensätze sind in °C und in °F, und ein Bericht zeigt eine "
                               "Einheit."));
            QVERIFY(!QFile::exists(pdf));
            // With the two °C sets alone listed, the timeline is made.
            openCollection(f, f.documentsDir.filePath(QStringLiteral("zwei.ch4")), 2);
        }
        f.window->action(QStringLiteral("Report1"))->trigger();
        QVERIFY2(f.prompter.shown.isEmpty(), qPrintable(f.prompter.shown.join(u'\n')));
        QVERIFY(offered);
        QVERIFY(f.prompter.unexpectedQuestions.isEmpty());
        QCOMPARE(f.prompter.saveStarts.last(),
            f.documentsDir.filePath(QStringLiteral("Bericht %1.pdf"))
                .arg(f.clock.now().toString(QStringLiteral("yyyy-MM-dd"))));
        QCOMPARE(f.prompter.saveFilters.last(), QStringList { QStringLiteral("PDF (*.pdf)") });
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Ofenprotokoll")));
        QVERIFY(text.contains(QStringLiteral("M. Muster")));
        QVERIFY(text.contains(QStringLiteral("Datei ")));
        QVERIFY(text.contains(QStringLiteral("Seite 1 von")));
        for (const QString& line : lines)
            QVERIFY2(
                QRegularExpression(line).match(text).hasMatch(), qPrintable(line + u'\n' + text));
        QCOMPARE(f.documentsOpened, QList<QUrl> { QUrl::fromLocalFile(pdf) });

        // The next report proposes what was typed, and starts in the folder used.
        QString title;
        answerReport(f, [&](report::TfrmReport& dialog) { title = dialog.edtTitle->text(); });
        f.prompter.fileNames << QString(); // the save dialog cancelled
        f.window->action(QStringLiteral("Report1"))->trigger();
        QCOMPARE(title, QStringLiteral("Ofenprotokoll"));
        QCOMPARE(f.store.texts[QStringLiteral("ReportOperator")], QStringLiteral("M. Muster"));
    }

    void archiveWindowReportsItsSelection()
    {
        Fixture f({});
        openCollection(f, f.documentsDir.filePath(QStringLiteral("sets.ch4")));
        f.window->action(QStringLiteral("Archive1"))->trigger();
        auto* list = f.window->mdiArea()->findChild<archive::TfrmArchive*>();
        QVERIFY(list);
        activate(f, list);
        list->table()->clearSelection();
        // Nothing selected: said so.
        f.window->action(QStringLiteral("Report1"))->trigger();
        QCOMPARE(f.prompter.shown.size(), 1);
        f.prompter.shown.clear();

        list->table()->selectRow(1);
        answerReport(f, [](report::TfrmReport& dialog) { dialog.chkOpen->setChecked(false); });
        const QString pdf = f.documentsDir.filePath(QStringLiteral("archiv.pdf"));
        f.prompter.fileNames << pdf;
        f.window->action(QStringLiteral("Report1"))->trigger();
        QVERIFY2(f.prompter.shown.isEmpty(), qPrintable(f.prompter.shown.join(u'\n')));
        QVERIFY(f.documentsOpened.isEmpty());
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Archivsatz ")));
        QVERIFY(text.contains(QStringLiteral("zuerst aus sets.ch4")));
        QVERIFY(QRegularExpression(QStringLiteral(R"(\b[0-9a-f]{64}\b)")).match(text).hasMatch());

        // The archive's sets on view, in their own graph window, keep their archive ids and the
        // same fingerprint.
        list->graphSelected();
        f.prompter.shown.clear(); // the graph template, missing beside the tests
        TfrmGraph* shown = f.window->windows().archiveGraph().window();
        QVERIFY(shown);
        activate(f, shown);
        const QString viewed = f.documentsDir.filePath(QStringLiteral("ansicht.pdf"));
        f.prompter.fileNames << viewed;
        f.window->action(QStringLiteral("Report1"))->trigger();
        QVERIFY2(f.prompter.shown.isEmpty(), qPrintable(f.prompter.shown.join(u'\n')));
        const QString again = pdfText(viewed);
        QVERIFY(again.contains(QStringLiteral("Quelle:")));
        const QRegularExpression set(QStringLiteral(R"(Archivsatz (\d+))"));
        QCOMPARE(set.match(again).captured(1), set.match(text).captured(1));
        const QRegularExpression hash(QStringLiteral(R"(\b[0-9a-f]{64}\b)"));
        QCOMPARE(hash.match(again).captured(), hash.match(text).captured());
    }

    // A graph without a unit of its own asks for it; the real-time graph is reported only once
    // it stopped; a window with nothing to report says so.
    void graphsAndWindowsWithoutData()
    {
        Fixture f({ QStringLiteral("SIMULATOR") });
        f.meters.try_emplace(QStringLiteral("SIMULATOR"));
        f.window->FormShow();
        f.prompter.shown.clear(); // the graph template, missing beside the tests
        TfrmGraph* realTime = f.window->windows().realTimeGraph();
        QVERIFY(realTime);
        activate(f, realTime);
        f.window->workspace().recording().assumeRecording(true, 0);
        f.window->action(QStringLiteral("Report1"))->trigger();
        QCOMPARE(f.prompter.shown.value(0),
            QStringLiteral("Die Echtzeitgrafik zeichnet noch auf: Beenden Sie zuerst die "
                           "Aufzeichnung."));
        f.window->workspace().recording().assumeRecording(false, 0);
        f.prompter.shown.clear();
        answerReport(f, [](report::TfrmReport&) {});
        f.window->action(QStringLiteral("Report1"))->trigger();
        QCOMPARE(f.prompter.shown.value(0), QStringLiteral("Die Grafik enthält keine Daten."));

        // A graph file: its unit is asked for.
        chart::ChartModel model;
        const QString ghf = f.documentsDir.filePath(QStringLiteral("lauf.ghf"));
        model.setSubsets(4);
        model.setPoints(2);
        for (int p = 0; p < 2; ++p)
            for (int s = 0; s < 4; ++s) {
                model.setX(s, p, 46000.0 + p / 86400.0);
                model.setY(s, p, 70.0f + p);
            }
        QVERIFY(chart::saveGraphState(model, ghf));
        TfrmGraph* opened = f.window->fileCommands().openGraphFile(ghf);
        QVERIFY(opened);
        activate(f, opened);
        bool asked = false;
        answerReport(f, [&](report::TfrmReport& dialog) {
            asked = dialog.cmbUnit != nullptr;
            if (asked)
                dialog.cmbUnit->setCurrentIndex(1); // °F
        });
        const QString pdf = f.documentsDir.filePath(QStringLiteral("lauf.pdf"));
        f.prompter.shown.clear();
        f.prompter.fileNames << pdf;
        f.window->action(QStringLiteral("Report1"))->trigger();
        QVERIFY(asked);
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("Statistik (°F)")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Grafikdatei lauf.ghf")));

        // The control panel holds no run.
        f.window->ControlPanel1Click();
        activate(f, f.window->windows().panel());
        f.prompter.shown.clear();
        f.window->action(QStringLiteral("Report1"))->trigger();
        QVERIFY(f.prompter.shown.value(0).startsWith(QStringLiteral("Das aktive Fenster")));
    }

    // A PDF that cannot be written is said with the reason, and no file is left; a viewer that
    // cannot be started is said after the PDF was written.
    void failuresAreSaid_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("viewer");
        QTest::addColumn<QString>("said");
        QTest::newRow("no folder")
            << false << true << QStringLiteral("Der Bericht konnte nicht als ");
        QTest::newRow("no viewer") << true << false << QStringLiteral("Der Bericht wurde als ");
    }
    void failuresAreSaid()
    {
        QFETCH(bool, writable);
        QFETCH(bool, viewer);
        QFETCH(QString, said);
        Fixture f({});
        openCollection(f, f.documentsDir.filePath(QStringLiteral("sets.ch4")));
        f.viewerWorks = viewer;
        answerReport(f, [](report::TfrmReport&) {});
        const QString pdf = f.documentsDir.filePath(
            writable ? QStringLiteral("b.pdf") : QStringLiteral("fehlt/b.pdf"));
        f.prompter.fileNames << pdf;
        f.window->action(QStringLiteral("Report1"))->trigger();
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY2(f.prompter.shown.first().startsWith(said), qPrintable(f.prompter.shown.first()));
        QCOMPARE(QFile::exists(pdf), writable);
    }

    // A wrong activation energy keeps the dialog open with the reason.
    void activationEnergyIsChecked()
    {
        Fixture f({});
        report::ReportChoices initial;
        report::TfrmReport dialog(initial, false, false, QLocale(QLocale::German), f.prompter);
        dialog.edtEnergy->setText(QStringLiteral("59,9"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(f.prompter.shown.value(0),
            QStringLiteral("\"59,9\" ist keine Aktivierungsenergie von 60 bis 120 kJ/mol."));
        dialog.edtEnergy->setText(QStringLiteral("95,5"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.choices().activationEnergy, 95.5);
    }
};

QTEST_MAIN(TestReportWindow)
#include "tst_reportwindow.moc"
