// tc4dl-cli alarms: the crossings of alarm limits in the data sets of a collection file.

#include "AlarmOptions.h"
#include "Clock.h"
#include "DataSetText.h"
#include "ExitCode.h"
#include "LoggerCommands.h"
#include "Output.h"

namespace tc4dl::cli {

namespace {
const char* const kAlarmsUsage
    = "Usage: tc4dl-cli alarms FILE.ch4 [--set N] --alarm SPEC... [--hysteresis H]\n";

void writeCrossings(const DataSetStore& store, int k, const AlarmOptions& alarms, QTextStream& out)
{
    const QDateTime start = setStart(store, k);
    const qint64 interval = store.interval(k);
    const std::vector<alarm::Crossing> crossings = alarm::crossingsInRun(store.setValues(k),
        store.startTime(k), double(interval), alarms.rules, alarms.hysteresisPerChannel());
    for (const alarm::Crossing& c : crossings) {
        out << k + 1 << ',' << isoTimeText(start.addSecs(c.sample * interval)) << ','
            << c.rule.specText() << ',' << alarmValueText(c.value) << '\n';
    }
}
} // namespace

int runAlarms(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists where the samples of the data sets cross alarm limits, as CSV: "
                       "set,time,alarm,value (limits in each set's unit).\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("alarms"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("FILE.ch4"), QStringLiteral("The file."));
    const QCommandLineOption set(
        QStringLiteral("set"), QStringLiteral("Only data set N (from 1)."), QStringLiteral("N"));
    parser.addOptions({ set, alarmOption(), hysteresisOption() });
    if (const std::optional<int> code = parseOrEnd(parser, arguments, kAlarmsUsage, out, err))
        return *code;
    if (parser.positionalArguments().size() != 2) {
        err << "Give one collection file.\n" << kAlarmsUsage;
        return Usage;
    }
    AlarmOptions alarms;
    if (const int code = readAlarmOptions(parser, alarms, err); code != Ok)
        return code;
    if (alarms.rules.empty()) {
        err << "Give at least one --alarm SPEC.\n" << kAlarmsUsage;
        return Usage;
    }
    SystemClock clock;
    DataSetStore store;
    int only = -1;
    if (const int code = loadChosenSets(parser.positionalArguments().at(1),
            parser.isSet(set) ? std::optional(parser.value(set)) : std::nullopt, clock, store, only,
            err);
        code != Ok)
        return code;
    out << "set,time,alarm,value\n";
    for (int k = 0; k < store.setCount(); ++k) {
        if (only < 0 || k == only)
            writeCrossings(store, k, alarms, out);
    }
    return Ok;
}

} // namespace tc4dl::cli
