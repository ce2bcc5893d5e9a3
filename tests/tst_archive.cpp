// The archive: one set stored once, all-or-nothing adds shared by several processes, damaged
// files moved aside, read-only listing, and images that decode to exactly the chosen sets.

#include "Archive.h"
#include "ArchiveListModel.h"
#include "ArchiveTimeline.h"
#include "Clock.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "LoggerImages.h"
#include "ManualClock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>

using namespace tc4dl;
using namespace tc4dl::archive;
using loggerimages::RecordedSet;

namespace {

// Dates the adds and the names damaged files are moved aside to.
ManualClock& archiveClock()
{
    static ManualClock clock;
    return clock;
}

struct Decoded {
    MemoryImage image;
    DataSetStore store;
};

Decoded decode(const QByteArray& bytes)
{
    Decoded d;
    d.image = MemoryImage(bytes, bytes.size() - 1);
    const DecodeOutcome o = decodeMemoryImage(d.image, QDateTime::currentDateTime(), d.store);
    if (o.result != LoadResult::Success)
        qFatal("test image does not decode");
    return d;
}

AddOutcome addImage(Archive& archive, const QList<RecordedSet>& sets, const QString& source = {})
{
    const Decoded d = decode(loggerimages::image(sets));
    return archive.add(d.store, d.image, source.isEmpty() ? QStringLiteral("test") : source);
}

RecordedSet set(int samples, int seed)
{
    return loggerimages::setWithSamples(samples, seed);
}

RecordedSet withUnit(RecordedSet s, quint8 unit)
{
    s.unit = unit;
    return s;
}

RecordedSet withInterval(RecordedSet s, quint16 interval)
{
    s.interval = interval;
    return s;
}

RecordedSet onDay(RecordedSet s, int day)
{
    s.day = loggerimages::bcd(day);
    return s;
}

// Changes one bit of set `id`'s stored bytes (those of `recorded`) through a connection of its own,
// as a disk fault would, leaving its hash as it was.
bool damageSet(const QString& archive, qint64 id, const RecordedSet& recorded)
{
    bool done = false;
    {
        QSqlDatabase db
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("hurt"));
        db.setDatabaseName(archive);
        QSqlQuery q(db);
        QByteArray bytes = decode(loggerimages::image({ recorded })).image.data().mid(256);
        bytes[20] = char(bytes[20] ^ 0x01);
        done = db.open() && q.prepare(QStringLiteral("UPDATE sets SET data = ? WHERE id = ?"));
        q.bindValue(0, bytes);
        q.bindValue(1, id);
        done = done && q.exec() && q.numRowsAffected() == 1;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("hurt"));
    return done;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Helper mode of this binary: `--add ARCHIVE FIRST COUNT [PAUSE]` adds sets FIRST..FIRST+COUNT-1,
// one add each; with PAUSE, one add of all of them that stops inside its transaction after set
// PAUSE, says "inside" and waits to be killed.
int helper(const QStringList& args)
{
    SystemClock clock;
    const Archive::Opened opened = Archive::open(args.value(2), clock);
    if (!opened.archive)
        return 2;
    const int first = args.value(3).toInt();
    const int count = args.value(4).toInt();
    if (args.size() > 5) {
        const int pauseAt = args.value(5).toInt();
        opened.archive->setAddStepHook([pauseAt](int k) {
            if (k != pauseAt)
                return;
            std::fputs("inside\n", stdout);
            std::fflush(stdout);
            for (;;)
                ::pause();
        });
        QList<RecordedSet> sets;
        for (int i = first; i < first + count; ++i)
            sets << set(3, i);
        return addImage(*opened.archive, sets).ok ? 0 : 3;
    }
    for (int i = first; i < first + count; ++i)
        if (!addImage(*opened.archive, { set(3, i) }).ok)
            return 3;
    return 0;
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void identity_data();
    void identity();
    void listFilters_data();
    void listFilters();
    void migratesFromTheFirstVersion();
    void damagedFileIsMovedAside_data();
    void damagedFileIsMovedAside();
    void readOnlyArchiveStillLists();
    void imageDecodesToTheChosenSets();
    void checkFindsADamagedSet();
    void removeAndNote();
    void copyTo_data();
    void copyTo();
    void twoProcessesAddingLoseNothing();
    void killDuringAddLeavesTheArchiveAsBefore();
    void timelineChoice_data();
    void timelineChoice();

private:
    QString archivePath() const { return m_dir->filePath(QStringLiteral("archive.sqlite")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestArchive::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// A set is the same set when start, interval, unit, sample count and its bytes agree,
// wherever it lies in the memory.
void TestArchive::identity_data()
{
    QTest::addColumn<QList<RecordedSet>>("first");
    QTest::addColumn<QList<RecordedSet>>("second");
    QTest::addColumn<int>("newSets");
    QTest::addColumn<int>("knownSets");
    QTest::addColumn<bool>("removeNewest"); // the newest set of the first add, before the second
    const RecordedSet a = set(5, 1);
    const RecordedSet b = set(7, 2);
    QTest::newRow("the same memory again") << QList { a, b } << QList { a, b } << 0 << 2 << false;
    QTest::newRow("the memory grew by a set")
        << QList { a, b } << QList { a, b, set(2, 3) } << 1 << 2 << false;
    QTest::newRow("a set still recording, one sample on")
        << QList { a } << QList { set(6, 1) } << 1 << 0 << false;
    QTest::newRow("same start, other readings")
        << QList { a } << QList { set(5, 9) } << 1 << 0 << false;
    QTest::newRow("other unit") << QList { a } << QList { withUnit(a, 0x00) } << 1 << 0 << false;
    QTest::newRow("other interval")
        << QList { a } << QList { withInterval(a, 30) } << 1 << 0 << false;
    QTest::newRow("other start") << QList { a } << QList { onDay(a, 16) } << 1 << 0 << false;
    QTest::newRow("erased and the set now first")
        << QList { a, b } << QList { b } << 0 << 1 << false;
    QTest::newRow("one set twice in a memory") << QList { a } << QList { a, a } << 0 << 2 << false;
    QTest::newRow("a known set after the newest was removed")
        << QList { a, b } << QList { a } << 0 << 1 << true;
}

void TestArchive::identity()
{
    QFETCH(QList<RecordedSet>, first);
    QFETCH(QList<RecordedSet>, second);
    QFETCH(int, newSets);
    QFETCH(int, knownSets);
    QFETCH(bool, removeNewest);
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY2(opened.archive, qPrintable(opened.error));
    const AddOutcome one = addImage(*opened.archive, first, QStringLiteral("download COM3"));
    QVERIFY(one.ok);
    if (removeNewest) {
        std::vector<ArchivedSet> sets = opened.archive->list();
        const auto newest = std::max_element(sets.begin(), sets.end(),
            [](const ArchivedSet& l, const ArchivedSet& r) { return l.id < r.id; });
        QVERIFY(opened.archive->remove({ newest->id }));
    }
    const int before = int(opened.archive->list().size());
    const AddOutcome two = addImage(*opened.archive, second, QStringLiteral("b.ch4"));
    QVERIFY2(two.ok, qPrintable(two.error));
    QCOMPARE(two.newSets, newSets);
    QCOMPARE(two.knownSets, knownSets);
    const std::vector<ArchivedSet> all = opened.archive->list();
    QCOMPARE(int(all.size()), before + newSets);
    // Finding a set spends no id: the ids a user sees count the sets that came in.
    if (!removeNewest)
        QCOMPARE(std::max_element(all.begin(), all.end(),
                     [](const auto& l, const auto& r) { return l.id < r.id; })
                     ->id,
            qint64(all.size()));
    if (knownSets > 0)
        QVERIFY(std::any_of(all.begin(), all.end(), [](const ArchivedSet& s) {
            return s.source == QLatin1String("download COM3; b.ch4");
        }));
}

void TestArchive::listFilters_data()
{
    QTest::addColumn<int>("fromDay");
    QTest::addColumn<int>("toDay");
    QTest::addColumn<int>("unit"); // -1 both, 0 °F, 1 °C
    QTest::addColumn<QList<int>>("days");
    QTest::newRow("all, sorted by start") << 0 << 0 << -1 << QList { 3, 5, 9, 20 };
    QTest::newRow("from, inclusive") << 5 << 0 << -1 << QList { 5, 9, 20 };
    QTest::newRow("to, inclusive") << 0 << 9 << -1 << QList { 3, 5, 9 };
    QTest::newRow("a range") << 4 << 10 << -1 << QList { 5, 9 };
    QTest::newRow("Fahrenheit only") << 0 << 0 << 0 << QList { 9 };
    QTest::newRow("Celsius in a range") << 1 << 10 << 1 << QList { 3, 5 };
}

void TestArchive::listFilters()
{
    QFETCH(int, fromDay);
    QFETCH(int, toDay);
    QFETCH(int, unit);
    QFETCH(QList<int>, days);
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY(opened.archive);
    // Added out of order, and over two adds.
    QVERIFY(addImage(*opened.archive, { onDay(set(2, 1), 20), onDay(set(2, 2), 5) }).ok);
    QVERIFY(
        addImage(*opened.archive, { withUnit(onDay(set(2, 3), 9), 0), onDay(set(2, 4), 3) }).ok);
    // The set's start is 14:05:09 on its day of April 2013.
    const auto serial = [](int day, bool end) {
        return decode(loggerimages::image({ onDay(set(1, 0), day) })).store.startTime(0)
            + (end ? 0.5 : -0.6);
    };
    ArchiveFilter filter;
    if (fromDay)
        filter.fromSerial = serial(fromDay, false);
    if (toDay)
        filter.toSerial = serial(toDay, true);
    if (unit >= 0)
        filter.celsius = unit == 1;
    QList<int> listed;
    for (const ArchivedSet& s : opened.archive->list(filter))
        listed << fromDateTimeSerial(s.start).date().day();
    QCOMPARE(listed, days);
}

// The first version of the archive had no note and no "last seen": it opens, keeps its sets,
// and a set in it is still known.
void TestArchive::migratesFromTheFirstVersion()
{
    const Decoded d = decode(loggerimages::image({ set(4, 1) }));
    const QByteArray bytes = d.image.data().mid(256);
    {
        QSqlDatabase db
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
        db.setDatabaseName(archivePath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral(
            "CREATE TABLE sets (id INTEGER PRIMARY KEY AUTOINCREMENT, start REAL NOT NULL, "
            "interval INTEGER NOT NULL, samples INTEGER NOT NULL, celsius INTEGER NOT NULL, "
            "sha256 BLOB NOT NULL, data BLOB NOT NULL, added INTEGER NOT NULL, "
            "source TEXT NOT NULL, UNIQUE (start, interval, samples, celsius, sha256))")));
        QVERIFY(q.prepare(QStringLiteral("INSERT INTO sets (start, interval, samples, celsius, "
                                         "sha256, data, added, source) VALUES (?, ?, ?, ?, ?, "
                                         "?, 1700000000000, 'old.ch4')")));
        const QVariantList values { d.store.startTime(0), d.store.interval(0),
            d.store.sampleCount(0), 1, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256),
            bytes };
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values[i]);
        QVERIFY(q.exec());
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 1")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v1"));
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY2(opened.archive, qPrintable(opened.error));
    QVERIFY(opened.movedAside.isEmpty());
    const std::vector<ArchivedSet> sets = opened.archive->list();
    QCOMPARE(sets.size(), std::size_t(1));
    QCOMPARE(sets[0].source, QStringLiteral("old.ch4"));
    QCOMPARE(sets[0].lastSeen, sets[0].added);
    QVERIFY(sets[0].note.isEmpty());
    QVERIFY(opened.archive->setNote(sets[0].id, QStringLiteral("Kühlraum")));
    const AddOutcome again = addImage(*opened.archive, { set(4, 1) });
    QCOMPARE(again.knownSets, 1);
    QVERIFY(opened.archive->check().ok);
}

