// tc4dl-cli report: a PDF record of a collection file's sets, a graph file or archived sets.

#include "ReportCommand.h"

#include "AlarmOptions.h"
#include "Archive.h"
#include "ArchiveRun.h"
#include "ChartModel.h"
#include "Clock.h"
#include "DataSetText.h"
#include "DecodeMemoryImage.h"
#include "ExitCode.h"
#include "GraphStateFile.h"
#include "LoggerCommands.h"
#include "Output.h"
#include "ReportWriter.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace tc4dl::cli {

namespace {

const char* const kReportUsage
    = "Usage: tc4dl-cli report FILE.ch4 [--set N] [OPTIONS] -o OUT.pdf\n"
      "       tc4dl-cli report FILE.ghf [--unit C|F] [OPTIONS] -o OUT.pdf\n"
      "       tc4dl-cli archive report ID... [OPTIONS] -o OUT.pdf [--archive PATH|URI]\n"
      "OPTIONS: [--alarm SPEC]... [--hysteresis H] [--title T] [--site S] [--operator O]\n"
      "         [--mkt-dh KJ] [--lang en|de] [--paper a4|letter]\n";

std::optional<QString> chosen(const QCommandLineParser& parser, const char* name,
    const QStringList& allowed, QTextStream& err)
{
    const QString option = QString::fromLatin1(name);
    if (!parser.isSet(option))
        return QString();
    const QString value = parser.value(option).toLower();
    if (allowed.contains(value))
        return value;
    err << "--" << option << " takes " << allowed.join(QStringLiteral(" or ")) << ", not \""
        << parser.value(option) << "\".\n";
    return std::nullopt;
}

// The options as the report takes them; InvalidInput with one sentence when a value is not one.
int readOptions(const QCommandLineParser& parser, Clock& clock, report::ReportOptions& options,
    QTextStream& err)
{
    AlarmOptions alarms;
    if (readAlarmOptions(parser, alarms, err) != Ok)
        return InvalidInput;
    options.limits.rules = alarms.rules;
    options.limits.hysteresis = alarms.hysteresisPerChannel();
    options.title = parser.value(QStringLiteral("title"));
    options.site = parser.value(QStringLiteral("site"));
    options.operatorName = parser.value(QStringLiteral("operator"));
    options.made = clock.now();
    options.program = QStringLiteral("TC4DL " TC4DL_VERSION);
    if (parser.isSet(QStringLiteral("mkt-dh"))) {
        bool ok = false;
        const QString text = parser.value(QStringLiteral("mkt-dh"));
        const double dh = text.toDouble(&ok);
        if (!ok || !(dh >= report::kLeastActivationEnergy && dh <= report::kMostActivationEnergy)) {
            err << "--mkt-dh needs an activation energy from 60 to 120 kJ/mol with a decimal "
                   "point, not \""
                << text << "\".\n";
            return InvalidInput;
        }
        options.activationEnergy = dh;
    }
    const std::optional<QString> lang
        = chosen(parser, "lang", { QStringLiteral("en"), QStringLiteral("de") }, err);
    const std::optional<QString> paper
        = chosen(parser, "paper", { QStringLiteral("a4"), QStringLiteral("letter") }, err);
    if (!lang || !paper)
        return InvalidInput;
    // English with the C locale's numbers and dates unless German is asked for: the same
    // report on every machine.
    const bool german = *lang == QLatin1String("de");
    options.language = german ? Language::German : Language::English;
    options.locale = german ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c();
    options.paper = paper->isEmpty()
        ? report::paperForLocale(QLocale::system())
        : (*paper == QLatin1String("letter") ? QPageSize::Letter : QPageSize::A4);
    return Ok;
}

int writeReportTo(const report::ReportRun& run, const report::ReportOptions& options,
    const QString& output, QTextStream& out, QTextStream& err)
{
    if (isatty(fileno(stderr)))
        err << "Drawing the report of " << run.points() << " samples…\n" << Qt::flush;
    int pages = 0;
    const QByteArray pdf = report::renderReport(run, options, &pages);
    if (stop::requested()) {
        err << stop::sentence();
        return stop::exitCode();
    }
    if (pdf.isEmpty()) {
        err << "The report could not be drawn; nothing was written.\n";
        return CannotWrite;
    }
    const int code = writeBytesOutput(output, pdf, out, err);
    if (code == Ok && output != QLatin1String("-"))
        err << "Wrote " << output << " (" << pages << (pages == 1 ? " page).\n" : " pages).\n");
    return code;
}

QByteArray fileSha256(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}

int reportGraphFile(const QString& path, const QCommandLineParser& parser,
    const report::ReportOptions& options, QTextStream& out, QTextStream& err)
{
    const std::optional<QString> unit
        = chosen(parser, "unit", { QStringLiteral("c"), QStringLiteral("f") }, err);
    if (!unit)
        return InvalidInput;
    chart::ChartModel graph;
    QString error;
    if (!chart::loadGraphState(graph, path, &error)) {
        err << "Cannot read " << path << ": " << endSentence(error) << '\n';
        return CannotRead;
    }
    // A graph file does not record its unit: only --unit gives it (and with it the MKT).
    std::optional<bool> celsius;
    if (!unit->isEmpty())
        celsius = *unit == QLatin1String("c");
    report::ReportRun run = report::runOfGraph(graph, celsius);
    run.source = { report::RunSource::Kind::GraphFile, QFileInfo(path).fileName() };
    run.parts.front().sha256 = fileSha256(path);
    return writeReportTo(run, options, parser.value(QStringLiteral("o")), out, err);
}

int reportCollection(const QString& path, const QCommandLineParser& parser, Clock& clock,
    const report::ReportOptions& options, QTextStream& out, QTextStream& err)
{
    DataSetStore store;
    MemoryImage image;
    int only = -1;
    const QString set = QStringLiteral("set");
    if (const int code
        = loadChosenSets(path, parser.isSet(set) ? std::optional(parser.value(set)) : std::nullopt,
            clock, store, only, err, &image);
        code != Ok)
        return code;
    std::vector<int> sets;
    for (int k = 0; k < store.setCount(); ++k)
        if (only < 0 || k == only)
            sets.push_back(k);
    std::optional<report::ReportRun> run
        = report::runOfSets(store, image.data(), sets, report::RunPart::Origin::FileSet);
    if (!run) {
        err << "The data sets of " << path
            << " are in °C and in °F, and one report shows one unit: give --set N.\n";
        return InvalidInput;
    }
    run->source = { report::RunSource::Kind::File, QFileInfo(path).fileName() };
    return writeReportTo(*run, options, parser.value(QStringLiteral("o")), out, err);
}

} // namespace

