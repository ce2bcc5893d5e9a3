#include "FrameReader.h"

#include <cstring>

namespace tc4dl {

void FrameReader::drop(qsizetype& start, qsizetype count)
{
    start += count;
    m_counters.bytesDropped += static_cast<quint64>(count);
    ++m_counters.resyncs;
}

void FrameReader::feed(const char* data, qsizetype length, const FrameSink& sink)
{
    if (length <= 0)
        return;
    m_counters.bytesIn += static_cast<quint64>(length);
    m_buffer.append(data, length);

    // Work on an offset and compact once at the end: no copying per dropped byte.
    qsizetype start = 0;
    while (m_buffer.size() - start >= kFrameLength) {
        const char* base = m_buffer.constData() + start;
        const qsizetype left = m_buffer.size() - start;
        const void* hit = std::memchr(base, kFrameStart, static_cast<size_t>(left));
        if (!hit) {
            drop(start, left);
            break;
        }
        const qsizetype p = static_cast<const char*>(hit) - base;
        if (p > 0) {
            drop(start, p);
            continue;
        }
        if (static_cast<quint8>(base[kFrameLength - 1]) != kFrameEnd) {
            drop(start, 1);
            continue;
        }
        MeterFrame frame;
        std::memcpy(frame.data(), base, kFrameLength);
        start += kFrameLength;
        ++m_counters.frames;
        // The sink may look at pending(): keep only what follows the frame first.
        m_buffer.remove(0, start);
        start = 0;
        if (sink)
            sink(frame);
    }
    if (start > 0)
        m_buffer.remove(0, start);
}

} // namespace tc4dl
