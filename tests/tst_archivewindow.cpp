// The archive window: listing by start, the date and unit filters, the note edited in place,
// removal after a question, export to a collection file and to CSV, graphing one set and the
// timeline (refused across units and across runs that overlap; a run downloaded again shown
// once), and an archive that cannot be opened said once.

#include "ArchiveKeeper.h"
#include "ArchiveListModel.h"
#include "CollectionFile.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "LoggerImages.h"
#include "ManualClock.h"
#include "MessageTable.h"
#include "PostgresServer.h"
#include "ScriptedPrompter.h"
#include "TfrmArchive.h"
#include "TfrmArchiveSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace tc4dl;
using namespace tc4dl::archive;
using tc4dl::testing::ScriptedPrompter;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 5, 0));

// Three sets: 15 and 16 April 2013 in °C, 17 April in °F.
struct Rig {
    // `startFolder`: where the file dialogs start, below the rig's folder (the folder itself
    // when empty).
    explicit Rig(const QString& startFolder = {})
        : keeper(clock, dir.filePath(QStringLiteral("archive.sqlite")), true)
    {
        loggerimages::RecordedSet fahrenheit
            = loggerimages::setRecordedAt(QDate(2013, 4, 17), QTime(9, 0), 60, 2);
        fahrenheit.unit = 0;
        firstSets = { loggerimages::setRecordedAt(QDate(2013, 4, 16), QTime(10, 0), 60, 2),
            loggerimages::setRecordedAt(QDate(2013, 4, 15), QTime(14, 5, 9), 60, 3), fahrenheit };
        add({});
        window = std::make_unique<TfrmArchive>(
            keeper, prompter, clock,
            [this](const std::vector<qint64>& ids, const MemoryImage& shown, bool timeline) {
                DataSetStore decoded;
                (void)decodeMemoryImage(shown, kNow, decoded);
                shownSets << decoded.setCount();
                int samples = 0;
                for (int k = 0; k < decoded.setCount(); ++k)
                    samples += decoded.sampleCount(k);
                shownSamples << samples;
                timelines << timeline;
                shownIds.push_back(ids);
                return QString();
            },
            startFolder.isEmpty() ? dir.path() : dir.filePath(startFolder));
    }
    // Adds `sets` as one download (the three sets of the rig when empty).
    // The sets as a download brings them, or (`meter` given) as a live run of that meter.
    void add(const QList<loggerimages::RecordedSet>& sets, const QString& meter = {})
    {
        const QByteArray bytes = loggerimages::image(sets.isEmpty() ? firstSets : sets);
        const MemoryImage image(bytes, bytes.size() - 1);
        DataSetStore store;
        if (decodeMemoryImage(image, kNow, store).result != LoadResult::Success)
            qFatal("test image does not decode");
        const bool added = meter.isEmpty()
            ? keeper.add(store, image, QStringLiteral("download COM3"))
            : keeper.archive()
                  ->add(store, image, QStringLiteral("record ") + meter,
                      { QStringLiteral("live"), meter })
                  .ok;
        if (!added)
            qFatal("cannot add to the archive: %s", qPrintable(keeper.openError().path));
    }
    // A set the archive does not hold yet, as a download would bring it.
    bool addNewSet()
    {
        const QByteArray bytes = loggerimages::image({ loggerimages::setWithSamples(4, 77) });
        const MemoryImage image(bytes, bytes.size() - 1);
        DataSetStore store;
        return decodeMemoryImage(image, kNow, store).result == LoadResult::Success
            && keeper.add(store, image, QStringLiteral("download COM4"));
    }
    void select(const QList<int>& rows)
    {
        QItemSelectionModel* selection = window->table()->selectionModel();
        selection->clear();
        for (const int row : rows)
            selection->select(window->listModel().index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedPrompter prompter;
    ArchiveKeeper keeper;
    std::unique_ptr<TfrmArchive> window;
    QList<int> shownSets;
    QList<int> shownSamples;
    QList<bool> timelines;
    std::vector<std::vector<qint64>> shownIds; // the ids each showing named
    QList<loggerimages::RecordedSet> firstSets;
};

} // namespace

class TestArchiveWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listsByStartAndFilters_data()
    {
        QTest::addColumn<QDate>("from"); // null: open
        QTest::addColumn<QDate>("to");
        QTest::addColumn<int>("unit"); // 0 all, 1 °C, 2 °F
        QTest::addColumn<bool>("edges"); // two more sets, at 00:00:00 and 23:59:59 on 14 April
        QTest::addColumn<int>("rows");
        QTest::newRow("everything") << QDate() << QDate() << 0 << false << 3;
        QTest::newRow("from the 16th") << QDate(2013, 4, 16) << QDate() << 0 << false << 2;
        QTest::newRow("to the 16th: the whole day")
            << QDate() << QDate(2013, 4, 16) << 0 << false << 2;
        QTest::newRow("one day") << QDate(2013, 4, 15) << QDate(2013, 4, 15) << 0 << false << 1;
        QTest::newRow("°C only") << QDate() << QDate() << 1 << false << 2;
        QTest::newRow("°F only") << QDate() << QDate() << 2 << false << 1;
        QTest::newRow("nothing in range") << QDate(2014, 1, 1) << QDate() << 0 << false << 0;
        QTest::newRow("from a day: a set at its midnight")
            << QDate(2013, 4, 14) << QDate() << 0 << true << 5;
        QTest::newRow("to a day: a set at its last second")
            << QDate() << QDate(2013, 4, 14) << 0 << true << 2;
        QTest::newRow("to the day before: not its midnight")
            << QDate() << QDate(2013, 4, 13) << 0 << true << 0;
    }
    void listsByStartAndFilters()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(int, unit);
        QFETCH(bool, edges);
        Rig r;
        if (edges)
            r.add({ loggerimages::setRecordedAt(QDate(2013, 4, 14), QTime(0, 0), 60, 2),
                loggerimages::setRecordedAt(QDate(2013, 4, 14), QTime(23, 59, 59), 60, 2) });
        r.window->reload();
        if (from.isValid()) {
            r.window->fromDate()->setDate(from);
            r.window->fromCheck()->setChecked(true);
        }
        if (to.isValid()) {
            r.window->toDate()->setDate(to);
            r.window->toCheck()->setChecked(true);
        }
        r.window->unitChoice()->setCurrentIndex(unit);
        const ArchiveListModel& model = r.window->listModel();
        QTEST(model.rowCount(), "rows");
        for (int row = 1; row < model.rowCount(); ++row)
            QVERIFY(model.setAt(row - 1).start <= model.setAt(row).start);
    }

    void noteIsKept()
    {
        Rig r;
        ArchiveListModel& model = r.window->listModel();
        QVERIFY(model.flags(model.index(0, ArchiveListModel::Note)) & Qt::ItemIsEditable);
        QVERIFY(!(model.flags(model.index(0, ArchiveListModel::Start)) & Qt::ItemIsEditable));
        QVERIFY(model.setData(model.index(0, ArchiveListModel::Note), QStringLiteral("cold room")));
        const qint64 id = model.setAt(0).id;
        QCOMPARE(r.keeper.archive()->set(id)->note, QStringLiteral("cold room"));
        QVERIFY(r.prompter.shown.isEmpty());
    }

    void removeAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("left");
        QTest::newRow("No keeps them") << int(Prompter::Answer::No) << 3;
        QTest::newRow("Yes removes them") << int(Prompter::Answer::Yes) << 1;
    }
    void removeAsksFirst()
    {
        QFETCH(int, answer);
        Rig r;
        r.select({ 0, 2 });
        r.prompter.answers << Prompter::Answer(answer);
        r.window->removeSelected();
        QCOMPARE(r.prompter.buttonsShown.value(0), Prompter::Buttons::YesNoDefaultNo);
        QTEST(int(r.keeper.archive()->list().size()), "left");
        QTEST(r.window->listModel().rowCount(), "left");
    }

    void exportsTheSelection_data()
    {
        QTest::addColumn<bool>("csv");
        QTest::addColumn<bool>("noDocuments"); // the dialog's start folder was never made
        QTest::addColumn<QStringList>("files"); // those written; empty: the one chosen
        const QStringList chosen;
        QTest::newRow("collection file") << false << false << chosen;
        QTest::newRow("CSV") << true << false << chosen;
        QTest::newRow("no documents folder: the dialog starts at home") << false << true << chosen;
        // Three sets of 15,990 samples: more than a meter's memory, one file each.
        QTest::newRow("more than one memory: numbered files, each read again")
            << false << false << QStringList { "out-1.ch4", "out-2.ch4", "out-3.ch4" };
    }
    void exportsTheSelection()
    {
        QFETCH(bool, csv);
        QFETCH(bool, noDocuments);
        QFETCH(QStringList, files);
        Rig r(noDocuments ? QStringLiteral("Documents") : QString());
        if (!files.isEmpty()) {
            QList<loggerimages::RecordedSet> long3;
            for (int day = 20; day < 23; ++day)
                long3 << loggerimages::setRecordedAt(QDate(2013, 4, day), QTime(8, 0), 1, 15990);
            r.add(long3);
            r.window->reload();
        }
        r.select(files.isEmpty() ? QList { 0, 1 } : QList { 3, 4, 5 });
        const QString path
            = r.dir.filePath(csv ? QStringLiteral("out.csv") : QStringLiteral("out.ch4"));
        r.prompter.fileNames << path;
        r.window->exportSelected(csv);
        if (!files.isEmpty()) {
            // Said once, every file named; none larger than a memory, each the program opens.
            QCOMPARE(r.prompter.shown.size(), 1);
            QVERIFY(!QFileInfo::exists(path));
            for (const QString& name : files) {
                const QString file = r.dir.filePath(name);
                QVERIFY2(r.prompter.shown[0].contains(QDir::toNativeSeparators(file)),
                    qPrintable(r.prompter.shown[0]));
                QVERIFY(QFileInfo(file).size() <= kMeterMemoryBytes);
                MemoryImage image;
                QCOMPARE(readCollectionFile(file, image).status, CollectionRead::Status::Read);
                DataSetStore store;
                QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::Success);
                QCOMPARE(store.sampleCount(0), 15990);
            }
            return;
        }
        QVERIFY2(r.prompter.shown.isEmpty(), qPrintable(r.prompter.shown.join('\n')));
        QCOMPARE(r.prompter.saveStarts.last(), noDocuments ? QDir::homePath() : r.dir.path());
        if (csv) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = file.readAll().split('\n');
            QCOMPARE(lines.first(), QByteArray("set,time,T1,T2,T3,T4,unit"));
            QCOMPARE(lines.size(), 1 + 3 + 2 + 1); // header, 3 + 2 samples, last line end
            const QByteArray firstId = QByteArray::number(r.window->listModel().setAt(0).id);
            QVERIFY(lines.at(1).startsWith(firstId + ",2013-04-15T14:05:09,"));
            QVERIFY(lines.at(1).endsWith(",C"));
        } else {
            // The program opens it again: two sets.
            MemoryImage image;
            QCOMPARE(readCollectionFile(path, image).status, CollectionRead::Status::Read);
            DataSetStore store;
            QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::Success);
            QCOMPARE(store.setCount(), 2);
        }
    }

    void graphsOneSetOrTheTimeline()
    {
        Rig r;
        r.select({ 1 });
        r.window->graphSelected();
        r.window->graphTimeline(); // all three: °C and °F, refused
        QCOMPARE(r.shownSets, QList<int> { 1 });
        // The showing names the set it shows, as its origin.
        QCOMPARE(r.shownIds.front(), std::vector<qint64> { r.window->listModel().setAt(1).id });
        QCOMPARE(r.prompter.shown.size(), 1);
        r.window->unitChoice()->setCurrentIndex(1);
        r.window->graphTimeline();
        QCOMPARE(r.shownSets, (QList<int> { 1, 2 }));
        QCOMPARE(r.timelines, (QList<bool> { false, true }));
        // Nothing selected: said, nothing shown.
        r.select({});
        r.window->graphSelected();
        QCOMPARE(r.shownSets.size(), 2);
        QCOMPARE(r.prompter.shown.size(), 2);

        // The 15 April run downloaded again while it went on: only its longest copy is shown.
        r.add({ loggerimages::setRecordedAt(QDate(2013, 4, 15), QTime(14, 5, 9), 60, 5) });
        r.window->reload();
        r.window->graphTimeline();
        QCOMPARE(r.shownSets.last(), 2);
        QCOMPARE(r.shownSamples.last(), 5 + 2);
        // A run begun before the 16 April one ended (the clock set back): refused, both named.
        r.add({ loggerimages::setRecordedAt(QDate(2013, 4, 16), QTime(10, 0, 30), 60, 2) });
        r.window->reload();
        r.window->graphTimeline();
        QCOMPARE(r.shownSets.size(), 3);
        QCOMPARE(r.prompter.shown.size(), 3);
        QVERIFY2(r.prompter.shown.last().contains(QStringLiteral("10:00:00"))
                && r.prompter.shown.last().contains(QStringLiteral("10:00:30")),
            qPrintable(r.prompter.shown.last()));
        // Two meters recorded side by side: refused as that, each meter named, no clock blamed.
        const QDate day(2013, 5, 2);
        r.add({ loggerimages::setRecordedAt(day, QTime(9, 0, 0), 5, 4) }, QStringLiteral("fridge"));
        r.add({ loggerimages::setRecordedAt(day, QTime(9, 0, 0), 5, 6) }, QStringLiteral("oven"));
        r.window->reload();
        QCOMPARE(r.window->listModel()
                     .data(r.window->listModel().index(
                         r.window->listModel().rowCount() - 1, ArchiveListModel::Meter))
                     .toString(),
            QStringLiteral("oven"));
        r.window->fromCheck()->setChecked(true);
        r.window->fromDate()->setDate(day);
        r.window->graphTimeline();
        QCOMPARE(r.shownSets.size(), 3);
        QCOMPARE(r.prompter.shown.size(), 4);
        QVERIFY2(r.prompter.shown.last().contains(QStringLiteral("fridge"))
                && r.prompter.shown.last().contains(QStringLiteral("oven"))
                && !r.prompter.shown.last().contains(QStringLiteral("zurückgestellt")),
            qPrintable(r.prompter.shown.last()));
    }

    // The settings dialog: its file and switch take effect at OK, in the window and for the next
    // download; a move copies and keeps the old file; whatever fails is said and changes nothing.
    void settingsTakeEffectAtOk_data()
    {
        QTest::addColumn<QString>("button"); // "other", "default", "move"; empty: none
        QTest::addColumn<QString>("chosen"); // answered in the file dialog, in the test's folder
        QTest::addColumn<QByteArray>("there"); // a file standing at `chosen` before; null: none
        QTest::addColumn<bool>("addsOn");
        QTest::addColumn<bool>("confirm"); // OK, else Cancel
        QTest::addColumn<bool>("closed"); // the dialog closed
        QTest::addColumn<QString>("inUse"); // the archive file afterwards, in the test's folder
        QTest::addColumn<int>("listed"); // the sets the archive window lists afterwards
        QTest::addColumn<int>("said"); // messages shown
        const QByteArray none;
        const QString archive = QStringLiteral("archive.sqlite");
        QTest::newRow("switched off: a download adds nothing")
            << ""
            << "" << none << false << true << true << archive << 3 << 0;
        QTest::newRow("moved: the same sets there, the old file kept")
            << "move"
            << "moved/archiv.sqlite" << none << true << true << true << "moved/archiv.sqlite" << 3
            << 1;
        QTest::newRow("move onto a file of the user's: refused at once")
            << "move"
            << "notes.txt" << QByteArray("Kühlraum prüfen\n") << true << true << true << archive
            << 3 << 1;
        QTest::newRow("move into a folder that is not there: said, stays open")
            << "move"
            << "none/archiv.sqlite" << none << true << true << false << archive << 3 << 1;
        QTest::newRow("move cancelled: nothing copied")
            << "move"
            << "moved/archiv.sqlite" << none << false << false << false << archive << 3 << 0;
        QTest::newRow("another file, new: an empty archive")
            << "other"
            << "neu.sqlite" << none << true << true << true << "neu.sqlite" << 0 << 0;
        QTest::newRow("another file that is no archive: refused, left as it is")
            << "other"
            << "notes.txt" << QByteArray("Kühlraum prüfen\n") << true << true << false << archive
            << 3 << 1;
        QTest::newRow("back to the default file")
            << "default"
            << "" << none << true << true << true << "standard/archive.sqlite" << 0 << 0;
    }
    void settingsTakeEffectAtOk()
    {
        QFETCH(QString, button);
        QFETCH(QString, chosen);
        QFETCH(QByteArray, there);
        QFETCH(bool, addsOn);
        QFETCH(bool, confirm);
        QFETCH(QString, inUse);
        QFETCH(int, listed);
        Rig r;
        const QDir dir(r.dir.path());
        QVERIFY(dir.mkpath(QStringLiteral("moved")));
        const QString old = r.keeper.path();
        const QString target = dir.filePath(chosen);
        if (!there.isNull()) {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(there);
        }
        const QString standard = dir.filePath(QStringLiteral("standard/archive.sqlite"));
        TfrmArchiveSettings dialog(r.keeper, standard, r.prompter, r.window.get());
        QVERIFY(dialog.addsCheck()->isChecked());
        QCOMPARE(dialog.pathField()->text(), QDir::toNativeSeparators(old));
        dialog.addsCheck()->setChecked(addsOn);
        if (!chosen.isEmpty())
            r.prompter.fileNames << target;
        if (button == u"other")
            dialog.chooseOther();
        else if (button == u"move")
            dialog.chooseMove();
        else if (button == u"default")
            dialog.chooseDefault();
        if (confirm)
            dialog.accept();
        else
            dialog.reject();
        QTEST(dialog.result() == QDialog::Accepted, "closed");
        QCOMPARE(r.keeper.path(), dir.filePath(inUse));
        QTEST(int(r.prompter.shown.size()), "said");
        QTEST(r.window->listModel().rowCount(), "listed");
        if (dialog.result() == QDialog::Accepted && dialog.pathChosen())
            QCOMPARE(
                dialog.pathSetting(), inUse == u"standard/archive.sqlite" ? QString() : target);
        // The file before is never removed; a file of the user's is left as it was.
        const Archive::Opened before = Archive::open(old, r.clock, Archive::Access::ReadOnly);
        QVERIFY(before.archive);
        QCOMPARE(before.archive->list().size(), std::size_t(3));
        if (!there.isNull())
            QCOMPARE(QFile(target).size(), there.size());
        if (inUse == u"archive.sqlite" && !chosen.isEmpty() && there.isNull())
            QVERIFY(!QFileInfo::exists(target)); // no copy left behind
        if (button == u"move" && dialog.result() == QDialog::Accepted && there.isNull())
            QVERIFY(r.prompter.shown.value(0).contains(QDir::toNativeSeparators(old)));
        // A move refused for a file there or a folder that cannot take it says why in the
        // dialog's own words.
        if (button == u"move" && confirm && (!there.isNull() || chosen.startsWith(u"none/"))) {
            const MessageTable texts
                = MessageTable::forWindow(QStringLiteral("TfrmArchiveSettings"));
            QVERIFY2(r.prompter.shown.value(0).contains(texts.getTextOrDefault(
                         there.isNull() ? QStringLiteral("IDS_13") : QStringLiteral("IDS_12"))),
                qPrintable(r.prompter.shown.value(0)));
        }
        // The next download goes where the dialog said, or nowhere when switched off there.
        const bool adds = dialog.result() == QDialog::Accepted ? addsOn : true;
        QCOMPARE(r.addNewSet(), adds);
        QCOMPARE(int(r.keeper.archive()->list().size()), listed + (adds ? 1 : 0));
    }

    // "Server…": a lab's PostgreSQL archive taken at OK, the sets so far copied there (each
    // kept once) when asked; a URI with a password, no URI or a server that does not answer is
    // said, with no password in any sentence, and changes nothing.
    void settingsTakeAServer_data()
    {
        QTest::addColumn<QString>("uri"); // %S the socket folder, %P the port, %D the database
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("answer"); // OK in the server dialog, else Cancel
        QTest::addColumn<int>("serverHas"); // of the rig's sets, on the server before
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("onServer"); // the archive in use afterwards
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("said"); // in the one message shown; empty: none shown
        const QString uri = QStringLiteral("postgresql://writer@/%D?host=%S&port=%P");
        QTest::newRow("sets copied to the server, each kept once, the file left")
            << uri << true << true << 1 << true << true << 3 << "2 Datensätze wurden nach";
        QTest::newRow("the server's archive as it is")
            << uri << false << true << 1 << true << true << 1 << "";
        QTest::newRow("a new archive on the server, nothing copied")
            << uri << false << true << 0 << true << true << 0 << "";
        QTest::newRow("a password in the URI: refused, never shown")
            << "postgresql://writer:geheim@/%D?host=%S&port=%P" << true << true << 0 << true
            << false << 3 << "~/.pgpass";
        QTest::newRow("the password as a parameter: refused, never shown")
            << "postgresql://writer@/%D?host=%S&port=%P&password=geheim" << false << true << 0
            << true << false << 3 << "~/.pgpass";
        QTest::newRow("no URI but a file name: refused")
            << "archiv.sqlite" << true << true << 0 << true << false << 3
            << "keine PostgreSQL-Verbindungs-URI";
        QTest::newRow("a server that does not answer: said, stays open")
            << "postgresql://writer@/%D?host=%S/nicht-da&port=%P" << true << true << 0 << false
            << false << 3 << "kann nicht nach";
        QTest::newRow("cancelled in the server dialog")
            << uri << true << false << 0 << true << false << 3 << "";
    }
    void settingsTakeAServer()
    {
        QFETCH(QString, uri);
        QFETCH(bool, copy);
        QFETCH(bool, answer);
        QFETCH(int, serverHas);
        QFETCH(bool, onServer);
        QFETCH(QString, said);
        if (!m_pg) {
            m_pg = std::make_unique<realparts::PostgresServer>();
            if (const QString why = m_pg->start(); !why.isEmpty())
                TC4DL_REAL_PART_MISSING(why);
        }
        QString database;
        QVERIFY(m_pg->newDatabase(&database).isEmpty());
        uri.replace(QLatin1String("%S"), m_pg->socketFolder())
            .replace(QLatin1String("%P"), QString::number(m_pg->port()))
            .replace(QLatin1String("%D"), database);
        const QString server = m_pg->socketUri(QStringLiteral("writer"), database);
        Rig r;
        if (serverHas > 0) {
            const Archive::Opened there = Archive::open(server, r.clock);
            QVERIFY2(there.archive, qPrintable(there.error.detail));
            const QByteArray bytes = loggerimages::image(r.firstSets.mid(0, serverHas));
            const MemoryImage image(bytes, bytes.size() - 1);
            DataSetStore store;
            QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::Success);
            QVERIFY(there.archive->add(store, image, QStringLiteral("Labor-PC")).ok);
        }
        const QString old = r.keeper.path();
        TfrmArchiveSettings dialog(r.keeper, old, r.prompter, r.window.get());
        r.prompter.dialogs = [&](QDialog& asked) {
            [&] {
                QCOMPARE(asked.objectName(), QStringLiteral("TfrmArchiveServer"));
                auto* field = asked.findChild<QLineEdit*>(QStringLiteral("edServer"));
                auto* check = asked.findChild<QCheckBox*>(QStringLiteral("chkCopy"));
                QVERIFY(field && check);
                QVERIFY(check->isChecked()); // from a file, the sets go along unless unticked
                auto* cancel = asked.findChild<QPushButton*>(QStringLiteral("btnCancel"));
                QVERIFY(cancel && !cancel->text().isEmpty());
                field->setText(uri);
                check->setChecked(copy);
            }();
            return answer ? QDialog::Accepted : QDialog::Rejected;
        };
        dialog.chooseServer();
        dialog.accept();
        QTEST(dialog.result() == QDialog::Accepted, "closed");
        QCOMPARE(r.keeper.path(), onServer ? uri : old);
        QCOMPARE(int(r.prompter.shown.size()), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty())
            QVERIFY2(r.prompter.shown.front().contains(said), qPrintable(r.prompter.shown.front()));
        for (const QString& text : r.prompter.shown)
            QVERIFY2(!text.contains(QLatin1String("geheim")), qPrintable(text));
        QTEST(r.window->listModel().rowCount(), "listed");
        if (dialog.result() == QDialog::Accepted && onServer)
            QCOMPARE(dialog.pathSetting(), uri);
        // The file before keeps its sets whatever happened.
        const Archive::Opened before = Archive::open(old, r.clock, Archive::Access::ReadOnly);
        QVERIFY(before.archive);
        QCOMPARE(before.archive->list().size(), std::size_t(3));
    }

    // What the archive cannot do is said in the program's language, with nothing of the
    // library's or the English table's words in it.
    void failuresSaidInTheProgramsLanguage_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("german"); // a part of the German text of that failure
        QTest::newRow("another program's database")
            << "foreign"
            << "enthält, was dieses Programm nicht angelegt hat (table recipes)";
        QTest::newRow("written by a newer version") << "newer"
                                                    << "von einer neueren Version";
        QTest::newRow("a path from the Settings that is no full path")
            << "relative"
            << "ist kein vollständiger Pfad";
        QTest::newRow("a stored set damaged") << "damaged"
                                              << "der Datensatz 1 ist im Archiv beschädigt";
        QTest::newRow("a set another program removed meanwhile") << "gone"
                                                                 << "gibt es keinen Datensatz 1";
        QTest::newRow("a note on a set another program removed") << "note"
                                                                 << "gibt es keinen Datensatz 1";
    }
    void failuresSaidInTheProgramsLanguage()
    {
        QFETCH(QString, fault);
        QFETCH(QString, german);
        QTemporaryDir dir;
        ManualClock clock;
        QString path = dir.filePath(QStringLiteral("archive.sqlite"));
        const auto sql = [&](const QString& statement) {
            bool done = false;
            {
                QSqlDatabase db
                    = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
                db.setDatabaseName(path);
                done = db.open() && QSqlQuery(db).exec(statement);
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("other"));
            return done;
        };
        if (fault == u"foreign") {
            QVERIFY(sql(QStringLiteral("CREATE TABLE recipes (name TEXT)")));
        } else if (fault == u"relative") {
            path = QStringLiteral("archive.sqlite");
        } else {
            ArchiveKeeper first(clock, path, true);
            const QByteArray bytes = loggerimages::image({ loggerimages::setWithSamples(3) });
            const MemoryImage image(bytes, bytes.size() - 1);
            DataSetStore store;
            QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::Success);
            QVERIFY(first.add(store, image, QStringLiteral("download COM3")));
        }
        if (fault == u"newer")
            QVERIFY(sql(QStringLiteral("PRAGMA user_version = 4")));
        ArchiveKeeper keeper(clock, path, true);
        ScriptedPrompter prompter;
        TfrmArchive window(
            keeper, prompter, clock,
            [](const std::vector<qint64>&, const MemoryImage&, bool) { return QString(); },
            dir.path());
        if (window.listModel().rowCount() > 0) {
            window.table()->selectionModel()->select(window.listModel().index(0, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
            if (fault == u"damaged")
                QVERIFY(sql(QStringLiteral("UPDATE set_data SET sha256 = zeroblob(32)")));
            else
                QVERIFY(sql(QStringLiteral("DELETE FROM set_data")));
        }
        if (fault == u"note")
            QVERIFY(!window.listModel().setData(
                window.listModel().index(0, ArchiveListModel::Note), QStringLiteral("x")));
        else
            window.graphSelected();
        QCOMPARE(prompter.shown.size(), 1);
        const QString said = prompter.shown[0];
        QVERIFY2(said.contains(german), qPrintable(said));
        const std::optional<MessageTable> english = MessageTable::parse(
            MessageTable::storedForm(QStringLiteral("TfrmArchive")), Language::English);
        QVERIFY(english);
        for (int id = 1; id <= 49; ++id) {
            const QString text = english->getTextOrDefault(QStringLiteral("IDS_%1").arg(id));
            for (const QString& part : text.split(QRegularExpression(QStringLiteral("%\\d"))))
                if (part.trimmed().size() >= 12)
                    QVERIFY2(!said.contains(part.trimmed()), qPrintable(said));
        }
    }

    // An archive that cannot be opened (its folder is a file) fails every add, said once.
    void failureIsSaidOnce()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ManualClock clock;
        ArchiveKeeper keeper(clock, dir.filePath(QStringLiteral("file/archive.sqlite")), true);
        int said = 0;
        QObject::connect(&keeper, &ArchiveKeeper::addFailed, [&](const ArchiveError&) { ++said; });
        const QByteArray bytes = loggerimages::image({ loggerimages::setWithSamples(2) });
        const MemoryImage image(bytes, bytes.size() - 1);
        DataSetStore store;
        QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::Success);
        QVERIFY(!keeper.add(store, image, QStringLiteral("a")));
        QVERIFY(!keeper.add(store, image, QStringLiteral("b")));
        QCOMPARE(said, 1);
        // Switched off: nothing tried, nothing said.
        ArchiveKeeper off(clock, dir.filePath(QStringLiteral("file/archive.sqlite")), false);
        QObject::connect(&off, &ArchiveKeeper::addFailed, [&](const ArchiveError&) { ++said; });
        QVERIFY(!off.add(store, image, QStringLiteral("c")));
        QCOMPARE(said, 1);
    }

private:
    std::unique_ptr<realparts::PostgresServer> m_pg; // started by the first test that needs it
};

QTEST_MAIN(TestArchiveWindow)
#include "tst_archivewindow.moc"
