// A logger download from tc4dl-meter over a pseudo-terminal, paced like the real line at 9600
// baud 8N1 (960 bytes a second): a 16 KiB memory and the full 128 KiB memory. Prints the wall
// time of the transfer over the wire time of its bytes (65 per block and one acknowledgement
// per block), without the 3 s silence that ends a transfer, and the processor time this
// program used meanwhile over that wall time. A driver that answered late would show in the
// first figure, one that polled in a loop in the second (about 1.0).
//
// Usage: bench_download PATH/TO/tc4dl-meter

#include "../tests/LoggerImages.h"

#include "LiveSession.h"
#include "LoggerData.h"
#include "QtSerialPort.h"
#include "QuietLinkHost.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

using namespace tc4dl;

using Host = QuietLinkHost;

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One data set filling the memory up to `size` bytes (LastAddress = size - 1).
QByteArray memoryOf(qint64 size)
{
    loggerimages::RecordedSet set;
    const qint64 samples = (size - 256 - 16) / 8;
    for (qint64 j = 0; j < samples; ++j)
        set.samples.push_back({ quint16(200 + j % 50), 210, 220, 230 });
    QByteArray image(256, '\0');
    image.append(loggerimages::setBytes(set));
    loggerimages::setHeader(image, 1, image.size() - 1);
    return image;
}

bool measure(const QString& meterProgram, const char* name, qint64 size)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("memory.ch4"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(memoryOf(size)) != size)
        return false;
    out.close();
    QProcess meter;
    meter.start(meterProgram, { QStringLiteral("--memory"), file });
    if (!meter.waitForStarted(5000) || !meter.waitForReadyRead(5000))
        return false;
    const QString device = QString::fromUtf8(meter.readLine()).trimmed();

    SystemClock clock;
    Host host;
    LiveSession session(
        clock, host, [](const QString&) { return std::make_unique<QtSerialPort>(); }, LinkTexts {},
        true);
    session.link().setPortEntries({ device });
    session.link().runIdentificationScan();
    if (!session.link().meterConnected())
        return false;
    LoggerData data(clock, session, QString(), QString());
    QElapsedTimer wall;
    double cpuStart = 0;
    double wallMs = -1;
    double cpu = 0;
    QEventLoop loop;
    QObject::connect(&data, &LoggerData::loadProgress, [&](qint64 received, qint64 total) {
        if (total > 0 && !wall.isValid()) {
            wall.start();
            cpuStart = cpuSeconds();
        }
        if (total > 0 && received >= total && wallMs < 0) {
            wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
            cpu = cpuSeconds() - cpuStart;
        }
    });
    LoadReport report;
    QObject::connect(&data, &LoggerData::loadFinished, [&](const LoadReport& r) {
        report = r;
        loop.quit();
    });
    if (data.startLoad())
        loop.exec();
    meter.terminate();
    meter.waitForFinished(5000);
    if (report.result != LoadResult::Success || wallMs <= 0)
        return false;
    const double blocks = static_cast<double>(report.total) / 64.0;
    const double wireMs = blocks * 66.0 / 960.0 * 1000.0;
    std::printf("%-8s %7lld bytes  wall %8.0f ms  wire %8.0f ms  wall/wire %.3f  cpu/wall %.4f\n",
        name, static_cast<long long>(report.total), wallMs, wireMs, wallMs / wireMs,
        cpu * 1000.0 / wallMs);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Usage: bench_download PATH/TO/tc4dl-meter\n");
        return 1;
    }
    const QString meter = QString::fromLocal8Bit(argv[1]);
    const bool ok = measure(meter, "16 KiB", 16384) && measure(meter, "128 KiB", 131072);
    if (!ok)
        std::fprintf(stderr, "bench_download: a download failed\n");
    return ok ? 0 : 1;
}
