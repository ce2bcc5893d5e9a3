// The archive: one set stored once, all-or-nothing adds shared by several processes, damaged
// files moved aside and nothing else, hostile files refused as they are, read-only listing, and
// images that decode to exactly the chosen sets.

#include "Archive.h"
#include "ArchiveListModel.h"
#include "ArchiveTimeline.h"
#include "Clock.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "DecodedImage.h"
#include "LoggerImages.h"
#include "ManualClock.h"
#include "MemoryHeader.h"
#include "RealParts.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdio>

using namespace tc4dl;
using namespace tc4dl::archive;
using loggerimages::decode;
using loggerimages::Decoded;
using loggerimages::RecordedSet;
using Kind = ArchiveError::Kind;

namespace {

// Dates the adds and the names damaged files are moved aside to.
ManualClock& archiveClock()
{
    static ManualClock clock;
    return clock;
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

RecordedSet at(RecordedSet s, int day, int hour, int minute, int second)
{
    s.day = loggerimages::bcd(day);
    s.hour = loggerimages::bcd(hour);
    s.minute = loggerimages::bcd(minute);
    s.second = loggerimages::bcd(second);
    return s;
}

// The sets of the archive every hostile case starts from, and those an add brings.
QList<RecordedSet> baseSets()
{
    QList<RecordedSet> sets;
    for (int i = 0; i < 12; ++i)
        sets << onDay(set(3, i), 1 + i);
    return sets;
}

QList<RecordedSet> newSets(int count, int samples = 3)
{
    QList<RecordedSet> sets;
    for (int i = 0; i < count; ++i)
        sets << at(set(samples, 100 + i), 20 + i / 24, i % 24, 0, 0);
    return sets;
}

QString describe(const ArchiveError& e)
{
    return QStringLiteral("kind %1 %2 %3").arg(int(e.kind)).arg(e.path, e.detail);
}

// Runs `sql` on the archive through a connection of its own, as another program would.
bool runSql(const QString& archive, const QStringList& sql)
{
    bool done = true;
    {
        QSqlDatabase db
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(archive);
        done = db.open();
        for (const QString& statement : sql)
            done = done && QSqlQuery(db).exec(statement);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    return done;
}

// Changes one bit of set `id`'s stored bytes (those of `recorded`) through a connection of its own,
// as a disk fault would, leaving its hash as it was.
bool damageSet(const QString& archive, qint64 id, const RecordedSet& recorded)
{
    QByteArray bytes = decode(loggerimages::image({ recorded })).image.data().mid(256);
    bytes[20] = char(bytes[20] ^ 0x01);
    return runSql(archive,
        { QStringLiteral("UPDATE set_data SET data = x'%1' WHERE id = %2")
                .arg(QString::fromLatin1(bytes.toHex()))
                .arg(id) });
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The real sqlite3 program, as the other program in a case or as the judge of a file.
QString sqlite3Program()
{
    return QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
}

// sqlite3 kept running on the archive: what it holds (a lock) lasts until it ends.
class OtherProgram {
public:
    bool start(const QString& archive, const QString& sql)
    {
        m_process.start(sqlite3Program(), { archive });
        if (!m_process.waitForStarted(10000))
            return false;
        m_process.write((sql + QStringLiteral("\nSELECT 'held';\n")).toUtf8());
        while (m_process.waitForReadyRead(10000))
            if (m_process.readAll().contains("held"))
                return true;
        return false;
    }
    ~OtherProgram()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("ROLLBACK;\n.quit\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

// What the real sqlite3 program counts in the archive, read only; -1 when it cannot.
int sqliteCount(const QString& archive)
{
    QProcess p;
    p.start(sqlite3Program(),
        { QStringLiteral("-readonly"), archive, QStringLiteral("SELECT count(*) FROM sets;") });
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return -1;
    bool ok = false;
    const int n = p.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? n : -1;
}

QString problemText(const CheckProblem& p)
{
    using P = CheckProblem::Kind;
    switch (p.kind) {
    case P::Integrity:
        return QStringLiteral("integrity");
    case P::Unreadable:
        return QStringLiteral("unreadable");
    case P::Foreign:
        return QStringLiteral("foreign");
    case P::TooLong:
        return QStringLiteral("toolong:%1").arg(p.id);
    case P::CountMismatch:
        return QStringLiteral("count:%1").arg(p.id);
    case P::NoDataSet:
        return QStringLiteral("nodataset:%1").arg(p.id);
    case P::Hash:
        return QStringLiteral("hash:%1").arg(p.id);
    case P::Field:
        return QStringLiteral("field:%1:%2").arg(p.id).arg(p.field);
    case P::Readings:
        return QStringLiteral("readings:%1:%2").arg(p.id).arg(p.detail);
    }
    return {};
}

// What one operation on a hostile archive came to, as text that crosses a process.
struct Outcome {
    int kind = 0; // the first failure: the open's, else the operation's
    int added = -2; // the add's new sets, -1 when it failed, -2 when none was tried
    int listed = -1; // the sets listed
    QString aside; // "damaged", "journal" or empty
    QStringList problems; // check's findings, sets listed as their bytes do not say, exports
                          // that fail

    [[nodiscard]] QString text() const
    {
        return QStringLiteral("%1;%2;%3;%4;%5")
            .arg(kind)
            .arg(added)
            .arg(listed)
            .arg(aside, problems.join(QLatin1Char(',')));
    }
    static Outcome parse(const QString& text)
    {
        const QStringList f = text.trimmed().split(QLatin1Char(';'));
        Outcome o;
        o.kind = f.value(0).toInt();
        o.added = f.value(1).toInt();
        o.listed = f.value(2).toInt();
        o.aside = f.value(3);
        o.problems = f.value(4).split(QLatin1Char(','), Qt::SkipEmptyParts);
        return o;
    }
};

// The operations of the hostile cases: "add" (four new sets), "add-large" (sixty sets of a hundred
// samples), "list", "check" (and every set's export set against what the list shows).
Outcome operate(const QString& operation, const QString& archive)
{
    Outcome o;
    const OpenOptions quickly { 300, {}, {} };
    const Archive::Opened opened = Archive::open(archive, archiveClock(),
        operation == u"list" ? Archive::Access::ReadOnly : Archive::Access::ReadWrite, quickly);
    o.kind = int(opened.error.kind);
    o.aside = !opened.movedAside.isEmpty()  ? QStringLiteral("damaged")
        : !opened.journalSetAside.isEmpty() ? QStringLiteral("journal")
                                            : QString();
    if (!opened.archive)
        return o;
    Archive& a = *opened.archive;
    if (operation.startsWith(u"add")) {
        const bool large = operation == u"add-large";
        const AddOutcome added = addImage(a, newSets(large ? 60 : 4, large ? 100 : 3));
        o.added = added.ok ? added.newSets : -1;
        o.kind = int(added.error.kind);
        return o;
    }
    ArchiveError why;
    const std::vector<ArchivedSet> listed = a.list({}, &why);
    o.kind = int(why.kind);
    o.listed = int(listed.size());
    if (operation != u"check")
        return o;
    for (const CheckProblem& p : a.check().problems)
        o.problems << problemText(p);
    // What the list shows of a set is what its export decodes to.
    for (const ArchivedSet& s : listed) {
        if (s.doubtful)
            o.problems << QStringLiteral("doubtful:%1").arg(s.id);
        ArchiveError refused;
        const std::optional<MemoryImage> image = a.image({ s.id }, &refused);
        DataSetStore back;
        if (!image) {
            o.problems << QStringLiteral("image:%1:%2").arg(s.id).arg(int(refused.kind));
        } else if (decodeMemoryImage(*image, QDateTime::currentDateTime(), back).result
                != LoadResult::Success
            || back.startTime(0) != s.start || back.interval(0) != s.interval
            || back.sampleCount(0) != s.samples || back.celsius(0) != s.celsius) {
            o.problems << QStringLiteral("list:%1").arg(s.id);
        }
    }
    return o;
}

// What is done to the archive before the operation.
enum class Harm {
    None,
    Writer, // another program holds a write transaction
    Exclusive, // another program holds it in exclusive locking mode
    DiskFull, // nothing free on its disk
    DiskNearlyFull, // 40 KB free
    TriggerEmptiesAfterInsert,
    TriggerIgnoresInserts,
    TriggerDeletesAfterUpdate,
    TriggerKeepsRemoved,
    ForeignView,
    ForeignTable,
    ForeignIndex,
    TableRedefined, // its own table, replacing sets on conflict
    VersionMinusOne,
    VersionNewer,
    OtherDatabase,
    TextFile,
    Garbage,
    Corrupt,
    StrayLog, // another archive's log, without an index
    StrayLogOwnIndex, // another archive's log beside this one's index
    OwnLog, // its own log and index after a crash, two sets in it
    OwnLogNoIndex,
    RowStart,
    RowInterval,
    RowUnit,
    RowSamples,
    RowNegativeInterval,
    LongBlob,
};

// Adds sets FIRST.. of `newSets` to the archive in one add in a process of its own that is then
// killed, leaving its log and index as a crash does.
bool addAndCrash(const QString& archive, int first, int count)
{
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--hold"), archive, QString::number(first), QString::number(count) });
    if (!holder.waitForReadyRead(30000) || !holder.readAll().contains("added"))
        return false;
    holder.kill();
    return holder.waitForFinished(10000) && QFileInfo::exists(archive + QStringLiteral("-wal"));
}

// Brings `harm` on the archive at `path` (12 sets); what another program holds lasts as long as
// `other`.
bool bring(Harm harm, const QString& path, OtherProgram& other)
{
    const QString stray = QFileInfo(path).absolutePath() + QStringLiteral("/other/b.sqlite");
    const auto strayLog = [&] {
        return QDir().mkpath(QFileInfo(stray).absolutePath()) && addAndCrash(stray, 50, 5);
    };
    const auto update = [&](const QString& set) {
        return runSql(path, { QStringLiteral("UPDATE set_data SET %1").arg(set) });
    };
    switch (harm) {
    case Harm::None:
    case Harm::DiskFull:
    case Harm::DiskNearlyFull:
        return true;
    case Harm::Writer:
        return other.start(path, QStringLiteral("BEGIN IMMEDIATE;"));
    case Harm::Exclusive:
        return other.start(
            path, QStringLiteral("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;"));
    case Harm::TriggerEmptiesAfterInsert:
        return runSql(path,
            { QStringLiteral(
                "CREATE TRIGGER wipe AFTER INSERT ON set_data BEGIN DELETE FROM set_data; "
                "END") });
    case Harm::TriggerIgnoresInserts:
        return runSql(path,
            { QStringLiteral("CREATE TRIGGER keep_out BEFORE INSERT ON set_data BEGIN SELECT "
                             "RAISE(IGNORE); END") });
    case Harm::TriggerDeletesAfterUpdate:
        return runSql(path,
            { QStringLiteral(
                "CREATE TRIGGER on_seen AFTER UPDATE ON set_data BEGIN DELETE FROM set_data "
                "WHERE id <> NEW.id; END") });
    case Harm::TriggerKeepsRemoved:
        return runSql(path,
            { QStringLiteral("CREATE TRIGGER stays BEFORE DELETE ON set_data BEGIN SELECT "
                             "RAISE(IGNORE); END") });
    case Harm::ForeignView:
        return runSql(path, { QStringLiteral("CREATE VIEW every_set AS SELECT * FROM sets") });
    case Harm::ForeignTable:
        return runSql(path, { QStringLiteral("CREATE TABLE extra (x)") });
    case Harm::ForeignIndex:
        return runSql(path, { QStringLiteral("CREATE INDEX by_note ON set_data (note)") });
    case Harm::TableRedefined: {
        QString create = QString::fromLatin1(
            "CREATE TABLE set_data ( id INTEGER PRIMARY KEY AUTOINCREMENT, start REAL NOT NULL, "
            "interval INTEGER NOT NULL, samples INTEGER NOT NULL, celsius INTEGER NOT NULL, "
            "sha256 BLOB NOT NULL, data BLOB NOT NULL, added INTEGER NOT NULL, source TEXT NOT "
            "NULL, last_seen INTEGER NOT NULL, note TEXT NOT NULL DEFAULT '', kind TEXT NOT NULL "
            "DEFAULT 'logger', meter TEXT NOT NULL DEFAULT '', machine TEXT NOT NULL DEFAULT '', "
            "user_name TEXT NOT NULL DEFAULT '', UNIQUE (start, interval, samples, celsius, "
            "sha256) ON CONFLICT REPLACE)");
        return runSql(path,
            { QStringLiteral("PRAGMA legacy_alter_table = ON"),
                QStringLiteral("ALTER TABLE set_data RENAME TO old_sets"), create,
                QStringLiteral("INSERT INTO set_data SELECT * FROM old_sets"),
                QStringLiteral("DROP TABLE old_sets"),
                QStringLiteral("CREATE INDEX sets_by_start ON set_data (start)") });
    }
    case Harm::VersionMinusOne:
        return runSql(path, { QStringLiteral("PRAGMA user_version = -1") });
    case Harm::VersionNewer:
        return runSql(path, { QStringLiteral("PRAGMA user_version = 4") });
    case Harm::OtherDatabase:
        return QFile::remove(path)
            && runSql(path, { QStringLiteral("CREATE TABLE recipes (name TEXT)") });
    case Harm::TextFile:
        return writeFile(path, "Einkaufsliste: Milch, Brot\n");
    case Harm::Garbage:
        return writeFile(path, QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x5C'));
    case Harm::Corrupt: {
        // The schema's page itself no b-tree page: SQLite calls the file corrupt.
        QByteArray bytes = readAll(path);
        bytes.replace(100, 8, QByteArray(8, '\xFF'));
        return writeFile(path, bytes);
    }
    case Harm::StrayLog:
        return strayLog()
            && QFile::copy(stray + QStringLiteral("-wal"), path + QStringLiteral("-wal"));
    case Harm::StrayLogOwnIndex:
        return addAndCrash(path, 0, 2) && strayLog() && QFile::remove(path + QStringLiteral("-wal"))
            && QFile::copy(stray + QStringLiteral("-wal"), path + QStringLiteral("-wal"));
    case Harm::OwnLog:
        return addAndCrash(path, 0, 2);
    case Harm::OwnLogNoIndex:
        return addAndCrash(path, 0, 2) && QFile::remove(path + QStringLiteral("-shm"));
    case Harm::RowStart:
        return update(QStringLiteral("start = start + 1 WHERE id = 3"));
    case Harm::RowInterval:
        return update(QStringLiteral("interval = 30 WHERE id = 3"));
    case Harm::RowUnit:
        return update(QStringLiteral("celsius = 0 WHERE id = 3"));
    case Harm::RowSamples:
        return update(QStringLiteral("samples = 4294967303 WHERE id = 3"));
    case Harm::RowNegativeInterval:
        return update(QStringLiteral("interval = -60 WHERE id = 3"));
    case Harm::LongBlob:
        return update(QStringLiteral("data = zeroblob(600000) WHERE id = 5"));
    }
    return false;
}

bool makeBase(const QString& path)
{
    const Archive::Opened opened = Archive::open(path, archiveClock());
    return opened.archive && addImage(*opened.archive, baseSets()).newSets == 12;
}

// One hostile case from start to end at `dir`: the archive, the harm, the operation (in a
// process of the unprivileged user, the folder read only, with `asNobody`), the harm lifted, and
// what the real sqlite3 program then counts. `beforeOperation` runs just before the operation
// (the small disk fills there), `afterOperation` just after (and makes room again).
struct RowResult {
    Outcome outcome;
    bool untouched = false; // the archive's file as it was before the operation
    int after = -1;
    QString failure; // the case could not be set up
};

RowResult runHostile(Harm harm, const QString& operation, bool asNobody, const QString& dir,
    const std::function<bool()>& beforeOperation = {},
    const std::function<void()>& afterOperation = {})
{
    RowResult r;
    const QString path = QDir(dir).filePath(QStringLiteral("archive.sqlite"));
    if (!makeBase(path)) {
        r.failure = QStringLiteral("no archive to begin with");
        return r;
    }
    {
        OtherProgram other;
        if (!bring(harm, path, other)) {
            r.failure = QStringLiteral("the harm could not be done");
            return r;
        }
        if (beforeOperation && !beforeOperation()) {
            r.failure = QStringLiteral("the disk could not be filled");
            return r;
        }
        const QByteArray before = readAll(path);
        if (!asNobody) {
            r.outcome = operate(operation, path);
        } else {
#ifdef Q_OS_UNIX
            // Nobody may write the folder; as root, the operation runs as "nobody".
            const bool root = realparts::runningAsRoot();
            ::chmod(QFile::encodeName(dir).constData(), root ? 0755 : 0555);
            for (const char* suffix : { "", "-wal", "-shm" })
                ::chmod(QFile::encodeName(path + QLatin1String(suffix)).constData(), 0444);
            const QStringList command
                = realparts::asUnprivileged(QCoreApplication::applicationFilePath(),
                    { QStringLiteral("--operate"), operation, path });
            QProcess p;
            p.start(command.first(), command.mid(1));
            p.waitForFinished(60000);
            r.outcome = Outcome::parse(QString::fromUtf8(p.readAllStandardOutput()));
            ::chmod(QFile::encodeName(dir).constData(), 0700);
            for (const char* suffix : { "", "-wal", "-shm" })
                ::chmod(QFile::encodeName(path + QLatin1String(suffix)).constData(), 0644);
#endif
        }
        if (afterOperation)
            afterOperation();
        r.untouched = readAll(path) == before;
    }
    r.after = sqliteCount(path);
    return r;
}

// Gives this process (and what it starts) a disk of its own of `kilobytes` at `dir`: a tmpfs
// mounted in a mount namespace of its own, as root or in a user namespace; else a limit on the
// size of every file it writes. The way it took, or empty.
QString smallDisk(const QString& dir, int kilobytes)
{
#ifdef Q_OS_LINUX
    const QByteArray target = QFile::encodeName(dir);
    const QByteArray size = QStringLiteral("size=%1k").arg(kilobytes).toLatin1();
    const auto mountHere = [&] {
        return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && ::mount("tmpfs", target.constData(), "tmpfs", 0, size.constData()) == 0;
    };
    if (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 && mountHere())
        return QStringLiteral("a tmpfs of %1 KB, mounted as root").arg(kilobytes);
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
        const auto put = [](const char* file, const QByteArray& text) {
            QFile f(QString::fromLatin1(file));
            return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
        };
        if (put("/proc/self/setgroups", "deny")
            && put("/proc/self/uid_map",
                QByteArray::number(uid) + " " + QByteArray::number(uid) + " 1")
            && put("/proc/self/gid_map",
                QByteArray::number(gid) + " " + QByteArray::number(gid) + " 1")
            && mountHere())
            return QStringLiteral("a tmpfs of %1 KB, mounted in a user namespace").arg(kilobytes);
    }
    return QStringLiteral("rlimit");
#else
    Q_UNUSED(dir);
    Q_UNUSED(kilobytes);
    return {};
#endif
}

// Fills the disk at `dir` but for `freeKb`: with a file as large as it will take there, or (where
// the disk is only a limit on file sizes) by lowering that limit to the archive's size and more.
bool fillDisk(const QString& dir, const QString& way, int freeKb)
{
    const QString archive = QDir(dir).filePath(QStringLiteral("archive.sqlite"));
#ifdef Q_OS_UNIX
    if (way == u"rlimit") {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = rlim_t(QFileInfo(archive).size()) + rlim_t(freeKb) * 1024;
        const rlimit fsize { limit, RLIM_INFINITY };
        return ::setrlimit(RLIMIT_FSIZE, &fsize) == 0;
    }
#endif
    QFile filler(QDir(dir).filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush())
        ;
    filler.close();
    return freeKb == 0 || filler.resize(std::max<qint64>(0, filler.size() - qint64(freeKb) * 1024));
}

void makeRoom(const QString& dir, const QString& way)
{
#ifdef Q_OS_UNIX
    if (way == u"rlimit") {
        const rlimit fsize { RLIM_INFINITY, RLIM_INFINITY };
        ::setrlimit(RLIMIT_FSIZE, &fsize);
        return;
    }
#endif
    QFile::remove(QDir(dir).filePath(QStringLiteral("filler")));
}

// The way main() made the small disk, before anything could start a thread.
QString g_smallDiskWay;

// Helper modes of this binary:
// `--add ARCHIVE FIRST COUNT [PAUSE]` adds sets FIRST..FIRST+COUNT-1, one add each; with PAUSE,
// one add of all of them that stops inside its transaction after set PAUSE, says "inside" and
// waits to be killed.
// `--hold ARCHIVE FIRST COUNT` adds those of newSets() in one add, says "added" and waits to be
// killed, leaving its log as a crash does.
// `--operate OPERATION ARCHIVE` prints the outcome of one operation.
// `--small-disk HARM OPERATION DIR FREE_KB` runs one hostile case on a small disk at DIR and
// prints the way it took, then the result.
int helper(const QStringList& args)
{
    const QString mode = args.value(1);
    if (mode == u"--operate") {
        std::fputs(qPrintable(operate(args.value(2), args.value(3)).text() + u'\n'), stdout);
        return 0;
    }
    if (mode == u"--small-disk") {
        const QString dir = args.value(4);
        const int freeKb = args.value(5).toInt();
        const QString way = g_smallDiskWay;
        const RowResult r = runHostile(
            Harm(args.value(2).toInt()), args.value(3), false, dir,
            [&] { return fillDisk(dir, way, freeKb); }, [&] { makeRoom(dir, way); });
        std::fputs(qPrintable(QStringLiteral("%1\n%2\n%3;%4;%5\n")
                                  .arg(way, r.outcome.text())
                                  .arg(r.untouched ? 1 : 0)
                                  .arg(r.after)
                                  .arg(r.failure)),
            stdout);
        return 0;
    }
    const Archive::Opened opened = Archive::open(args.value(2), archiveClock());
    if (!opened.archive) {
        std::fputs(qPrintable(describe(opened.error) + u'\n'), stderr);
        return 2;
    }
    const int first = args.value(3).toInt();
    const int count = args.value(4).toInt();
    if (mode == u"--hold") {
        if (!addImage(*opened.archive, newSets(first + count).mid(first)).ok)
            return 3;
        std::fputs("added\n", stdout);
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
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
    void readingsAsSqlReadsThem_data();
    void readingsAsSqlReadsThem();
    void damagedFileIsMovedAside_data();
    void damagedFileIsMovedAside();
    void hostileArchive_data();
    void hostileArchive();
    void schemaChangedWhileOpen_data();
    void schemaChangedWhileOpen();
    void readOnlyArchiveStillLists();
    void imageDecodesToTheChosenSets();
    void imageHeader_data();
    void imageHeader();
    void collectionExport_data();
    void collectionExport();
    void checkFindsADamagedSet_data();
    void checkFindsADamagedSet();
    void removeAndNote();
    void copyTo_data();
    void copyTo();
    void threeProcessesOnANewArchiveLoseNothing();
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

// How the archive's rows are changed before the second add, as another program could: each field
// of a set's identity on its own.
using RowEdit = QString;

// A set is the same set when start, interval, unit, sample count and its bytes agree,
// wherever it lies in the memory.
void TestArchive::identity_data()
{
    QTest::addColumn<QList<RecordedSet>>("first");
    QTest::addColumn<QList<RecordedSet>>("second");
    QTest::addColumn<int>("newSets");
    QTest::addColumn<int>("knownSets");
    QTest::addColumn<bool>("removeNewest"); // the newest set of the first add, before the second
    QTest::addColumn<RowEdit>("edit"); // an UPDATE of every row before the second add
    const RecordedSet a = set(5, 1);
    const RecordedSet b = set(7, 2);
    const RowEdit none;
    QTest::newRow("the same memory again")
        << QList { a, b } << QList { a, b } << 0 << 2 << false << none;
    QTest::newRow("the memory grew by a set")
        << QList { a, b } << QList { a, b, set(2, 3) } << 1 << 2 << false << none;
    QTest::newRow("a set still recording, one sample on")
        << QList { a } << QList { set(6, 1) } << 1 << 0 << false << none;
    QTest::newRow("same start, other readings")
        << QList { a } << QList { set(5, 9) } << 1 << 0 << false << none;
    QTest::newRow("other unit") << QList { a } << QList { withUnit(a, 0x00) } << 1 << 0 << false
                                << none;
    QTest::newRow("other interval")
        << QList { a } << QList { withInterval(a, 30) } << 1 << 0 << false << none;
    QTest::newRow("other start") << QList { a } << QList { onDay(a, 16) } << 1 << 0 << false
                                 << none;
    QTest::newRow("erased and the set now first")
        << QList { a, b } << QList { b } << 0 << 1 << false << none;
    QTest::newRow("one set twice in a memory")
        << QList { a } << QList { a, a } << 0 << 2 << false << none;
    QTest::newRow("a new set twice in one add: stored once, then found")
        << QList { b } << QList { a, a } << 1 << 1 << false << none;
    QTest::newRow("a known set after the newest was removed")
        << QList { a, b } << QList { a } << 0 << 1 << true << none;
    // The archived row differs from the set that comes again in one field alone, its bytes the
    // same: not the same set.
    QTest::newRow("only the stored sample count differs")
        << QList { a } << QList { a } << 1 << 0 << false << "samples = samples + 1";
    QTest::newRow("only the stored unit differs")
        << QList { a } << QList { a } << 1 << 0 << false << "celsius = 0";
    QTest::newRow("only the stored interval differs")
        << QList { a } << QList { a } << 1 << 0 << false << "interval = interval + 1";
    QTest::newRow("only the stored start differs")
        << QList { a } << QList { a } << 1 << 0 << false << "start = start + 1.0 / 86400";
    QTest::newRow("only the stored hash differs")
        << QList { a } << QList { a } << 1 << 0 << false << "sha256 = zeroblob(32)";
}

void TestArchive::identity()
{
    QFETCH(QList<RecordedSet>, first);
    QFETCH(QList<RecordedSet>, second);
    QFETCH(int, newSets);
    QFETCH(int, knownSets);
    QFETCH(bool, removeNewest);
    QFETCH(RowEdit, edit);
    std::unique_ptr<Archive> archive;
    {
        const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
        QVERIFY2(opened.archive, qPrintable(describe(opened.error)));
        {
            const AddOutcome o = addImage(*opened.archive, first, QStringLiteral("download COM3"));
            QVERIFY2(o.ok, qPrintable(describe(o.error)));
        }
    }
    if (!edit.isEmpty())
        QVERIFY(runSql(archivePath(), { QStringLiteral("UPDATE set_data SET ") + edit }));
    Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY2(opened.archive, qPrintable(describe(opened.error)));
    if (removeNewest) {
        std::vector<ArchivedSet> sets = opened.archive->list();
        const auto newest = std::max_element(sets.begin(), sets.end(),
            [](const ArchivedSet& l, const ArchivedSet& r) { return l.id < r.id; });
        QVERIFY(opened.archive->remove({ newest->id }));
    }
    const int before = int(opened.archive->list().size());
    const AddOutcome two = addImage(*opened.archive, second, QStringLiteral("b.ch4"));
    QVERIFY2(two.ok, qPrintable(describe(two.error)));
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
    // A set found again that came before has both sources.
    const bool again = std::any_of(first.begin(), first.end(), [&](const RecordedSet& f) {
        return std::any_of(second.begin(), second.end(), [&](const RecordedSet& s) {
            return loggerimages::setBytes(f) == loggerimages::setBytes(s);
        });
    });
    if (knownSets > 0 && again && edit.isEmpty())
        QVERIFY(std::any_of(all.begin(), all.end(), [](const ArchivedSet& s) {
            return s.source == QLatin1String("download COM3; b.ch4");
        }));
}

void TestArchive::listFilters_data()
{
    QTest::addColumn<int>("fromDay");
    QTest::addColumn<int>("toDay");
    QTest::addColumn<int>("unit"); // -1 both, 0 °F, 1 °C
    QTest::addColumn<double>("margin"); // days added to `to` and taken from `from`
    QTest::addColumn<QList<int>>("days");
    QTest::newRow("all, sorted by start") << 0 << 0 << -1 << 0.5 << QList { 3, 5, 9, 20 };
    QTest::newRow("from, inclusive") << 5 << 0 << -1 << 0.6 << QList { 5, 9, 20 };
    QTest::newRow("to, inclusive") << 0 << 9 << -1 << 0.5 << QList { 3, 5, 9 };
    QTest::newRow("a range") << 4 << 10 << -1 << 0.5 << QList { 5, 9 };
    QTest::newRow("Fahrenheit only") << 0 << 0 << 0 << 0.5 << QList { 9 };
    QTest::newRow("Celsius in a range") << 1 << 10 << 1 << 0.5 << QList { 3, 5 };
    // Bounds at the very start of a set: each takes it.
    QTest::newRow("from exactly a start") << 5 << 0 << -1 << 0.0 << QList { 5, 9, 20 };
    QTest::newRow("to exactly a start") << 0 << 9 << -1 << 0.0 << QList { 3, 5, 9 };
    QTest::newRow("from and to at one start") << 9 << 9 << -1 << 0.0 << QList { 9 };
}

void TestArchive::listFilters()
{
    QFETCH(int, fromDay);
    QFETCH(int, toDay);
    QFETCH(int, unit);
    QFETCH(double, margin);
    QFETCH(QList<int>, days);
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY(opened.archive);
    // Added out of order, and over two adds.
    QVERIFY(addImage(*opened.archive, { onDay(set(2, 1), 20), onDay(set(2, 2), 5) }).ok);
    QVERIFY(
        addImage(*opened.archive, { withUnit(onDay(set(2, 3), 9), 0), onDay(set(2, 4), 3) }).ok);
    // The set's start is 14:05:09 on its day of April 2013.
    const auto serial = [](int day) {
        return decode(loggerimages::image({ onDay(set(1, 0), day) })).store.startTime(0);
    };
    ArchiveFilter filter;
    if (fromDay)
        filter.fromSerial = serial(fromDay) - margin;
    if (toDay)
        filter.toSerial = serial(toDay) + margin;
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
    // Read as it is where it may only be read.
    {
        const Archive::Opened reading
            = Archive::open(archivePath(), archiveClock(), Archive::Access::ReadOnly);
        QVERIFY2(reading.archive, qPrintable(describe(reading.error)));
        QCOMPARE(reading.archive->list().size(), std::size_t(1));
    }
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY2(opened.archive, qPrintable(describe(opened.error)));
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
    // Brought up to the open tables in place: the readings of the old set, its note in the view.
    if (sqlite3Program().isEmpty())
        return;
    QProcess p;
    p.start(sqlite3Program(),
        { QStringLiteral("-readonly"), archivePath(),
            QStringLiteral(
                "SELECT s.id, s.note, s.source, s.added, count(*), max(r.t2) FROM sets s "
                "JOIN readings r ON r.set_id = s.id GROUP BY s.id") });
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
        QStringLiteral("1|Kühlraum|old.ch4; test|2023-11-14 22:13:20|4|20.3"));
}

// What the real sqlite3 program reads in the archive's open tables after one set was added:
// `counts` are the set's samples, four raw counts each; `query` runs as it stands.
using Counts = QList<std::array<quint16, 4>>;

void TestArchive::readingsAsSqlReadsThem_data()
{
    QTest::addColumn<quint8>("unit");
    QTest::addColumn<quint16>("interval");
    QTest::addColumn<Counts>("counts");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("meter"); // a live run of this meter; empty: a logger's set
    const QString all = QStringLiteral("SELECT sample, time, quote(t1), quote(t2), quote(t3), "
                                       "quote(t4), t1_ol, t2_ol, t3_ol, t4_ol FROM readings "
                                       "ORDER BY sample");
    QTest::newRow("°C: the range's edges, beyond them and OL")
        << quint8(0x01) << quint16(60)
        << Counts { { 234, quint16(-2000), 13700, 13701 },
               { quint16(-2001), 30000, 30001, quint16(-30001) } }
        << all
        << "0|2013-04-15 14:05:09|23.4|-200.0|1370.0|NULL|0|0|0|0\n"
           "1|2013-04-15 14:06:09|NULL|NULL|NULL|NULL|0|0|1|1"
        << QString();
    QTest::newRow("°F: its own range")
        << quint8(0x02) << quint16(1) << Counts { { 24980, 24981, quint16(-3280), quint16(-3281) } }
        << all << "0|2013-04-15 14:05:09|2498.0|NULL|-328.0|NULL|0|0|0|0" << QString();
    QTest::newRow("the counts' ends, times running backwards")
        << quint8(0x01) << quint16(0xFFFF)
        << Counts { { 0x8000, 0x7FFF, 0, 1 }, { 0xFFFF, 0, 0, 0 } } << all
        << "0|2013-04-15 14:05:09|NULL|NULL|0.0|0.1|1|1|0|0\n"
           "1|2013-04-15 14:05:08|-0.1|0.0|0.0|0.0|0|0|0|0"
        << QString();
    Counts twoHours;
    for (int j = 0; j < 120; ++j)
        twoHours << std::array<quint16, 4> { quint16(j), 0, 0, 0 };
    QTest::newRow("the hourly maximum, as a user asks it")
        << quint8(0x01) << quint16(60) << twoHours
        << "SELECT strftime('%Y-%m-%d %H:00', time), max(t1), count(*) FROM readings "
           "WHERE set_id = 1 GROUP BY 1"
        << "2013-04-15 14:00|5.4|55\n2013-04-15 15:00|11.4|60\n2013-04-15 16:00|11.9|5"
        << QString();
    QTest::newRow("the set as the view lists it")
        << quint8(0x02) << quint16(30) << Counts { { 1, 2, 3, 4 } }
        << "SELECT id, start, interval_s, samples, unit, kind, machine, user_name, "
           "length(sha256) FROM sets"
        << "1|2013-04-15 14:05:09|30|1|F|logger|bench-pc|ada|64" << QString();
    QTest::newRow("a live run as the view lists it")
        << quint8(0x01) << quint16(1) << Counts { { 1, 2, 3, 4 } }
        << "SELECT id, samples, unit, kind, meter, source FROM sets"
        << "1|1|C|live|oven|record oven" << QStringLiteral("oven");
}

void TestArchive::readingsAsSqlReadsThem()
{
    QFETCH(quint8, unit);
    QFETCH(quint16, interval);
    QFETCH(Counts, counts);
    QFETCH(QString, query);
    QFETCH(QString, expected);
    QFETCH(QString, meter);
    if (sqlite3Program().isEmpty())
        QSKIP("the sqlite3 program is not installed");
    RecordedSet recorded;
    recorded.unit = unit;
    recorded.interval = interval;
    for (const auto& sample : counts)
        recorded.samples.push_back(sample);
    {
        OpenOptions who;
        who.machine = QStringLiteral("bench-pc");
        who.user = QStringLiteral("ada");
        const Archive::Opened opened
            = Archive::open(archivePath(), archiveClock(), Archive::Access::ReadWrite, who);
        QVERIFY2(opened.archive, qPrintable(describe(opened.error)));
        const Decoded d = decode(loggerimages::image({ recorded }));
        const AddedAs as = meter.isEmpty() ? AddedAs {} : AddedAs { QStringLiteral("live"), meter };
        QVERIFY(
            opened.archive
                ->add(d.store, d.image,
                    meter.isEmpty() ? QStringLiteral("test") : QStringLiteral("record ") + meter,
                    as)
                .ok);
        QVERIFY(opened.archive->check().ok);
        // The program lists what the view shows.
        const std::vector<ArchivedSet> listed = opened.archive->list();
        QCOMPARE(listed.size(), std::size_t(1));
        QCOMPARE(listed.front().kind, as.kind);
        QCOMPARE(listed.front().meter, meter);
    }
    QProcess p;
    p.start(sqlite3Program(), { QStringLiteral("-readonly"), archivePath(), query });
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.readAllStandardError(), QByteArray());
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), expected);
}

void TestArchive::damagedFileIsMovedAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("a text file") << QByteArray("Einkaufsliste: Milch, Brot\n");
    QTest::newRow("SQLite's signature, then garbage")
        << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x5C');
}

void TestArchive::damagedFileIsMovedAside()
{
    QFETCH(QByteArray, content);
    QVERIFY(writeFile(archivePath(), content));
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY2(opened.archive, qPrintable(describe(opened.error)));
    QVERIFY(opened.movedAside.startsWith(archivePath() + QStringLiteral(".damaged-")));
    QCOMPARE(readAll(opened.movedAside), content);
    QVERIFY(addImage(*opened.archive, { set(3, 1) }).ok);
    QCOMPARE(opened.archive->list().size(), std::size_t(1));
    // Listing alone never moves anything.
    const Archive::Opened listing
        = Archive::open(opened.movedAside, archiveClock(), Archive::Access::ReadOnly);
    QVERIFY(!listing.archive);
    QCOMPARE(listing.error.kind, Kind::NotAnArchive);
    QVERIFY(listing.movedAside.isEmpty());
    QCOMPARE(readAll(opened.movedAside), content);
}

// An archive is a file people copy and receive, and one other programs hold. Whatever was done
// to it, the sets in it are never lost: only a file SQLite calls no database or corrupt is moved
// aside; one busy, locked or on a full disk is said and left as it was; one whose schema holds
// anything of anyone else is refused unchanged; a log that is not its own is never applied; a
// row its bytes contradict is named by check and listed as the bytes say.
void TestArchive::hostileArchive_data()
{
    QTest::addColumn<int>("harm");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("asNobody"); // the folder read only, the operation as another user
    QTest::addColumn<int>("kind"); // the first failure
    QTest::addColumn<int>("added"); // -1 the add failed, -2 none was tried
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("aside");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<bool>("untouched"); // the file's bytes as before the operation
    // The sets sqlite3 counts afterwards: -1 when it finds none, -2 not asked (it would read a
    // log that is not the file's own).
    QTest::addColumn<int>("after");
    const auto row = [](const char* name, Harm harm, const char* operation, bool nobody, Kind kind,
                         int added, int listed, const char* aside, const QStringList& problems,
                         bool untouched, int after) {
        QTest::newRow(name) << int(harm) << QString::fromLatin1(operation) << nobody << int(kind)
                            << added << listed << QString::fromLatin1(aside) << problems
                            << untouched << after;
    };
    const QStringList none;
    const Kind ok = Kind::None;
    row("a sound archive: add", Harm::None, "add", false, ok, 4, -1, "", none, false, 16);
    row("a sound archive: check", Harm::None, "check", false, ok, -2, 12, "", none, true, 12);
    // Another program holds it: said, and nothing moved.
    row("locked by another program's write", Harm::Writer, "add", false, Kind::Busy, -2, -1, "",
        none, true, 12);
    row("a writer holds it: listing goes on", Harm::Writer, "list", false, ok, -2, 12, "", none,
        true, 12);
    row("busy: another program holds it exclusively", Harm::Exclusive, "list", false, Kind::Busy,
        -2, -1, "", none, true, 12);
    row("busy: an add waits, then says so", Harm::Exclusive, "add", false, Kind::Busy, -2, -1, "",
        none, true, 12);
    // A full disk: no room for the index of the log, or for the add.
    row("full disk, nothing free", Harm::DiskFull, "add", false, Kind::CannotOpen, -2, -1, "", none,
        true, 12);
    row("full disk, 40 KB free", Harm::DiskNearlyFull, "add-large", false, Kind::Full, -1, -1, "",
        none, true, 12);
    // Planted in the schema: refused, never run, never changed.
    row("a trigger that empties it after an insert", Harm::TriggerEmptiesAfterInsert, "add", false,
        Kind::Foreign, -2, -1, "", none, true, 12);
    row("a trigger that ignores every insert", Harm::TriggerIgnoresInserts, "add", false,
        Kind::Foreign, -2, -1, "", none, true, 12);
    row("a trigger that deletes after an update", Harm::TriggerDeletesAfterUpdate, "add", false,
        Kind::Foreign, -2, -1, "", none, true, 12);
    row("a trigger that keeps removed sets", Harm::TriggerKeepsRemoved, "check", false,
        Kind::Foreign, -2, -1, "", none, true, 12);
    row("a foreign view", Harm::ForeignView, "list", false, Kind::Foreign, -2, -1, "", none, true,
        12);
    row("a foreign table", Harm::ForeignTable, "add", false, Kind::Foreign, -2, -1, "", none, true,
        12);
    row("a foreign index on the sets", Harm::ForeignIndex, "add", false, Kind::Foreign, -2, -1, "",
        none, true, 12);
    row("its table redefined to replace on conflict", Harm::TableRedefined, "add", false,
        Kind::Foreign, -2, -1, "", none, true, 12);
    row("schema version -1", Harm::VersionMinusOne, "list", false, Kind::Foreign, -2, -1, "", none,
        true, 12);
    row("schema version -1, written to", Harm::VersionMinusOne, "add", false, Kind::Foreign, -2, -1,
        "", none, true, 12);
    row("a newer schema version", Harm::VersionNewer, "add", false, Kind::Newer, -2, -1, "", none,
        true, 12);
    row("another program's database", Harm::OtherDatabase, "add", false, Kind::Foreign, -2, -1, "",
        none, true, -1);
    // What SQLite itself calls no database or corrupt: moved aside, a new archive begun.
    row("a text file", Harm::TextFile, "add", false, ok, 4, -1, "damaged", none, false, 4);
    row("SQLite's signature, then garbage", Harm::Garbage, "add", false, ok, 4, -1, "damaged", none,
        false, 4);
    row("SQLite finds it corrupt", Harm::Corrupt, "add", false, ok, 4, -1, "damaged", none, false,
        4);
    row("corrupt, only listed: left where it is", Harm::Corrupt, "list", false, Kind::Damaged, -2,
        -1, "", none, true, -1);
    // Logs beside the file.
    row("another archive's log, without an index", Harm::StrayLog, "add", false, ok, 4, -1,
        "journal", none, false, 16);
    row("another archive's log, only listed", Harm::StrayLog, "list", false, Kind::StrayJournal, -2,
        -1, "", none, true, -2);
    row("another archive's log beside this one's index", Harm::StrayLogOwnIndex, "add", false, ok,
        4, -1, "journal", none, false, 16);
    row("its own log after a crash", Harm::OwnLog, "list", false, ok, -2, 14, "", none, true, 14);
    row("its own log, read only, with its index", Harm::OwnLog, "list", true, ok, -2, 14, "", none,
        true, 14);
    row("its own log, read only, without its index", Harm::OwnLogNoIndex, "list", true,
        Kind::UnreadChanges, -2, -1, "", none, true, 14);
    // Rows their bytes contradict: named, and listed as the bytes say (as exports write them).
    row("a row's start changed", Harm::RowStart, "check", false, ok, -2, 12, "",
        { "field:3:start", "doubtful:3" }, true, 12);
    row("a row's interval changed", Harm::RowInterval, "check", false, ok, -2, 12, "",
        { "field:3:interval", "doubtful:3" }, true, 12);
    row("a row's unit changed", Harm::RowUnit, "check", false, ok, -2, 12, "",
        { "field:3:unit", "doubtful:3" }, true, 12);
    row("a row's sample count beyond 32 bits", Harm::RowSamples, "check", false, ok, -2, 12, "",
        { "field:3:samples", "doubtful:3" }, true, 12);
    row("a row's interval negative", Harm::RowNegativeInterval, "check", false, ok, -2, 12, "",
        { "field:3:interval", "doubtful:3" }, true, 12);
    row("a blob longer than any set", Harm::LongBlob, "check", false, ok, -2, 12, "",
        { "toolong:5", "doubtful:5", QStringLiteral("image:5:%1").arg(int(Kind::DamagedSet)) },
        true, 12);
}

void TestArchive::hostileArchive()
{
    QFETCH(int, harm);
    QFETCH(QString, operation);
    QFETCH(bool, asNobody);
    QFETCH(int, kind);
    QFETCH(QStringList, problems);
    if (sqlite3Program().isEmpty())
        TC4DL_REAL_PART_MISSING(QStringLiteral("sqlite3, the program, is not installed"));
#ifndef Q_OS_LINUX
    if (asNobody || harm == int(Harm::DiskFull) || harm == int(Harm::DiskNearlyFull))
        QSKIP("needs Linux: permissions and a disk of its own");
#endif
    RowResult r;
    bool relaxed = false;
    if (harm == int(Harm::DiskFull) || harm == int(Harm::DiskNearlyFull)) {
        // On a disk of its own, in a process of its own: the whole case runs there.
        const QString disk = m_dir->filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkpath(disk));
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--small-disk"), QString::number(harm), operation, disk,
                QString::number(harm == int(Harm::DiskFull) ? 0 : 40) });
        QVERIFY(p.waitForFinished(120000));
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
        QVERIFY2(lines.size() >= 3, qPrintable(lines.join(u'|')));
        qInfo("The full disk was %s.", qPrintable(lines[0]));
        // A limit on file sizes makes SQLite call a write that meets it an input/output error.
        relaxed = lines[0] == u"rlimit";
        r.outcome = Outcome::parse(lines[1]);
        const QStringList tail = lines[2].split(u';');
        r.untouched = tail.value(0) == u"1";
        r.after = tail.value(1).toInt();
        r.failure = tail.value(2);
    } else {
        r = runHostile(Harm(harm), operation, asNobody, m_dir->path());
    }
    QVERIFY2(r.failure.isEmpty(), qPrintable(r.failure));
    if (relaxed && kind != int(Kind::None) && r.outcome.kind == int(Kind::CannotOpen))
        kind = r.outcome.kind;
    QCOMPARE(r.outcome.kind, kind);
    QTEST(r.outcome.added, "added");
    QTEST(r.outcome.listed, "listed");
    QTEST(r.outcome.aside, "aside");
    QStringList found = r.outcome.problems;
    found.sort();
    problems.sort();
    QCOMPARE(found, problems);
    QTEST(r.untouched, "untouched");
    QFETCH(int, after);
    if (after != -2)
        QCOMPARE(r.after, after);
    // Nothing but what was said was moved.
    const QStringList names = QDir(m_dir->path()).entryList(QDir::Files);
    QCOMPARE(
        names.filter(QStringLiteral(".damaged-")).size(), r.outcome.aside == u"damaged" ? 1 : 0);
    QCOMPARE(
        names.filter(QStringLiteral("-wal.stray-")).size(), r.outcome.aside == u"journal" ? 1 : 0);
}