void TestArchive::damagedFileIsMovedAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("a text file") << QByteArray("Einkaufsliste: Milch, Brot\n");
    QTest::newRow("SQLite's signature, then garbage")
        << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x5C');
    QTest::newRow("a database of another program") << QByteArray();
}

void TestArchive::damagedFileIsMovedAside()
{
    QFETCH(QByteArray, content);
    if (content.isEmpty()) {
        {
            QSqlDatabase db
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(archivePath());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE recipes (name TEXT)")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        content = readAll(archivePath());
    } else {
        QFile f(archivePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY2(opened.archive, qPrintable(opened.error));
    QVERIFY(opened.movedAside.startsWith(archivePath() + QStringLiteral(".damaged-")));
    QCOMPARE(readAll(opened.movedAside), content);
    QVERIFY(addImage(*opened.archive, { set(3, 1) }).ok);
    QCOMPARE(opened.archive->list().size(), std::size_t(1));
    // Listing alone never moves anything.
    const Archive::Opened listing
        = Archive::open(opened.movedAside, archiveClock(), Archive::Access::ReadOnly);
    QVERIFY(!listing.archive);
    QVERIFY(listing.movedAside.isEmpty());
    QCOMPARE(readAll(opened.movedAside), content);
}

// A user who may not write the archive or its folder still lists and graphs it.
void TestArchive::readOnlyArchiveStillLists()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("fork() of a threaded process can deadlock under AddressSanitizer");
#endif
#ifdef Q_OS_UNIX
    {
        const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
        QVERIFY(opened.archive);
        QVERIFY(addImage(*opened.archive, { set(3, 1), set(4, 2) }).ok);
    }
    const passwd* nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    if (root && !nobody)
        QSKIP("no user 'nobody' to drop to");
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), root ? 0755 : 0555) == 0);
    QVERIFY(::chmod(QFile::encodeName(archivePath()).constData(), 0444) == 0);
    // And it can be moved out, to a folder its user may write.
    QTemporaryDir elsewhere;
    QVERIFY(::chmod(QFile::encodeName(elsewhere.path()).constData(), 0777) == 0);
    const QString copy = elsewhere.filePath(QStringLiteral("archive.sqlite"));
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (root && (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
            _exit(10);
        const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
        if (!opened.archive)
            _exit(1);
        const bool listed = opened.archive->list().size() == 2;
        const std::vector<qint64> ids { opened.archive->list().at(1).id };
        const bool imaged = opened.archive->image(ids).has_value();
        const bool refused = !addImage(*opened.archive, { set(3, 3) }).ok
            && !opened.archive->setNote(ids[0], QStringLiteral("x"));
        const bool copied = opened.archive->copyTo(copy);
        // Not into a folder this user may not write, and nothing left there.
        const QString beside = archivePath() + QStringLiteral("2");
        const bool notBeside = !opened.archive->copyTo(beside) && !QFileInfo::exists(beside)
            && !QFileInfo::exists(beside + QStringLiteral(".part"));
        _exit((listed ? 0 : 2) | (imaged ? 0 : 4) | (refused ? 0 : 8)
            | (opened.archive->readOnly() ? 0 : 16) | (copied ? 0 : 32) | (notBeside ? 0 : 64));
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0700) == 0);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    const Archive::Opened moved = Archive::open(copy, archiveClock(), Archive::Access::ReadOnly);
    QVERIFY(moved.archive);
    QCOMPARE(moved.archive->list().size(), std::size_t(2));
