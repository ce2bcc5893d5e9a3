#pragma once

#include "Clock.h"

#include <QPointer>

#include <vector>

namespace tc4dl {

// A clock that moves only when told. pause() advances it and runs what fell due, so code that
// waits for the meter's answer runs without real waiting. Used by tests and benchmarks.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 12, 9), QTime(14, 5, 0)));

    qint64 tickMs() const override { return m_tick; }
    QDateTime now() const override { return m_start.addMSecs(m_tick); }
    void pause(int ms) override;
    void processEvents() override;
    void waitWhile(const std::function<bool()>& busy, int limitMs) override;
    void callAfter(int ms, QObject* context, std::function<void()> fn) override;

    // Moves time forward by `ms`, running every due callback at its own moment, in order.
    void advance(qint64 ms);
    // Runs the callbacks due now (and those they schedule for now) without moving time.
    void runDue();
    [[nodiscard]] bool hasPending() const { return !m_pending.empty(); }

private:
    struct Pending {
        qint64 due;
        quint64 order;
        QPointer<QObject> context;
        bool hadContext;
        std::function<void()> fn;
    };
    bool runNext(qint64 limit);

    QDateTime m_start;
    qint64 m_tick = 0;
    quint64 m_order = 0;
    std::vector<Pending> m_pending;
};

} // namespace tc4dl
