// tc4dl-cli setup: the four logger set-up commands.

#include "DataSetText.h"
#include "ExitCode.h"
#include "IntervalInput.h"
#include "LoggerCommands.h"
#include "MemoryHeader.h"
#include "MeterConnection.h"
#include "Output.h"
#include "SetupCommand.h"
#include "SetupMessages.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QEventLoop>

namespace tc4dl::cli {

namespace {
const char* const kSetupUsage
    = "Usage: tc4dl-cli setup info | clock | interval MM:SS | erase --yes "
      "[--port DEVICE | --demo]\n";

QString meterTimeText(const TimeReply& reply)
{
    const MeterTime t = meterTime(reply, QLocale::c());
    return t.time ? isoTimeText(*t.time) : t.text;
}

QString hex2(quint8 b)
{
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

int failure(const SetupReport& report, QTextStream& err)
{
    if (report.error == SetupExchange::kBorrowFailed) {
        err << "The meter's port could not be taken from the live link.\n";
        return report.refusal == LeaseRefusal::PortNotOpened ? CannotOpen : LinkLost;
    }
    if (report.portError) {
        err << "The link to the meter failed during the command.\n";
        return LinkLost;
    }
    err << "The meter did not answer the command (error code " << report.error << ").\n";
    return NoAnswer;
}

int printResult(const SetupReport& report, QTextStream& out, QTextStream& err)
{
    if (!report.succeeded)
        return failure(report, err);
    switch (report.command) {
    case SetupExchange::Command::SetMeterClock:
        out << "Meter time updated; the meter reports "
            << (report.timeReply ? meterTimeText(*report.timeReply) : QString()) << ".\n";
        break;
    case SetupExchange::Command::SetRecordingInterval:
        out << "Recording interval set.\n";
        break;
    case SetupExchange::Command::EraseLoggerMemory:
        out << "Memory erased.\n";
        break;
    case SetupExchange::Command::ReadLoggerInfo: {
        const std::optional<MemoryHeader> header = MemoryHeader::read(report.headerBlock);
        if (!header || !report.timeReply) {
            err << "The meter's answer was incomplete.\n";
            return NoAnswer;
        }
        out << "Meter time: " << meterTimeText(*report.timeReply) << '\n'
            << "Recording interval: " << hex2(header->intervalMinutes) << ':'
            << hex2(header->intervalSeconds) << '\n'
            << "Data sets: " << header->setCount << '\n'
            << "Memory available: " << memoryAvailable(header->lastAddress) << " samples\n";
        break;
    }
    }
    return Ok;
}
} // namespace

int runSetup(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The logger set-up commands: info reads the meter's time, interval, data "
                       "sets and free memory; clock sets the meter's clock to the computer's; "
                       "interval MM:SS sets the recording interval (00:01 to 60:60); erase "
                       "--yes erases the logger memory.\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("setup"), QStringLiteral("The command."));
    parser.addPositionalArgument(
        QStringLiteral("info|clock|interval|erase"), QStringLiteral("What to do."));
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("Use this serial port (COM3, ttyUSB0, /dev/pts/4)."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("Look on the built-in simulated meter too."));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Confirm the erase."));
    parser.addOptions({ port, demo, yes });
    if (const std::optional<int> code = parseOrEnd(parser, arguments, kSetupUsage, out, err))
        return *code;
    const QStringList args = parser.positionalArguments();
    const QString what = args.value(1);
    const int expected = what == QLatin1String("interval") ? 3 : 2;
    if (args.size() != expected
        || !QStringList { "info", "clock", "interval", "erase" }.contains(what)) {
        err << "Unknown or incomplete setup command.\n" << kSetupUsage;
        return Usage;
    }
    if (parser.isSet(port) && parser.isSet(demo)) {
        err << "Give either --port or --demo, not both.\n";
        return Usage;
    }
    if (what == QLatin1String("erase") && !parser.isSet(yes)) {
        err << "Erasing deletes every data set in the meter: give --yes to confirm.\n";
        return Usage;
    }
    std::optional<IntervalSetting> interval;
    if (what == QLatin1String("interval")) {
        // Checked before the port is touched, as the set-up window does.
        const QStringList parts = args.at(2).split(QLatin1Char(':'));
        if (parts.size() == 2)
            interval = parseIntervalInput(parts.at(0), parts.at(1));
        if (!interval) {
            err << "Invalid Input: \"" << args.at(2)
                << "\" is not an interval MM:SS from 00:01 to 60:60.\n";
            return InvalidInput;
        }
    }

    MeterConnection meter;
    if (const int code = meter.connect(parser.value(port), parser.isSet(demo), err); code != Ok)
        return code;
    // From here a signal waits for the exchange to end: an erase or an interval write cut off
    // half-way leaves the meter in a state nobody knows.
    const stop::CleanupScope cleanup;
    // Built only now: the clock frame carries the computer's time of the command.
    SetupExchange exchange = what == QLatin1String("info") ? SetupExchange::readLoggerInfo()
        : what == QLatin1String("clock") ? SetupExchange::setMeterClock(meter.clock().now())
        : what == QLatin1String("erase")
        ? SetupExchange::eraseLoggerMemory()
        : SetupExchange::setRecordingInterval(interval->minutesBcd, interval->secondsBcd);
    SetupCommand command(meter.clock(), meter.session());
    SetupReport report;
    QEventLoop loop;
    QObject::connect(&command, &SetupCommand::finished, &loop, [&](const SetupReport& r) {
        report = r;
        loop.quit();
    });
    if (command.start(std::move(exchange)))
        loop.exec();
    // What the meter did is said also when a signal came meanwhile; the exit code tells the
    // signal.
    const int code = printResult(report, out, err);
    return stop::requested() ? stop::exitCode() : code;
}

} // namespace tc4dl::cli