#else
    QSKIP("needs POSIX permissions");
#endif
}

void TestArchive::imageDecodesToTheChosenSets()
{
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY(opened.archive);
    const QList<RecordedSet> specs { onDay(set(3, 1), 1), onDay(withUnit(set(5, 2), 0), 2),
        onDay(set(2, 3), 3) };
    const Decoded original = decode(loggerimages::image(specs));
    QVERIFY(opened.archive->add(original.store, original.image, QStringLiteral("x")).ok);
    const std::vector<ArchivedSet> sets = opened.archive->list();
    QCOMPARE(sets.size(), std::size_t(3));
    QString why;
    const std::optional<MemoryImage> image
        = opened.archive->image({ sets[2].id, sets[0].id }, &why);
    QVERIFY2(image, qPrintable(why));
    DataSetStore back;
    QCOMPARE(
        decodeMemoryImage(*image, QDateTime::currentDateTime(), back).result, LoadResult::Success);
    QCOMPARE(back.setCount(), 2);
    for (const auto& [k, from] : { std::pair { 0, 2 }, std::pair { 1, 0 } }) {
        QCOMPARE(back.startTime(k), original.store.startTime(from));
        QCOMPARE(back.interval(k), original.store.interval(from));
        QCOMPARE(back.unitFlags(k), original.store.unitFlags(from));
        QVERIFY(std::ranges::equal(back.setValues(k), original.store.setValues(from)));
    }
    // The same image added again brings nothing new.
    const AddOutcome again = opened.archive->add(back, *image, QStringLiteral("y"));
    QCOMPARE(again.knownSets, 2);
    QCOMPARE(again.newSets, 0);
    QVERIFY(!opened.archive->image({ sets[0].id, 999 }, &why));
    QVERIFY(why.contains(QStringLiteral("999")));
}

