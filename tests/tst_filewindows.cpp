// Saving graphs and tables, opening graph and text files, and turning a table window back
// into a graph, through the main window's commands, in a German and an English locale.

#include "ChartView.h"
#include "CollectionFile.h"
#include "DataLoggerWindow.h"
#include "GraphConfig.h"
#include "GraphStateFile.h"
#include "LoggerImages.h"
#include "ManualClock.h"
#include "MeterValues.h"
#include "NoMeterDeps.h"
#include "RecordingSettingsStore.h"
#include "ScriptedPrompter.h"
#include "SimulatedSerialPort.h"
#include "TfrmList.h"

#include "TfrmMain.h"
#include <QImage>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tc4dl;
using namespace tc4dl::testing;
using chart::ChartModel;

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
constexpr double kDay = 86400.0;

struct Fixture {
    explicit Fixture(const QLocale& locale = kEnglish, std::map<QString, qint32> stored = {})
    {
        store.values = std::move(stored);
        MainWindowDeps deps = tc4dl::testing::noMeterDeps(
            clock, store, prompter, programDir.path(), dataDir.path());
        deps.locale = locale;
        window = new TfrmMain(std::move(deps));
        window->resize(1200, 800);
        window->show();
        static_cast<void>(QTest::qWaitForWindowExposed(window));
        window->FormShow();
        prompter.shown.clear();
    }
    ~Fixture() { delete window; }

    bool enabled(const char* name) const
    {
        return window->action(QLatin1String(name))->isEnabled();
    }
    QString path(const QString& name) const { return QDir(programDir.path()).filePath(name); }
    template <class W> W* active() const
    {
        QMdiSubWindow* sub = window->mdiArea()->currentSubWindow();
        return sub ? qobject_cast<W*>(sub->widget()) : nullptr;
    }
    void activate(QWidget* frame)
    {
        window->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(frame));
    }
    // Saves the real-time graph to `name` with the range answer given.
    void saveGraphAs(const QString& name, Prompter::RangeAnswer range = {})
    {
        activate(window->windows().realTimeGraph()->frameWindow());
        prompter.fileNames << name;
        prompter.ranges << range;
        window->Save1Click();
    }
    TfrmList* openText(const QString& name)
    {
        prompter.openNames << name;
        window->openSingleFile();
        return active<TfrmList>();
    }

    QTemporaryDir programDir;
    QTemporaryDir dataDir;
    ManualClock clock;
    RecordingSettingsStore store;
    ScriptedPrompter prompter;
    TfrmMain* window = nullptr;
};

// n points two seconds apart from 2026-03-01 13:05:07, with "OL" values in channel 3 and a
// gap (9999) in channel 1 every fifth point.
void fillGraph(ChartModel& model, int n, int filled)
{
    model.setSubsets(4);
    model.setPoints(n);
    for (int p = 0; p < filled; ++p) {
        const double x = 46082.0 + (13 * 3600 + 5 * 60 + 7 + 2 * p) / kDay;
        for (int s = 0; s < 4; ++s)
            model.setX(s, p, x);
        model.setY(0, p, -12.34 + p);
        model.setY(1, p, p % 5 == 0 ? 9999.0 : 100.06);
        model.setY(2, p, 0.049 * p);
        model.setY(3, p, 1370.05);
    }
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Opens a collection of two data sets into the logger window, as File > Open does, and marks
// it unsaved as a download would. Returns the collection's bytes.
QByteArray openSets(Fixture& f)
{
    const QByteArray image = loggerimages::image(
        { loggerimages::setWithSamples(3), loggerimages::setWithSamples(5, 1) });
    const QString path = f.path(QStringLiteral("sets.ch4"));
    if (!writeFile(path, image))
        return {};
    f.prompter.choiceAnswers << Prompter::Answer::Ok;
    f.prompter.openNames << path;
    f.window->Open1Click();
    f.window->workspace().openData().setUnsaved(OpenData::Piece::Logger, true);
    f.prompter.shown.clear();
    return image;
}

} // namespace

class TestFileWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void graphTextRoundTrip_data();
    void graphTextRoundTrip();
    void graphTextRangeAndUnit_data();
    void graphTextRangeAndUnit();
    void graphTextRefusals_data();
    void graphTextRefusals();
    void cancelKeepsTheLinesWritten();
    void tableSaveRoundTrip_data();
    void tableSaveRoundTrip();
    void tableWindowLooksAsDesigned();
    void openingTextFiles_data();
    void openingTextFiles();
    void cancelledOpenKeepsRowsRead();
    void graphFileRoundTrip();
    void graphFileThatCannotBeRead_data();
    void graphFileThatCannotBeRead();
    void tableToGraphFailures_data();
    void tableToGraphFailures();
    void outputToGraphFollowsTheActiveWindow();
    void dataLoggerSaveAsksWhatToSave();
    void saveOutcomes_data();
    void saveOutcomes();
    void dialogsStartInTheFolderLastUsed();
    void unprivilegedUserSavesWhereAllowed();
    void fullDiskKeepsTheOldFileAndSaysSo();
    void printingATableWindow();
};

void TestFileWindows::graphTextRoundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("name");
    QTest::newRow("German .txt") << kGerman << "g.txt";
    QTest::newRow("English .txt") << kEnglish << "e.TXT";
    QTest::newRow("English .csv") << kEnglish << "e.csv";
}

void TestFileWindows::graphTextRoundTrip()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, name);
    Fixture f(locale);
    ChartModel& original = f.window->windows().realTimeGraph()->model();
    fillGraph(original, 100, 40); // sized for 100, 40 recorded
    f.saveGraphAs(f.path(name));
    QVERIFY(f.prompter.unexpectedQuestions.isEmpty());
    QCOMPARE(f.prompter.rangeRequests.size(), 1);
    QCOMPARE(f.prompter.rangeRequests[0].to, QStringLiteral("100"));
    QVERIFY(f.prompter.rangeRequests[0].withUnits);
    const QByteArray bytes = readAll(f.path(name));
    QCOMPARE(bytes.count("\r\n"), 40);
    const char sep = name.endsWith(QLatin1String("csv"), Qt::CaseInsensitive) ? ',' : '\t';
    QCOMPARE(bytes.split('\n').first().count(sep), 5);

    TfrmList* list = f.openText(f.path(name));
    QVERIFY(list);
    QCOMPARE(list->windowTitle(), f.path(name));
    QCOMPARE(list->table().dataRows(), 40);
    QCOMPARE(list->table().cellText(0, 6), QStringLiteral("OL"));
    f.window->btnOutputToGraphClick();
    TfrmGraph* back = f.active<TfrmGraph>();
    QVERIFY(back && back != f.window->windows().realTimeGraph());
    QCOMPARE(back->windowTitle(), f.path(name));
    const ChartModel& m = back->model();
    QCOMPARE(m.points(), 40);
    for (int p = 0; p < 40; ++p)
        for (int s = 0; s < 4; ++s) {
            QCOMPARE(std::round(m.x(s, p) * kDay), std::round(original.x(s, p) * kDay));
            const float y = original.y(s, p);
            const float want
                = isOutsideExportRange(y, true) ? 9999.0f : std::round(y * 10.0f) / 10.0f;
            QVERIFY2(std::abs(m.y(s, p) - want) < 1e-3f,
                qPrintable(QStringLiteral("%1/%2").arg(p).arg(s)));
        }
    QCOMPARE(f.prompter.progresses.size(), 3); // save, open, graphing
    QCOMPARE(f.prompter.progresses[2]->use, Prompter::ProgressUse::Graphing);
    QCOMPARE(f.prompter.progresses[2]->values.last(), qint64(40));
    QVERIFY(!f.prompter.progresses[2]->open);
}

void TestFileWindows::graphTextRangeAndUnit_data()
{
    // The unit the meter was last seen in: no frame has come yet (the frames' own switch is
    // the main window's test).
    QTest::addColumn<int>("liveUnit");
    QTest::addColumn<bool>("fahrenheit"); // what the range window proposes
    QTest::newRow("meter in °C") << 1 << false;
    QTest::newRow("meter in °F") << 0 << true;
}

void TestFileWindows::graphTextRangeAndUnit()
{
    QFETCH(int, liveUnit);
    QFETCH(bool, fahrenheit);
    Fixture f(kEnglish, { { QStringLiteral("CF_Degree"), liveUnit } });
    fillGraph(f.window->windows().realTimeGraph()->model(), 20, 20);
    f.window->windows().realTimeGraph()->model().setY(0, 4, 2000.0); // beyond °C, inside °F
    f.saveGraphAs(
        f.path(QStringLiteral("r.txt")), { false, QStringLiteral("8"), QStringLiteral("3"), true });
    const QList<QByteArray> lines = readAll(f.path(QStringLiteral("r.txt"))).split('\n');
    QCOMPARE(lines.size(), 7); // points 3 to 8 and the empty rest
    QVERIFY(lines[0].contains("\t1:05:11 PM\t"));
    QVERIFY(lines[2].contains("\t2000.0\t")); // point 5 in °F
    QCOMPARE(f.prompter.rangeRequests[0].fahrenheit, fahrenheit);
}

