// tc4dl-cli sets: the data-set list of a collection file.

#include "Clock.h"
#include "DataSetText.h"
#include "ExitCode.h"
#include "LoggerCommands.h"
#include "Output.h"

#include <QCommandLineParser>

namespace tc4dl::cli {

int runSets(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the data-set list of a collection file.\n") + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("sets"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("FILE.ch4"), QStringLiteral("The file."));
    const QCommandLineOption csv(QStringLiteral("csv"),
        QStringLiteral("CSV: set,start,interval_s,samples,unit, one line per set."));
    parser.addOption(csv);
    if (!parser.parse(arguments)) {
        err << parser.errorText() << "\nUsage: tc4dl-cli sets FILE.ch4 [--csv]\n";
        return Usage;
    }
    if (printHelpIfAsked(parser, out))
        return Ok;
    if (parser.positionalArguments().size() != 2) {
        err << "Give one collection file.\nUsage: tc4dl-cli sets FILE.ch4 [--csv]\n";
        return Usage;
    }
    SystemClock clock;
    DataSetStore store;
    if (const int code = loadCollection(parser.positionalArguments().at(1), clock, store, err);
        code != Ok)
        return code;
    if (parser.isSet(csv)) {
        out << setsCsvHeader() << '\n';
        for (int k = 0; k < store.setCount(); ++k)
            out << setsCsvLine(store, k) << '\n';
    } else {
        for (const QString& line : setsTable(store))
            out << line << '\n';
    }
    return Ok;
}

} // namespace tc4dl::cli
