// The logger commands of the main window against the in-process simulated meter and a
// hand-moved clock: the load with its checks, progress, error dialog, Try Again, Cancel and
// "Fixed the error ", the live link back after every ending; and the Open command's collection
// branch with the transfer file.

#include "Archive.h"
#include "CollectionFile.h"
#include "DataLoggerWindow.h"
#include "DataSetList.h"
#include "GraphConfig.h"
#include "LoadCommand.h"
#include "LoggerData.h"
#include "LoggerImages.h"
#include "LoggerMemory.h"
#include "MainWindowFixture.h"
#include "MemoryHeader.h"
#include "MessageText.h"
#include "OpenCollectionFile.h"
#include "TfrmArchive.h"
#include "TfrmArchiveSettings.h"
#include "TfrmErr.h"
#include "Ticker.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace tc4dl;
using namespace tc4dl::testing;

namespace {

const QString kSim = QStringLiteral("SIMULATOR");

// The main window in a program folder of its own, with its graph template (so that no graph
// says it is missing), connected to the simulated meter.
struct Rig {
    Rig()
        : f({ kSim }, {}, dir.path())
    {
        if (!writeDefaultTemplate(dir.filePath(graphTemplateRelativePath())))
            qFatal("cannot write the graph template");
        f.meters[kSim];
        f.dialogs = [this](QDialog& dialog) {
            auto* err = qobject_cast<TfrmErr*>(&dialog);
            if (!err) {
                QTest::qFail("a dialog other than the error dialog", __FILE__, __LINE__);
                return int(TfrmErr::Cancel);
            }
            errors << err->message();
            fixOffered << err->fixOffered();
            return errorAnswers.isEmpty() ? int(TfrmErr::Cancel) : errorAnswers.takeFirst();
        };
        f.window->FormShow();
        f.clock.runDue();
        f.tick();
    }
    SimulatedMeter& meter() { return f.meters[kSim]; }
    LoggerData& data() { return f.window->workspace().logger(); }
    TfrmGraph* graph() { return f.window->windows().dataLogger().window(); }
    void setMemory(const QByteArray& image)
    {
        meter().logger().setMemory(*LoggerMemory::fromImage(image));
    }
    void setFaults(const LoggerFaults& faults)
    {
        MeterOptions options = meter().options();
        options.loggerFaults = faults;
        meter().setOptions(options);
    }
    // Runs the command to its end in steps of 10 ms of the hand-moved clock.
    void load()
    {
        f.window->LoadData1Click();
        const qint64 start = f.clock.tickMs();
        while (f.window->windows().loadCommand().running() && f.clock.tickMs() - start < 300'000)
            f.clock.advance(10);
        QVERIFY(!f.window->windows().loadCommand().running());
    }
    // The live port is open with its receive handler and the main tick polls the meter again.
    void verifyLiveLinkBack()
    {
        QVERIFY(!f.window->workspace().session().leaseHeld());
        QVERIFY(f.window->workspace().session().comm1().isActive());
        QVERIFY(f.window->workspace().session().mainTimer().isEnabled());
        const quint64 frames = f.window->workspace().session().link().counters().reader.frames;
        for (int i = 0; i < 4; ++i)
            f.tick();
        QVERIFY(f.window->workspace().session().link().counters().reader.frames >= frames + 3);
        QCOMPARE(f.window->status().state(), kOn);
    }
    QString text(const char* id) const
    {
        return f.window->messages().getTextOrDefault(QLatin1String(id));
    }
    // The sets in the window's archive; 0 when there is none.
    int archived() const
    {
        ManualClock clock;
        const archive::Archive::Opened opened
            = archive::Archive::open(f.archiveFile(), clock, archive::Archive::Access::ReadOnly);
        return opened.archive ? static_cast<int>(opened.archive->list().size()) : 0;
    }
    QByteArray transferFile() const
    {
        QFile file(dir.filePath(QStringLiteral("temp/DataSetsTemp.tmp")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    Fixture f;
    QStringList errors; // the error dialog's messages, in order
    QList<bool> fixOffered;
    QList<int> errorAnswers;
};

QByteArray headerOnly(int setCount)
{
    QByteArray erased(256, '\xFF');
    erased.replace(8, 5, QByteArray("\x00\x00\x00\x00\xFF", 5));
    erased[8] = static_cast<char>(setCount >> 8);
    erased[9] = static_cast<char>(setCount & 0xFF);
    return erased;
}

LoggerFaults faults(void (*set)(LoggerFaults&))
{
    LoggerFaults f;
    set(f);
    return f;
}

} // namespace

Q_DECLARE_METATYPE(LoggerFaults)

class TestLoadCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void busyCursorWhileTheSizeIsAsked();
    void checksTouchNoPort_data();
    void checksTouchNoPort();
    void loadEnds_data();
    void loadEnds();
    void errorDialogAnswers_data();
    void errorDialogAnswers();
    void cancelKeepsEverything();
    void loggerWindowStaysInFront();
    void openCollection_data();
    void openCollection();
    void openChoice_data();
    void openChoice();
    void archiveSettingsFromTheMenu();
    void archiveSetsShowApartFromTheLoggersData();
    void aNoteBeingTypedAtExitIsKept();
};

void TestLoadCommand::checksTouchNoPort_data()
{
    QTest::addColumn<bool>("recording"); // else: no meter answers
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("not connected") << false << QByteArray("IDS_64");
    QTest::newRow("meter recording") << true << QByteArray("IDS_65");
}

void TestLoadCommand::checksTouchNoPort()
{
    QFETCH(bool, recording);
    QFETCH(QByteArray, message);
    Rig r;
    if (recording) {
        r.meter().setRecording(true);
    } else {
        r.meter().setSilent(true);
        for (int i = 0; i < 5; ++i)
            r.f.tick();
    }
    r.f.tick();
    QSignalSpy leases(&r.f.window->workspace().session(), &LiveSession::leaseHeldChanged);
    r.meter().clearReceived();
    r.f.prompter.shown.clear();
    r.load();
    QCOMPARE(r.f.prompter.shown, QStringList { r.text(message.constData()) });
    QVERIFY(!r.graph());
    QCOMPARE(leases.count(), 0);
    QVERIFY(!r.meter().received().contains('P'));
    QVERIFY(r.f.prompter.progresses.isEmpty());
    QVERIFY(r.f.window->workspace().session().comm1().isActive());
}

// Every ending of a load: what is said, what the error dialog offers, what is kept.
void TestLoadCommand::loadEnds_data()
{
    QTest::addColumn<QByteArray>("memory"); // empty: the demo sets
    QTest::addColumn<LoggerFaults>("faults");
    QTest::addColumn<QByteArray>("message"); // a plain message, or none
    QTest::addColumn<QByteArray>("dialog"); // the error dialog's message, or none
    QTest::addColumn<bool>("fixOffered");
    QTest::addColumn<bool>("loaded");
    // Whether the archive cannot be opened: said once, the load's own ending unchanged.
    QTest::addColumn<bool>("archiveBroken");
    const QByteArray demo;
    const LoggerFaults none;
    QTest::newRow("success") << demo << none << QByteArray() << QByteArray() << false << true
                             << false;
    QTest::newRow("success, the archive unusable")
        << demo << none << QByteArray() << QByteArray() << false << true << true;
    QTest::newRow("data error") << demo << faults([](LoggerFaults& f) { f.badEndMarkSet = 2; })
                                << QByteArray() << QByteArray("IDS_70") << true << false << false;
    QTest::newRow("memory error") << headerOnly(4001) << none << QByteArray("IDS_67")
                                  << QByteArray() << false << false << false;
    QTest::newRow("no data") << headerOnly(0) << none << QByteArray("IDS_68") << QByteArray()
                             << false << false << false;
    QTest::newRow("no size answer")
        << demo << faults([](LoggerFaults& f) { f.unansweredStarts = -1; }) << QByteArray()
        << QByteArray("IDS_69") << false << false << false;
    QTest::newRow("21 failures") << demo
                                 << faults([](LoggerFaults& f) { f.corruptEveryNthBlock = 1; })
                                 << QByteArray() << QByteArray("IDS_69") << false << false << false;
    QTest::newRow("port fails: silent")
        << demo << faults([](LoggerFaults& f) { f.hangUpAfterBlocks = 3; }) << QByteArray()
        << QByteArray() << false << false << false;
}

void TestLoadCommand::loadEnds()
{
    QFETCH(QByteArray, memory);
    QFETCH(LoggerFaults, faults);
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, dialog);
    QFETCH(bool, fixOffered);
    QFETCH(bool, loaded);
    QFETCH(bool, archiveBroken);
    Rig r;
    if (!memory.isEmpty())
        r.setMemory(memory);
    r.setFaults(faults);
    if (archiveBroken) // a folder where the archive file should be
        QVERIFY(QDir().mkpath(r.f.archiveFile()));
    r.f.prompter.shown.clear();
    r.load();
    if (archiveBroken) {
        QCOMPARE(r.f.prompter.shown.size(), 1);
        QVERIFY(r.f.prompter.shown.first().contains(QDir::toNativeSeparators(r.f.archiveFile()))
            || r.f.prompter.shown.first().contains(r.f.archiveFile()));
        r.f.prompter.shown.clear();
    }

    QCOMPARE(r.f.prompter.shown,
        message.isEmpty() ? QStringList() : QStringList { r.text(message.constData()) });
    QCOMPARE(
        r.errors, dialog.isEmpty() ? QStringList() : QStringList { r.text(dialog.constData()) });
    if (!dialog.isEmpty())
        QCOMPARE(r.fixOffered.value(0), fixOffered);
    QVERIFY(r.graph()); // opened before the transfer, whatever came of it
    const int sets = r.data().store().setCount();
    QCOMPARE(sets > 0, loaded);
    QCOMPARE(r.f.window->workspace().openData().unsaved(OpenData::Piece::Logger), loaded);
    for (const auto& progress : r.f.prompter.progresses)
        QVERIFY(!progress->open);
    // Every successful download adds its sets to the archive.
    QCOMPARE(r.archived(), loaded && !archiveBroken ? sets : 0);
    if (loaded) {
        QCOMPARE(sets, r.meter().logger().memory().setCount());
        QCOMPARE(r.graph()->dataSetList()->rowCount(), sets);
        QCOMPARE(r.graph()->dataNoBox()->text(), QString::number(r.data().store().sampleCount(0)));
        QCOMPARE(r.graph()->model().points(), r.data().store().sampleCount(0));
        // The progress window, kept current block by block up to the whole memory.
        QCOMPARE(r.f.prompter.progresses.size(), 1);
        const auto& progress = *r.f.prompter.progresses.first();
        QCOMPARE(progress.use, Prompter::ProgressUse::Download);
        QCOMPARE(progress.caption, r.text("IDS_53"));
        QVERIFY(progress.bytes.size() > 2);
        QCOMPARE(progress.bytes.first(), qMakePair(qint64(0), progress.maximum));
        QCOMPARE(progress.bytes.last(), qMakePair(progress.maximum, progress.maximum));
        QCOMPARE(progress.values.last(), progress.maximum);
        QVERIFY(std::is_sorted(progress.values.begin(), progress.values.end()));
    } else {
        QVERIFY(r.transferFile().isEmpty());
        QCOMPARE(r.graph()->dataSetList()->rowCount(), 1);
    }
    r.verifyLiveLinkBack();
    if (archiveBroken) { // once per run, not per download
        r.load();
        QVERIFY(r.f.prompter.shown.isEmpty());
    }
}

// The archive settings from the Data Logger menu and the Archive window: switched off, the next
// download adds nothing; switched on and moved, the next goes to the new file only, which the
// window lists. Both are kept in the Settings at once; the file the program was given for the
// run is kept only when chosen.
void TestLoadCommand::archiveSettingsFromTheMenu()
{
    Rig r;
    r.load();
    const int sets = r.archived();
    QVERIFY(sets > 0);
    const auto listed = [&r](const QString& path) {
        const archive::Archive::Opened opened
            = archive::Archive::open(path, r.f.clock, archive::Archive::Access::ReadOnly);
        return opened.archive ? static_cast<int>(opened.archive->list().size()) : -1;
    };
    const QString moved = r.dir.filePath(QStringLiteral("moved.sqlite"));
    bool addsOn = false;
    bool move = false;
    r.f.dialogs = [&](QDialog& dialog) {
        auto* settings = qobject_cast<archive::TfrmArchiveSettings*>(&dialog);
        if (!settings) {
            QTest::qFail("a dialog other than the archive settings", __FILE__, __LINE__);
            return int(QDialog::Rejected);
        }
        settings->addsCheck()->setChecked(addsOn);
        if (move) {
            r.f.prompter.fileNames << moved;
            settings->chooseMove();
        }
        settings->accept();
        return settings->result();
    };
    QAction* item = r.f.window->action(QStringLiteral("ArchiveSettings1"));
    item->trigger();
    QCOMPARE(r.f.store.readInt(QStringLiteral("ArchiveEnabled")), 0);
    QCOMPARE(r.f.store.readText(QStringLiteral("ArchivePath")), QString()); // the run's: not kept
    r.setMemory(loggerimages::image(
        { loggerimages::setWithSamples(3, 41), loggerimages::setWithSamples(5, 42) }));
    r.load();
    QCOMPARE(r.data().store().setCount(), 2);
    QCOMPARE(r.archived(), sets);

    // Now from the Archive window's own button; the window then lists the moved archive.
    r.f.window->action(QStringLiteral("Archive1"))->trigger();
    auto* window = r.f.window->findChild<archive::TfrmArchive*>();
    QVERIFY(window);
    QCOMPARE(window->listModel().rowCount(), sets);
    r.f.prompter.shown.clear();
    addsOn = true;
    move = true;
    window->findChild<QPushButton*>(QStringLiteral("btnSettings"))->click();
    QCOMPARE(r.f.prompter.shown.size(), 1); // the move, and the old file kept
    QCOMPARE(r.f.store.readInt(QStringLiteral("ArchiveEnabled")), 1);
    QCOMPARE(r.f.store.readText(QStringLiteral("ArchivePath")), moved);
    QCOMPARE(listed(moved), sets);
    r.load();
    QCOMPARE(listed(moved), sets + 2);
    QCOMPARE(r.archived(), sets);
    window->reload();
    QCOMPARE(window->listModel().rowCount(), sets + 2);
}

// The window a load works on comes to the front and stays there: the Data Logger button
// pressed again over the logger window does not bring the real-time graph up.
void TestLoadCommand::loggerWindowStaysInFront()
{
    Rig r;
    r.f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(r.f.window));
    QMdiArea* area = r.f.window->mdiArea();
    r.load();
    QVERIFY(r.graph());
    QCOMPARE(area->activeSubWindow(), r.graph()->frameWindow());
    r.f.window->RealTimeGraph1Click(); // the real-time graph in front
    QCOMPARE(area->activeSubWindow(), r.f.window->windows().realTimeGraph()->frameWindow());
    r.load();
    QCOMPARE(area->activeSubWindow(), r.graph()->frameWindow());
    r.load(); // once more, the logger window in front already
    QCoreApplication::processEvents();
    QCOMPARE(area->activeSubWindow(), r.graph()->frameWindow());
}

// Cancel in the progress window: TransferStop, nothing kept, nothing said, the link back.
void TestLoadCommand::cancelKeepsEverything()
{
    Rig r;
    r.load();
    const DataSetStore before = r.data().store();
    const QByteArray transfer = r.transferFile();
    QVERIFY(before.setCount() > 1);
    r.f.window->workspace().openData().setUnsaved(OpenData::Piece::Logger, false);
    r.f.prompter.shown.clear();
    r.meter().clearReceived();

    r.f.prompter.cancelProgressAtStep = 4;
    r.f.window->LoadData1Click();
    r.f.window->LoadData1Click(); // a second click while it runs changes nothing
    const qint64 start = r.f.clock.tickMs();
    while (r.f.window->windows().loadCommand().running() && r.f.clock.tickMs() - start < 60'000)
        r.f.clock.advance(10);
    QVERIFY(!r.f.window->windows().loadCommand().running());

    QCOMPARE(r.f.prompter.progresses.size(), 2);
    QVERIFY(r.f.prompter.progresses.last()->cancelled());
    QVERIFY(!r.f.prompter.progresses.last()->open);
    const QByteArray sent = r.meter().received();
    QVERIFY(sent.mid(sent.lastIndexOf('P')).contains('Q'));
    QVERIFY(r.data().store() == before);
    QCOMPARE(r.transferFile(), transfer);
    QCOMPARE(r.graph()->dataSetList()->rowCount(), before.setCount());
    QVERIFY(!r.f.window->workspace().openData().unsaved(OpenData::Piece::Logger));
    QVERIFY(r.f.prompter.shown.isEmpty());
    QVERIFY(r.errors.isEmpty());
    r.verifyLiveLinkBack();
}

// The error dialog's answers: Try Again starts over, "Fixed the error " keeps the sets before the
// bad one.
void TestLoadCommand::errorDialogAnswers_data()
{
    QTest::addColumn<LoggerFaults>("faults");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("dialog"); // the error dialog's message
    QTest::addColumn<int>("kept"); // -1: every set of the meter
    QTest::addColumn<QByteArray>("message"); // said after the fix, or none
    QTest::addColumn<bool>("blocked"); // a plain file named "temp" where the kept image goes
    // The first attempt's size query goes unanswered; the second attempt's is answered.
    QTest::newRow("Try Again after a transient fault")
        << faults([](LoggerFaults& f) { f.unansweredStarts = 4; }) << int(TfrmErr::TryAgain)
        << QByteArray("IDS_69") << -1 << QByteArray() << false;
    QTest::newRow("fixed: third set bad, two kept")
        << faults([](LoggerFaults& f) { f.badEndMarkSet = 3; }) << int(TfrmErr::FixError)
        << QByteArray("IDS_70") << 2 << QByteArray("IDS_120") << false;
    QTest::newRow("fixed: second set bad, one kept")
        << faults([](LoggerFaults& f) { f.badEndMarkSet = 2; }) << int(TfrmErr::FixError)
        << QByteArray("IDS_70") << 1 << QByteArray("IDS_122") << false;
    QTest::newRow("fixed: first set bad, none kept")
        << faults([](LoggerFaults& f) { f.badEndMarkSet = 1; }) << int(TfrmErr::FixError)
        << QByteArray("IDS_70") << 0 << QByteArray("IDS_121") << false;
    QTest::newRow("fixed: first set bad, nowhere to keep what came")
        << faults([](LoggerFaults& f) { f.badEndMarkSet = 1; }) << int(TfrmErr::FixError)
        << QByteArray("IDS_70") << 0 << QByteArray("IDS_121") << true;
}

void TestLoadCommand::errorDialogAnswers()
{
    QFETCH(LoggerFaults, faults);
    QFETCH(int, answer);
    QFETCH(QByteArray, dialog);
    QFETCH(int, kept);
    QFETCH(QByteArray, message);
    QFETCH(bool, blocked);
    Rig r;
    QVERIFY(r.meter().logger().memory().setCount() >= 3);
    r.setFaults(faults);
    r.errorAnswers = { answer };
    r.f.prompter.shown.clear();
    const QString temp = r.dir.filePath(QStringLiteral("temp"));
    if (blocked) {
        QVERIFY(QDir(temp).removeRecursively());
        QFile blocker(temp);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    const QDateTime started = r.f.clock.now();
    r.load();
    QCOMPARE(r.errors, QStringList { r.text(dialog.constData()) });
    const int sets = kept < 0 ? r.meter().logger().memory().setCount() : kept;
    QCOMPARE(r.data().store().setCount(), sets);
    QStringList said;
    const QString fixSaid
        = kept > 1 ? r.text(message.constData()).arg(kept) : r.text(message.constData());
    if (blocked) {
        // Nothing could be kept, and the message says so.
        said << joinedText(fixSaid,
            r.text("IDS_124").arg(
                QDir::toNativeSeparators(temp) + QStringLiteral(": the folder cannot be made")));
    } else if (!message.isEmpty()) {
        // The whole memory as received stays beside the transfer file, with every set the
        // meter holds, named by the time of the fix, and the message says where.
        const QStringList names = QDir(temp).entryList({ QStringLiteral("DataSetsReceived*") });
        QCOMPARE(names.size(), 1);
        const QDateTime at
            = QDateTime::fromString(names.first().mid(17, 15), QStringLiteral("yyyyMMdd-HHmmss"));
        QVERIFY(at.isValid());
        QVERIFY(at >= started.addSecs(-1) && at <= r.f.clock.now());
        QCOMPARE(
            names.first(), at.toString(QStringLiteral("'DataSetsReceived-'yyyyMMdd-HHmmss'.ch4'")));
        const QString received = QDir(temp).filePath(names.first());
        said << joinedText(fixSaid, r.text("IDS_123").arg(QDir::toNativeSeparators(received)));
        MemoryImage whole;
        QCOMPARE(readCollectionFile(received, whole).status, CollectionRead::Status::Read);
        const std::optional<MemoryHeader> header = MemoryHeader::read(whole.bytes());
        QVERIFY(header);
        QCOMPARE(int(header->setCount), r.meter().logger().memory().setCount());
        QVERIFY(whole.size() > r.transferFile().size());
    }
    QCOMPARE(r.f.prompter.shown, said);
    if (sets == 0) {
        QVERIFY(r.transferFile().isEmpty());
        QVERIFY(!r.f.window->workspace().openData().unsaved(OpenData::Piece::Logger));
    } else {
        QCOMPARE(r.graph()->dataSetList()->rowCount(), sets);
        QCOMPARE(r.graph()->model().points(), r.data().store().sampleCount(0));
        QVERIFY(r.f.window->workspace().openData().unsaved(OpenData::Piece::Logger));
        QVERIFY(!r.transferFile().isEmpty());
    }
    r.verifyLiveLinkBack();
}

// The meter may take seconds to tell its memory size, with no progress window yet: the
// hourglass shows that the program works, and goes with the first progress or the end.
void TestLoadCommand::busyCursorWhileTheSizeIsAsked()
{
    Rig r;
    QVERIFY(!QApplication::overrideCursor());
    r.f.window->LoadData1Click();
    QVERIFY(r.f.window->windows().loadCommand().running());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    bool busyWithProgress = false;
    const qint64 start = r.f.clock.tickMs();
    while (r.f.window->windows().loadCommand().running() && r.f.clock.tickMs() - start < 300'000) {
        r.f.clock.advance(10);
        if (!r.f.prompter.progresses.isEmpty() && QApplication::overrideCursor())
            busyWithProgress = true;
    }
    QVERIFY(!r.f.window->windows().loadCommand().running());
    QVERIFY(!busyWithProgress);
    QVERIFY(!QApplication::overrideCursor());
}

// The Archive window's Graph and Timeline show the archive's sets in a graph window of their
// own: the logger's window, its data, its unsaved flag and its transfer file stay as the
// download left them, and each window saves its own sets.
void TestLoadCommand::archiveSetsShowApartFromTheLoggersData()
{
    Rig r;
    r.setMemory(
        loggerimages::image({ loggerimages::setRecordedAt(QDate(2013, 4, 15), QTime(10, 0), 60, 3),
            loggerimages::setRecordedAt(QDate(2013, 4, 16), QTime(10, 0), 60, 4),
            loggerimages::setRecordedAt(QDate(2013, 4, 17), QTime(10, 0), 60, 5) }));
    r.load();
    QVERIFY(r.graph());
    r.graph()->dataSetList()->setCurrentCell(1, 1);
    r.graph()->dataSetGridClick(); // the second set on show
    const DataSetStore before = r.data().store();
    const QByteArray transfer = r.transferFile();
    QVERIFY(!transfer.isEmpty());
    const QString shownStart = r.graph()->startTimeBox()->text();
    const QString shownPoints = r.graph()->dataNoBox()->text();
    OpenData& data = r.f.window->workspace().openData();
    QVERIFY(data.unsaved(OpenData::Piece::Logger));

    r.f.window->action(QStringLiteral("Archive1"))->trigger();
    auto* window = r.f.window->findChild<archive::TfrmArchive*>();
    QVERIFY(window);
    QCOMPARE(window->listModel().rowCount(), 3);
    window->table()->selectRow(2);
    window->graphSelected();
    DataLoggerWindow& shown = r.f.window->windows().archiveGraph();
    QVERIFY(shown.window() && shown.window() != r.graph());
    QCOMPARE(shown.window()->windowTitle(), QStringLiteral("Archiv-Grafik"));
    QCOMPARE(shown.store().setCount(), 1);
    QCOMPARE(data.origin(OpenData::Piece::Archive).archiveIds,
        std::vector<qint64> { window->listModel().setAt(2).id });
    window->graphTimeline();
    QVERIFY2(r.f.prompter.shown.isEmpty(), qPrintable(r.f.prompter.shown.join(u'|')));
    QCOMPARE(shown.store().setCount(), 3);

    QVERIFY(r.data().store() == before);
    QCOMPARE(r.transferFile(), transfer);
    QCOMPARE(r.graph()->startTimeBox()->text(), shownStart);
    QCOMPARE(r.graph()->dataNoBox()->text(), shownPoints);
    QVERIFY(data.unsaved(OpenData::Piece::Logger));

    // File > Save on the archive's window writes its sets, and leaves the logger's unsaved.
    const QString path = r.dir.filePath(QStringLiteral("shown.ch4"));
    r.f.window->mdiArea()->setActiveSubWindow(
        qobject_cast<QMdiSubWindow*>(shown.window()->frameWindow()));
    r.f.prompter.choiceAnswers << Prompter::Answer::Ok; // all data sets
    r.f.prompter.fileNames << path;
    r.f.window->Save1Click();
    MemoryImage saved;
    QCOMPARE(readCollectionFile(path, saved).status, CollectionRead::Status::Read);
    DataSetStore reread;
    QCOMPARE(decodeMemoryImage(saved, r.f.clock.now(), reread).result, LoadResult::Success);
    QVERIFY(reread == shown.store());
    QVERIFY(data.unsaved(OpenData::Piece::Logger));
    QCOMPARE(r.transferFile(), transfer);
}

// Exit ends the program while a note is still being typed in the Archive window: the window
// goes, the editor gives its text to the archive on the way, and the archive is still there
// to take it.
void TestLoadCommand::aNoteBeingTypedAtExitIsKept()
{
    Rig r;
    r.load();
    r.f.window->show();
    QApplication::setActiveWindow(r.f.window);
    r.f.window->action(QStringLiteral("Archive1"))->trigger();
    auto* window = r.f.window->findChild<archive::TfrmArchive*>();
    QVERIFY(window);
    const QModelIndex note = window->listModel().index(0, archive::ArchiveListModel::Note);
    const qint64 id = window->listModel().setAt(0).id;
    window->table()->setCurrentIndex(note);
    window->table()->edit(note);
    auto* editor = window->table()->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setFocus();
    QCOMPARE(QApplication::focusWidget(), editor);
    editor->setText(QStringLiteral("Ofen A"));

    delete r.f.window;
    r.f.window = nullptr;
    const archive::Archive::Opened kept
        = archive::Archive::open(r.f.archiveFile(), r.f.clock, archive::Archive::Access::ReadOnly);
    QVERIFY(kept.archive);
    QCOMPARE(kept.archive->set(id)->note, QStringLiteral("Ofen A"));
}

void TestLoadCommand::openCollection_data()
{
    QTest::addColumn<QString>("name"); // empty: the dialog is cancelled
    QTest::addColumn<QByteArray>("content"); // written to the file unless null
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QByteArray>("said"); // the message about the file, or none
    const QByteArray good = loggerimages::image({ loggerimages::setWithSamples(3),
        loggerimages::setWithSamples(0), loggerimages::setWithSamples(7, 2) });
    QByteArray badMark = good;
    badMark[badMark.size() - 1] = 0;
    // The memory reached 40 bytes further than the file keeps.
    QByteArray cut = good;
    loggerimages::setHeader(cut, 3, good.size() - 1 + 40);
    QTest::newRow("cancelled") << QString() << QByteArray() << false << QByteArray();
    QTest::newRow("missing file") << QStringLiteral("gone.ch4") << QByteArray() << false
                                  << QByteArray();
    QTest::newRow("empty file") << QStringLiteral("empty.ch4") << QByteArray("") << false
                                << QByteArray();
    QTest::newRow("no sets") << QStringLiteral("none.ch4") << headerOnly(0) << false
                             << QByteArray();
    QTest::newRow("bad end mark") << QStringLiteral("bad.ch4") << badMark << false
                                  << QByteArray("IDS_125");
    QTest::newRow("good") << QStringLiteral("good.ch4") << good << true << QByteArray();
    QTest::newRow("cut short after the last end mark")
        << QStringLiteral("cut.ch4") << cut << true << QByteArray();
}

void TestLoadCommand::openCollection()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, loaded);
    QFETCH(QByteArray, said);
    Rig r;
    r.load(); // the demo sets are there first
    const DataSetStore before = r.data().store();
    const QByteArray transfer = r.transferFile();
    const int archived = r.archived();
    r.f.window->workspace().openData().setUnsaved(OpenData::Piece::Logger, false);
    r.f.window->windows().dataLogger().window()->frameWindow()->close(); // reopened by the open
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    r.f.prompter.shown.clear();

    const QString path = name.isEmpty() ? QString() : r.dir.filePath(name);
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }
    r.f.prompter.choiceAnswers = { Prompter::Answer::Ok };
    r.f.prompter.openNames = { path };
    r.f.window->Open1Click();