// A schema changed by another program while the archive is open is looked at again before the
// next write or read: nothing planted runs, and the write is refused.
void TestArchive::schemaChangedWhileOpen_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QString>("operation");
    QTest::newRow("a trigger on insert, then an add")
        << "CREATE TRIGGER wipe AFTER INSERT ON set_data BEGIN DELETE FROM set_data; END"
        << "add";
    QTest::newRow("a trigger on delete, then a removal")
        << "CREATE TRIGGER stays BEFORE DELETE ON set_data BEGIN SELECT RAISE(IGNORE); END"
        << "remove";
    QTest::newRow("a trigger on update, then a note")
        << "CREATE TRIGGER on_note AFTER UPDATE ON set_data BEGIN DELETE FROM set_data; END"
        << "note";
    QTest::newRow("a view, then a listing") << "CREATE VIEW every_set AS SELECT * FROM sets"
                                            << "list";
}

void TestArchive::schemaChangedWhileOpen()
{
    QFETCH(QString, planted);
    QFETCH(QString, operation);
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY(opened.archive);
    QVERIFY(addImage(*opened.archive, baseSets()).ok);
    QVERIFY(runSql(archivePath(), { planted }));
    ArchiveError error;
    if (operation == u"add") {
        const AddOutcome added = addImage(*opened.archive, newSets(4));
        QVERIFY(!added.ok);
        QCOMPARE(added.newSets, 0);
        error = added.error;
    } else if (operation == u"remove") {
        QVERIFY(!opened.archive->remove({ 1 }, &error));
    } else if (operation == u"note") {
        QVERIFY(!opened.archive->setNote(1, QStringLiteral("x"), &error));
    } else {
        QVERIFY(opened.archive->list({}, &error).empty());
    }
    QCOMPARE(error.kind, Kind::Foreign);
    QCOMPARE(sqliteCount(archivePath()), 12);
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
        ArchiveError why;
        const bool refused = !addImage(*opened.archive, { set(3, 3) }).ok
            && !opened.archive->setNote(ids[0], QStringLiteral("x"), &why)
            && why.kind == Kind::ReadOnly;
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
    ArchiveError why;
    const std::optional<MemoryImage> image
        = opened.archive->image({ sets[2].id, sets[0].id }, &why);
    QVERIFY2(image, qPrintable(describe(why)));
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
    QCOMPARE(why.kind, Kind::NoSuchSet);
    QCOMPARE(why.detail, QStringLiteral("999"));
}

