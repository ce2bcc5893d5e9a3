#include "ArchiveAccess.h"

#include "Output.h"
#include "SettingsStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tc4dl::cli {

namespace {
// The desktop program's per-user data folder: its names, not this tool's, choose the folder.
QString desktopDataFolder()
{
    const QString application = QCoreApplication::applicationName();
    const QString organization = QCoreApplication::organizationName();
    QCoreApplication::setApplicationName(QStringLiteral("TC4DL"));
    QCoreApplication::setOrganizationName(QStringLiteral("TC4DL"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setApplicationName(application);
    QCoreApplication::setOrganizationName(organization);
    return folder;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// What opening said beside its result: a file moved aside, a journal set aside.
void sayWhatWasMoved(const QString& path, const archive::Archive::Opened& opened, QTextStream& err)
{
    if (!opened.movedAside.isEmpty())
        err << native(path) << " was damaged or no archive; it was moved to "
            << native(opened.movedAside) << " and a new archive was made.\n";
    if (!opened.journalSetAside.isEmpty())
        err << native(path) << "-wal was not the archive's own journal; it was set aside unread "
            << "as " << native(opened.journalSetAside) << " and the archive opened as it is.\n";
}
} // namespace

QCommandLineOption archivePathOption()
{
    return QCommandLineOption(QStringLiteral("archive"),
        QStringLiteral("The archive file (default: the desktop program's, the path it names "
                       "among its paths)."),
        QStringLiteral("PATH"));
}

QString archivePath(
    const QCommandLineParser& parser, const QCommandLineOption& option, QString* refusal)
{
    if (parser.isSet(option))
        return QFileInfo(parser.value(option)).absoluteFilePath();
    NativeSettingsStore settings;
    if (const std::optional<QString> chosen = settings.readText(kArchivePathKey);
        chosen && !chosen->isEmpty()) {
        // Taken as it stands, it would be another archive in every folder the tool starts in.
        if (QDir::isRelativePath(*chosen)) {
            *refusal = archiveErrorSentence(
                archive::ArchiveError::of(archive::ArchiveError::Kind::RelativePath, *chosen));
            return {};
        }
        return *chosen;
    }
    return archive::defaultArchivePath(desktopDataFolder());
}

bool desktopArchiveAddsOff(QTextStream& err)
{
    NativeSettingsStore settings;
    const std::optional<QString> enabled = settings.readText(kArchiveEnabledKey);
    if (!enabled || *enabled == QLatin1String("1"))
        return false;
    if (*enabled == QLatin1String("0"))
        return true;
    err << "ArchiveEnabled in the Settings is \"" << enabled->left(40)
        << "\", neither 0 (off) nor 1 (on); adding to the archive stays on, as in the program.\n";
    return false;
}

QString archiveErrorSentence(const archive::ArchiveError& error)
{
    using Kind = archive::ArchiveError::Kind;
    const QString path = native(error.path);
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
            .arg(path, native(detail));
    case Kind::UnreadChanges:
        return QStringLiteral("%1 has changes in %2 that cannot be read here")
            .arg(path, native(detail));
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
    }
    return QStringLiteral("a database error in %1").arg(path);
}

archive::Archive::Opened openArchive(
    const QString& path, archive::Archive::Access access, QTextStream& err)
{
    archive::Archive::Opened opened = archive::Archive::open(path, access);
    sayWhatWasMoved(path, opened, err);
    if (!opened.archive)
        err << "The archive cannot be opened: " << endSentence(archiveErrorSentence(opened.error))
            << '\n';
    return opened;
}

void archiveDownload(const QString& path, const DataSetStore& store, const MemoryImage& image,
    const QString& source, QTextStream& err)
{
    const archive::Archive::Opened opened
        = archive::Archive::open(path, archive::Archive::Access::ReadWrite);
    sayWhatWasMoved(path, opened, err);
    if (!opened.archive) {
        err << "The sets were not archived: " << endSentence(archiveErrorSentence(opened.error))
            << '\n';
        return;
    }
    const archive::AddOutcome added = opened.archive->add(store, image, source);
    if (!added.ok) {
        err << "The sets were not archived: " << endSentence(archiveErrorSentence(added.error))
            << '\n';
        return;
    }
    err << "Archived " << added.newSets << " new " << (added.newSets == 1 ? "set" : "sets") << ", "
        << added.knownSets << " already there.\n";
}

} // namespace tc4dl::cli
