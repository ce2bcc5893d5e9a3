#pragma once

// A recording that no client of the live page may disturb, for its tests and its benchmark: an
// in-process simulated meter on a live session with its real one-second tick, each reading
// handed to the board, the tick times kept.

#include "Clock.h"
#include "DateTimeSerial.h"
#include "LiveBoard.h"
#include "LiveSession.h"
#include "QuietLinkHost.h"
#include "SessionSamples.h"
#include "SimulatedMeter.h"
#include "SimulatedSerialPort.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace liverecording {

struct Recording {
    Recording(tc4dl::live::LiveBoard& board, const QString& name, quint32 seed = 1)
        : meter(tc4dl::MeterOptions { .seed = seed })
    {
        using namespace tc4dl;
        session = std::make_unique<LiveSession>(
            clock, host,
            [this](const QString&) -> std::unique_ptr<SerialPort> {
                auto port = std::make_unique<SimulatedSerialPort>(clock, meter);
                port->setPaced(false);
                return port;
            },
            LinkTexts {}, true);
        session->link().setPortEntries({ QLatin1String(ports::kSimulatedMeter) });
        session->link().setFrameObserver([this, &board, name](const LiveReading& r) {
            board.addReading(name, live::sampleOf(toDateTimeSerial(clock.now()), r));
        });
        QObject::connect(session.get(), &LiveSession::samplingPoint, session.get(),
            [this](const TickCheck&, double) { ticks.push_back(clock.tickMs()); });
        session->start();
    }
    ~Recording() { (void)session->shutDown(); }

    // The largest step away from one second between two ticks, in milliseconds.
    [[nodiscard]] qint64 worstLateness() const
    {
        qint64 worst = 0;
        for (std::size_t i = 1; i < ticks.size(); ++i)
            worst = std::max(worst, std::abs(ticks[i] - ticks[i - 1] - 1000));
        return worst;
    }

    tc4dl::SystemClock clock;
    tc4dl::QuietLinkHost host;
    tc4dl::SimulatedMeter meter;
    std::unique_ptr<tc4dl::LiveSession> session;
    std::vector<qint64> ticks;
};

// This process's resident memory in bytes (0 where it cannot be read).
inline qint64 residentBytes()
{
#ifdef Q_OS_UNIX
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = statm.readAll().split(' ');
        if (fields.size() > 1)
            return fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
    }
#endif
    return 0;
}

} // namespace liverecording