// The header of an image the archive builds, as a peer reading the .ch4 sees it: SetCount,
// LastAddress, and the first set's interval as the recording interval (mm:ss in BCD, within
// what the field can say).
void TestArchive::imageHeader_data()
{
    QTest::addColumn<int>("interval"); // of the first set, seconds
    QTest::addColumn<int>("sets");
    QTest::addColumn<int>("minutes"); // the BCD bytes expected
    QTest::addColumn<int>("seconds");
    QTest::newRow("30 s") << 30 << 1 << 0x00 << 0x30;
    QTest::newRow("1:30") << 90 << 2 << 0x01 << 0x30;
    QTest::newRow("59:59") << 3599 << 1 << 0x59 << 0x59;
    QTest::newRow("an hour") << 3600 << 1 << 0x60 << 0x00;
    QTest::newRow("beyond 99:59: the most the field says") << 6000 << 1 << 0x99 << 0x59;
    QTest::newRow("none") << 0 << 1 << 0x00 << 0x00;
    QTest::newRow("300 sets: SetCount's high byte") << 2 << 300 << 0x00 << 0x02;
}

void TestArchive::imageHeader()
{
    QFETCH(int, interval);
    QFETCH(int, sets);
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY(opened.archive);
    QList<RecordedSet> recorded;
    for (int i = 0; i < sets; ++i)
        recorded << at(withInterval(set(1 + i % 3, i), quint16(i == 0 ? interval : 5)), 1 + i / 24,
            i % 24, 0, 0);
    QVERIFY(addImage(*opened.archive, recorded).ok);
    std::vector<qint64> ids;
    for (const ArchivedSet& s : opened.archive->list())
        ids.push_back(s.id);
    std::sort(ids.begin(), ids.end());
    const std::optional<MemoryImage> image = opened.archive->image(ids);
    QVERIFY(image);
    const std::optional<MemoryHeader> header = MemoryHeader::read(image->bytes());
    QVERIFY(header);
    QCOMPARE(int(header->setCount), sets);
    QCOMPARE(qint64(header->lastAddress), image->size() - 1);
    QCOMPARE(image->memoryEnd(), image->size() - 1);
    QTEST(int(header->intervalMinutes), "minutes");
    QTEST(int(header->intervalSeconds), "seconds");
    // Byte for byte the sets as they came, one after another.
    QCOMPARE(image->data().mid(MemoryHeader::kSize), loggerimages::image(recorded).mid(256));
}