QList<QCommandLineOption> reportOptions()
{
    return {
        alarmOption(),
        hysteresisOption(),
        { QStringLiteral("title"), QStringLiteral("report: its title (\"Temperature record\")."),
            QStringLiteral("T") },
        { QStringLiteral("site"), QStringLiteral("report: the site or object."),
            QStringLiteral("S") },
        { QStringLiteral("operator"), QStringLiteral("report: who made the record."),
            QStringLiteral("O") },
        { QStringLiteral("mkt-dh"),
            QStringLiteral("report: the activation energy of the MKT, 60 to 120 kJ/mol "
                           "(83.144)."),
            QStringLiteral("KJ") },
        { QStringLiteral("lang"), QStringLiteral("report: en (English, the default) or de."),
            QStringLiteral("en|de") },
        { QStringLiteral("paper"),
            QStringLiteral("report: a4 or letter (the default follows the locale)."),
            QStringLiteral("a4|letter") },
    };
}

int runReport(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Writes a record of a run as a PDF to hand on: the run, its graph, per channel the\n"
            "minimum and maximum with their times, mean, standard deviation, MKT (mean kinetic\n"
            "temperature) and the counts, per --alarm limit the crossings (with the hysteresis,\n"
            "as `alarms` finds them), the time outside and the longest excursion, the notes on a\n"
            "graph, the SHA-256 of the data and a signature line.\n"
            "A collection file's sets go into one report as one timeline (all in one unit), or\n"
            "--set N alone. A graph file does not record its unit: --unit gives it.\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("report"), QStringLiteral("The command."));
    parser.addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("A collection file (.ch4) or a graph file (.ghf)."));
    parser.addOptions(reportOptions());
    parser.addOptions({
        { QStringLiteral("set"), QStringLiteral("Only data set N (from 1)."), QStringLiteral("N") },
        { QStringLiteral("unit"), QStringLiteral("A graph file's unit: C or F."),
            QStringLiteral("C|F") },
        { QStringLiteral("o"),
            QStringLiteral("The PDF to write (- is the standard output; a file is replaced as "
                           "a whole)."),
            QStringLiteral("OUT.pdf") },
    });
    if (const std::optional<int> code = parseOrEnd(parser, arguments, kReportUsage, out, err))
        return *code;
    if (parser.positionalArguments().size() != 2) {
        err << "Give one collection file or graph file.\n" << kReportUsage;
        return Usage;
    }
    if (!parser.isSet(QStringLiteral("o"))) {
        err << "Give the PDF to write with -o OUT.pdf.\n" << kReportUsage;
        return Usage;
    }
    const QString path = parser.positionalArguments().at(1);
    const bool graphFile
        = QFileInfo(path).suffix().compare(QLatin1String("ghf"), Qt::CaseInsensitive) == 0;
    if (graphFile && parser.isSet(QStringLiteral("set"))) {
        err << "--set is for collection files; a graph file holds one graph.\n" << kReportUsage;
        return Usage;
    }
    if (!graphFile && parser.isSet(QStringLiteral("unit"))) {
        err << "--unit is for graph files; a collection file records each set's unit.\n"
            << kReportUsage;
        return Usage;
    }
    SystemClock clock;
    report::ReportOptions options;
    if (const int code = readOptions(parser, clock, options, err); code != Ok)
        return code;
    return graphFile ? reportGraphFile(path, parser, options, out, err)
                     : reportCollection(path, parser, clock, options, out, err);
}

