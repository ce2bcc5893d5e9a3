#include "ArchiveErrorSentence.h"

#include <QDir>

namespace tc4dl::archive {

QString archiveErrorSentence(const ArchiveError& error)
{
    using Kind = ArchiveError::Kind;
    const QString path = QDir::toNativeSeparators(error.path);
    const QString& detail = error.detail;
    switch (error.kind) {
    case Kind::None:
        return {};
    case Kind::NoFile:
        return QStringLiteral("%1 is no file").arg(path);
    case Kind::NoArchive:
        return QStringLiteral("there is no archive at %1").arg(path);
    case Kind::FolderNotWritable:
        return QStringLiteral("the folder of %1 cannot be written").arg(path);
    case Kind::RelativePath:
        return QStringLiteral("the archive file in the Settings, %1, is no full path; choose it "
                              "again in the program's archive settings or give --archive")
            .arg(path);
    case Kind::NotAnArchive:
        return QStringLiteral("%1 is no database").arg(path);
    case Kind::Damaged:
        return QStringLiteral("%1 is damaged (%2)").arg(path, detail);
    case Kind::Newer:
        return QStringLiteral("%1 was written by a newer version of this program").arg(path);
    case Kind::Foreign:
        return QStringLiteral("%1 holds what this program did not make (%2); it was left as it is")
            .arg(path, detail);
    case Kind::StrayJournal:
        return QStringLiteral("beside %1 lies a journal that is not its own (%2); it is set aside "
                              "the next time the archive is opened for writing (archive add or "
                              "archive check)")
            .arg(path, QDir::toNativeSeparators(detail));
    case Kind::UnreadChanges:
        return QStringLiteral("%1 has changes in %2 that cannot be read here")
            .arg(path, QDir::toNativeSeparators(detail));
    case Kind::Busy:
        return QStringLiteral("another program holds %1 and did not let go in time").arg(path);
    case Kind::Full:
        return QStringLiteral("the disk of %1 is full").arg(path);
    case Kind::ReadOnly:
        return QStringLiteral("%1 can only be read").arg(path);
    case Kind::CannotOpen:
        return QStringLiteral("%1 cannot be opened (%2)").arg(path, detail);
    case Kind::Database:
        return QStringLiteral("a database error in %1 (%2)").arg(path, detail);
    case Kind::NoSuchSet:
        return QStringLiteral("there is no set %1 in the archive").arg(detail);
    case Kind::DamagedSet:
        return QStringLiteral("set %1 is damaged in the archive").arg(detail);
    case Kind::TooLarge:
        return QStringLiteral("the chosen sets are more than one memory image holds; choose fewer");
    case Kind::NothingChosen:
        return QStringLiteral("no set was chosen");
    case Kind::NotStored:
        return QStringLiteral("the archive did not hold what was written (%1 sets), so nothing of "
                              "it was kept")
            .arg(detail);
    case Kind::OutsideImage:
        return QStringLiteral("data set %1 lies outside its memory image").arg(detail);
    case Kind::TargetExists:
        return QStringLiteral("%1 exists already").arg(path);
    case Kind::TargetIsArchive:
        return QStringLiteral("%1 is the archive itself").arg(path);
    case Kind::CopyDiffers:
        return QStringLiteral("the copy at %1 does not list the same data sets").arg(path);
    case Kind::CopyDamaged:
        return QStringLiteral("in the copy at %1 set %2 is damaged").arg(path, detail);
    case Kind::CannotRename:
        return QStringLiteral("the copy cannot be given the name %1").arg(path);
    case Kind::PasswordInName:
        return QStringLiteral("%1 carries a password, which is never stored with the archive's "
                              "name; give the URI without it and keep the password in ~/.pgpass "
                              "(or the file PGPASSFILE names)")
            .arg(path);
    case Kind::CannotCreate:
        return QStringLiteral("the archive's tables are not there yet at %1 and this role may not "
                              "make them: it needs the CREATE privilege on schema %2 (or a writer "
                              "role makes them first)")
            .arg(path, detail);
    }
    return QStringLiteral("a database error in %1").arg(path);
}

} // namespace tc4dl::archive
