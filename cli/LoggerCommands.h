#pragma once

#include <QStringList>
#include <QTextStream>

namespace tc4dl::cli {

// The logger commands of tc4dl-cli. Each takes the whole argument list (program name and
// command first) and returns the exit code; a stop signal is asked of StopSignals.h.
int runDownload(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runSets(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runAlarms(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runExport(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runArchive(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runSetup(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runReport(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The exit codes, for every command's --help.
[[nodiscard]] QString exitCodeHelp();

} // namespace tc4dl::cli
