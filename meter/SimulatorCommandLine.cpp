#include "SimulatorCommandLine.h"

#include <QCommandLineParser>

namespace tc4dl {

namespace {

// Options that take a whole number, where it goes and the least value allowed.
struct NumberOption {
    const char* name;
    qint64 minimum;
    qint64 maximum;
    const char* valueName;
    const char* help;
};

constexpr qint64 kIntMax = 0x7FFFFFFF;

const NumberOption kNumberOptions[] = {
    { "junk", 0, kIntMax, "n", "Send <n> random bytes before each frame." },
    { "split", 0, kIntMax, "n", "Send replies in parts of <n> bytes." },
    { "silent-after", 0, kIntMax, "n", "Stop answering after <n> polls, as if unplugged." },
    { "resume-after", 0, kIntMax, "m",
        "With --silent-after: answer again after <m> unanswered polls." },
    { "corrupt-every", 1, kIntMax, "n",
        "Logger transfer: every <n>th block sent (repeats included) has a wrong checksum." },
    { "stall-block", 1, kIntMax, "n",
        "Logger transfer: block <n> (from 1) stops half-way the first time it is sent." },
    { "hang-up-after", 1, kIntMax, "n",
        "Logger transfer: hang up after <n> blocks (the line falls silent)." },
    { "report-size", 1, LoggerMemory::kMaxImageSize, "bytes",
        "Logger transfer: the first block tells this memory size (e.g. 255 or 131073)." },
    { "unanswered-starts", 0, kIntMax, "n",
        "Logger transfer: leave the first <n> transfer starts unanswered." },
    { "bad-end-mark", 1, LoggerMemory::kMaxSets, "k",
        "Logger transfer: data set <k> (from 1) goes out with a broken end mark." },
};

std::optional<qint64> number(
    const QCommandLineParser& parser, const NumberOption& option, QString* error)
{
    const QString name = QLatin1String(option.name);
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (ok && value >= option.minimum && value <= option.maximum)
        return value;
    *error = QStringLiteral("--%1 needs a whole number from %2 to %3, not \"%4\"")
                 .arg(name)
                 .arg(option.minimum)
                 .arg(option.maximum)
                 .arg(parser.value(name));
    return std::nullopt;
}

// Stores a number option's value where it belongs.
void apply(SimulatorSettings& s, const QString& name, qint64 value)
{
    const int v = static_cast<int>(std::min(value, kIntMax));
    LoggerFaults& f = s.meter.loggerFaults;
    if (name == QLatin1String("junk"))
        s.meter.junkBetweenFrames = v;
    else if (name == QLatin1String("split"))
        s.split = v;
    else if (name == QLatin1String("silent-after"))
        s.meter.silentAfterPolls = v;
    else if (name == QLatin1String("resume-after"))
        s.meter.resumeAfterPolls = v;
    else if (name == QLatin1String("corrupt-every"))
        f.corruptEveryNthBlock = v;
    else if (name == QLatin1String("stall-block"))
        f.stallBlock = v;
    else if (name == QLatin1String("hang-up-after"))
        f.hangUpAfterBlocks = v;
    else if (name == QLatin1String("report-size"))
        f.reportedSize = value;
    else if (name == QLatin1String("unanswered-starts"))
        f.unansweredStarts = v;
    else if (name == QLatin1String("bad-end-mark"))
        f.badEndMarkSet = v;
}

bool readMemoryAndClock(const QCommandLineParser& parser, SimulatorSettings& s, QString* error)
{
    const QString memory = parser.value(QStringLiteral("memory"));
    if (!memory.isEmpty()) {
        const std::optional<LoggerMemory> loaded = LoggerMemory::fromFile(memory, error);
        if (!loaded)
            return false;
        s.meter.memoryImage = loaded->image();
    }
    s.meter.demoMemory = !parser.isSet(QStringLiteral("empty-memory"));
    if (parser.isSet(QStringLiteral("clock"))) {
        const QString text = parser.value(QStringLiteral("clock"));
        const QDateTime t = QDateTime::fromString(text, Qt::ISODate);
        if (!t.isValid()) {
            *error = QStringLiteral("--clock needs a date and time such as 2013-04-15T14:05:09, "
                                    "not \"%1\"")
                         .arg(text);
            return false;
        }
        s.meter.clockAtZero = t; // the caller's tick 0 is the start
    }
    return true;
}

} // namespace

SimulatedMeter SimulatorSettings::makeMeter(const QDateTime& now, qint64 nowMs) const
{
    MeterOptions options = meter;
    if (!options.clockAtZero.isValid())
        options.clockAtZero = now.addMSecs(-nowMs);
    SimulatedMeter m(std::move(options));
    for (const int channel : openChannels)
        m.setChannelOpen(channel, true);
    if (recording)
        m.setRecording(true, nowMs);
    return m;
}

void SimulatorCommandLine::addOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        { QStringLiteral("model"), QStringLiteral("Meter model: 740 or 735."),
            QStringLiteral("code"), QStringLiteral("740") },
        { QStringLiteral("no-pacing"),
            QStringLiteral("Send replies at once instead of at 960 bytes a second.") },
        { QStringLiteral("other-device"),
            QStringLiteral("Behave like some other device: answer everything with non-meter "
                           "bytes.") },
        { QStringLiteral("open-channel"),
            QStringLiteral("Show channel <n> (1 to 4) as an open thermocouple; may be repeated."),
            QStringLiteral("n") },
        { QStringLiteral("loose-channel"),
            QStringLiteral("Channel <n> (1 to 4) is a loose thermocouple: open in every other "
                           "reading, the first one included; may be repeated."),
            QStringLiteral("n") },
        { QStringLiteral("seed"), QStringLiteral("Seed of the temperature drift and the junk."),
            QStringLiteral("n") },
        { QStringLiteral("recording"),
            QStringLiteral("Start with REC on: a new data set is being recorded.") },
        { QStringLiteral("memory"),
            QStringLiteral("Logger memory: the image in <file> (a .ch4 collection file is one)."),
            QStringLiteral("file") },
        { QStringLiteral("empty-memory"),
            QStringLiteral("Start with an erased logger memory instead of three recorded data "
                           "sets.") },
        { QStringLiteral("clock"),
            QStringLiteral("The meter's clock at the start, e.g. 2013-04-15T14:05:09 (default: "
                           "the computer's)."),
            QStringLiteral("time") },
        { QStringLiteral("no-size-answer"),
            QStringLiteral("Logger transfer: never answer a transfer start (no size).") },
        { QStringLiteral("double-ready"),
            QStringLiteral("Set-up commands: answer every command with two ready bytes.") },
    });
    for (const NumberOption& o : kNumberOptions)
        parser.addOption(
            { QLatin1String(o.name), QLatin1String(o.help), QLatin1String(o.valueName) });
}

