#include "ArchiveDb.h"

#include "Clock.h"
#include "DataSetStore.h"
#include "MemoryHeader.h"
#include "MemoryImage.h"
#include "Sha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace tc4dl::archive {

namespace {

// 1: the sets with their bytes, hash, first addition and source.
// 2: when a set was last seen again, and the user's note.
constexpr int kSchemaVersion = 2;
constexpr int kBusyTimeoutMs = 5000;
constexpr qsizetype kSetFrame = 16; // start marks, 12 header bytes, end marks
constexpr qsizetype kSampleBytes = 8;
constexpr int kMostSetsInImage = 4000; // the decoder's limit for one memory

QString nextConnectionName()
{
    static std::atomic<quint64> counter { 0 };
    return QStringLiteral("tc4dl-archive-%1").arg(++counter);
}

// SQLite files begin with these 16 bytes; an empty file is a new archive still to be made.
bool looksLikeSqlite(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return true; // unreadable: let the open say why, never move it
    if (f.size() == 0)
        return true;
    return f.read(16) == QByteArray("SQLite format 3\0", 16);
}

const char* const kCreateV2 = "CREATE TABLE sets ("
                              " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                              " start REAL NOT NULL,"
                              " interval INTEGER NOT NULL,"
                              " samples INTEGER NOT NULL,"
                              " celsius INTEGER NOT NULL,"
                              " sha256 BLOB NOT NULL,"
                              " data BLOB NOT NULL,"
                              " added INTEGER NOT NULL,"
                              " source TEXT NOT NULL,"
                              " last_seen INTEGER NOT NULL,"
                              " note TEXT NOT NULL DEFAULT '',"
                              " UNIQUE (start, interval, samples, celsius, sha256))";

// The columns of a listed set, in the order setFromRow reads them.
const char* const kSetColumns
    = "id, start, interval, samples, celsius, added, last_seen, source, note";

ArchivedSet setFromRow(const QSqlQuery& q)
{
    ArchivedSet a;
    a.id = q.value(0).toLongLong();
    a.start = q.value(1).toDouble();
    a.interval = q.value(2).toInt();
    a.samples = q.value(3).toInt();
    a.celsius = q.value(4).toInt() != 0;
    a.added = fromMs(q.value(5).toLongLong());
    a.lastSeen = fromMs(q.value(6).toLongLong());
    a.source = q.value(7).toString();
    a.note = q.value(8).toString();
    return a;
}

std::unique_ptr<Archive::Impl> connect(const QString& path, bool readOnly, bool immutable)
{
    auto impl = std::make_unique<Archive::Impl>();
    impl->path = path;
    impl->readOnly = readOnly;
    impl->connection = nextConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), impl->connection);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
    if (readOnly) {
        options += QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
        QString uri
            = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
        uri += immutable ? QStringLiteral("?immutable=1") : QStringLiteral("?mode=ro");
        db.setDatabaseName(uri);
    } else {
        db.setDatabaseName(path);
    }
    db.setConnectOptions(options);
    db.open();
    return impl;
}

struct Probe {
    bool readable = false; // the file answered as an SQLite database
    int version = 0;
    int tables = 0;
    bool hasSets = false;
    QString error;
};

Probe probe(const Archive::Impl& impl)
{
    Probe p;
    QSqlDatabase db = impl.db();
    if (!db.isOpen()) {
        p.error = sqlError(db.lastError());
        return p;
    }
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        p.error = sqlError(q.lastError());
        return p;
    }
    p.version = q.value(0).toInt();
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        p.error = sqlError(q.lastError());
        return p;
    }
    while (q.next()) {
        ++p.tables;
        if (q.value(0).toString() == QLatin1String("sets"))
            p.hasSets = true;
    }
    p.readable = true;
    return p;
}

