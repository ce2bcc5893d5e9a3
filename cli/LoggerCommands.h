#pragma once

#include <QStringList>
#include <QTextStream>

#include <atomic>

namespace tc4dl::cli {

// The logger commands of tc4dl-cli. Each takes the whole argument list (program name and
// command first) and returns the exit code. `interrupted` turns true on Ctrl-C.
int runDownload(const QStringList& arguments, QTextStream& out, QTextStream& err,
    const std::atomic<bool>& interrupted);
int runSets(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runExport(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runSetup(const QStringList& arguments, QTextStream& out, QTextStream& err,
    const std::atomic<bool>& interrupted);

// The exit codes, for every command's --help.
[[nodiscard]] QString exitCodeHelp();

} // namespace tc4dl::cli