// A collection export is memories of at most what a meter holds, each one the program reads:
// numbered files when there is more than one.
void TestArchive::collectionExport_data()
{
    QTest::addColumn<int>("sets");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("copies"); // each id chosen this many times
    QTest::addColumn<QList<int>>("perMemory"); // the sets in each image, -1: refused
    QTest::newRow("a few sets: one memory") << 3 << 10 << 1 << QList { 3 };
    QTest::newRow("exactly one memory full") << 1 << (131072 - 256 - 16) / 8 << 1 << QList { 1 };
    QTest::newRow("33 sets of 15,990 samples") << 33 << 15990 << 1 << QList<int>(33, 1);
    QTest::newRow("4,001 sets of one sample: SetCount's limit")
        << 4001 << 1 << 1 << QList { 4000, 1 };
    QTest::newRow("a set longer than a memory, from a file: alone")
        << 2 << 20000 << 1 << QList { 1, 1 };
    QTest::newRow("forty copies of a long set: each alone, one image of all refused")
        << 1 << 60000 << 40 << QList<int>(40, 1);
}

void TestArchive::collectionExport()
{
    QFETCH(int, sets);
    QFETCH(int, samples);
    QFETCH(int, copies);
    QFETCH(QList<int>, perMemory);
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    QVERIFY(opened.archive);
    // Added in memories as a meter could hold them (the long ones as collection files bring them).
    QList<RecordedSet> all;
    for (int i = 0; i < sets; ++i)
        all << at(set(samples, i), 1 + i / 1440 % 28, i / 60 % 24, i % 60, 0);
    for (qsizetype first = 0; first < all.size(); first += 4000)
        QVERIFY(addImage(*opened.archive, all.mid(first, 4000)).ok);
    std::vector<qint64> ids;
    for (const ArchivedSet& s : opened.archive->list())
        for (int c = 0; c < copies; ++c)
            ids.push_back(s.id);
    QList<int> counted;
    std::vector<qint64> back;
    ArchiveError why;
    const bool done = opened.archive->forEachMemory(
        ids,
        [&](const MemoryImage& image, int index, int count) {
            if (index != counted.size() || count != perMemory.size())
                return false;
            DataSetStore store;
            if (decodeMemoryImage(image, QDateTime::currentDateTime(), store).result
                != LoadResult::Success)
                return false;
            // Within a meter's memory, unless one set alone is longer.
            if (image.size() > kMeterMemoryBytes && store.setCount() > 1)
                return false;
            counted << store.setCount();
            for (int k = 0; k < store.setCount(); ++k)
                back.push_back(ids[back.size()]);
            return true;
        },
        &why);
    QVERIFY2(done, qPrintable(describe(why)));
    QCOMPARE(counted, perMemory);
    QCOMPARE(back, ids);
    const QStringList names = memoryFileNames(QStringLiteral("/x/nov.ch4"), int(perMemory.size()));
    QCOMPARE(names.size(), perMemory.size());
    if (perMemory.size() > 1)
        QCOMPARE(names.last(), QStringLiteral("/x/nov-%1.ch4").arg(perMemory.size()));
    // One image of it all is bounded before a byte is read: 24 bits of LastAddress, 4000 sets.
    const std::optional<MemoryImage> whole = opened.archive->image(ids, &why);
    const qint64 bytes = qint64(ids.size()) * (16 + 8 * qint64(samples)) + 256;
    QCOMPARE(whole.has_value(), bytes <= kLargestImageBytes && ids.size() <= 4000);
    if (!whole)
        QCOMPARE(why.kind, Kind::TooLarge);
}

