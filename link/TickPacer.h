#pragma once

namespace tc4dl {

// Keeps the main tick on a one-second cadence: every tick after the first shortens or
// lengthens the timer interval by how late (or early) it came, never below 500 ms. The
// correction accumulates, as the interval keeps whatever value the last tick gave it.
class TickPacer {
public:
    static constexpr int kMinimumIntervalMs = 500;
    static constexpr int kMaximumIntervalMs = 2000;

    // `nowSerial` is the tick's local time as a date-time serial (days); returns the interval
    // the timer should run with from now on.
    [[nodiscard]] int onTick(double nowSerial, int currentIntervalMs);
    [[nodiscard]] bool started() const { return m_started; }

private:
    bool m_started = false;
    double m_previous = 0.0;
};

} // namespace tc4dl