// Creates the tables of a new archive or brings an older one up to date, in one transaction.
bool prepare(Archive::Impl& impl, QString* error)
{
    if (!impl.exec(QStringLiteral("PRAGMA journal_mode=WAL"), error))
        return false;
    if (!impl.exec(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    // Another program may have made or migrated it while this one waited.
    const Probe p = probe(impl);
    bool ok = p.readable;
    if (!ok && error)
        *error = p.error;
    int version = p.version;
    if (ok && version == 0) {
        ok = impl.exec(QString::fromLatin1(kCreateV2), error)
            && impl.exec(QStringLiteral("CREATE INDEX sets_by_start ON sets (start)"), error);
        version = kSchemaVersion;
    }
    if (ok && version == 1) {
        ok = impl.exec(QStringLiteral("ALTER TABLE sets ADD COLUMN last_seen INTEGER NOT NULL "
                                      "DEFAULT 0"),
                 error)
            && impl.exec(
                QStringLiteral("ALTER TABLE sets ADD COLUMN note TEXT NOT NULL DEFAULT ''"), error)
            && impl.exec(QStringLiteral("UPDATE sets SET last_seen = added"), error);
        version = 2;
    }
    if (ok)
        ok = impl.exec(QStringLiteral("PRAGMA user_version = %1").arg(version), error)
            && impl.exec(QStringLiteral("COMMIT"), error);
    if (!ok)
        impl.rollback();
    return ok;
}

QString asideName(const QString& path, const Clock& clock)
{
    const QString stamp = clock.now().toUTC().toString(QStringLiteral("yyyyMMddTHHmmss"));
    QString candidate = QStringLiteral("%1.damaged-%2").arg(path, stamp);
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = QStringLiteral("%1.damaged-%2-%3").arg(path, stamp).arg(n);
    return candidate;
}

// Moves the file (and the journal files beside it, which belong to it) out of the way.
bool moveAside(const QString& path, const Clock& clock, QString* aside, QString* error)
{
    *aside = asideName(path, clock);
    if (!QFile::rename(path, *aside)) {
        *error
            = QStringLiteral("%1 is damaged or no archive, and it cannot be moved aside").arg(path);
        return false;
    }
    for (const char* suffix : { "-wal", "-shm" }) {
        const QString side = path + QLatin1String(suffix);
        if (QFileInfo::exists(side))
            QFile::rename(side, *aside + QLatin1String(suffix));
    }
    return true;
}

} // namespace

Archive::Archive(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

Archive::~Archive() = default;

Archive::Opened Archive::open(const QString& path, Clock& clock, Access access)
{
    Opened result;
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists && !info.isFile()) {
        result.error = QStringLiteral("%1 is no file").arg(path);
        return result;
    }
    if (!exists && access == Access::ReadWrite)
        QDir().mkpath(info.absolutePath());
    if (!exists && (access == Access::ReadOnly || !folderWritable(path))) {
        result.error = QStringLiteral("there is no archive at %1").arg(path);
        if (access == Access::ReadWrite)
            result.error = QStringLiteral("the folder of %1 cannot be written").arg(path);
        return result;
    }
    // WAL needs the folder too: without it the archive can only be listed.
    const bool readOnly
        = access == Access::ReadOnly || (exists && !info.isWritable()) || !folderWritable(path);

    if (readOnly) {
        for (const bool immutable : { false, true }) {
            auto impl = connect(path, true, immutable);
            impl->clock = &clock;
            const Probe p = probe(*impl);
            if (p.readable && p.hasSets && p.version <= kSchemaVersion && p.version >= 1) {
                result.archive.reset(new Archive(std::move(impl)));
                return result;
            }
            result.error = p.readable ? QStringLiteral("%1 is no archive of this program").arg(path)
                                      : QStringLiteral("%1 cannot be read: %2").arg(path, p.error);
        }
        return result;
    }

    if (exists && !looksLikeSqlite(path)
        && !moveAside(path, clock, &result.movedAside, &result.error))
        return result;
    auto impl = connect(path, false, false);
    impl->clock = &clock;
    Probe p = probe(*impl);
    if (p.readable && p.version > kSchemaVersion) {
        result.error
            = QStringLiteral("%1 was written by a newer version of this program").arg(path);
        return result;
    }
    // An SQLite file of something else: tables but no sets, or a version without them.
    const bool foreign = p.readable && (p.version == 0 ? p.tables > 0 : !p.hasSets);
    if (!p.readable || foreign) {
        impl.reset(); // close before moving
        if (!result.movedAside.isEmpty()
            || !moveAside(path, clock, &result.movedAside, &result.error)) {
            if (result.error.isEmpty())
                result.error = QStringLiteral("%1 cannot be opened: %2").arg(path, p.error);
            return result;
        }
        impl = connect(path, false, false);
        impl->clock = &clock;
    }
    QString why;
    if (!prepare(*impl, &why)) {
        result.error = QStringLiteral("%1 cannot be opened: %2").arg(path, why);
        return result;
    }
    result.archive.reset(new Archive(std::move(impl)));
    return result;
}

QString Archive::path() const
{
    return m_impl->path;
}

bool Archive::readOnly() const
{
    return m_impl->readOnly;
}

void Archive::setAddStepHook(std::function<void(int)> hook)
{
    m_addStepHook = std::move(hook);
}

std::vector<ArchivedSet> Archive::list(const ArchiveFilter& filter) const
{
    QString sql = QStringLiteral("SELECT %1 FROM sets WHERE 1 = 1").arg(QLatin1String(kSetColumns));
    if (filter.fromSerial)
        sql += QStringLiteral(" AND start >= :from");
    if (filter.toSerial)
        sql += QStringLiteral(" AND start <= :to");
    if (filter.celsius)
        sql += QStringLiteral(" AND celsius = :celsius");
    sql += QStringLiteral(" ORDER BY start, id");
    QSqlQuery q(m_impl->db());
    q.setForwardOnly(true);
    q.prepare(sql);
    if (filter.fromSerial)
        q.bindValue(QStringLiteral(":from"), *filter.fromSerial);
    if (filter.toSerial)
        q.bindValue(QStringLiteral(":to"), *filter.toSerial);
    if (filter.celsius)
        q.bindValue(QStringLiteral(":celsius"), *filter.celsius ? 1 : 0);
    std::vector<ArchivedSet> sets;
    if (!q.exec())
        return sets;
    while (q.next())
        sets.push_back(setFromRow(q));
    return sets;
}

std::optional<ArchivedSet> Archive::set(qint64 id) const
{
    QSqlQuery q(m_impl->db());
    q.prepare(QStringLiteral("SELECT %1 FROM sets WHERE id = ?").arg(QLatin1String(kSetColumns)));
    q.bindValue(0, id);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return setFromRow(q);
}

bool Archive::setNote(qint64 id, const QString& note, QString* error)
{
    if (!m_impl->writable(error))
        return false;
    QSqlQuery q(m_impl->db());
    q.prepare(QStringLiteral("UPDATE sets SET note = ? WHERE id = ?"));
    q.bindValue(0, note);
    q.bindValue(1, id);
    if (!q.exec()) {
        if (error)
            *error = sqlError(q.lastError());
        return false;
    }
    if (q.numRowsAffected() != 1) {
        if (error)
            *error = QStringLiteral("there is no set %1 in the archive").arg(id);
        return false;
    }
    return true;
}

bool Archive::remove(const std::vector<qint64>& ids, QString* error)
{
    if (!m_impl->writable(error))
        return false;
    if (!m_impl->exec(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    QSqlQuery q(m_impl->db());
    q.prepare(QStringLiteral("DELETE FROM sets WHERE id = ?"));
    for (const qint64 id : ids) {
        q.bindValue(0, id);
        if (!q.exec()) {
            if (error)
                *error = sqlError(q.lastError());
            m_impl->rollback();
            return false;
        }
    }
    if (!m_impl->exec(QStringLiteral("COMMIT"), error)) {
        m_impl->rollback();
        return false;
    }
    return true;
}

std::optional<MemoryImage> Archive::image(const std::vector<qint64>& ids, QString* error) const
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (ids.empty())
        return fail(QStringLiteral("no set was chosen"));
    if (ids.size() > std::size_t(kMostSetsInImage))
        return fail(QStringLiteral("a memory image holds at most %1 sets").arg(kMostSetsInImage));
    QByteArray bytes(MemoryHeader::kSize, '\0');
    Sha256 sha256;
    QSqlQuery q(m_impl->db());
    q.prepare(QStringLiteral("SELECT data, sha256, interval FROM sets WHERE id = ?"));
    int firstInterval = -1;
    for (const qint64 id : ids) {
        q.bindValue(0, id);
        if (!q.exec() || !q.next())
            return fail(QStringLiteral("there is no set %1 in the archive").arg(id));
        const QByteArray set = q.value(0).toByteArray();
        if (sha256.hash(set) != q.value(1).toByteArray())
            return fail(QStringLiteral("set %1 is damaged in the archive").arg(id));
        if (firstInterval < 0)
            firstInterval = q.value(2).toInt();
        bytes += set;
        q.finish();
    }
    const qint64 last = bytes.size() - 1;
    if (last >= qint64 { 1 } << 24)
        return fail(QStringLiteral("the chosen sets are too large for one memory image"));
    const int count = int(ids.size());
    const int minutes = std::clamp(firstInterval / 60, 0, 99);
    const int seconds = std::clamp(firstInterval - minutes * 60, 0, 59);
    auto bcd = [](int v) { return char((v / 10) << 4 | (v % 10)); };
    const char header[7] = { char(count >> 8), char(count & 0xFF), char(last >> 16 & 0xFF),
        char(last >> 8 & 0xFF), char(last & 0xFF), bcd(minutes), bcd(seconds) };
    bytes.replace(MemoryHeader::kSetCountOffset, 7, header, 7);
    return MemoryImage(bytes, last);
}

CheckOutcome Archive::check() const
{
    CheckOutcome out;
    Sha256 sha256;
    QSqlQuery q(m_impl->db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("PRAGMA integrity_check"))) {
        out.problems
            << QStringLiteral("The integrity check failed: %1.").arg(sqlError(q.lastError()));
        return out;
    }
    while (q.next()) {
        const QString line = q.value(0).toString();
        if (line != QLatin1String("ok"))
            out.problems << line;
    }
    if (!q.exec(QStringLiteral("SELECT id, data, sha256, samples FROM sets ORDER BY id"))) {
        out.problems << QStringLiteral("The sets cannot be read: %1.").arg(sqlError(q.lastError()));
        return out;
    }
    while (q.next()) {
        const qint64 id = q.value(0).toLongLong();
        const QByteArray set = q.value(1).toByteArray();
        if (set.size() != kSetFrame + kSampleBytes * q.value(3).toLongLong())
            out.problems
                << QStringLiteral("Set %1 does not hold as many samples as it counts.").arg(id);
        else if (sha256.hash(set) != q.value(2).toByteArray())
            out.problems << QStringLiteral("Set %1 does not match its hash.").arg(id);
    }
    out.ok = out.problems.isEmpty();
    return out;
}

QString defaultArchivePath(const QString& userDataFolder)
{
    return QDir(userDataFolder).filePath(QStringLiteral("archive.sqlite"));
}

} // namespace tc4dl::archive
