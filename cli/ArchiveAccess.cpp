#include "ArchiveAccess.h"

#include "Output.h"
#include "SettingsStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
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

QCommandLineOption archivePathOption()
{
    return QCommandLineOption(QStringLiteral("archive"),
        QStringLiteral("The archive file (default: the desktop program's, the path it names "
                       "among its paths)."),
        QStringLiteral("PATH"));
}

QString archivePath(
    const QCommandLineParser& parser, const QCommandLineOption& option, Clock& clock)
{
    if (parser.isSet(option))
        return parser.value(option);
    NativeSettingsStore settings(clock);
    if (const std::optional<QString> chosen = settings.readText(kArchivePathKey);
        chosen && !chosen->isEmpty())
        return *chosen;
    return archive::defaultArchivePath(desktopDataFolder());
}

bool desktopArchiveAddsOff(Clock& clock)
{
    NativeSettingsStore settings(clock);
    const std::optional<qint32> enabled = settings.readInt(kArchiveEnabledKey);
    return enabled && *enabled == 0;
}

archive::Archive::Opened openArchive(
    const QString& path, Clock& clock, archive::Archive::Access access, QTextStream& err)
{
    archive::Archive::Opened opened = archive::Archive::open(path, clock, access);
    if (!opened.movedAside.isEmpty())
        err << QDir::toNativeSeparators(path) << " was damaged or no archive; it was moved to "
            << QDir::toNativeSeparators(opened.movedAside) << " and a new archive was made.\n";
    if (!opened.archive)
        err << "The archive cannot be opened: " << endSentence(opened.error) << '\n';
    return opened;
}

void archiveDownload(const QString& path, Clock& clock, const DataSetStore& store,
    const MemoryImage& image, const QString& source, QTextStream& err)
{
    const archive::Archive::Opened opened
        = archive::Archive::open(path, clock, archive::Archive::Access::ReadWrite);
    if (!opened.movedAside.isEmpty())
        err << QDir::toNativeSeparators(path) << " was damaged or no archive; it was moved to "
            << QDir::toNativeSeparators(opened.movedAside) << " and a new archive was made.\n";
    if (!opened.archive) {
        err << "The sets were not archived: " << endSentence(opened.error) << '\n';
        return;
    }
    const archive::AddOutcome added = opened.archive->add(store, image, source);
    if (!added.ok) {
        err << "The sets were not archived: " << endSentence(added.error) << '\n';
        return;
    }
    err << "Archived " << added.newSets << " new " << (added.newSets == 1 ? "set" : "sets") << ", "
        << added.knownSets << " already there.\n";
}

} // namespace tc4dl::cli
