#include "ArchiveDb.h"

#include <QFile>

#include <algorithm>

namespace tc4dl::archive {

namespace {

// A free name beside `target` for the copy while it is made.
QString passingName(const QString& target)
{
    QString candidate = target + QStringLiteral(".part");
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = QStringLiteral("%1.part%2").arg(target).arg(n);
    return candidate;
}

// Removes a copy this program made, with any journal files beside it.
void removeCopy(const QString& path)
{
    for (const char* suffix : { "", "-wal", "-shm", "-journal" })
        QFile::remove(path + QLatin1String(suffix));
}

bool sameSets(const std::vector<ArchivedSet>& a, const std::vector<ArchivedSet>& b)
{
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const ArchivedSet& x, const ArchivedSet& y) {
            return x.id == y.id && x.start == y.start && x.interval == y.interval
                && x.samples == y.samples && x.celsius == y.celsius && x.added == y.added
                && x.lastSeen == y.lastSeen && x.source == y.source && x.note == y.note;
        });
}

} // namespace

bool Archive::copyTo(const QString& target, QString* error) const
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo info(target);
    const QString absolute = info.absoluteFilePath();
    if (absolute == QFileInfo(m_impl->path).absoluteFilePath())
        return fail(QStringLiteral("%1 is the archive itself").arg(target));
    // Never over a file of the user's, not even an empty one: a move must not replace anything.
    if (info.exists() || info.isSymLink())
        return fail(QStringLiteral("%1 exists already").arg(target));
    if (!folderWritable(absolute))
        return fail(QStringLiteral("the folder of %1 cannot be written").arg(target));

    // Made under a passing name, so that a copy cut short (a full disk, a crash) never stands
    // at the chosen name as if it were the archive.
    const QString part = passingName(absolute);
    {
        QSqlQuery q(m_impl->db());
        if (!q.prepare(QStringLiteral("VACUUM INTO ?"))) {
            return fail(QStringLiteral("the copy cannot be made: %1").arg(sqlError(q.lastError())));
        }
        q.addBindValue(part);
        if (!q.exec()) {
            const QString why = sqlError(q.lastError());
            removeCopy(part);
            return fail(QStringLiteral("the copy cannot be made: %1").arg(why));
        }
    }
    QString why;
    {
        const Opened copy = open(part, *m_impl->clock, Access::ReadOnly);
        if (!copy.archive) {
            why = copy.error;
        } else if (!sameSets(copy.archive->list(), list())) {
            why = QStringLiteral("the copy does not list the same data sets");
        } else {
            // The copy may carry a set that was damaged here already, never a new one.
            const QStringList here = check().problems;
            for (const QString& problem : copy.archive->check().problems) {
                if (!here.contains(problem)) {
                    why = QStringLiteral("the copy is damaged: %1").arg(problem);
                    break;
                }
            }
        }
    }
    if (why.isEmpty() && !QFile::rename(part, absolute))
        why = QStringLiteral("the copy cannot be given the name %1").arg(target);
    if (!why.isEmpty()) {
        removeCopy(part);
        return fail(why);
    }
    return true;
}

} // namespace tc4dl::archive