void TestFileWindows::graphTextRefusals_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("letters") << "abc"
                             << "5" << QStringList { "ungültige Ganzzahl" };
    QTest::newRow("decimal number") << "1"
                                    << "2.5" << QStringList { "ungültige Ganzzahl" };
    QTest::newRow("from beyond the last point") << "30"
                                                << "40" << QStringList {};
}

void TestFileWindows::graphTextRefusals()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, shown);
    Fixture f;
    fillGraph(f.window->windows().realTimeGraph()->model(), 20, 20);
    const QString name = f.path(QStringLiteral("old.csv"));
    QFile old(name);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    f.saveGraphAs(name, { false, from, to, false });
    QCOMPARE(f.prompter.shown, shown);
    QCOMPARE(readAll(name), QByteArray("old"));
    QVERIFY(f.prompter.progresses.isEmpty());
}

void TestFileWindows::cancelKeepsTheLinesWritten()
{
    Fixture f;
    fillGraph(f.window->windows().realTimeGraph()->model(), 50, 50);
    f.prompter.cancelProgressAtStep = 4; // setValue(0), then lines 1, 2, 3
    f.saveGraphAs(f.path(QStringLiteral("c.txt")));
    QCOMPARE(readAll(f.path(QStringLiteral("c.txt"))).count("\r\n"), 3);
    QVERIFY(f.prompter.shown.isEmpty());
}

void TestFileWindows::tableSaveRoundTrip_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("saveAs");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("graph export to .CSV")
        << QByteArray("1\t2\t3\t4\t5\t6\r\n7\t8\t9\t10\t11\t12") << "t.CSV"
        << QByteArray("1,2,3,4,5,6,\r\n7,8,9,10,11,12,\r\n");
    QTest::newRow("short rows to .txt") << QByteArray("a\tb\r\n c\t\r\n") << "t.txt"
                                        << QByteArray("a\tb\t\t\t\t\t\r\n c\t\t\t\t\t\t\r\n");
    QTest::newRow("empty table") << QByteArray("nothing\r\n") << "t.csv"
                                 << QByteArray(",,,,,,\r\n");
}

void TestFileWindows::tableSaveRoundTrip()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, saveAs);
    QFETCH(QByteArray, saved);
    Fixture f;
    QFile in(f.path(QStringLiteral("in.txt")));
    QVERIFY(in.open(QIODevice::WriteOnly) && in.write(content) == content.size());
    in.close();
    TfrmList* list = f.openText(in.fileName());
    QVERIFY(list);
    f.prompter.fileNames << f.path(saveAs);
    f.prompter.ranges << Prompter::RangeAnswer {};
    f.window->Save1Click();
    QCOMPARE(f.prompter.suffixes.last(), QStringLiteral("TXT"));
    QVERIFY(!f.prompter.rangeRequests.last().withUnits);
    QCOMPARE(readAll(f.path(saveAs)), saved);
    // And back: the same cells.
    TfrmList* again = f.openText(f.path(saveAs));
    QVERIFY(again && again != list);
    QCOMPARE(again->table().dataRows(), list->table().dataRows());
    // Columns 1 to 6; the row number shows once a line filled the row.
    for (int r = 0; r < list->table().dataRows(); ++r)
        for (int c = 1; c < 7; ++c)
            QCOMPARE(again->table().cellText(r, c), list->table().cellText(r, c));
}

