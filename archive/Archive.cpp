#include "ArchiveDb.h"

#include "ArchiveReadings.h"
#include "ArchiveSchema.h"
#include "ArchiveSets.h"
#include "Clock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace tc4dl::archive {

namespace {

// Between two tries of an open that SQLite found busy without waiting.
constexpr int kRetryPauseMs = 20;

std::unique_ptr<Archive::Impl> connect(
    const QString& path, bool readOnly, bool immutable, const OpenOptions& options)
{
    auto impl = std::make_unique<Archive::Impl>();
    impl->path = path;
    impl->readOnly = readOnly;
    impl->connection = nextConnectionName();
    setAdder(*impl, options);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), impl->connection);
    QString connectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs);
    if (readOnly) {
        connectOptions += QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
        QString uri
            = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
        uri += immutable ? QStringLiteral("?immutable=1") : QStringLiteral("?mode=ro");
        db.setDatabaseName(uri);
    } else {
        db.setDatabaseName(path);
    }
    db.setConnectOptions(connectOptions);
    if (db.open())
        impl->here = std::make_unique<sqlitefiles::OpenHere>(path);
    return impl;
}

// Begins the transaction in which the file's schema is looked at; it stays open on success.
bool probe(Archive::Impl& impl, bool write, SchemaSeen* seen, ArchiveError* error)
{
    if (!impl.db().isOpen()) {
        *error = impl.errorOf(impl.db().lastError());
        return false;
    }
    if (!impl.exec(write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"), error))
        return false;
    if (!impl.dialect->readSchema(impl, seen, error)
        || !impl.dialect->schemaCookie(impl, &impl.cookie, error)) {
        impl.exec(QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    return true;
}

Archive::Opened openForReading(const QString& path, const sqlitefiles::Journal& journal,
    const OpenOptions& options, Archive::Opened result,
    const std::function<Archive*(std::unique_ptr<Archive::Impl>)>& make)
{
    // Without the index beside a log, SQLite cannot read a folder it may not write; the file
    // alone is then read as it stands, but only when there is no log it would leave out.
    for (const bool immutable : { false, true }) {
        auto impl = connect(path, true, immutable, options);
        SchemaSeen seen;
        ArchiveError error;
        if (!probe(*impl, false, &seen, &error)) {
            result.error = error;
            // SQLite says "cannot open" or "read-only" when it cannot make the index.
            if (error.kind != ArchiveError::Kind::CannotOpen
                && error.kind != ArchiveError::Kind::ReadOnly)
                return result;
            if (journal.state != sqlitefiles::JournalState::None) {
                result.error
                    = ArchiveError::of(ArchiveError::Kind::UnreadChanges, path, journal.log);
                return result;
            }
            continue;
        }
        impl->exec(QStringLiteral("COMMIT"), nullptr);
        const OpenDecision decision = decideOpen(seen, sqliteForeignObjects(seen), path);
        if (decision.step == OpenStep::Refuse) {
            result.error = decision.refusal;
            return result;
        }
        if (decision.step == OpenStep::Create) {
            result.error = ArchiveError::of(ArchiveError::Kind::NoArchive, path);
            return result;
        }
        impl->version = seen.version; // an older one is read as it is
        result.archive.reset(make(std::move(impl)));
        return result;
    }
    return result;
}

// An empty file holds nothing to protect: it is put in WAL mode before anything is written, so
// that no program ever meets the archive in the middle of changing its journal mode.
bool walFromTheStart(const Archive::Impl& impl, ArchiveError* error)
{
    if (QFileInfo(impl.path).size() > 0)
        return true;
    QSqlQuery q(impl.db());
    if (q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return true;
    *error = impl.errorOf(q.lastError());
    return false;
}

Archive::Opened openForWriting(const QString& path, const Clock& clock, const OpenOptions& options,
    Archive::Opened result, const std::function<Archive*(std::unique_ptr<Archive::Impl>)>& make)
{
    // SQLite answers "busy" at once, without waiting, where waiting could deadlock (two programs
    // making one archive at the same moment): asked again while the wait allows.
    const QDeadlineTimer patience(options.busyTimeoutMs);
    for (;;) {
        auto impl = connect(path, false, false, options);
        SchemaSeen seen;
        ArchiveError error;
        if (impl->db().isOpen() && !walFromTheStart(*impl, &error)) {
            if (error.kind == ArchiveError::Kind::Busy && !patience.hasExpired()) {
                QThread::msleep(kRetryPauseMs);
                continue;
            }
            result.error = error;
            return result;
        }
        if (!probe(*impl, true, &seen, &error)) {
            if (error.kind == ArchiveError::Kind::Busy && !patience.hasExpired()) {
                impl.reset();
                QThread::msleep(kRetryPauseMs);
                continue;
            }
            // Only SQLite's own verdict moves a file aside; busy, locked, full or unreadable
            // leaves it exactly as it was.
            const bool proven = error.kind == ArchiveError::Kind::NotAnArchive
                || error.kind == ArchiveError::Kind::Damaged;
            result.error = error;
            if (!proven || !result.movedAside.isEmpty())
                return result;
            impl.reset(); // closed before it moves
            if (sqlitefiles::moveAsideUnused(path, clock.now(), &result.movedAside)
                != sqlitefiles::MoveAside::Moved) {
                result.movedAside.clear();
                return result;
            }
            result.error = {};
            continue;
        }
        const OpenDecision decision = decideOpen(seen, sqliteForeignObjects(seen), path);
        QStringList statements;
        if (decision.step == OpenStep::Create)
            statements = sqliteCreateStatements();
        else if (decision.step == OpenStep::Migrate)
            statements = sqliteMigrateStatements(seen.version);
        if (decision.step == OpenStep::Create || decision.step == OpenStep::Migrate)
            statements << QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion);
        bool ok = decision.step != OpenStep::Refuse;
        if (!ok)
            error = decision.refusal;
        for (const QString& statement : statements)
            ok = ok && impl->exec(statement, &error);
        impl->version = kSchemaVersion;
        // The readings of the sets an older archive holds, in the same transaction.
        if (decision.step == OpenStep::Migrate && seen.version < 3)
            ok = ok && fillReadings(*impl, &error);
        ok = ok && impl->dialect->schemaCookie(*impl, &impl->cookie, &error)
            && impl->exec(QStringLiteral("COMMIT"), &error);
        if (!ok) {
            impl->exec(QStringLiteral("ROLLBACK"), nullptr);
            result.error = error;
            return result;
        }
        // Only now that the file is known to be an archive: WAL changes the file's header.
        QSqlQuery q(impl->db());
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next()
            || q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
            result.error = q.lastError().isValid()
                ? sqliteErrorOf(q.lastError(), path)
                : ArchiveError::of(ArchiveError::Kind::Busy, path);
            if (result.error.kind == ArchiveError::Kind::Busy && !patience.hasExpired()) {
                q.finish();
                impl.reset();
                QThread::msleep(kRetryPauseMs);
                continue;
            }
            return result;
        }
        q.finish();
        result.archive.reset(make(std::move(impl)));
        return result;
    }
}

} // namespace

// The name the user logged in with, as the system's environment gives it.
QString loginName()
{
    for (const char* name : { "USER", "LOGNAME", "USERNAME" })
        if (const QString user = qEnvironmentVariable(name); !user.isEmpty())
            return user;
    return {};
}

QString nextConnectionName()
{
    static std::atomic<quint64> counter { 0 };
    return QStringLiteral("tc4dl-archive-%1").arg(++counter);
}

void setAdder(Archive::Impl& impl, const OpenOptions& options)
{
    impl.machine = options.machine.isEmpty() ? QSysInfo::machineHostName() : options.machine;
    impl.user = options.user.isEmpty() ? loginName() : options.user;
    // Never NULL in the database: unknown is empty.
    impl.machine = impl.machine.isNull() ? QStringLiteral("") : impl.machine;
    impl.user = impl.user.isNull() ? QStringLiteral("") : impl.user;
}

bool isServerName(const QString& name)
{
    return name.startsWith(QLatin1String("postgresql://"))
        || name.startsWith(QLatin1String("postgres://"));
}

bool Archive::Impl::schemaStillOurs(ArchiveError* error)
{
    int now = 0;
    if (!dialect->schemaCookie(*this, &now, error))
        return false;
    if (now == cookie && now != -1)
        return true;
    SchemaSeen seen;
    ArchiveError why;
    if (!dialect->readSchema(*this, &seen, &why)) {
        if (error)
            *error = why;
        return false;
    }
    const OpenDecision decision = decideOpen(seen, dialect->foreignObjects(seen), path);
    // Another program may have brought an older archive up to date meanwhile; anything else
    // that changed its schema made it no archive of this program's.
    const bool fine = decision.step == OpenStep::UseAsIs
        || (decision.step == OpenStep::Migrate && readOnly && seen.version == version);
    if (!fine) {
        if (error)
            *error = decision.step == OpenStep::Refuse
                ? decision.refusal
                : ArchiveError::of(ArchiveError::Kind::Foreign, path, QStringLiteral("table sets"));
        return false;
    }
    version = seen.version;
    cookie = now;
    return true;
}

Transaction::Transaction(Archive::Impl& impl, Kind kind, ArchiveError* error)
    : m_impl(impl)
{
    if (impl.depth > 0) {
        ++impl.depth;
        m_begun = true;
        return;
    }
    if (!impl.execAll(
            kind == Kind::Write ? impl.dialect->beginWrite() : impl.dialect->beginRead(), error)) {
        impl.exec(QStringLiteral("ROLLBACK"), nullptr);
        return;
    }
    if (!impl.schemaStillOurs(error)) {
        impl.exec(QStringLiteral("ROLLBACK"), nullptr);
        return;
    }
    ++impl.depth;
    m_begun = m_outer = true;
}

Transaction::~Transaction()
{
    if (!m_begun)
        return;
    --m_impl.depth;
    if (m_outer)
        m_impl.exec(QStringLiteral("ROLLBACK"), nullptr);
}

bool Transaction::commit(ArchiveError* error)
{
    if (!m_begun)
        return false;
    if (!m_outer) {
        --m_impl.depth;
        m_begun = false;
        return true;
    }
    const bool ok = m_impl.exec(QStringLiteral("COMMIT"), error);
    --m_impl.depth;
    m_begun = false;
    if (!ok)
        m_impl.exec(QStringLiteral("ROLLBACK"), nullptr);
    return ok;
}

Archive::Archive(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

Archive::~Archive() = default;

Archive::Opened Archive::open(
    const QString& path, Clock& clock, Access access, const OpenOptions& options)
{
    using Kind = ArchiveError::Kind;
    Opened result;
    if (isServerName(path)) {
        std::unique_ptr<Impl> impl;
        if (openServer(path, access, options, &impl, &result.error)) {
            impl->clock = &clock;
            result.archive.reset(new Archive(std::move(impl)));
        }
        return result;
    }
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists && !info.isFile()) {
        result.error = ArchiveError::of(Kind::NoFile, path);
        return result;
    }
    if (!exists && access == Access::ReadWrite)
        QDir().mkpath(info.absolutePath());
    if (!exists && (access == Access::ReadOnly || !folderWritable(path))) {
        result.error = ArchiveError::of(
            access == Access::ReadOnly ? Kind::NoArchive : Kind::FolderNotWritable, path);
        return result;
    }
    // WAL needs the folder too: without it the archive can only be listed.
    const bool readOnly
        = access == Access::ReadOnly || (exists && !info.isWritable()) || !folderWritable(path);
    // A log that is not the file's own is never applied: set aside where that may be done,
    // else the file is refused until it can be.
    const sqlitefiles::Journal journal
        = sqlitefiles::inspectJournal(path, !readOnly, clock.now(), &result.journalSetAside);
    if (journal.state == sqlitefiles::JournalState::Stray && result.journalSetAside.isEmpty()) {
        result.error = ArchiveError::of(
            folderWritable(path) ? Kind::StrayJournal : Kind::UnreadChanges, path, journal.log);
        return result;
    }
    const auto make = [&clock](std::unique_ptr<Impl> impl) {
        impl->clock = &clock;
        return new Archive(std::move(impl));
    };
    if (readOnly)
        return openForReading(path,
            result.journalSetAside.isEmpty() ? journal : sqlitefiles::Journal {}, options,
            std::move(result), make);
    return openForWriting(path, clock, options, std::move(result), make);
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

std::vector<ArchivedSet> Archive::list(const ArchiveFilter& filter, ArchiveError* error) const
{
    Transaction read(*m_impl, Transaction::Kind::Read, error);
    if (!read.begun())
        return {};
    QString where = QStringLiteral("1 = 1");
    QVariantList values;
    if (filter.fromSerial) {
        where += QStringLiteral(" AND start >= ?");
        values << *filter.fromSerial;
    }
    if (filter.toSerial) {
        where += QStringLiteral(" AND start <= ?");
        values << *filter.toSerial;
    }
    if (filter.celsius) {
        where += QStringLiteral(" AND celsius = ?");
        values << (*filter.celsius ? 1 : 0);
    }
    std::vector<ArchivedSet> sets;
    if (!readSets(*m_impl, where, values, &sets, error))
        return {};
    // A row whose start its bytes contradict is listed by the bytes' start, and only where
    // that lies within the bounds.
    std::erase_if(sets, [&filter](const ArchivedSet& s) {
        return (filter.fromSerial && !(s.start >= *filter.fromSerial))
            || (filter.toSerial && !(s.start <= *filter.toSerial))
            || (filter.celsius && s.celsius != *filter.celsius);
    });
    std::stable_sort(sets.begin(), sets.end(), [](const ArchivedSet& l, const ArchivedSet& r) {
        return l.start < r.start || (l.start == r.start && l.id < r.id);
    });
    read.commit(nullptr);
    return sets;
}

std::optional<ArchivedSet> Archive::set(qint64 id) const
{
    Transaction read(*m_impl, Transaction::Kind::Read, nullptr);
    std::vector<ArchivedSet> sets;
    if (!read.begun() || !readSets(*m_impl, QStringLiteral("id = ?"), { id }, &sets, nullptr)
        || sets.empty())
        return std::nullopt;
    return sets.front();
}

bool Archive::setNote(qint64 id, const QString& note, ArchiveError* error)
{
    if (!m_impl->writable(error))
        return false;
    Transaction write(*m_impl, Transaction::Kind::Write, error);
    if (!write.begun())
        return false;
    QSqlQuery q(m_impl->db());
    q.prepare(QStringLiteral("UPDATE %1 SET note = ? WHERE id = ?").arg(m_impl->table()));
    q.bindValue(0, note);
    q.bindValue(1, id);
    if (!q.exec()) {
        if (error)
            *error = m_impl->errorOf(q.lastError());
        return false;
    }
    if (q.numRowsAffected() != 1) {
        if (error)
            *error = ArchiveError::of(
                ArchiveError::Kind::NoSuchSet, m_impl->path, QString::number(id));
        return false;
    }
    return write.commit(error);
}

bool Archive::remove(const std::vector<qint64>& ids, ArchiveError* error)
{
    if (!m_impl->writable(error))
        return false;
    Transaction write(*m_impl, Transaction::Kind::Write, error);
    if (!write.begun())
        return false;
    QSqlQuery q(m_impl->db());
    QSqlQuery readings(m_impl->db());
    q.prepare(QStringLiteral("DELETE FROM %1 WHERE id = ?").arg(m_impl->table()));
    const bool hasReadings = m_impl->version >= 3;
    if (hasReadings)
        readings.prepare(QStringLiteral("DELETE FROM readings WHERE set_id = ?"));
    for (const qint64 id : ids) {
        q.bindValue(0, id);
        bool ok = q.exec();
        if (ok && hasReadings) {
            readings.bindValue(0, id);
            ok = readings.exec();
        }
        if (!ok) {
            if (error)
                *error = m_impl->errorOf((q.lastError().isValid() ? q : readings).lastError());
            return false;
        }
    }
    return write.commit(error);
}

QString defaultArchivePath(const QString& userDataFolder)
{
    return QDir(userDataFolder).filePath(QStringLiteral("archive.sqlite"));
}

QStringList memoryFileNames(const QString& path, int count)
{
    if (count <= 1)
        return { path };
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    const QString stem = suffix.isEmpty() ? path : path.chopped(suffix.size());
    QStringList names;
    for (int n = 1; n <= count; ++n)
        names << QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix);
    return names;
}

} // namespace tc4dl::archive
