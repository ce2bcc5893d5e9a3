#pragma once

#include "ExchangeStep.h"
#include "FuzzRule.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

// Plays a fuzz input to a logger exchange (a state machine fed bytes and time) the way its
// driver would, and checks the rules every exchange keeps:
// - every step asks for a wake-up later than now until it is finished, and a finished one
//   asks for nothing more, and while time passes without input the exchange wakes at most
//   once per its shortest timer (50 ms), so a driver never spins;
// - a step never asks for more port actions than the bytes it was fed could explain;
// - once the input has ended, the exchange finishes on its own within a bounded time.
//
// The input is a script. Each byte is an op: below 0xC0 feeds the next 1..80 bytes of the
// input; 0xC0..0xEF lets 50..2400 ms pass (the exchange's timer fires on time on the way);
// 0xF0..0xFD feeds a whole 65-byte memory block, its 64 bytes taken from the input and its
// checksum right; 0xFE feeds an 'r'; 0xFF calls `onCancel` when given.
namespace tc4dl::fuzz {

struct ExchangeHooks {
    std::function<ExchangeStep(qint64)> start;
    std::function<ExchangeStep(QByteArrayView, qint64)> feed;
    std::function<ExchangeStep(qint64)> wake;
    std::function<ExchangeStep(qint64)> cancel; // may be empty
    std::function<bool()> finished;
    std::function<void()> checkState; // the exchange's own rules, after every step
};

class ExchangeScript {
public:
    // The longest an exchange may run on after its input ends, and the shortest time between
    // two wake-ups without input. A long download legitimately wakes thousands of times in
    // all (it repeats its answer every 100 ms while a slow meter prepares each of up to 2048
    // blocks), so the bound is on the rate, not on the total.
    static constexpr qint64 kFinishWithinMs = 60'000;
    static constexpr qint64 kMinWakeGapMs = 50;

    explicit ExchangeScript(ExchangeHooks hooks)
        : m_hooks(std::move(hooks))
    {
    }

    void run(const unsigned char* data, std::size_t size)
    {
        take(m_hooks.start(m_now), 0);
        std::size_t i = 0;
        while (i < size && !m_hooks.finished()) {
            const unsigned op = data[i++];
            if (op < 0xC0) {
                const std::size_t n = std::min<std::size_t>(size - i, op % 80 + 1);
                feed(QByteArrayView(data + i, static_cast<qsizetype>(n)));
                i += n;
            } else if (op < 0xF0) {
                pass(qint64(op - 0xC0 + 1) * 50);
            } else if (op < 0xFE) {
                QByteArray block(65, '\0');
                unsigned sum = 0;
                for (int k = 0; k < 64; ++k) {
                    block[k] = static_cast<char>(i < size ? data[i++] : 0);
                    sum += static_cast<quint8>(block[k]);
                }
                block[64] = static_cast<char>(sum & 0xFF);
                feed(block);
            } else if (op == 0xFE) {
                feed("r");
            } else if (m_hooks.cancel) {
                take(m_hooks.cancel(m_now), 0);
            }
        }
        const qint64 inputEnd = m_now;
        pass(kFinishWithinMs);
        FUZZ_RULE(m_hooks.finished());
        FUZZ_RULE(m_finishedAt <= inputEnd + kFinishWithinMs);
    }

private:
    void feed(QByteArrayView bytes)
    {
        if (!m_hooks.finished())
            take(m_hooks.feed(bytes, m_now), bytes.size());
    }

    // Lets `ms` pass; the exchange's timer fires at the time it asked for.
    void pass(qint64 ms)
    {
        const qint64 until = m_now + ms;
        int wakes = 0;
        while (!m_hooks.finished() && m_wakeAt <= until) {
            FUZZ_RULE(++wakes <= ms / kMinWakeGapMs + 2);
            m_now = m_wakeAt;
            take(m_hooks.wake(m_now), 0);
        }
        m_now = until;
    }

    void take(const ExchangeStep& step, qsizetype fed)
    {
        FUZZ_RULE(step.actions.size() <= std::size_t(8 + fed));
        if (m_hooks.checkState)
            m_hooks.checkState();
        if (m_hooks.finished()) {
            FUZZ_RULE(step.finished && step.wakeAtMs == -1);
            if (m_finishedAt < 0)
                m_finishedAt = m_now;
            return;
        }
        FUZZ_RULE(!step.finished);
        FUZZ_RULE(step.wakeAtMs > m_now);
        m_wakeAt = step.wakeAtMs;
    }

    ExchangeHooks m_hooks;
    qint64 m_now = 1'000'000; // a monotonic clock that does not start at 0
    qint64 m_wakeAt = 0;
    qint64 m_finishedAt = -1;
};

} // namespace tc4dl::fuzz
