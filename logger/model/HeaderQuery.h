#pragma once

#include "ExchangeStep.h"

#include <QByteArray>
#include <QByteArrayView>

namespace tc4dl {

// Asks the meter for the first memory block, which holds the memory header: TransferStart,
// then wait for exactly one 65-byte block. Three attempts share one window measured from the
// first request, so once the window has passed the remaining attempts fail at once; each
// failed attempt discards the input and asks again. On success it writes TransferStop and
// discards the input, so the meter is idle again. Used by the download's size query (2 s
// window) and by the logger read-out (2.5 s window). It is a part of those exchanges: they
// pass on its actions.
class HeaderQuery {
public:
    static constexpr int kBlockSize = 65;
    static constexpr int kAttempts = 3;

    explicit HeaderQuery(qint64 windowMs)
        : m_windowMs(windowMs)
    {
    }

    void start(qint64 nowMs, std::vector<PortAction>& out);
    // Both return true once the query has ended (succeeded() tells how).
    bool feed(QByteArrayView bytes, qint64 nowMs, std::vector<PortAction>& out);
    bool wake(qint64 nowMs, std::vector<PortAction>& out);

    [[nodiscard]] bool finished() const { return m_finished; }
    [[nodiscard]] bool succeeded() const { return m_finished && m_block.size() == kBlockSize; }
    // The 65 bytes of the block (its checksum is not checked: only the header matters).
    [[nodiscard]] const QByteArray& block() const { return m_block; }
    [[nodiscard]] qint64 deadline() const { return m_startMs + m_windowMs; }
    [[nodiscard]] int attempts() const { return m_attempts; }

private:
    bool evaluate(qint64 nowMs, std::vector<PortAction>& out);
    void failAttempt(std::vector<PortAction>& out);

    qint64 m_windowMs;
    qint64 m_startMs = 0;
    int m_attempts = 0;
    bool m_finished = false;
    QByteArray m_buffer;
    QByteArray m_block;
};

} // namespace tc4dl
