// The recorder as `tc4dl-cli record` runs it, for SECONDS (default 600): four simulated meters on
// pseudo-terminals (tc4dl-meter) at one reading a second, the archive and the journal on, MQTT to
// a real mosquitto on 127.0.0.1 read by mosquitto_sub. Prints the processor time of this process
// (the recorder; the meters, broker and reader are other processes) as a share of one core, the
// resident memory in the first and the last minute and at its peak, and the time from a frame's
// arrival (the moment the recorder keeps it) to mosquitto_sub's delivery: median and p99.
//
//   build/bin/bench_record [SECONDS]
//
// Targets: <= 1 % of one core, peak RSS <= 40 MB, first and last minute within 2 MB; latency
// median <= 20 ms, p99 <= 100 ms.

#include "ArchiveRunStore.h"
#include "Clock.h"
#include "MeterState.h"
#include "Recorder.h"
#include "RecorderJson.h"
#include "RecorderSetup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace tc4dl;
using namespace tc4dl::recorder;

namespace {

qint64 nowNs()
{
    timespec t {};
    clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long statusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

quint16 freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(60, atoi(argv[1])) : 600;
    QTemporaryDir dir;
    const quint16 port = freePort();
    QFile conf(dir.filePath(QStringLiteral("mosquitto.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n")
                   .arg(port)
                   .toUtf8());
    conf.close();
    QProcess broker;
    broker.start(QStringLiteral("mosquitto"), { QStringLiteral("-c"), conf.fileName() });
    if (!broker.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_record: mosquitto did not start\n");
        return 2;
    }
    for (int i = 0; i < 100; ++i) { // until the broker listens
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (probe.waitForConnected(100))
            break;
        broker.waitForReadyRead(50);
    }
    const QString meterProgram
        = QCoreApplication::applicationDirPath() + QStringLiteral("/tc4dl-meter");
    std::vector<std::unique_ptr<QProcess>> meters;
    RecorderSetup setup;
    for (int i = 0; i < 4; ++i) {
        auto meter = std::make_unique<QProcess>();
        meter->start(meterProgram, { QStringLiteral("--seed"), QString::number(i + 1) });
        if (!meter->waitForStarted(5000) || !meter->waitForReadyRead(5000)) {
            std::fprintf(stderr, "bench_record: tc4dl-meter did not start\n");
            return 2;
        }
        MeterSetup m;
        m.device = QString::fromUtf8(meter->readLine()).trimmed();
        m.name = QStringLiteral("m%1").arg(i + 1);
        m.alarms.push_back(*alarm::parseAlarmSpec(QStringLiteral("T1>2000")));
        setup.meters.push_back(m);
        meters.push_back(std::move(meter));
    }
    setup.mqtt.host = QStringLiteral("127.0.0.1");
    setup.mqtt.port = port;
    // The reader stamps each delivery with its own clock: %U is the time in nanoseconds.
    QProcess sub;
    sub.start(QStringLiteral("mosquitto_sub"),
        { QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
            QString::number(port), QStringLiteral("-t"), QStringLiteral("tc4dl/+/reading"),
            QStringLiteral("-F"), QStringLiteral("%U %t %p") });
    sub.waitForStarted(5000);

    SystemClock clock;
    ArchiveRunStore store(dir.filePath(QStringLiteral("archive.sqlite")), clock);
    Recorder::Parts parts;
    parts.clock = &clock;
    parts.store = &store;
    parts.journalFolder = dir.filePath(QStringLiteral("journal"));
    Recorder recorder(setup, parts);
    QHash<QString, qint64> kept; // "topic time" -> when the frame was kept
    for (MeterState* m : recorder.meters()) {
        QObject::connect(m, &MeterState::readingKept, &app, [m, &kept](const KeptReading& r) {
            kept.insert(QStringLiteral("tc4dl/%1/reading %2").arg(m->name(), isoLocalTime(r.time)),
                nowNs());
        });
    }
    QString why;
    if (!recorder.start(&why)) {
        std::fprintf(stderr, "bench_record: %s\n", qPrintable(why));
        return 2;
    }
    std::vector<double> latencies;
    QByteArray pending;
    QObject::connect(&sub, &QProcess::readyReadStandardOutput, &app, [&] {
        pending += sub.readAllStandardOutput();
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(nl);
            pending.remove(0, nl + 1);
            const QList<QByteArray> f = line.split(' ');
            if (f.size() < 3)
                continue;
            const QByteArray stamp = f.at(0); // seconds.nanoseconds
            const qint64 delivered = qint64(stamp.toDouble() * 1e9);
            const QString time
                = QString::fromUtf8(line).section(QStringLiteral("\"time\":\""), 1).left(19);
            const QString key = QString::fromUtf8(f.at(1)) + QLatin1Char(' ') + time;
            if (kept.contains(key))
                latencies.push_back(double(delivered - kept.take(key)) / 1e6);
        }
    });
    const double cpu0 = cpuSeconds();
    QList<long> rss;
    QTimer minute;
    QObject::connect(&minute, &QTimer::timeout, &app, [&rss] { rss << statusKb("VmRSS:"); });
    minute.start(60000);
    QTimer::singleShot(seconds * 1000, &app, [&] { recorder.stop(Recorder::Outcome::Stopped); });
    QObject::connect(&recorder, &Recorder::finished, &app, &QCoreApplication::quit);
    QElapsedTimer wall;
    wall.start();
    QCoreApplication::exec();
    const double cpu = cpuSeconds() - cpu0;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    for (auto& m : meters)
        m->terminate();
    sub.terminate();
    broker.terminate();
    for (auto& m : meters)
        m->waitForFinished(3000);
    sub.waitForFinished(3000);
    broker.waitForFinished(3000);
    std::sort(latencies.begin(), latencies.end());
    auto at = [&latencies](double q) {
        return latencies.empty()
            ? -1.0
            : latencies[std::min(latencies.size() - 1, std::size_t(q * double(latencies.size())))];
    };
    std::printf("bench_record: %d meters, %.0f s, %zu readings delivered\n",
        int(setup.meters.size()), elapsed, latencies.size());
    std::printf("  processor: %.3f s, %.3f %% of one core\n", cpu, 100.0 * cpu / elapsed);
    std::printf("  resident memory: first minute %ld kB, last minute %ld kB, peak %ld kB\n",
        rss.isEmpty() ? -1 : rss.first(), rss.isEmpty() ? -1 : rss.last(), statusKb("VmHWM:"));
    std::printf(
        "  frame kept -> mosquitto_sub delivery: median %.2f ms, p99 %.2f ms, max %.2f ms\n",
        at(0.5), at(0.99), latencies.empty() ? -1.0 : latencies.back());
    return 0;
}