void TestArchive::checkFindsADamagedSet()
{
    qint64 id = 0;
    {
        const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
        QVERIFY(opened.archive);
        QVERIFY(addImage(*opened.archive, { set(3, 1), set(3, 2) }).ok);
        QVERIFY(opened.archive->check().ok);
        id = opened.archive->list().at(1).id;
    }
    QVERIFY(damageSet(archivePath(), id, set(3, 2)));
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    const CheckOutcome outcome = opened.archive->check();
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.problems.size(), 1);
    QVERIFY(outcome.problems[0].contains(QString::number(id)));
    QVERIFY(!opened.archive->image({ id }));
}

void TestArchive::removeAndNote()
{
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY(opened.archive);
    QVERIFY(addImage(*opened.archive, { onDay(set(3, 1), 1), onDay(set(3, 2), 2) }).ok);
    ArchiveListModel model(opened.archive.get());
    model.reload();
    QCOMPARE(model.rowCount(), 2);
    const QModelIndex note = model.index(1, ArchiveListModel::Note);
    QVERIFY(model.flags(note) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(1, ArchiveListModel::Start)) & Qt::ItemIsEditable));
    QVERIFY(model.setData(note, QStringLiteral("Tiefkühler")));
    QCOMPARE(opened.archive->set(model.setAt(1).id)->note, QStringLiteral("Tiefkühler"));
    QCOMPARE(model.data(model.index(1, ArchiveListModel::Unit)).toString(), QStringLiteral("°C"));
    QVERIFY(opened.archive->remove({ model.setAt(0).id, 12345 }));
    model.reload();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, ArchiveListModel::Note)).toString(),
        QStringLiteral("Tiefkühler"));
}

