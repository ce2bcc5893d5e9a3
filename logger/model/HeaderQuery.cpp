#include "HeaderQuery.h"

#include "MemoryDownload.h"

namespace tc4dl {

void HeaderQuery::start(qint64 nowMs, std::vector<PortAction>& out)
{
    m_startMs = nowMs;
    m_attempts = 0;
    m_finished = false;
    m_buffer.clear();
    m_block.clear();
    out.push_back(PortAction::write(MemoryDownload::kTransferStart));
}

bool HeaderQuery::feed(QByteArrayView bytes, qint64 nowMs, std::vector<PortAction>& out)
{
    if (m_finished)
        return true;
    // Only one block is ever wanted: anything beyond it already fails the attempt, so the
    // buffer never holds more than a block and one feed.
    m_buffer.append(bytes.data(), bytes.size());
    return evaluate(nowMs, out);
}

bool HeaderQuery::wake(qint64 nowMs, std::vector<PortAction>& out)
{
    if (m_finished)
        return true;
    return evaluate(nowMs, out);
}

bool HeaderQuery::evaluate(qint64 nowMs, std::vector<PortAction>& out)
{
    while (!m_finished) {
        if (m_buffer.size() == kBlockSize) {
            m_block = m_buffer;
            m_buffer.clear();
            out.push_back(PortAction::write(MemoryDownload::kTransferStop));
            out.push_back(PortAction::discardInput());
            m_finished = true;
        } else if (m_buffer.size() > kBlockSize || nowMs >= deadline()) {
            failAttempt(out);
        } else {
            break; // still within the window, block not complete
        }
    }
    return m_finished;
}

void HeaderQuery::failAttempt(std::vector<PortAction>& out)
{
    ++m_attempts;
    m_buffer.clear();
    out.push_back(PortAction::discardInput());
    out.push_back(PortAction::write(MemoryDownload::kTransferStart));
    if (m_attempts >= kAttempts)
        m_finished = true;
}

} // namespace tc4dl
