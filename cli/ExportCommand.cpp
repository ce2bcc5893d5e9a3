// tc4dl-cli export: the samples of a collection file, or the points of a graph file, as CSV.

#include "Clock.h"
#include "DataSetCsv.h"
#include "DataSetText.h"
#include "ExitCode.h"
#include "GraphCsv.h"
#include "GraphStateFile.h"
#include "LoggerCommands.h"
#include "Output.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace tc4dl::cli {

namespace {
const char* const kExportUsage = "Usage: tc4dl-cli export FILE.ch4 [--set N] [-o OUT.csv]\n"
                                 "       tc4dl-cli export FILE.ghf [-o OUT.csv]\n";

// Ends early, with the sets so far written, once a stop signal came.
void writeSets(const DataSetStore& store, int only, QTextStream& out)
{
    out << dataSetCsvHeader() << '\n';
    for (int k = 0; k < store.setCount(); ++k) {
        if (stop::requested())
            return;
        if (only < 0 || k == only)
            writeDataSetCsvLines(store, k, out);
    }
}

int exportGraph(const QString& path, const QString& output, QTextStream& out, QTextStream& err)
{
    chart::ChartModel graph;
    QString error;
    if (!chart::loadGraphState(graph, path, &error)) {
        err << "Cannot read " << path << ": " << endSentence(error) << '\n';
        return CannotRead;
    }
    return writeOutput(
        output, [&](QTextStream& s) { writeGraphCsv(graph, s); }, out, err);
}
} // namespace

int runExport(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the samples of one data set, or of all, as CSV: "
                       "set,time,T1,T2,T3,T4,unit.\nGiven a graph file (.ghf), writes its "
                       "points: time,T1,T2,T3,T4 (an empty field: no data).\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("export"), QStringLiteral("The command."));
    parser.addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("A collection file (.ch4) or a graph file (.ghf)."));
    const QCommandLineOption set(
        QStringLiteral("set"), QStringLiteral("Only data set N (from 1)."), QStringLiteral("N"));
    const QCommandLineOption output(QStringLiteral("o"),
        QStringLiteral("Write to this file instead of the standard output (- is the standard "
                       "output; a device or pipe is written directly, /dev/stdout or /dev/fd/N "
                       "through that descriptor, appending where it was opened with >>; a file "
                       "is replaced as a whole)."),
        QStringLiteral("OUT.csv"));
    parser.addOptions({ set, output });
    if (const std::optional<int> code = parseOrEnd(parser, arguments, kExportUsage, out, err))
        return *code;
    if (parser.positionalArguments().size() != 2) {
        err << "Give one collection file or graph file.\n" << kExportUsage;
        return Usage;
    }
    const QString path = parser.positionalArguments().at(1);
    if (QFileInfo(path).suffix().compare(QLatin1String("ghf"), Qt::CaseInsensitive) == 0) {
        if (parser.isSet(set)) {
            err << "--set is for collection files; a graph file holds one graph.\n" << kExportUsage;
            return Usage;
        }
        return exportGraph(path, parser.isSet(output) ? parser.value(output) : QString(), out, err);
    }
    SystemClock clock;
    DataSetStore store;
    int only = -1;
    if (const int code
        = loadChosenSets(path, parser.isSet(set) ? std::optional(parser.value(set)) : std::nullopt,
            clock, store, only, err);
        code != Ok)
        return code;
    return writeOutput(
        parser.value(output), [&](QTextStream& s) { writeSets(store, only, s); }, out, err);
}

} // namespace tc4dl::cli
