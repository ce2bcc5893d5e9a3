#pragma once

#include "Clock.h"
#include "LiveSession.h"
#include "MeterPortFactory.h"
#include "QuietLinkHost.h"

#include <QTextStream>

#include <functional>
#include <memory>

namespace tc4dl::cli {

// The meter as the command-line tool finds it: the program's own live session over the port
// named, or over the port list (with the built-in simulated meter under --demo). One simulated
// meter sits behind every port on its entry, so a download that borrows the device reaches the
// meter the live link found.
class MeterConnection final : private QuietLinkHost {
public:
    MeterConnection();
    ~MeterConnection() override;
    MeterConnection(const MeterConnection&) = delete;
    MeterConnection& operator=(const MeterConnection&) = delete;

    // Finds the meter; Ok, or NoMeter / CannotOpen with one sentence on `err`.
    int connect(const QString& port, bool demo, QTextStream& err);
    // Waits, processing events, until a reading has arrived (the meter's REC state is then
    // known) or `limitMs` have passed; true when one came.
    bool waitForReading(int limitMs);
    [[nodiscard]] bool meterRecording() const;

    void setReadingObserver(std::function<void(const LiveReading&)> observer)
    {
        m_observer = std::move(observer);
    }
    [[nodiscard]] LiveSession& session() { return *m_session; }
    [[nodiscard]] Clock& clock() { return m_clock; }

private:
    SystemClock m_clock;
    MeterPortFactory m_ports;
    std::unique_ptr<LiveSession> m_session;
    std::function<void(const LiveReading&)> m_observer;
    qint64 m_readings = 0;
};

} // namespace tc4dl::cli