void TestFileWindows::tableWindowLooksAsDesigned()
{
    Fixture f;
    QFile in(f.path(QStringLiteral("in.txt")));
    QVERIFY(in.open(QIODevice::WriteOnly) && in.write("a\tb\r\n") > 0);
    in.close();
    TfrmList* list = f.openText(in.fileName());
    QVERIFY(list);
    QTableView* grid = list->grid();
    // At the document area's top left, inside the area.
    QCOMPARE(list->frameWindow()->pos(), QPoint(0, 0));
    QCOMPARE(grid->model()->columnCount(), 7);
    QCOMPARE(grid->horizontalHeader()->defaultSectionSize(), 64);
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 18);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid->selectionMode(), QAbstractItemView::ContiguousSelection);
    QStringList headings;
    for (int c = 0; c < 7; ++c)
        headings << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headings, (QStringList { "No", "Date", "Time", "T1", "T2", "T3", "T4" }));
    // A full date and time fit their columns whatever the font.
    const QFontMetrics metrics(grid->font());
    QVERIFY(grid->columnWidth(1) > metrics.horizontalAdvance(QStringLiteral("31.12.2026")));
    QVERIFY(grid->columnWidth(2) > metrics.horizontalAdvance(QStringLiteral("11:59:59 PM")));
    QCOMPARE(grid->columnWidth(3), 64);
    // Every cell is drawn, not only the row-number column: the first data cell's text leaves
    // dark pixels on the grid's light background.
    const QImage image = grid->viewport()->grab().toImage();
    const QRect cell = grid->visualRect(grid->model()->index(0, 1));
    int ink = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            ink += image.rect().contains(x, y) && qGray(image.pixel(x, y)) < 128;
    QVERIFY(ink > 0);
    // Closing asks nothing.
    list->frameWindow()->close();
    QVERIFY(f.prompter.shown.isEmpty());
}

void TestFileWindows::openingTextFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("rows"); // -1: no window
    QTest::newRow(".CSV is comma-separated") << "a.CSV" << QByteArray("1,2\r\n3,4") << 2;
    QTest::newRow(".txt with commas: empty table") << "a.txt" << QByteArray("1,2\r\n") << 1;
    QTest::newRow(".dat: nothing") << "a.dat" << QByteArray("1\t2\r\n") << -1;
    QTest::newRow("blank line in the middle") << "b.txt" << QByteArray("1\t2\n\n3\t4\n") << 1;
}

