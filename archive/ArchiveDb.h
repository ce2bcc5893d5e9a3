#pragma once

// What the archive's source files share: the open database behind an Archive, and the small
// helpers of its queries. Not for the archive's users.

#include "Archive.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace tc4dl::archive {

inline QString sqlError(const QSqlError& e)
{
    const QString text = e.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

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

struct Archive::Impl {
    Clock* clock = nullptr;
    QString path;
    QString connection;
    bool readOnly = false;

    ~Impl()
    {
        if (!connection.isEmpty()) {
            QSqlDatabase::database(connection, false).close();
            QSqlDatabase::removeDatabase(connection);
        }
    }
    [[nodiscard]] QSqlDatabase db() const { return QSqlDatabase::database(connection, false); }
    bool exec(const QString& sql, QString* error) const
    {
        QSqlQuery q(db());
        if (q.exec(sql))
            return true;
        if (error)
            *error = sqlError(q.lastError());
        return false;
    }
    [[nodiscard]] bool writable(QString* error) const
    {
        if (!readOnly)
            return true;
        if (error)
            *error = QStringLiteral("the archive %1 is read-only").arg(path);
        return false;
    }
    void rollback() const { exec(QStringLiteral("ROLLBACK"), nullptr); }
};

} // namespace tc4dl::archive