// A move's copy is made while the archive is open and in use, and only where it replaces
// nothing; whatever fails leaves no file behind and the archive as it was.
void TestArchive::copyTo_data()
{
    QTest::addColumn<QString>("target"); // in the test's folder
    QTest::addColumn<QByteArray>("there"); // what stands at the target before: a file's content
    QTest::addColumn<bool>("damaged"); // a set of the archive is damaged before the copy
    QTest::addColumn<bool>("copied");
    QTest::addColumn<bool>("reading"); // copied from the archive opened only for reading
    const QByteArray nothing;
    QTest::newRow("a new file") << "copy.sqlite" << nothing << false << true << false;
    QTest::newRow("into another folder") << "sub/copy.sqlite" << nothing << false << true << false;
    QTest::newRow("a file of the user's is there")
        << "copy.sqlite" << QByteArray("Messprotokoll\n") << false << false << false;
    QTest::newRow("an empty file is there")
        << "copy.sqlite" << QByteArray("") << false << false << false;
    QTest::newRow("the archive itself") << "archive.sqlite" << nothing << false << false << false;
    QTest::newRow("no such folder") << "none/copy.sqlite" << nothing << false << false << false;
    QTest::newRow("a file where the folder should be")
        << "blocker/copy.sqlite" << nothing << false << false << false;
    QTest::newRow("a name the file system refuses")
        << QString(250, QLatin1Char('n')) + QStringLiteral(".sqlite") << nothing << false << false
        << false;
    // Carried over as it is, and still found by the copy's check: nothing hidden, nothing lost.
    QTest::newRow("a damaged set") << "copy.sqlite" << nothing << true << true << false;
    // Out of a place where it can only be read: the way to move it to one where it can grow.
    QTest::newRow("from an archive that can only be read")
        << "sub/copy.sqlite" << nothing << false << true << true;
}