// What check finds in a set of three samples whose bytes or readings were changed behind the
// archive's back (%1 in the statements: the set's id); `flip` changes a bit of the bytes.
void TestArchive::checkFindsADamagedSet_data()
{
    QTest::addColumn<bool>("flip");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QStringList>("problems");
    QTest::newRow("a bit of its bytes")
        << true << QStringList {} << QStringList { "hash:%1", "readings:%1:1" };
    QTest::newRow("a reading a tenth off")
        << false << QStringList { "UPDATE readings SET t2 = t2 + 0.1 WHERE sample = 1" }
        << QStringList { "readings:%1:2" };
    QTest::newRow("a reading said to be OL")
        << false << QStringList { "UPDATE readings SET t1_ol = 1 WHERE sample = 2" }
        << QStringList { "readings:%1:3" };
    QTest::newRow("a reading an hour late")
        << false
        << QStringList { "UPDATE readings SET time = datetime(time, '+1 hour') WHERE sample = 0" }
        << QStringList { "readings:%1:1" };
    QTest::newRow("the last reading missing")
        << false << QStringList { "DELETE FROM readings WHERE sample = 2" }
        << QStringList { "readings:%1:3" };
    QTest::newRow("a reading too many")
        << false
        << QStringList { "INSERT INTO readings SELECT set_id, 3, time, t1, t2, t3, t4, t1_ol, "
                         "t2_ol, t3_ol, t4_ol FROM readings WHERE sample = 2" }
        << QStringList { "readings:%1:4" };
}

