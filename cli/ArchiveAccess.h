#pragma once

#include "Archive.h"
#include "ArchiveErrorSentence.h"

#include <QCommandLineOption>
#include <QTextStream>

class QCommandLineParser;

namespace tc4dl {
class Clock;
class DataSetStore;
class MemoryImage;
} // namespace tc4dl

namespace tc4dl::cli {

// --archive PATH, accepted by download and every archive command.
[[nodiscard]] QCommandLineOption archivePathOption();
// The archive the command works on: --archive (against the current folder), else the one the
// desktop program uses (the file its archive settings chose, or the default one in its data
// folder). A file in the Settings that is no full path is refused: empty, and `*refusal` the
// sentence why.
[[nodiscard]] QString archivePath(const QCommandLineParser& parser,
    const QCommandLineOption& option, Clock& clock, QString* refusal);
// The desktop program's per-user data folder (where its archive is by default).
[[nodiscard]] QString desktopDataFolder();
// Whether the desktop program's archive settings switched adding downloads off: `ArchiveEnabled`
// 0 is off, 1 or none on, as the program writes it; any other value is said on `err` and leaves
// adding on, as the program reads it.
[[nodiscard]] bool desktopArchiveAddsOff(Clock& clock, QTextStream& err);

// Opens the archive and says on `err` what went wrong, where a damaged file was moved and
// where a journal that was not its own was set aside.
[[nodiscard]] archive::Archive::Opened openArchive(
    const QString& path, Clock& clock, archive::Archive::Access access, QTextStream& err);

// Adds a download's sets and says how many were new. A failure is said once on `err`; it
// never changes the download's own result, so nothing is returned.
void archiveDownload(const QString& path, Clock& clock, const DataSetStore& store,
    const MemoryImage& image, const QString& source, QTextStream& err);

} // namespace tc4dl::cli
