// The live page under load while four meters record: four in-process simulated meters on live
// sessions with their real one-second tick feed the board, and the server is asked by clients
// on loopback. Two measurements:
//   bench_livepage [--seconds S]            wrk, 16 connections, GET /api/current for S seconds
//                                           (default 30): requests per second and the latency
//                                           percentiles wrk reports
//   bench_livepage --streams N --minutes M  N event streams held open for M minutes: the
//                                           process's resident memory every ten seconds
// Both print how late the recording's tick ever was (the largest step from one second).

#include "LivePageServer.h"
#include "LiveRecording.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

using namespace tc4dl;
using liverecording::Recording;
using liverecording::residentBytes;

namespace {

void printLateness(const std::vector<std::unique_ptr<Recording>>& recordings)
{
    qint64 worst = 0;
    std::size_t ticks = 0;
    for (const auto& r : recordings) {
        worst = std::max(worst, r->worstLateness());
        ticks += r->ticks.size();
    }
    std::printf("recording: %zu ticks of 4 meters, the tick at most %lld ms off its second\n",
        ticks, static_cast<long long>(worst));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({ { QStringLiteral("seconds"), QStringLiteral("Load time."),
                            QStringLiteral("S"), QStringLiteral("30") },
        { QStringLiteral("streams"), QStringLiteral("Event streams to hold."),
            QStringLiteral("N") },
        { QStringLiteral("minutes"), QStringLiteral("How long to hold them."), QStringLiteral("M"),
            QStringLiteral("10") } });
    parser.process(app);

    live::LiveBoard board;
    std::vector<std::unique_ptr<Recording>> recordings;
    for (int i = 0; i < 4; ++i)
        recordings.push_back(std::make_unique<Recording>(
            board, QStringLiteral("meter %1").arg(i + 1), 7u + quint32(i)));
    SystemClock clock;
    live::LivePageServer server(board, clock);
    live::ServerSettings settings;
    QString why;
    if (!server.start(settings, &why)) {
        std::fprintf(stderr, "bench_livepage: %s\n", qPrintable(why));
        return 1;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());

    if (!parser.isSet(QStringLiteral("streams"))) {
        QProcess wrk;
        wrk.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&wrk, &QProcess::finished, &app, [&] {
            std::printf("%s", wrk.readAll().constData());
            printLateness(recordings);
            app.quit();
        });
        // A few readings first, so that the current state has four meters with rates.
        QTimer::singleShot(3000, &app, [&] {
            wrk.start(QStringLiteral("wrk"),
                { QStringLiteral("-t2"), QStringLiteral("-c16"),
                    QStringLiteral("-d%1s").arg(parser.value(QStringLiteral("seconds"))),
                    QStringLiteral("--latency"), base + QStringLiteral("/api/current") });
            if (!wrk.waitForStarted(5000)) {
                std::fprintf(stderr,
                    "bench_livepage: wrk did not start (scripts/install-deps.sh installs it)\n");
                app.exit(1);
            }
        });
        return app.exec();
    }

    const int streams = parser.value(QStringLiteral("streams")).toInt();
    const int minutes = parser.value(QStringLiteral("minutes")).toInt();
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    qint64 events = 0;
    for (int i = 0; i < streams; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        QTcpSocket* c = clients.back().get();
        QObject::connect(
            c, &QIODevice::readyRead, c, [c, &events] { events += c->readAll().count("event: "); });
        c->connectToHost(QStringLiteral("127.0.0.1"), server.port());
        c->write("GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    }
    std::vector<qint64> samples;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        samples.push_back(residentBytes());
        std::printf("%4zu s: RSS %.1f MB, %d streams, %lld events received\n", samples.size() * 10,
            double(samples.back()) / 1e6, server.streams(), static_cast<long long>(events));
        std::fflush(stdout);
        if (static_cast<int>(samples.size()) >= minutes * 6) {
            // The first minute settles (allocator, the board filling); the rest must be flat.
            const auto from
                = samples.begin() + std::min<std::ptrdiff_t>(6, std::ptrdiff_t(samples.size()) - 1);
            const auto [low, high] = std::minmax_element(from, samples.end());
            std::printf("RSS after the first minute: %.1f .. %.1f MB (spread %.2f MB)\n",
                double(*low) / 1e6, double(*high) / 1e6, double(*high - *low) / 1e6);
            printLateness(recordings);
            app.quit();
        }
    });
    sampler.start(10000);
    return app.exec();
}
