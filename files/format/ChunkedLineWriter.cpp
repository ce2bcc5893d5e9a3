#include "ChunkedLineWriter.h"

#include <QIODevice>

namespace tc4dl {

namespace {
constexpr qsizetype kWriteChunk = 64 * 1024;
}

ChunkedLineWriter::ChunkedLineWriter(
    QIODevice& device, const std::function<bool(qint64 lines)>& step)
    : m_device(device),
      m_step(step)
{
    // Room for the chunk and the line that crosses its end, so that the buffer never grows.
    m_buffer.reserve(kWriteChunk + 256);
}

bool ChunkedLineWriter::endLine()
{
    m_buffer += "\r\n";
    ++m_lines;
    if (m_buffer.size() >= kWriteChunk && !flush()) {
        m_failed = true;
        return false;
    }
    return !m_step || m_step(m_lines);
}

qint64 ChunkedLineWriter::finish()
{
    return !m_failed && flush() ? m_lines : -1;
}

bool ChunkedLineWriter::flush()
{
    const bool ok = m_buffer.isEmpty() || m_device.write(m_buffer) == m_buffer.size();
    m_buffer.resize(0); // keeps the reserved memory, unlike clear()
    return ok;
}

} // namespace tc4dl