std::optional<SimulatorSettings> SimulatorCommandLine::read(
    const QCommandLineParser& parser, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    SimulatorSettings s;
    s.paced = !parser.isSet(QStringLiteral("no-pacing"));
    s.recording = parser.isSet(QStringLiteral("recording"));
    s.meter.otherDevice = parser.isSet(QStringLiteral("other-device"));
    s.meter.loggerFaults.doubleReady = parser.isSet(QStringLiteral("double-ready"));
    if (parser.isSet(QStringLiteral("no-size-answer")))
        s.meter.loggerFaults.unansweredStarts = -1;
    s.meter.model = parser.value(QStringLiteral("model")).toInt();
    if (s.meter.model != 740 && s.meter.model != 735) {
        *error = QStringLiteral("--model is 740 or 735");
        return std::nullopt;
    }
    for (const NumberOption& o : kNumberOptions) {
        const QString name = QLatin1String(o.name);
        if (!parser.isSet(name))
            continue;
        const std::optional<qint64> value = number(parser, o, error);
        if (!value)
            return std::nullopt;
        apply(s, name, *value);
    }
    if (parser.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        s.meter.seed = parser.value(QStringLiteral("seed")).toUInt(&ok);
        if (!ok) {
            *error = QStringLiteral("--seed needs a whole number from 0 to 4294967295");
            return std::nullopt;
        }
    }
    for (const QString& option :
        { QStringLiteral("open-channel"), QStringLiteral("loose-channel") }) {
        for (const QString& text : parser.values(option)) {
            const int channel = text.toInt();
            if (channel < 1 || channel > SimulatedMeter::kChannels) {
                *error
                    = QStringLiteral("--%1 is a channel from 1 to 4, not \"%2\"").arg(option, text);
                return std::nullopt;
            }
            if (option == QLatin1String("open-channel"))
                s.openChannels << channel - 1;
            else
                s.meter.looseChannels |= 1 << (channel - 1);
        }
    }
    if (!readMemoryAndClock(parser, s, error))
        return std::nullopt;
    return s;
}

} // namespace tc4dl