int reportArchivedSets(const archive::Archive& db, Clock& clock, const QString& archivePath,
    const std::vector<qint64>& ids, const QCommandLineParser& parser, QTextStream& out,
    QTextStream& err)
{
    if (!parser.isSet(QStringLiteral("o"))) {
        err << "Give the PDF to write with -o OUT.pdf.\n" << kReportUsage;
        return Usage;
    }
    report::ReportOptions options;
    if (const int code = readOptions(parser, clock, options, err); code != Ok)
        return code;
    const report::ArchiveRun made = report::runOfArchivedSets(db, ids, clock.now());
    switch (made.problem) {
    case report::ArchiveRun::Problem::None:
        break;
    case report::ArchiveRun::Problem::NoSuchSet:
        err << "There is no set " << made.first << " in the archive.\n";
        return InvalidInput;
    case report::ArchiveRun::Problem::Overlap:
        err << "Sets " << made.first << " and " << made.second
            << " share time (the meter's clock was set back between them), and one timeline "
               "cannot show both: leave one out.\n";
        return InvalidInput;
    case report::ArchiveRun::Problem::MixedUnits:
        err << "The chosen sets are in °C and in °F, and one report shows one unit.\n";
        return InvalidInput;
    case report::ArchiveRun::Problem::Unreadable:
        err << "The chosen sets cannot be read from the archive: "
            << endSentence(
                   made.why.isEmpty() ? QStringLiteral("a stored set is damaged") : made.why)
            << '\n';
        return ArchiveFailed;
    }
    if (made.leftOut > 0)
        err << "Left out " << made.leftOut
            << " set(s) whose readings a longer download of the same run holds.\n";
    report::ReportRun run = *made.run;
    run.source.detail = archivePath;
    return writeReportTo(run, options, parser.value(QStringLiteral("o")), out, err);
}

} // namespace tc4dl::cli
