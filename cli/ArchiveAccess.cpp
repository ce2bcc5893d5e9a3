#include "ArchiveAccess.h"

#include "Output.h"
#include "SettingsStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tc4dl::cli {

// The desktop program's names, not this tool's, choose the folder.
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

namespace {

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
        QStringLiteral("The archive file, or a PostgreSQL server's archive as "
                       "postgresql://USER@HOST:PORT/DB (password in ~/.pgpass) (default: the "
                       "desktop program's, the path it names among its paths)."),
        QStringLiteral("PATH|URI"));
}

QString archivePath(const QCommandLineParser& parser, const QCommandLineOption& option,
    Clock& clock, QString* refusal)
{
    if (parser.isSet(option))
        return archive::isServerName(parser.value(option))
            ? parser.value(option)
            : QFileInfo(parser.value(option)).absoluteFilePath();
    NativeSettingsStore settings(clock);
    if (const std::optional<QString> chosen = settings.readText(kArchivePathKey);
        chosen && !chosen->isEmpty()) {
        // Taken as it stands, it would be another archive in every folder the tool starts in.
        if (!archive::isServerName(*chosen) && QDir::isRelativePath(*chosen)) {
            *refusal = archiveErrorSentence(
                archive::ArchiveError::of(archive::ArchiveError::Kind::RelativePath, *chosen));
            return {};
        }
        return *chosen;
    }
    return archive::defaultArchivePath(desktopDataFolder());
}

bool desktopArchiveAddsOff(Clock& clock, QTextStream& err)
{
    NativeSettingsStore settings(clock);
    const std::optional<QString> enabled = settings.readText(kArchiveEnabledKey);
    if (!enabled || *enabled == QLatin1String("1"))
        return false;
    if (*enabled == QLatin1String("0"))
        return true;
    err << "ArchiveEnabled in the Settings is \"" << enabled->left(40)
        << "\", neither 0 (off) nor 1 (on); adding to the archive stays on, as in the program.\n";
    return false;
}

archive::Archive::Opened openArchive(
    const QString& path, Clock& clock, archive::Archive::Access access, QTextStream& err)
{
    archive::Archive::Opened opened = archive::Archive::open(path, clock, access);
    sayWhatWasMoved(path, opened, err);
    if (!opened.archive)
        err << "The archive cannot be opened: " << endSentence(archiveErrorSentence(opened.error))
            << '\n';
    return opened;
}

void archiveDownload(const QString& path, Clock& clock, const DataSetStore& store,
    const MemoryImage& image, const QString& source, QTextStream& err)
{
    const archive::Archive::Opened opened
        = archive::Archive::open(path, clock, archive::Archive::Access::ReadWrite);
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
