// tc4dl-meter: a simulated meter on a pseudo-terminal. The program, the command-line tool and
// their tests open the printed device like any serial port, so the whole real port path is
// exercised without hardware.

#include "Clock.h"
#include "PtyMeterServer.h"
#include "SimulatedMeter.h"
#include "SimulatorCommandLine.h"

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

void fail(const QString& text)
{
    std::fprintf(stderr, "tc4dl-meter: %s\n", qPrintable(text));
}

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Serves a simulated TC4DL thermometer on a pseudo-terminal and prints its device path "
        "on the first line. Runs until interrupted.\n\n"
        "The meter's logger memory holds three recorded data sets unless --memory or "
        "--empty-memory says otherwise; the logger options make its transfer and set-up "
        "exchanges go wrong on purpose. The meter's clock is the computer's unless --clock "
        "sets it."));
    parser.addHelpOption();
    parser.addVersionOption();
    tc4dl::SimulatorCommandLine::addOptions(parser);
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
    QString error;
    const std::optional<tc4dl::SimulatorSettings> settings
        = tc4dl::SimulatorCommandLine::read(parser, &error);
    if (!settings) {
        fail(error);
        return 2;
    }

    tc4dl::SystemClock clock;
    tc4dl::SimulatedMeter meter = settings->makeMeter(clock.now(), clock.tickMs());
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
