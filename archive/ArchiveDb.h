#pragma once

// What the archive's source files share: the open database behind an Archive, and the small
// helpers of its queries. Not for the archive's users.

#include "Archive.h"
#include "ArchiveSchema.h"
#include "SqliteFiles.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

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
[[nodiscard]] ArchiveError errorOf(const QSqlError& e, const QString& path);

struct Archive::Impl {
    Clock* clock = nullptr;
    QString path;
    QString connection;
    bool readOnly = false;
    int version = 0; // the schema version the file carries
    QString machine; // who adds: the computer's name and the user's
    QString user;
    int cookie = -1; // SQLite's schema_version when the schema was last found to be this program's
    int depth = 0; // transactions open, for nesting
    std::unique_ptr<sqlitefiles::OpenHere> here;

    ~Impl()
    {
        if (!connection.isEmpty()) {
            QSqlDatabase::database(connection, false).close();
            QSqlDatabase::removeDatabase(connection);
        }
    }
    [[nodiscard]] QSqlDatabase db() const { return QSqlDatabase::database(connection, false); }
    // The table of the sets' rows in the version the database carries.
    [[nodiscard]] QString table() const { return setTable(version); }
    bool exec(const QString& sql, ArchiveError* error) const
    {
        QSqlQuery q(db());
        if (q.exec(sql))
            return true;
        if (error)
            *error = errorOf(q.lastError(), path);
        return false;
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

// One transaction over the archive, or a part of the one already open: BEGIN IMMEDIATE for
// writing, a deferred BEGIN (one snapshot) for reading; rolled back unless committed. Each
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
