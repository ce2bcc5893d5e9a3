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
                && x.lastSeen == y.lastSeen && x.source == y.source && x.note == y.note
                && x.kind == y.kind && x.meter == y.meter && x.doubtful == y.doubtful;
        });
}

} // namespace

bool Archive::copyTo(const QString& target, ArchiveError* error) const
{
    using Kind = ArchiveError::Kind;
    auto fail = [error](const ArchiveError& why) {
        if (error)
            *error = why;
        return false;
    };
    // A server's archive has no file to copy: it is copied set by set (copySetsTo).
    if (isServerName(m_impl->path))
        return fail(ArchiveError::of(Kind::Database, m_impl->path,
            QStringLiteral("an archive on a server is copied with tc4dl-cli archive copy --to")));
    const QFileInfo info(target);
    const QString absolute = info.absoluteFilePath();
    if (absolute == QFileInfo(m_impl->path).absoluteFilePath())
        return fail(ArchiveError::of(Kind::TargetIsArchive, target));
    // Never over a file of the user's, not even an empty one: a move must not replace anything.
    if (info.exists() || info.isSymLink())
        return fail(ArchiveError::of(Kind::TargetExists, target));
    if (!folderWritable(absolute))
        return fail(ArchiveError::of(Kind::FolderNotWritable, target));

    // Made under a passing name, so that a copy cut short (a full disk, a crash) never stands
    // at the chosen name as if it were the archive.
    const QString part = passingName(absolute);
    {
        QSqlQuery q(m_impl->db());
        if (!q.prepare(QStringLiteral("VACUUM INTO ?")))
            return fail(sqliteErrorOf(q.lastError(), target));
        q.addBindValue(part);
        if (!q.exec()) {
            const ArchiveError why = sqliteErrorOf(q.lastError(), target);
            removeCopy(part);
            return fail(why);
        }
    }
    ArchiveError why;
    {
        const Opened copy = open(part, *m_impl->clock, Access::ReadOnly);
        if (!copy.archive) {
            why = copy.error;
            why.path = target;
        } else if (!sameSets(copy.archive->list(), list())) {
            why = ArchiveError::of(Kind::CopyDiffers, target);
        } else {
            // The copy may carry a set that was damaged here already, never a new one.
            const std::vector<CheckProblem> here = check().problems;
            for (const CheckProblem& problem : copy.archive->check().problems) {
                if (std::find(here.begin(), here.end(), problem) == here.end()) {
                    why = ArchiveError::of(Kind::CopyDamaged, target, QString::number(problem.id));
                    break;
                }
            }
        }
    }
    if (!why.failed() && !QFile::rename(part, absolute))
        why = ArchiveError::of(Kind::CannotRename, target);
    if (why.failed()) {
        removeCopy(part);
        return fail(why);
    }
    return true;
}

} // namespace tc4dl::archive