void TestArchive::copyTo()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, there);
    QFETCH(bool, damaged);
    QFETCH(bool, copied);
    QFETCH(bool, reading);
    const QDir dir(m_dir->path());
    QVERIFY(dir.mkpath(QStringLiteral("sub")));
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath(target);
    if (!there.isNull()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(there);
    }
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY(opened.archive);
    QVERIFY(addImage(*opened.archive, { onDay(set(3, 1), 1), onDay(set(4, 2), 2) }).ok);
    const std::vector<ArchivedSet> before = opened.archive->list();
    QVERIFY(opened.archive->setNote(before[1].id, QStringLiteral("Kühlraum")));
    if (damaged)
        QVERIFY(damageSet(archivePath(), before[0].id, onDay(set(3, 1), 1)));
    const auto files = [&dir] {
        QStringList names;
        QDirIterator it(
            dir.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            names << dir.relativeFilePath(it.next());
        names.sort();
        return names;
    };
    const QStringList filesBefore = files();

    const Archive::Opened reader
        = Archive::open(archivePath(), archiveClock(), Archive::Access::ReadOnly);
    QVERIFY(reader.archive);
    QString why;
    QCOMPARE((reading ? reader : opened).archive->copyTo(path, &why), copied);
    QCOMPARE(why.isEmpty(), copied);
    // The archive goes on as before: same sets, still written to.
    QCOMPARE(opened.archive->list().size(), std::size_t(2));
    QCOMPARE(opened.archive->check().ok, !damaged);
    QVERIFY(addImage(*opened.archive, { onDay(set(2, 3), 3) }).ok);
    if (!copied) {
        QCOMPARE(files(), filesBefore);
        if (!there.isNull() && path != archivePath())
            QCOMPARE(readAll(path), there);
        return;
    }
    // Nothing but the copy was left behind.
    QStringList expected = filesBefore;
    expected << target;
    expected.sort();
    QCOMPARE(files(), expected);
    const Archive::Opened copy = Archive::open(path, archiveClock());
    QVERIFY2(copy.archive, qPrintable(copy.error));
    QVERIFY(copy.movedAside.isEmpty());
    const std::vector<ArchivedSet> listed = copy.archive->list();
    QCOMPARE(listed.size(), std::size_t(2));
    for (std::size_t i = 0; i < listed.size(); ++i) {
        QCOMPARE(listed[i].id, before[i].id);
        QCOMPARE(listed[i].start, before[i].start);
        QCOMPARE(listed[i].samples, before[i].samples);
    }
    QCOMPARE(listed[1].note, QStringLiteral("Kühlraum"));
    const CheckOutcome checked = copy.archive->check();
    QCOMPARE(checked.ok, !damaged);
    if (damaged)
        QVERIFY(checked.problems.value(0).contains(QString::number(before[0].id)));
    QVERIFY(copy.archive->image({ before[1].id }));
}

// Two programs adding at once, each many small adds, half of them the same sets: every set
// is there once, and neither program failed for waiting.
void TestArchive::twoProcessesAddingLoseNothing()
{
    QVERIFY(Archive::open(archivePath(), archiveClock()).archive);
    QProcess one;
    QProcess two;
    one.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--add"), archivePath(), QStringLiteral("0"), QStringLiteral("60") });
    two.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--add"), archivePath(), QStringLiteral("30"), QStringLiteral("60") });
    QVERIFY(one.waitForFinished(60000));
    QVERIFY(two.waitForFinished(60000));
    QCOMPARE(one.exitCode(), 0);
    QCOMPARE(two.exitCode(), 0);
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QCOMPARE(opened.archive->list().size(), std::size_t(90));
    QVERIFY(opened.archive->check().ok);
}

