// tc4dl-meter: a simulated meter on a pseudo-terminal. The program, the command-line tool and
// their tests open the printed device like any serial port, so the whole real port path is
// exercised without hardware.

#include "Clock.h"
#include "PtyMeterServer.h"
#include "SimulatedMeter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <optional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace {

using tc4dl::MeterOptions;

#ifdef Q_OS_UNIX
// A signal handler may do almost nothing; it writes one byte that the event loop picks up.
int g_signalPipe[2] = { -1, -1 };

extern "C" void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

bool quitOnTerminationSignals(QCoreApplication& app)
{
    if (::pipe(g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action { };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}
#else
bool quitOnTerminationSignals(QCoreApplication&)
{
    return true;
}
#endif

struct Settings {
    MeterOptions meter;
    bool paced = true;
    int split = 0;
    QList<int> openChannels;
};

void fail(const QString& text)
{
    std::fprintf(stderr, "tc4dl-meter: %s\n", qPrintable(text));
}

// A whole number of at least `minimum` from option `name`, or none after saying what is wrong.
std::optional<int> intValue(const QCommandLineParser& parser, const QString& name, int minimum)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum) {
        fail(QStringLiteral("--%1 needs a whole number of at least %2, not \"%3\"")
                 .arg(name)
                 .arg(minimum)
                 .arg(parser.value(name)));
        return std::nullopt;
    }
    return value;
}

std::optional<Settings> readSettings(const QCommandLineParser& parser)
{
    Settings s;
    s.paced = !parser.isSet(QStringLiteral("no-pacing"));
    s.meter.otherDevice = parser.isSet(QStringLiteral("other-device"));
    s.meter.model = parser.value(QStringLiteral("model")).toInt();
    if (s.meter.model != 740 && s.meter.model != 735) {
        fail(QStringLiteral("--model is 740 or 735"));
        return std::nullopt;
    }
    const struct {
        const char* name;
        int minimum;
        int* target;
    } numbers[] = {
        { "junk", 0, &s.meter.junkBetweenFrames },
        { "split", 0, &s.split },
        { "silent-after", 0, &s.meter.silentAfterPolls },
        { "resume-after", 0, &s.meter.resumeAfterPolls },
    };
    for (const auto& n : numbers) {
        const QString name = QLatin1String(n.name);
        if (!parser.isSet(name))
            continue;
        const auto value = intValue(parser, name, n.minimum);
        if (!value)
            return std::nullopt;
        *n.target = *value;
    }
    if (parser.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        s.meter.seed = parser.value(QStringLiteral("seed")).toUInt(&ok);
        if (!ok) {
            fail(QStringLiteral("--seed needs a whole number from 0 to 4294967295"));
            return std::nullopt;
        }
    }
    for (const QString& text : parser.values(QStringLiteral("open-channel"))) {
        const int channel = text.toInt();
        if (channel < 1 || channel > tc4dl::SimulatedMeter::kChannels) {
            fail(QStringLiteral("--open-channel is a channel from 1 to 4, not \"%1\"").arg(text));
            return std::nullopt;
        }
        s.openChannels << channel - 1;
    }
    return s;
}

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Serves a simulated TC4DL thermometer on a pseudo-terminal and prints its device path "
        "on the first line. Runs until interrupted."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        { QStringLiteral("model"), QStringLiteral("Meter model: 740 or 735."),
            QStringLiteral("code"), QStringLiteral("740") },
        { QStringLiteral("no-pacing"),
            QStringLiteral("Send replies at once instead of at 960 bytes a second.") },
        { QStringLiteral("junk"), QStringLiteral("Send <n> random bytes before each frame."),
            QStringLiteral("n") },
        { QStringLiteral("split"), QStringLiteral("Send replies in parts of <n> bytes."),
            QStringLiteral("n") },
        { QStringLiteral("silent-after"),
            QStringLiteral("Stop answering after <n> polls, as if unplugged."),
            QStringLiteral("n") },
        { QStringLiteral("resume-after"),
            QStringLiteral("With --silent-after: answer again after <m> unanswered polls."),
            QStringLiteral("m") },
        { QStringLiteral("other-device"),
            QStringLiteral("Behave like some other device: answer everything with non-meter "
                           "bytes.") },
        { QStringLiteral("open-channel"),
            QStringLiteral("Show channel <n> (1 to 4) as an open thermocouple; may be repeated."),
            QStringLiteral("n") },
        { QStringLiteral("seed"), QStringLiteral("Seed of the temperature drift and the junk."),
            QStringLiteral("n") },
    });
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tc4dl-meter"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TC4DL_VERSION));

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    const std::optional<Settings> settings = readSettings(parser);
    if (!settings)
        return 2;

    tc4dl::SystemClock clock;
    tc4dl::SimulatedMeter meter(settings->meter);
    for (const int channel : settings->openChannels)
        meter.setChannelOpen(channel, true);
    tc4dl::PtyMeterServer server(clock, meter);
    server.setPaced(settings->paced);
    server.setSplitChunk(settings->split);
    QObject::connect(&server, &tc4dl::PtyMeterServer::errorOccurred, &app,
        [](const QString& text) { fail(text); });
    if (!server.start()) {
        fail(server.errorString());
        return 1;
    }
    if (!quitOnTerminationSignals(app)) {
        fail(QStringLiteral("cannot watch for termination signals"));
        return 1;
    }
    // Whoever started us reads this line to learn where the meter is.
    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