void TestArchive::checkFindsADamagedSet()
{
    QFETCH(bool, flip);
    QFETCH(QStringList, statements);
    QFETCH(QStringList, problems);
    qint64 id = 0;
    {
        const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
        QVERIFY(opened.archive);
        QVERIFY(addImage(*opened.archive, { set(3, 1), set(3, 2) }).ok);
        QVERIFY(opened.archive->check().ok);
        id = opened.archive->list().at(1).id;
    }
    if (flip)
        QVERIFY(damageSet(archivePath(), id, set(3, 2)));
    for (QString& statement : statements)
        statement += QStringLiteral(" AND set_id = %1").arg(id);
    QVERIFY(runSql(archivePath(), statements));
    const Archive::Opened opened = Archive::open(archivePath(), archiveClock());
    const CheckOutcome outcome = opened.archive->check();
    QVERIFY(!outcome.ok);
    QStringList found;
    for (const CheckProblem& p : outcome.problems)
        found << problemText(p);
    for (QString& p : problems)
        p = p.arg(id);
    QCOMPARE(found, problems);
    if (!flip)
        return;
    ArchiveError why;
    QVERIFY(!opened.archive->image({ id }, &why));
    QCOMPARE(why.kind, Kind::DamagedSet);
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
    ArchiveError why;
    QVERIFY(!opened.archive->setNote(777, QStringLiteral("x"), &why));
    QCOMPARE(why.kind, Kind::NoSuchSet);
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
    QTest::addColumn<int>("kind"); // why it was refused
    const QByteArray nothing;
    const int fine = int(Kind::None);
    QTest::newRow("a new file") << "copy.sqlite" << nothing << false << true << false << fine;
    QTest::newRow("into another folder")
        << "sub/copy.sqlite" << nothing << false << true << false << fine;
    QTest::newRow("a file of the user's is there")
        << "copy.sqlite" << QByteArray("Messprotokoll\n") << false << false << false
        << int(Kind::TargetExists);
    QTest::newRow("an empty file is there")
        << "copy.sqlite" << QByteArray("") << false << false << false << int(Kind::TargetExists);
    QTest::newRow("the archive itself")
        << "archive.sqlite" << nothing << false << false << false << int(Kind::TargetIsArchive);
    QTest::newRow("no such folder")
        << "none/copy.sqlite" << nothing << false << false << false << int(Kind::FolderNotWritable);
    QTest::newRow("a file where the folder should be")
        << "blocker/copy.sqlite" << nothing << false << false << false
        << int(Kind::FolderNotWritable);
    QTest::newRow("a name the file system refuses")
        << QString(250, QLatin1Char('n')) + QStringLiteral(".sqlite") << nothing << false << false
        << false << int(Kind::CannotOpen);
    // Carried over as it is, and still found by the copy's check: nothing hidden, nothing lost.
    QTest::newRow("a damaged set") << "copy.sqlite" << nothing << true << true << false << fine;
    // Out of a place where it can only be read: the way to move it to one where it can grow.
    QTest::newRow("from an archive that can only be read")
        << "sub/copy.sqlite" << nothing << false << true << true << fine;
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
    if (!there.isNull())
        QVERIFY(writeFile(path, there));
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
    ArchiveError why;
    QCOMPARE((reading ? reader : opened).archive->copyTo(path, &why), copied);
    QTEST(int(why.kind), "kind");
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
    QVERIFY2(copy.archive, qPrintable(describe(copy.error)));
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
        QCOMPARE(checked.problems.at(0).id, before[0].id);
    QVERIFY(copy.archive->image({ before[1].id }));
}