void TestArchive::killDuringAddLeavesTheArchiveAsBefore()
{
    {
        const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
        QVERIFY(addImage(*opened.archive, { set(3, 100) }).ok);
    }
    QProcess adder;
    adder.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--add"), archivePath(), QStringLiteral("0"), QStringLiteral("20"),
            QStringLiteral("12") });
    QVERIFY(adder.waitForReadyRead(30000));
    QCOMPARE(adder.readLine().trimmed(), QByteArray("inside"));
    adder.kill();
    QVERIFY(adder.waitForFinished(10000));
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY2(opened.archive, qPrintable(opened.error));
    QVERIFY(opened.movedAside.isEmpty());
    QCOMPARE(opened.archive->list().size(), std::size_t(1));
    QVERIFY(opened.archive->check().ok);
    QList<RecordedSet> sets;
    for (int i = 0; i < 20; ++i)
        sets << set(3, i);
    QCOMPARE(addImage(*opened.archive, sets).newSets, 20);
}

// Sets as (start in seconds after a fixed day, interval in seconds, samples); ids are the row
// number + 1. `shown` is the ids the timeline takes, `overlap` the two it names instead.
using SetRows = QList<QList<int>>;

void TestArchive::timelineChoice_data()
{
    QTest::addColumn<SetRows>("sets");
    QTest::addColumn<QList<qint64>>("shown");
    QTest::addColumn<QList<qint64>>("overlap");
    QTest::newRow("runs apart, given out of order")
        << SetRows { { 600, 60, 5 }, { 0, 60, 5 } } << QList<qint64> { 2, 1 } << QList<qint64> {};
    QTest::newRow("a run downloaded three times: its longest copy")
        << SetRows { { 0, 60, 4 }, { 0, 60, 9 }, { 0, 60, 6 }, { 3600, 10, 2 } }
        << QList<qint64> { 2, 4 } << QList<qint64> {};
    QTest::newRow("the next run one interval after the last sample")
        << SetRows { { 0, 60, 5 }, { 300, 60, 2 } } << QList<qint64> { 1, 2 } << QList<qint64> {};
    QTest::newRow("the next run at the last sample: overlap")
        << SetRows { { 0, 60, 5 }, { 240, 60, 2 } } << QList<qint64> {} << QList<qint64> { 1, 2 };
    QTest::newRow("one start, other rates: two runs that overlap")
        << SetRows { { 0, 60, 5 }, { 0, 30, 5 } } << QList<qint64> {} << QList<qint64> { 1, 2 };
    QTest::newRow("the clock set back: the first overlap named in time order")
        << SetRows { { 7200, 60, 2 }, { 0, 60, 5 }, { 3600, 60, 200 } } << QList<qint64> {}
        << QList<qint64> { 3, 1 };
}

void TestArchive::timelineChoice()
{
    QFETCH(SetRows, sets);
    QFETCH(QList<qint64>, shown);
    QFETCH(QList<qint64>, overlap);
    const double day = dateTimeSerial(QDate(2026, 11, 2), QTime(8, 0));
    std::vector<ArchivedSet> archived;
    for (const QList<int>& row : sets) {
        ArchivedSet a;
        a.id = qint64(archived.size()) + 1;
        a.start = day + row[0] / 86400.0;
        a.interval = row[1];
        a.samples = row[2];
        archived.push_back(a);
    }
    const TimelineChoice choice = chooseTimelineSets(archived);
    QCOMPARE(QList<qint64>(choice.ids.begin(), choice.ids.end()), shown);
    QCOMPARE(choice.overlapFirst != nullptr, !overlap.isEmpty());
    if (!overlap.isEmpty()) {
        QCOMPARE(choice.overlapFirst->id, overlap[0]);
        QCOMPARE(choice.overlapSecond->id, overlap[1]);
    }
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.value(1) == QLatin1String("--add"))
        return helper(args);
    TestArchive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archive.moc"
