#pragma once

// What the archive's source files share: the open database behind an Archive, and the small
// helpers of its queries. Not for the archive's users.

#include "Archive.h"
#include "ArchiveDialect.h"
#include "ArchiveSchema.h"
#include "SqliteFiles.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <optional>
#include <vector>

namespace tc4dl::archive {

inline qint64 toMs(const QDateTime& t)
{
    return t.toMSecsSinceEpoch();
}

inline QDateTime fromMs(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

// WAL needs the folder writable too, not only the file.
inline bool folderWritable(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    return folder.isDir() && folder.isWritable();
}

// The kind of an SQLite failure, by its result code; `detail` keeps SQLite's own words for
// the kinds that name them.
[[nodiscard]] ArchiveError sqliteErrorOf(const QSqlError& e, const QString& path);

struct Archive::Impl {
    Clock* clock = nullptr;
    const ArchiveDialect* dialect = &sqliteDialect();
    QString path; // the file, or the server's URI (never with a password)
    QString connection;
    bool readOnly = false;
    int version = 0; // the schema version the file carries
    QString machine; // who adds: the computer's name and the user's
    QString user;
    int cookie = -1; // SQLite's schema_version when the schema was last found to be this program's
    int depth = 0; // transactions open, for nesting
    std::unique_ptr<sqlitefiles::OpenHere> here; // SQLite only

    ~Impl()
    {
        if (!connection.isEmpty()) {
            QSqlDatabase::database(connection, false).close();
            QSqlDatabase::removeDatabase(connection);
        }
    }
    [[nodiscard]] QSqlDatabase db() const { return QSqlDatabase::database(connection, false); }
    [[nodiscard]] ArchiveError errorOf(const QSqlError& e) const
    {
        return dialect->errorOf(e, path);
    }
    // The table of the sets' rows in the version the database carries.
    [[nodiscard]] QString table() const { return setTable(version); }
    bool exec(const QString& sql, ArchiveError* error) const
    {
        QSqlQuery q(db());
        if (q.exec(sql))
            return true;
        if (error)
            *error = errorOf(q.lastError());
        return false;
    }
    // Each statement in turn, until one fails.
    bool execAll(const QStringList& statements, ArchiveError* error) const
    {
        for (const QString& statement : statements)
            if (!exec(statement, error))
                return false;
        return true;
    }
    [[nodiscard]] bool writable(ArchiveError* error) const
    {
        if (!readOnly)
            return true;
        if (error)
            *error = ArchiveError::of(ArchiveError::Kind::ReadOnly, path);
        return false;
    }
    // Whether the schema is still the one found this program's at the open: looked at again
    // whenever SQLite's schema counter moved, so that nothing added since runs or is read.
    [[nodiscard]] bool schemaStillOurs(ArchiveError* error);
};

// A name of its own for each database connection.
[[nodiscard]] QString nextConnectionName();
// Who adds, as `options` say or the system knows.
void setAdder(Archive::Impl& impl, const OpenOptions& options);

// Opens the archive on the PostgreSQL server that `uri` names (and with ReadWrite makes its
// schema where there is none yet): `*impl` on success, else false and the reason.
bool openServer(const QString& uri, Archive::Access access, const OpenOptions& options,
    std::unique_ptr<Archive::Impl>* impl, ArchiveError* error);

// What tells one set from another: start, interval, samples, unit and the hash of its bytes.
struct SetKey {
    double start = 0.0;
    qint32 interval = 0;
    qint32 samples = 0;
    bool celsius = true;
    QByteArray sha256;
};

// The archive's sets an add may meet again, by hash.
class KnownSets {
public:
    bool load(const Archive::Impl& impl, double from, double to, ArchiveError* error)
    {
        QSqlQuery q(impl.db());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT id, start, interval, samples, celsius, sha256 FROM %1 "
                                 "WHERE start >= ? AND start <= ?")
                      .arg(impl.table()));
        q.addBindValue(from);
        q.addBindValue(to);
        if (!q.exec()) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        while (q.next())
            add(SetKey { q.value(1).toDouble(), q.value(2).toInt(), q.value(3).toInt(),
                    q.value(4).toInt() != 0, q.value(5).toByteArray() },
                q.value(0).toLongLong());
        return true;
    }
    void add(const SetKey& key, qint64 id) { m_byHash[key.sha256].push_back({ key, id }); }
    [[nodiscard]] std::optional<qint64> find(const SetKey& key) const
    {
        const auto it = m_byHash.constFind(key.sha256);
        if (it == m_byHash.cend())
            return std::nullopt;
        for (const auto& [k, id] : *it)
            if (k.start == key.start && k.interval == key.interval && k.samples == key.samples
                && k.celsius == key.celsius)
                return id;
        return std::nullopt;
    }

private:
    QHash<QByteArray, std::vector<std::pair<SetKey, qint64>>> m_byHash;
};

// One transaction over the archive, or a part of the one already open: the dialect's begin for
// writing (no other writer beside it) or reading (one snapshot); rolled back unless committed. Each
// checks first that the schema is still this program's.
class Transaction {
public:
    enum class Kind { Read, Write };
    Transaction(Archive::Impl& impl, Kind kind, ArchiveError* error);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    [[nodiscard]] bool begun() const { return m_begun; }
    bool commit(ArchiveError* error);

private:
    Archive::Impl& m_impl;
    bool m_begun = false;
    bool m_outer = false;
};

} // namespace tc4dl::archive
