#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

class QCoreApplication;

namespace tc4dl::cli {

// The commands of tc4dl-cli. Each takes the whole argument list (program name and command
// first) and returns the exit code; a stop signal is asked of StopSignals.h.
// monitor runs the application's event loop until the last reading or a stop.
int runMonitor(
    QCoreApplication& app, const QStringList& arguments, QTextStream& out, QTextStream& err);
int runDownload(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runSets(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runAlarms(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runExport(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runArchive(const QStringList& arguments, QTextStream& out, QTextStream& err);
int runSetup(const QStringList& arguments, QTextStream& out, QTextStream& err);
// `record` runs the event loop of `app` until it stops.
int runRecord(
    QCoreApplication& app, const QStringList& arguments, QTextStream& out, QTextStream& err);

// The exit codes, for every command's --help.
[[nodiscard]] QString exitCodeHelp();

} // namespace tc4dl::cli