    QCOMPARE(r.f.prompter.choices, QStringList { r.text("IDS_44") });
    // Both spellings: the command-line tool writes ".ch4".
    QCOMPARE(r.f.prompter.saveFilters.last(),
        QStringList { QStringLiteral("Data Sets Collection (*.CH4 *.ch4)") });
    QCOMPARE(r.f.prompter.suffixes.last(), QStringLiteral("CH4"));
    QCOMPARE(r.f.prompter.saveStarts.last(), r.f.documentsDir.path());
    QVERIFY(r.graph()); // opened before the dialog, also when nothing came of it
    QStringList expected;
    if (!said.isEmpty())
        expected << r.text(said.constData()).arg(QDir::toNativeSeparators(path));
    QCOMPARE(r.f.prompter.shown, expected);
    QVERIFY(!r.f.window->workspace().openData().unsaved(OpenData::Piece::Logger));
    // An opened file adds its sets to the archive beside the downloaded ones.
    QCOMPARE(r.archived(), archived + (loaded ? 3 : 0));
    if (loaded) {
        QCOMPARE(r.data().store().setCount(), 3);
        QCOMPARE(r.graph()->dataSetList()->rowCount(), 3);
        QCOMPARE(r.graph()->model().points(), 3);
        // The transfer file holds the memory as far as the file reached.
        QCOMPARE(r.transferFile(), content);
    } else {
        QVERIFY(r.data().store() == before);
        QCOMPARE(r.transferFile(), transfer);
        QCOMPARE(r.graph()->dataSetList()->rowCount(), 1);
    }
}

