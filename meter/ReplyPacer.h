#pragma once

#include <QByteArray>

#include <deque>
#include <functional>

class QObject;

namespace tc4dl {

class Clock;

// The meter's transmit line. Replies leave one after another at the pace of 9600 baud 8N1
// (960 bytes a second), so a 45-byte frame is complete about 47 ms after the poll; unpaced, a
// reply is handed over at the next turn of the clock. Replies can be cut into chunks that
// arrive separately, to exercise readers that must join split frames.
class ReplyPacer {
public:
    using Deliver = std::function<void(const QByteArray&)>;

    static constexpr int kBytesPerSecond = 960;

    // `deliver` gets each chunk when its last byte has left the line; `context` bounds the
    // lifetime of the scheduled deliveries.
    ReplyPacer(Clock& clock, QObject* context, Deliver deliver);

    [[nodiscard]] bool isPaced() const { return m_paced; }
    void setPaced(bool paced) { m_paced = paced; }
    // Bytes per delivery; 0 or less hands over each reply whole.
    [[nodiscard]] int chunkSize() const { return m_chunkSize; }
    void setChunkSize(int bytes) { m_chunkSize = bytes; }
    // Extra time between the chunks of one reply, for receivers that would otherwise see the
    // chunks together (a pseudo-terminal read gets whatever has arrived).
    void setChunkGapMs(int ms) { m_chunkGapMs = ms; }

    // Puts a reply on the line behind whatever is still being sent.
    void send(const QByteArray& reply);
    // Drops what is still on the line, as a closed port loses it.
    void clear();
    [[nodiscard]] qint64 pendingBytes() const;

private:
    struct Chunk {
        quint64 id;
        QByteArray bytes;
    };
    void schedule(QByteArray bytes, qint64 dueUs);
    void deliverUpTo(quint64 id);

    Clock& m_clock;
    QObject* m_context;
    Deliver m_deliver;
    bool m_paced = true;
    int m_chunkSize = 0;
    int m_chunkGapMs = 0;
    qint64 m_lineFreeUs = 0; // when the line has sent everything queued so far
    quint64 m_nextId = 0;
    std::deque<Chunk> m_chunks;
};

} // namespace tc4dl
