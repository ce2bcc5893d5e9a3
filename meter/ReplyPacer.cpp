#include "ReplyPacer.h"

#include "Clock.h"

#include <algorithm>

namespace tc4dl {

namespace {

constexpr qint64 kUsPerMs = 1000;

qint64 lineTimeUs(qint64 bytes)
{
    return bytes * 1000 * kUsPerMs / ReplyPacer::kBytesPerSecond;
}

} // namespace

ReplyPacer::ReplyPacer(Clock& clock, QObject* context, Deliver deliver)
    : m_clock(clock),
      m_context(context),
      m_deliver(std::move(deliver))
{
}

void ReplyPacer::send(const QByteArray& reply)
{
    if (reply.isEmpty())
        return;
    const qint64 nowUs = m_clock.tickMs() * kUsPerMs;
    const qsizetype step = m_chunkSize > 0 ? m_chunkSize : reply.size();
    qint64 startUs = m_paced ? std::max(nowUs, m_lineFreeUs) : nowUs;
    for (qsizetype pos = 0; pos < reply.size(); pos += step) {
        const QByteArray chunk = reply.mid(pos, step);
        if (pos > 0)
            startUs += m_chunkGapMs * kUsPerMs;
        const qint64 endUs = m_paced ? startUs + lineTimeUs(chunk.size()) : startUs;
        schedule(chunk, endUs);
        startUs = endUs;
    }
    if (m_paced)
        m_lineFreeUs = startUs;
}

void ReplyPacer::schedule(QByteArray bytes, qint64 dueUs)
{
    const quint64 id = m_nextId++;
    m_chunks.push_back({ id, std::move(bytes) });
    const qint64 nowMs = m_clock.tickMs();
    // A chunk is available once its last byte is through: round up to the next millisecond.
    const qint64 dueMs = (dueUs + kUsPerMs - 1) / kUsPerMs;
    const int delay = static_cast<int>(std::max<qint64>(dueMs - nowMs, 0));
    m_clock.callAfter(delay, m_context, [this, id] { deliverUpTo(id); });
}

void ReplyPacer::deliverUpTo(quint64 id)
{
    // Timers of nearly equal due times may fire out of order; each one delivers everything
    // up to its own chunk, so the bytes always arrive in the order they were sent.
    while (!m_chunks.empty() && m_chunks.front().id <= id) {
        const QByteArray bytes = std::move(m_chunks.front().bytes);
        m_chunks.pop_front();
        m_deliver(bytes);
    }
}

void ReplyPacer::clear()
{
    m_chunks.clear();
    m_lineFreeUs = 0;
}

qint64 ReplyPacer::pendingBytes() const
{
    qint64 n = 0;
    for (const Chunk& c : m_chunks)
        n += c.bytes.size();
    return n;
}

} // namespace tc4dl