// Three programs adding at once to an archive that is not there yet, each many small adds, the
// sets overlapping: every set is there once, nothing was moved aside, and none of them failed
// for waiting. Many rounds, each on a new path: the making of the archive is where they race.
void TestArchive::threeProcessesOnANewArchiveLoseNothing()
{
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        const QString folder = m_dir->filePath(QStringLiteral("round-%1").arg(round));
        const QString path = folder + QStringLiteral("/archive.sqlite");
        std::array<QProcess, 3> adders;
        for (int i = 0; i < 3; ++i)
            adders[std::size_t(i)].start(QCoreApplication::applicationFilePath(),
                { QStringLiteral("--add"), path, QString::number(i * 6), QStringLiteral("12") });
        for (QProcess& adder : adders) {
            QVERIFY(adder.waitForFinished(60000));
            QVERIFY2(adder.exitCode() == 0, adder.readAllStandardError().constData());
        }
        const Archive::Opened opened
            = Archive::open(path, archiveClock(), Archive::Access::ReadOnly);
        QVERIFY2(opened.archive, qPrintable(describe(opened.error)));
        QCOMPARE(opened.archive->list().size(), std::size_t(24));
        QVERIFY(opened.archive->check().ok);
        QCOMPARE(QDir(folder).entryList({ QStringLiteral("*.damaged*") }, QDir::Files).size(), 0);
    }
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
    QVERIFY2(opened.archive, qPrintable(describe(opened.error)));
    QVERIFY(opened.movedAside.isEmpty());
    QVERIFY(opened.journalSetAside.isEmpty());
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
    // Live runs (a fourth field: the meter) are one run only when one meter recorded them.
    QTest::newRow("one meter's run stored twice as it grew: its longest")
        << SetRows { { 0, 5, 60, 1 }, { 0, 5, 124, 1 } } << QList<qint64> { 2 } << QList<qint64> {};
    QTest::newRow("two meters' runs at one start: two runs that overlap")
        << SetRows { { 0, 5, 124, 1 }, { 0, 5, 124, 2 } } << QList<qint64> {}
        << QList<qint64> { 1, 2 };
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
        if (row.size() > 3) {
            a.kind = QStringLiteral("live");
            a.meter = row[3] == 1 ? QStringLiteral("fridge") : QStringLiteral("oven");
        }
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
    // Before anything could start a thread: a mount namespace wants the process alone.
    if (argc > 4 && qstrcmp(argv[1], "--small-disk") == 0)
        g_smallDiskWay = smallDisk(QString::fromLocal8Bit(argv[4]), 1024);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.value(1).startsWith(QLatin1String("--")) && args.value(1) != QLatin1String("--")
        && QStringList { "--add", "--hold", "--operate", "--small-disk" }.contains(args.value(1)))
        return helper(args);
    TestArchive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archive.moc"
