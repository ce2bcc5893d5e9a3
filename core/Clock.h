#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>

#include <functional>

namespace tc4dl {

// Every wait and time-out of the meter link goes through a Clock, so that tests can move time
// by hand: the 300 ms answer wait, the three-tick link loss and the key waits run in
// microseconds against a ManualClock.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds from an arbitrary start; never goes backwards.
    [[nodiscard]] virtual qint64 tickMs() const = 0;
    // The local date and time.
    [[nodiscard]] virtual QDateTime now() const = 0;

    // Waits until more than `ms` milliseconds have passed, processing events meanwhile:
    // timer ticks, received bytes and user input can all run inside a pause.
    virtual void pause(int ms) = 0;
    // One round of event processing, for waits that spin on a flag while processing events.
    virtual void processEvents() = 0;
    // Waits while `busy()` holds, at most `limitMs`, without processing events.
    virtual void waitWhile(const std::function<bool()>& busy, int limitMs) = 0;
    // Runs `fn` once, `ms` milliseconds from now, on the thread of `context` (dropped when
    // `context` is destroyed first).
    virtual void callAfter(int ms, QObject* context, std::function<void()> fn) = 0;
};

// The clock of the running program: monotonic ticks, the system's local time, Qt timers.
class SystemClock final : public Clock {
public:
    SystemClock();
    qint64 tickMs() const override;
    QDateTime now() const override;
    void pause(int ms) override;
    void processEvents() override;
    void waitWhile(const std::function<bool()>& busy, int limitMs) override;
    void callAfter(int ms, QObject* context, std::function<void()> fn) override;

private:
    QElapsedTimer m_timer;
};

} // namespace tc4dl