void TestFileWindows::openingTextFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, rows);
    Fixture f;
    QFile file(f.path(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    const int before = f.window->mdiArea()->subWindowList().size();
    TfrmList* list = f.openText(file.fileName());
    QCOMPARE(f.window->mdiArea()->subWindowList().size(), before + (rows < 0 ? 0 : 1));
    if (rows < 0)
        return;
    QVERIFY(list);
    QCOMPARE(list->table().dataRows(), rows);
    QCOMPARE(f.prompter.progresses.last()->use, Prompter::ProgressUse::Open);
    QCOMPARE(f.prompter.progresses.last()->caption, QStringLiteral("Ablauf öffnen"));
    QVERIFY(f.enabled("btnOutputToGraph"));
}

void TestFileWindows::cancelledOpenKeepsRowsRead()
{
    Fixture f;
    f.window->fileCommands().setReadChunk(100);
    QByteArray content;
    for (int k = 0; k < 100; ++k)
        content += QByteArray::number(k) + "\tx\r\n"; // about 7 bytes a line
    QFile file(f.path(QStringLiteral("big.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    f.prompter.cancelProgressAtStep = 2;
    TfrmList* list = f.openText(file.fileName());
    QVERIFY(list);
    const int rows = list->table().dataRows();
    QVERIFY2(rows > 10 && rows < 100, qPrintable(QString::number(rows)));
    QCOMPARE(list->table().cellText(rows - 1, 1), QString::number(rows - 1));
}

void TestFileWindows::graphFileRoundTrip()
{
    Fixture f;
    ChartModel& model = f.window->windows().realTimeGraph()->model();
    fillGraph(model, 30, 30);
    model.look.subTitle = QStringLiteral("kept");
    for (int i = TfrmGraph::kLastReservedAnnotation + 1; i <= 5; ++i)
        model.setAnnotation(i, { chart::kAnnotationCross, model.x(0, i), 20.0, {}, 0xFF });
    const QString name = f.path(QStringLiteral("g.GHF"));
    f.activate(f.window->windows().realTimeGraph()->frameWindow());
    f.prompter.fileNames << name;
    f.window->Save1Click();
    f.prompter.openNames << name;
    f.window->openSingleFile();
    TfrmGraph* opened = f.active<TfrmGraph>();
    QVERIFY(opened && opened != f.window->windows().realTimeGraph());
    QCOMPARE(opened->windowTitle(), name);
    QCOMPARE(opened->model().yValues(), model.yValues());
    QCOMPARE(opened->model().look.subTitle, QStringLiteral("kept"));
    QCOMPARE(opened->frameWindow()->pos(), QPoint(0, 0));
    QCOMPARE(opened->frameWindow()->width(), f.window->width());
    const bool split = model.isSplit();
    QCOMPARE(opened->findChild<QCheckBox*>(QStringLiteral("chkSplit"))->isChecked(), split);
    QCOMPARE(opened->annotationToolsEnabled(), !split);
    QVERIFY(opened->model().look.allowGraphAnnotHotSpots);
    // The file's annotations are in use: a new one comes after them.
    QCOMPARE(opened->lastAnnotationIndex(), 5);
    QVERIFY(!f.enabled("btnOutputToGraph"));
}

void TestFileWindows::graphFileThatCannotBeRead_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("0 bytes") << QByteArray() << "Stream read error";
    QTest::newRow("truncated") << QByteArray("\x10\0\0\0abc", 7) << "Stream read error";
}

void TestFileWindows::graphFileThatCannotBeRead()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    Fixture f;
    QFile file(f.path(QStringLiteral("bad.ghf")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const int before = f.window->mdiArea()->subWindowList().size();
    f.prompter.openNames << file.fileName();
    f.window->openSingleFile();
    QCOMPARE(f.prompter.shown, QStringList { message });
    QCOMPARE(f.window->mdiArea()->subWindowList().size(), before);
}

void TestFileWindows::tableToGraphFailures_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("graphWindow");
    QTest::addColumn<int>("emptyPoint"); // a point left at X 0, -1 none
    QTest::newRow("no data") << QByteArray("\tx\r\n") << QStringList { "Keine Daten für Grafik !" }
                             << false << -1;
    QTest::newRow("bad first date")
        << QByteArray("x\t1:00:00 PM\t1\t2\t3\t4\r\n3/1/2026\t1:00:02 PM\t1\t2\t3\t4\r\n")
        << QStringList { "'x 1:00:00 PM' is not a valid date and time" } << true << 0;
    QTest::newRow("bad last date")
        << QByteArray("3/1/2026\t1:00:00 PM\t1\t2\t3\t4\r\n3/1/2026\tnoon\t1\t2\t3\t4\r\n")
        << QStringList { "'3/1/2026 noon' is not a valid date and time" } << true << 0;
    QTest::newRow("empty date in the middle, a single row elsewhere")
        << QByteArray("3/1/2026\t1:00:00 PM\t1\t2\t3\t4\r\n \t1:00:01 PM\t1\t2\t3\t4\r\n"
                      "3/1/2026\t1:00:02 PM\t1\t2\t3\t4\r\n")
        << QStringList {} << true << 1;
}

void TestFileWindows::tableToGraphFailures()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, shown);
    QFETCH(bool, graphWindow);
    QFETCH(int, emptyPoint);
    Fixture f;
    // The graph template is there, so that the only message is the conversion's.
    QVERIFY(writeDefaultTemplate(QDir(f.programDir.path()).filePath(graphTemplateRelativePath())));
    QFile file(f.path(QStringLiteral("t.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    TfrmList* list = f.openText(file.fileName());
    QVERIFY(list);
    f.window->btnOutputToGraphClick();
    QCOMPARE(f.prompter.shown, shown);
    TfrmGraph* graph = f.active<TfrmGraph>();
    QCOMPARE(graph != nullptr && graph != f.window->windows().realTimeGraph(), graphWindow);
    if (!graphWindow)
        return;
    QCOMPARE(graph->windowTitle(), file.fileName());
    // Placed as an opened graph file is: at the area's top left, inside what it shows.
    QCOMPARE(graph->frameWindow()->pos(), QPoint(0, 0));
    QVERIFY(f.window->mdiArea()->viewport()->rect().contains(graph->frameWindow()->geometry()));
    if (emptyPoint >= 0 && shown.isEmpty()) {
        QCOMPARE(graph->model().x(0, emptyPoint), 0.0);
        QCOMPARE(graph->model().y(0, emptyPoint), 9999.0f);
        QVERIFY(graph->model().x(0, emptyPoint + 1) != 0.0);
    }
}

void TestFileWindows::outputToGraphFollowsTheActiveWindow()
{
    Fixture f;
    QFile file(f.path(QStringLiteral("t.txt")));
    QVERIFY(
        file.open(QIODevice::WriteOnly) && file.write("3/1/2026\t1:00:00 PM\t1\t2\t3\t4\r\n") > 0);
    file.close();
    TfrmList* list = f.openText(file.fileName());
    QVERIFY(list && f.enabled("btnOutputToGraph"));
    // A graph window active: the button goes off; the command with it does nothing.
    f.activate(f.window->windows().realTimeGraph()->frameWindow());
    QVERIFY(!f.enabled("btnOutputToGraph"));
    const int windows = f.window->mdiArea()->subWindowList().size();
    f.window->btnOutputToGraphClick();
    QCOMPARE(f.window->mdiArea()->subWindowList().size(), windows);
    f.activate(list->frameWindow());
    QVERIFY(f.enabled("btnOutputToGraph"));
    // Two opens of one file: two windows with the same caption.
    TfrmList* second = f.openText(file.fileName());
    QVERIFY(second && second != list);
    QCOMPARE(second->windowTitle(), list->windowTitle());
}

void TestFileWindows::dataLoggerSaveAsksWhatToSave()
{
    Fixture f;
    // A transfer file of another program must not be what gets saved.
    const QString transfer = transferFilePath(f.programDir.path(), f.dataDir.path());
    QVERIFY(QDir().mkpath(QFileInfo(transfer).path()));
    QVERIFY(writeFile(transfer, "another memory image"));
    const QByteArray sets = openSets(f);
    QVERIFY(!sets.isEmpty());
    TfrmGraph* graph = f.window->windows().dataLogger().window();
    QVERIFY(graph);
    f.activate(graph->frameWindow());
    f.prompter.saveStarts.clear();

    f.prompter.choiceAnswers << Prompter::Answer::Cancel;
    f.window->Save1Click();
    QCOMPARE(f.prompter.choices.last(), QStringLiteral("Speichere Datei"));
    QVERIFY(f.prompter.saveStarts.isEmpty());

    f.prompter.choiceAnswers << Prompter::Answer::Ok;
    f.prompter.fileNames << f.path(QStringLiteral("all.ch4"));
    f.window->Save1Click();
    // What the logger window shows, as it was opened.
    QCOMPARE(readAll(f.path(QStringLiteral("all.ch4"))), sets);
    QCOMPARE(f.prompter.suffixes.last(), QStringLiteral("CH4"));
    QVERIFY(!f.window->workspace().openData().unsaved(OpenData::Piece::Logger));

    f.prompter.choiceAnswers << Prompter::Answer::No;
    f.prompter.fileNames << f.path(QStringLiteral("one.ghf"));
    f.window->Save1Click();
    QVERIFY(QFile::exists(f.path(QStringLiteral("one.ghf"))));
    QVERIFY(f.prompter.unexpectedQuestions.isEmpty());
}

// Every save ends in a file or in a word to the user, and a "save first?" question saves the
// window it asked about: a Yes whose save did not happen stops what asked.
void TestFileWindows::saveOutcomes_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("sets"); // the logger window shows data sets
    QTest::addColumn<QString>("target"); // relative to the program folder; empty: cancelled
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("said"); // the message id, or none
    QTest::addColumn<bool>("goesOn"); // the logger's data counts as saved / the program closes

    const QString missing = QStringLiteral("no such folder/");
    QTest::newRow("save all: written") << "save all" << true << "all.ch4" << true << "" << true;
    QTest::newRow("save all: nothing to save is said")
        << "save all" << false << "" << false << "IDS_172" << false;
    QTest::newRow("save all: cancelled") << "save all" << true << "" << false << "" << false;
    QTest::newRow("save all: cannot be created")
        << "save all" << true << missing + "all.ch4" << false << "IDS_171" << false;
    QTest::newRow("closing with the control panel active saves the logger's sets")
        << "close" << true << "all.ch4" << true << "" << true;
    QTest::newRow("closing, save dialog cancelled: the program stays")
        << "close" << true << "" << false << "" << false;
    QTest::newRow("closing, file cannot be created: the program stays")
        << "close" << true << missing + "all.ch4" << false << "IDS_171" << false;
    QTest::newRow("table: written") << "table" << false << "t.txt" << true << "" << true;
    QTest::newRow("table: cannot be created")
        << "table" << false << missing + "t.txt" << false << "IDS_171" << true;
    QTest::newRow("graph text: written") << "graph text" << false << "g.csv" << true << "" << true;
    QTest::newRow("graph text: cannot be created")
        << "graph text" << false << missing + "g.csv" << false << "IDS_171" << true;
}

void TestFileWindows::saveOutcomes()
{
    QFETCH(QString, action);
    QFETCH(bool, sets);
    QFETCH(QString, target);
    QFETCH(bool, written);
    QFETCH(QString, said);
    QFETCH(bool, goesOn);
    Fixture f;
    QByteArray image;
    if (sets)
        QVERIFY(!(image = openSets(f)).isEmpty());
    const QString name = target.isEmpty() ? QString() : f.path(target);
    QStringList shown;
    if (action == QLatin1String("save all")) {
        if (!said.startsWith(QLatin1String("IDS_172")))
            f.prompter.fileNames << name;
        f.window->fileCommands().saveCollection(OpenData::Piece::Logger);
    } else if (action == QLatin1String("close")) {
        // Another window is active: the question is still about the logger's data.
        f.activate(f.window->windows().panel()->parentWidget());
        f.prompter.answers << Prompter::Answer::Yes;
        f.prompter.choiceAnswers << Prompter::Answer::Ok;
        f.prompter.fileNames << name;
        const bool closed = f.window->close();
        QCOMPARE(closed, goesOn);
        shown << MessageTable::forWindow(QStringLiteral("TfrmGraph"))
                     .getTextOrDefault(QStringLiteral("IDS_9"));
    } else if (action == QLatin1String("table")) {
        QVERIFY(writeFile(
            f.path(QStringLiteral("in.txt")), "3/1/2026\t1:05:07 PM\t1.0\t2.0\tOL\t4.0\n"));
        QVERIFY(f.openText(f.path(QStringLiteral("in.txt"))));
        f.prompter.fileNames << name;
        f.prompter.ranges << Prompter::RangeAnswer {};
        f.window->Save1Click();
    } else {
        fillGraph(f.window->windows().realTimeGraph()->model(), 5, 5);
        f.saveGraphAs(name);
    }
    if (!said.isEmpty()) {
        const QString text = f.window->messages().getTextOrDefault(said);
        shown << (text.contains(QLatin1String("%1")) ? text.arg(QDir::toNativeSeparators(name))
                                                     : text);
    }
    QCOMPARE(f.prompter.shown, shown);
    QCOMPARE(!name.isEmpty() && QFile::exists(name), written);
    if (written && sets)
        QCOMPARE(readAll(name), image);
    if (action == QLatin1String("save all") && sets)
        QCOMPARE(!f.window->workspace().openData().unsaved(OpenData::Piece::Logger), goesOn);
    if (action == QLatin1String("close") && !goesOn) {
        // The logger's window and its unsaved data stay.
        QVERIFY(f.window->windows().dataLogger().window());
        QVERIFY(f.window->workspace().openData().unsaved(OpenData::Piece::Logger));
    }
    QVERIFY(f.prompter.unexpectedQuestions.isEmpty());
}

// The dialogs start in the user's documents folder, then in the folder last used, also in the
// next run of the program.
void TestFileWindows::dialogsStartInTheFolderLastUsed()
{
    QTemporaryDir other;
    RecordingSettingsStore kept;
    {
        Fixture f;
        fillGraph(f.window->windows().realTimeGraph()->model(), 5, 5);
        f.saveGraphAs(QDir(other.path()).filePath(QStringLiteral("g.txt")));
        QCOMPARE(f.prompter.saveStarts, QStringList { f.dataDir.path() }); // the documents folder
        f.prompter.openNames << QString();
        f.window->openSingleFile();
        QCOMPARE(f.prompter.saveStarts.last(), other.path());
        f.prompter.choiceAnswers << Prompter::Answer::Ok;
        f.prompter.openNames << QString();
        f.window->Open1Click();
        QCOMPARE(f.prompter.saveStarts.last(), other.path());
        QVERIFY(f.window->close());
        QCOMPARE(f.store.texts[QStringLiteral("LastFolder")], other.path());
        kept.texts = f.store.texts;
    }
    Fixture next;
    next.store.texts = kept.texts;
    // Settings are read as the window is made: make it again with the kept ones.
    delete next.window;
    MainWindowDeps deps = tc4dl::testing::noMeterDeps(
        next.clock, next.store, next.prompter, next.programDir.path(), next.dataDir.path());
    deps.documentsFolder = next.path(QStringLiteral("never made"));
    next.window = new TfrmMain(std::move(deps));
    next.prompter.openNames << QString();
    next.window->openSingleFile();
    QCOMPARE(next.prompter.saveStarts.last(), other.path());
    // The folder last used is gone, and no documents folder was ever made: the home folder.
    QVERIFY(QDir(other.path()).removeRecursively());
    next.prompter.openNames << QString();
    next.window->openSingleFile();
    QCOMPARE(next.prompter.saveStarts.last(), QDir::homePath());
}

// A user who may not create files in a folder: a new file there is said as not created, and an
// existing file they may write is still replaced. Tests run as root, so a child process gives
// up root first.
void TestFileWindows::unprivilegedUserSavesWhereAllowed()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("fork() of a threaded process can deadlock under AddressSanitizer");
#endif
    Fixture f;
    fillGraph(f.window->windows().realTimeGraph()->model(), 5, 5);
    const QString folder = f.path(QStringLiteral("shared"));
    QVERIFY(QDir().mkpath(folder));
    const QString existing = QDir(folder).filePath(QStringLiteral("old.txt"));
    const QString fresh = QDir(folder).filePath(QStringLiteral("new.txt"));
    QVERIFY(writeFile(existing, "the old file\r\n"));
    const passwd* nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    if (root && !nobody)
        QSKIP("no user 'nobody' to drop to");
    // The folder readable by all, writable by its owner only; the file writable by all.
    QVERIFY(::chmod(QFile::encodeName(f.programDir.path()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), root ? 0755 : 0555) == 0);
    QVERIFY(::chmod(QFile::encodeName(existing).constData(), 0666) == 0);
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (root && (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
            _exit(10);
        f.saveGraphAs(existing);
        const bool replaced = readAll(existing).startsWith("3/1/2026\t");
        const bool quiet = f.prompter.shown.isEmpty();
        f.saveGraphAs(fresh);
        const bool said = f.prompter.shown
            == QStringList { f.window->messages()
                                 .getTextOrDefault(QStringLiteral("IDS_171"))
                                 .arg(QDir::toNativeSeparators(fresh)) };
        _exit(
            (replaced ? 0 : 1) | (quiet ? 0 : 2) | (said ? 0 : 4) | (QFile::exists(fresh) ? 8 : 0));
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TestFileWindows::fullDiskKeepsTheOldFileAndSaysSo()
{
#if defined(__SANITIZE_ADDRESS__)
    // The child below is a fork of a process with threads; AddressSanitizer's allocator may be
    // locked by another thread at that moment, and the child then waits for ever. The plain
    // build runs this case.
    QSKIP("fork() of a threaded process can deadlock under AddressSanitizer");
#endif
    Fixture f;
    fillGraph(f.window->windows().realTimeGraph()->model(), 2000, 2000); // about 90 KB of text
    const QString name = f.path(QStringLiteral("full.txt"));
    const QByteArray old("the old file\r\n");
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    file.close();
    const QString said = f.path(QStringLiteral("said"));
    // A child process whose files may not grow beyond 16 KB: the disk is full for it.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 16 * 1024, 16 * 1024 };
        setrlimit(RLIMIT_FSIZE, &limit);
        f.saveGraphAs(name);
        QFile out(said);
        const bool ok = out.open(QIODevice::WriteOnly)
            && out.write(f.prompter.shown.join(u'\n').toUtf8()) >= 0;
        out.close();
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(readAll(name), old);
    const QString message = QString::fromUtf8(readAll(said));
    QVERIFY2(message.contains(QDir::toNativeSeparators(name))
            && message.contains(QLatin1String("Datei")),
        qPrintable(message));
    // No temporary file left beside it.
    QCOMPARE(
        QDir(f.programDir.path()).entryList({ QStringLiteral("full.txt*") }, QDir::Files).size(),
        1);
}

void TestFileWindows::printingATableWindow()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the printout back");
    Fixture f;
    QFile file(f.path(QStringLiteral("in.txt")));
    const QByteArray content("3/1/2026\t1:05:07 PM\t1.0\t2.0\tOL\t4.0\n");
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    QVERIFY(f.openText(file.fileName()));
    const QString pdf = f.path(QStringLiteral("out.pdf"));
    QPrinter& printer = f.window->printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    f.prompter.printAnswers << false;
    f.window->Print1Click();
    QCOMPARE(f.prompter.printQuestions, QStringList { QStringLiteral("print dialog") });
    QVERIFY(!QFile::exists(pdf));
    f.prompter.printAnswers << true;
    f.window->Print1Click();
    QProcess process;
    process.start(
        QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    QVERIFY(process.waitForFinished(30000) && process.exitCode() == 0);
    QStringList lines;
    for (const QString& l : QString::fromUtf8(process.readAllStandardOutput()).split(u'\n'))
        if (!l.trimmed().isEmpty())
            lines << l.simplified();
    // The heading row and the one data row, the row numbers in their own column.
    QCOMPARE(lines,
        (QStringList { QStringLiteral("No Date Time T1 T2 T3 T4"),
            QStringLiteral("1 3/1/2026 1:05:07 PM 1.0 2.0 OL 4.0") }));
}

QTEST_MAIN(TestFileWindows)
#include "tst_filewindows.moc"
