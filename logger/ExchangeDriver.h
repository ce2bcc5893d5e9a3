#pragma once

#include "ExchangeStep.h"

#include <QByteArrayView>
#include <QObject>

#include <functional>
#include <memory>

namespace tc4dl {

class Clock;
class DeviceLease;

// The three (or four) inputs of a logger state machine, bound to one machine.
struct ExchangeMachine {
    std::function<ExchangeStep(qint64)> start;
    std::function<ExchangeStep(QByteArrayView, qint64)> feed;
    std::function<ExchangeStep(qint64)> wake;
    std::function<ExchangeStep(qint64)> cancel; // may be empty: a stop then just ends it

    // Binds any machine of the download's shape (MemoryDownload, SetupExchange).
    template <typename M> static ExchangeMachine of(M& m)
    {
        ExchangeMachine x;
        x.start = [&m](qint64 now) { return m.start(now); };
        x.feed = [&m](QByteArrayView bytes, qint64 now) { return m.feed(bytes, now); };
        x.wake = [&m](qint64 now) { return m.wake(now); };
        return x;
    }
};

// Runs one logger state machine over a borrowed port. The port's data-ready notification
// feeds it every waiting byte, one single-shot timer wakes it at the time it asks for, and its
// actions go to the port. Nothing spins: between bytes and timers the processor is idle.
//
// It ends when the machine finishes, when stop() is called, or when the port reports an error
// (the silent abort: the machine is left where it was). However it ends, the lease is given
// back before finished() is emitted, so the live link has the device again by then.
class ExchangeDriver final : public QObject {
    Q_OBJECT
public:
    enum class Ending { Finished, Stopped, PortError };

    ExchangeDriver(Clock& clock, std::unique_ptr<DeviceLease> lease, ExchangeMachine machine,
        QObject* parent = nullptr);
    ~ExchangeDriver() override;

    void start();
    // Asks the machine to stop (its cancel input) and ends.
    void stop();
    [[nodiscard]] bool running() const { return m_started && !m_done; }
    [[nodiscard]] Ending ending() const { return m_ending; }

Q_SIGNALS:
    // After every input that the machine took; progress readers look at it then.
    void stepped();
    void finished(tc4dl::ExchangeDriver::Ending ending);

private:
    void onDataReady();
    void onTimer(qint64 due);
    void apply(const ExchangeStep& step);
    void arm(qint64 wakeAtMs);
    void end(Ending ending);
    void release();

    Clock& m_clock;
    std::unique_ptr<DeviceLease> m_lease;
    ExchangeMachine m_machine;
    qint64 m_wakeAt = -1; // what the machine asked for
    qint64 m_armedAt = -1; // the earliest timer still to fire
    bool m_started = false;
    bool m_finishing = false; // the end is decided; inputs are ignored from now on
    bool m_done = false; // the lease is given back
    Ending m_ending = Ending::Finished;
};

} // namespace tc4dl
