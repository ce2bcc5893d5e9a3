// The range and progress window and the choice dialog: what each use shows, how each closes,
// and how a running operation learns of Cancel.

#include "QtPrompter.h"
#include "ScopeProgress.h"
#include "TfrmOpenSave.h"
#include "TfrmScope.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <limits>

using namespace tc4dl;

namespace {

const QStringList kParts { "GroupBox1", "BitBtn1", "BitBtn2", "SText1", "SText2",
    "lblBytesReceived", "lblTotalBytes", "Progress1", "RadioButton1", "RadioButton2" };

QStringList shownParts(const TfrmScope& window)
{
    QStringList shown;
    for (const QString& name : kParts)
        if (window.findChild<QWidget*>(name)->isVisibleTo(&window))
            shown << name;
    return shown;
}

// A part lies inside the window when its whole rectangle does.
bool insideWindow(const TfrmScope& window, const QString& name)
{
    const auto* part = window.findChild<QWidget*>(name);
    const QRect r(part->mapTo(&window, QPoint(0, 0)), part->size());
    return window.rect().contains(r);
}

void useOf(TfrmScope& window, const QString& use)
{
    if (use == u"graph export")
        window.useForGraphExportRange();
    else if (use == u"table save")
        window.useForTableSaveRange();
    else if (use == u"save progress")
        window.useForSaveProgress();
    else if (use == u"open progress")
        window.useForOpenProgress();
    else if (use == u"graphing progress")
        window.useForGraphingProgress();
    else
        window.useForDownloadProgress(128256);
}

QString text(const QWidget& window, const char* name)
{
    return window.findChild<QLabel*>(QLatin1String(name))->text();
}

// Answers a window as a person would: "close" by its close box, "escape" by the key, else by
// clicking the named button.
void pressOn(QWidget& window, const QString& what)
{
    if (what == u"close")
        window.close();
    else if (what == u"escape")
        QTest::keyClick(&window, Qt::Key_Escape);
    else
        window.findChild<QPushButton*>(what)->click();
}

// Runs `act` on the modal window that comes up next, once the event loop has shown it.
void whenModalShows(const std::function<void(QWidget*)>& act)
{
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        act(modal);
    });
}

} // namespace

class TestFileDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithOnlyTheRangeControlsBuiltAndNothingShown()
    {
        TfrmScope window;
        QVERIFY(shownParts(window).isEmpty());
        QCOMPARE(window.width(), 328);
        QCOMPARE(window.pos(), QPoint(323, 140));
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.findChild<QRadioButton*>("radAll")->isChecked());
        QVERIFY(window.findChild<QRadioButton*>("RadioButton1")->isChecked());
    }

    void eachUseShowsItsPartsAtItsHeight_data()
    {
        QTest::addColumn<QString>("use");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("status");
        QTest::newRow("graph export")
            << "graph export"
            << QStringList { "GroupBox1", "BitBtn1", "BitBtn2", "RadioButton1", "RadioButton2" }
            << 200 << "Speichere Datei"
            << "Bytes empfangen";
        QTest::newRow("table save")
            << "table save" << QStringList { "GroupBox1", "BitBtn1", "BitBtn2" } << 148
            << "Speichere Datei"
            << "Bytes empfangen";
        QTest::newRow("save progress")
            << "save progress" << QStringList { "BitBtn2", "SText1", "Progress1" } << 148
            << "Speichern "
            << "Speicher….";
        QTest::newRow("open progress")
            << "open progress" << QStringList { "BitBtn2", "SText1" } << 148 << "Ablauf öffnen"
            << "0";
        QTest::newRow("graphing progress")
            << "graphing progress" << QStringList { "SText1", "Progress1" } << 148
            << "Zeichnungsfortschritt"
            << "zeichnen..";
        QTest::newRow("download progress") << "download"
                                           << QStringList { "BitBtn2", "SText1", "SText2",
                                                  "lblBytesReceived", "lblTotalBytes", "Progress1" }
                                           << 148 << "Datenwiederherstellungsprozeß"
                                           << "Bytes empfangen";
    }

    void eachUseShowsItsPartsAtItsHeight()
    {
        QFETCH(QString, use);
        QFETCH(QStringList, shown);
        QFETCH(int, height);
        QFETCH(QString, caption);
        QFETCH(QString, status);
        TfrmScope window;
        useOf(window, use);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(shownParts(window), shown);
        QCOMPARE(window.size(), QSize(328, height));
        QCOMPARE(window.windowTitle(), caption);
        QCOMPARE(text(window, "SText1"), status);
        // Every part shown lies wholly inside the window; the unit only at the tall height.
        for (const QString& name : shown)
            QVERIFY2(insideWindow(window, name), qPrintable(name));
        const bool unitsInside = insideWindow(window, QStringLiteral("RadioButton1"))
            && insideWindow(window, QStringLiteral("RadioButton2"));
        QCOMPARE(unitsInside, height == 200);
        // The range row reads left to right, each word whole and clear of its neighbours,
        // everything inside the group.
        if (shown.contains(QStringLiteral("GroupBox1"))) {
            const auto* group = window.findChild<QWidget*>(QStringLiteral("GroupBox1"));
            int right = 0;
            for (const char* name : { "radNo", "Label1", "edtSelFrom", "Label2", "edtSelTo" }) {
                const auto* part = window.findChild<QWidget*>(QLatin1String(name));
                QVERIFY2(part->x() > right, name);
                QVERIFY2(part->width() >= qMin(part->sizeHint().width(), 34), name);
                QVERIFY2(group->rect().contains(part->geometry()), name);
                right = part->geometry().right();
            }
        }
        // A person looks at each use through these pictures.
        if (const QString dir = qEnvironmentVariable("TC4DL_GRAB_DIR"); !dir.isEmpty())
            window.grab().save(QStringLiteral("%1/scope-%2.png").arg(dir, use));
    }

    void downloadUseCountsBytesFromZero()
    {
        TfrmScope window;
        window.useForDownloadProgress(128256);
        QCOMPARE(text(window, "lblBytesReceived"), QStringLiteral("0"));
        QCOMPARE(text(window, "lblTotalBytes"), QStringLiteral("128256"));
        QCOMPARE(text(window, "SText2"), QStringLiteral("Bytes gesamt"));
        window.setBytes(65, 128256);
        QCOMPARE(text(window, "lblBytesReceived"), QStringLiteral("65"));
    }

    void progressBeyondTheBarsRangeStillEndsFull_data()
    {
        QTest::addColumn<qint64>("maximum");
        QTest::newRow("small") << qint64(100);
        QTest::newRow("int max") << qint64(std::numeric_limits<int>::max());
        QTest::newRow("beyond int") << (qint64(1) << 40);
        QTest::newRow("huge") << std::numeric_limits<qint64>::max();
    }

    void progressBeyondTheBarsRangeStillEndsFull()
    {
        QFETCH(qint64, maximum);
        TfrmScope window;
        window.useForSaveProgress();
        window.setProgressMaximum(maximum);
        auto* bar = window.findChild<QProgressBar*>("Progress1");
        window.setProgressValue(maximum / 2);
        QVERIFY(bar->value() > 0 || maximum < 2);
        window.setProgressValue(maximum);
        QCOMPARE(bar->value(), bar->maximum());
        // A value past the end or below zero stays on the bar.
        window.setProgressValue(-5);
        QCOMPARE(bar->value(), 0);
    }

    void rangeWindowAnswers_data()
    {
        QTest::addColumn<bool>("withUnits");
        QTest::addColumn<QString>("press"); // a button's name, or "close"
        QTest::addColumn<bool>("answered");
        QTest::newRow("graph: OK") << true << "BitBtn1" << true;
        QTest::newRow("graph: Cancel") << true << "BitBtn2" << false;
        QTest::newRow("graph: close box") << true << "close" << false;
        QTest::newRow("table: OK") << false << "BitBtn1" << true;
        QTest::newRow("table: close box") << false << "close" << false;
        QTest::newRow("table: Escape") << false << "escape" << false;
    }

    void rangeWindowAnswers()
    {
        QFETCH(bool, withUnits);
        QFETCH(QString, press);
        QFETCH(bool, answered);
        QtPrompter prompter;
        whenModalShows([press](QWidget* modal) {
            auto* window = qobject_cast<TfrmScope*>(modal);
            QVERIFY(window);
            QCOMPARE(window->fromText(), QStringLiteral("1"));
            QCOMPARE(window->toText(), QStringLiteral("100"));
            QTest::keyClicks(window->findChild<QLineEdit*>("edtSelFrom"), "0");
            window->findChild<QRadioButton*>("RadioButton2")->setChecked(true);
            pressOn(*window, press);
        });
        const auto answer = prompter.askRange({ QStringLiteral("Save File"), QStringLiteral("1"),
            QStringLiteral("100"), withUnits, false });
        QCOMPARE(answer.has_value(), answered);
        if (!answered)
            return;
        // Typing a number chose the range; the unit counts only where it was offered.
        QVERIFY(!answer->all);
        QCOMPARE(answer->from, QStringLiteral("10"));
        QCOMPARE(answer->to, QStringLiteral("100"));
        QCOMPARE(answer->fahrenheit, withUnits);
    }

    // Cancel and the close box end an operation, except the graphing, which cannot be cancelled.
    void progressCancel_data()
    {
        QTest::addColumn<int>("use");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("cancels");
        const QString work = QStringLiteral("Work");
        const QString graphing = QStringLiteral("Zeichnungsfortschritt");
        QTest::newRow("save, Cancel")
            << int(Prompter::ProgressUse::Save) << work << work << "BitBtn2" << true;
        QTest::newRow("open, close box")
            << int(Prompter::ProgressUse::Open) << work << work << "close" << true;
        QTest::newRow("download, Cancel")
            << int(Prompter::ProgressUse::Download) << work << work << "BitBtn2" << true;
        QTest::newRow("graphing, close box")
            << int(Prompter::ProgressUse::Graphing) << QString() << graphing << "close" << false;
        QTest::newRow("graphing, Escape")
            << int(Prompter::ProgressUse::Graphing) << QString() << graphing << "escape" << false;
    }

    void progressCancel()
    {
        QFETCH(int, use);
        QFETCH(QString, caption);
        QFETCH(QString, title);
        QFETCH(QString, press);
        QFETCH(bool, cancels);
        QWidget parent;
        auto progress
            = std::make_unique<ScopeProgress>(Prompter::ProgressUse(use), caption, &parent);
        int calls = 0;
        progress->onCancel = [&calls] { ++calls; };
        TfrmScope* window = progress->window();
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), title);
        // The frame of every dialog: only a close box, above the window it belongs to.
        QVERIFY(!(
            window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(window->windowHandle() && parent.windowHandle());
        QCOMPARE(window->windowHandle()->transientParent(), parent.windowHandle());
        progress->setMaximum(10);
        progress->setValue(3);
        QVERIFY(!progress->cancelled());
        pressOn(*window, press);
        QCOMPARE(progress->cancelled(), cancels);
        QCOMPARE(calls, cancels ? 1 : 0);
        // The window stays until the operation ends it; a second press changes nothing.
        QVERIFY(window->isVisible());
        if (cancels) {
            window->findChild<QPushButton*>("BitBtn2")->click();
            QCOMPARE(calls, 1);
        }
        const QPointer<TfrmScope> gone = window;
        progress.reset();
        QVERIFY(gone.isNull());
    }

    void progressWindowGoneWithItsParentEndsTheOperation()
    {
        auto parent = std::make_unique<QWidget>();
        ScopeProgress progress(Prompter::ProgressUse::Save, QString(), parent.get());
        parent.reset();
        QVERIFY(progress.cancelled());
        progress.setValue(5); // reports to a window that is gone do nothing
        progress.setStatus(QStringLiteral("x"));
    }

    void choiceDialogUses_data()
    {
        QTest::addColumn<QString>("use");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        const QString csv = QStringLiteral("Öffne einzelne Datei(*.TXT,*.CSV,*.GHF)");
        const QString noCsv = QStringLiteral("Öffne einzelne Datei(*.TXT,*.GHF)");
        const QString sets = QStringLiteral("Öffne Datensatz-Sammeldatei(*.CH4)");
        QTest::newRow("save") << "save" << QLocale::c() << "Speichere Datei"
                              << "Alle Datensätze in Sammeldatei (*.CH4)"
                              << "Gewählten Datensatz einzeln speichern";
        QTest::newRow("open, point") << "open" << QLocale(QLocale::English, QLocale::UnitedStates)
                                     << "Datei öffnen" << sets << csv;
        QTest::newRow("open, comma") << "open" << QLocale(QLocale::German, QLocale::Germany)
                                     << "Datei öffnen" << sets << noCsv;
        QTest::newRow("open, Swiss German point")
            << "open" << QLocale(QLocale::German, QLocale::Switzerland) << "Datei öffnen" << sets
            << csv;
    }

    void choiceDialogUses()
    {
        QFETCH(QString, use);
        QFETCH(QLocale, locale);
        QFETCH(QString, caption);
        QFETCH(QString, first);
        QFETCH(QString, second);
        const Prompter::Choice choice
            = use == u"save" ? TfrmOpenSave::saveChoice() : TfrmOpenSave::openChoice(locale);
        TfrmOpenSave dialog;
        dialog.setChoice(choice);
        QCOMPARE(dialog.windowTitle(), caption);
        const auto button = [&dialog](const char* name) {
            return dialog.findChild<QPushButton*>(QLatin1String(name));
        };
        QCOMPARE(button("btnOpenSets")->text(), first);
        QCOMPARE(button("btnOpenSingleSet")->text(), second);
        QCOMPARE(button("Button1")->text(), QStringLiteral("Abbrechen"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // Every text fits its button, which keeps its designed size.
        for (const char* name : { "btnOpenSets", "btnOpenSingleSet", "Button1" }) {
            QCOMPARE(button(name)->size(), QSize(273, 33));
            QVERIFY(
                QFontMetrics(button(name)->font()).horizontalAdvance(button(name)->text()) < 273);
        }
        QVERIFY(button("btnOpenSets")->y() < button("btnOpenSingleSet")->y());
        QVERIFY(button("btnOpenSingleSet")->y() < button("Button1")->y());
        QCOMPARE(button("btnOpenSets")->x(), button("Button1")->x());
        if (const QString dir = qEnvironmentVariable("TC4DL_GRAB_DIR"); !dir.isEmpty())
            dialog.grab().save(
                QStringLiteral("%1/choice-%2.png").arg(dir, QTest::currentDataTag()));
    }

    void choiceAnswers_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("answer");
        QTest::newRow("first") << "btnOpenSets" << int(Prompter::Answer::Ok);
        QTest::newRow("second") << "btnOpenSingleSet" << int(Prompter::Answer::No);
        QTest::newRow("cancel") << "Button1" << int(Prompter::Answer::Cancel);
        QTest::newRow("close box") << "close" << int(Prompter::Answer::Cancel);
    }

    void choiceAnswers()
    {
        QFETCH(QString, press);
        QFETCH(int, answer);
        QtPrompter prompter;
        whenModalShows([press](QWidget* modal) {
            QVERIFY(qobject_cast<TfrmOpenSave*>(modal));
            QVERIFY(modal->windowFlags() & Qt::WindowStaysOnTopHint);
            pressOn(*modal, press);
        });
        QCOMPARE(int(prompter.choose(TfrmOpenSave::saveChoice())), answer);
    }
};

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"
