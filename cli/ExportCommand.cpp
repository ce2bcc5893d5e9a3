// tc4dl-cli export: the samples of a collection file as CSV.

#include "DataSetText.h"
#include "ExitCode.h"
#include "LoggerCommands.h"

#include <QCommandLineParser>
#include <QSaveFile>

namespace tc4dl::cli {

namespace {
const char* const kUsage = "Usage: tc4dl-cli export FILE.ch4 [--set N] [-o OUT.csv]\n";

void writeSets(const DataSetStore& store, int only, QTextStream& out)
{
    out << exportCsvHeader() << '\n';
    for (int k = 0; k < store.setCount(); ++k)
        if (only < 0 || k == only)
            writeExportLines(store, k, out);
}
} // namespace

int runExport(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the samples of one data set, or of all, as CSV: "
                       "set,time,T1,T2,T3,T4,unit.\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("export"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("FILE.ch4"), QStringLiteral("The file."));
    const QCommandLineOption set(
        QStringLiteral("set"), QStringLiteral("Only data set N (from 1)."), QStringLiteral("N"));
    const QCommandLineOption output(QStringLiteral("o"),
        QStringLiteral("Write to this file instead of the standard output."),
        QStringLiteral("OUT.csv"));
    parser.addOptions({ set, output });
    if (!parser.parse(arguments)) {
        err << parser.errorText() << '\n' << kUsage;
        return Usage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText();
        return Ok;
    }
    if (parser.positionalArguments().size() != 2) {
        err << "Give one collection file.\n" << kUsage;
        return Usage;
    }
    int only = -1;
    if (parser.isSet(set)) {
        bool ok = false;
        only = parser.value(set).toInt(&ok) - 1;
        if (!ok || only < 0) {
            err << "--set needs a data set number of 1 or more, not \"" << parser.value(set)
                << "\".\n";
            return InvalidInput;
        }
    }
    DataSetStore store;
    if (const int code = loadCollection(parser.positionalArguments().at(1), store, err); code != Ok)
        return code;
    if (only >= store.setCount()) {
        err << "There is no data set " << only + 1 << ": the file holds " << store.setCount()
            << ".\n";
        return InvalidInput;
    }
    if (!parser.isSet(output)) {
        writeSets(store, only, out);
        return Ok;
    }
    // Never a partial file: the old one stays until the whole new one is written.
    QSaveFile file(parser.value(output));
    if (file.open(QIODevice::WriteOnly)) {
        QTextStream stream(&file);
        writeSets(store, only, stream);
        stream.flush();
        if (stream.status() == QTextStream::Ok && file.commit())
            return Ok;
    }
    err << "Cannot write " << parser.value(output) << ": " << file.errorString() << ".\n";
    file.cancelWriting();
    return CannotWrite;
}

} // namespace tc4dl::cli
