#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

namespace tc4dl {

// The folder of the program's shipped files (help page, default graph template) in an
// installed tree: bin/tc4dl finds them in share/tc4dl. A program run from its build folder or
// unpacked into one folder (as on Windows) keeps them beside itself, so that comes first.
inline constexpr const char* kInstalledDataFolder = "../share/tc4dl";

[[nodiscard]] inline QStringList shippedFileFolders(const QString& programFolder)
{
    if (programFolder.isEmpty())
        return {};
    return { programFolder,
        QDir::cleanPath(QDir(programFolder).filePath(QLatin1String(kInstalledDataFolder))) };
}

// The first of `folders` that holds `relativePath` as a file, or an empty string.
[[nodiscard]] inline QString findShippedFile(
    const QStringList& folders, const QString& relativePath)
{
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(relativePath);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

} // namespace tc4dl