void TestLoadCommand::openChoice_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("second");
    QTest::newRow("decimal point") << QLocale(QLocale::English, QLocale::UnitedStates)
                                   << QStringLiteral("Öffne einzelne Datei(*.TXT,*.CSV,*.GHF)");
    QTest::newRow("decimal comma") << QLocale(QLocale::German, QLocale::Germany)
                                   << QStringLiteral("Öffne einzelne Datei(*.TXT,*.GHF)");
}

void TestLoadCommand::openChoice()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, second);
    const Prompter::Choice choice = openFileChoice(QStringLiteral("Open File"), locale);
    QCOMPARE(choice.caption, QStringLiteral("Open File"));
    QCOMPARE(choice.first, QStringLiteral("Öffne Datensatz-Sammeldatei(*.CH4)"));
    QCOMPARE(choice.second, second);
    QCOMPARE(choice.cancel, QStringLiteral("Abbrechen"));

    // The single-file answer asks for one file (cancelled here) and Cancel for none; neither
    // opens the logger window.
    Rig r;
    r.f.prompter.choiceAnswers = { Prompter::Answer::No, Prompter::Answer::Cancel };
    r.f.prompter.openNames = { QString() };
    r.f.window->Open1Click();
    r.f.window->Open1Click();
    QVERIFY(!r.graph());
    QCOMPARE(r.f.prompter.saveStarts.size(), 1);
}

QTEST_MAIN(TestLoadCommand)
#include "tst_loadcommand.moc"
