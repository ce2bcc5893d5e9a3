#pragma once

#include "Archive.h"

#include <QCommandLineOption>
#include <QTextStream>

class QCommandLineParser;

namespace tc4dl {
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
[[nodiscard]] QString archivePath(
    const QCommandLineParser& parser, const QCommandLineOption& option, QString* refusal);
// Whether the desktop program's archive settings switched adding downloads off: `ArchiveEnabled`
// 0 is off, 1 or none on, as the program writes it; any other value is said on `err` and leaves
// adding on, as the program reads it.
[[nodiscard]] bool desktopArchiveAddsOff(QTextStream& err);

// An archive failure as the end of an English sentence (no full stop).
[[nodiscard]] QString archiveErrorSentence(const archive::ArchiveError& error);

// Opens the archive and says on `err` what went wrong, where a damaged file was moved and
// where a journal that was not its own was set aside.
[[nodiscard]] archive::Archive::Opened openArchive(
    const QString& path, archive::Archive::Access access, QTextStream& err);

// Adds a download's sets and says how many were new. A failure is said once on `err`; it
// never changes the download's own result, so nothing is returned.
void archiveDownload(const QString& path, const DataSetStore& store, const MemoryImage& image,
    const QString& source, QTextStream& err);

} // namespace tc4dl::cli
