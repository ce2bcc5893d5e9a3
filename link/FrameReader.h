#pragma once

#include "MeterFrame.h"

#include <QByteArray>

#include <functional>

namespace tc4dl {

// What a reader has seen, for a person looking into a link that misbehaves.
struct FrameCounters {
    quint64 bytesIn = 0; // bytes fed
    quint64 frames = 0; // complete frames cut out
    quint64 bytesDropped = 0; // bytes discarded while resynchronising
    quint64 resyncs = 0; // times bytes had to be discarded
};

// Cuts MeterFrames out of the live byte stream. A frame is recognised only by its start byte
// and the end byte 44 places later; anything else is discarded in the least possible steps,
// so that a frame following junk is never lost. Between two feeds it holds at most 44 bytes.
class FrameReader {
public:
    using FrameSink = std::function<void(const MeterFrame&)>;

    // Appends the bytes and hands every complete frame to `sink`, in order. The bytes after a
    // frame are already kept when the sink runs.
    void feed(const char* data, qsizetype length, const FrameSink& sink);

    // ReceiveText: the bytes not yet consumed.
    [[nodiscard]] QByteArray pending() const { return m_buffer; }
    void clear() { m_buffer.clear(); }
    [[nodiscard]] const FrameCounters& counters() const { return m_counters; }

private:
    void drop(qsizetype& start, qsizetype count);

    QByteArray m_buffer;
    FrameCounters m_counters;
};

} // namespace tc4dl
