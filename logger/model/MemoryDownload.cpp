#include "MemoryDownload.h"

#include "MemoryHeader.h"

namespace tc4dl {

MemoryDownload::MemoryDownload()
    : m_query(kQueryWindowMs)
{
}

ExchangeStep MemoryDownload::start(qint64 nowMs)
{
    *this = MemoryDownload();
    std::vector<PortAction> out;
    m_phase = Phase::SizeQuery;
    m_query.start(nowMs, out);
    ExchangeStep step = stepAfter(nowMs);
    step.actions = std::move(out);
    return step;
}

ExchangeStep MemoryDownload::feed(QByteArrayView bytes, qint64 nowMs)
{
    std::vector<PortAction> out;
    m_counters.bytesIn += bytes.size();
    switch (m_phase) {
    case Phase::SizeQuery:
        if (m_query.feed(bytes, nowMs, out))
            afterQuery(nowMs, out);
        break;
    case Phase::AcceptRepeat:
        if (bytes.isEmpty())
            break;
        // The next block has begun: no need to repeat BlockAccept.
        m_phase = Phase::Transfer;
        m_last = nowMs;
        [[fallthrough]];
    case Phase::Transfer:
        m_buffer.append(bytes.data(), bytes.size());
        runTransfer(nowMs, out);
        break;
    case Phase::QueryPause: // left over from the query: discarded when the pause ends
    case Phase::Idle:
    case Phase::Finished:
        break;
    }
    ExchangeStep step = stepAfter(nowMs);
    step.actions = std::move(out);
    return step;
}

ExchangeStep MemoryDownload::wake(qint64 nowMs)
{
    std::vector<PortAction> out;
    advance(nowMs, out);
    ExchangeStep step = stepAfter(nowMs);
    step.actions = std::move(out);
    return step;
}

ExchangeStep MemoryDownload::cancel(qint64 nowMs)
{
    std::vector<PortAction> out;
    if (m_phase != Phase::Finished && m_phase != Phase::Idle) {
        out.push_back(PortAction::write(kTransferStop));
        m_cancelled = true;
        if (m_phase == Phase::SizeQuery || m_phase == Phase::QueryPause)
            finish(LoadResult::SizeRejected);
        else
            finish(m_received >= m_total ? LoadResult::Success : LoadResult::TransferIncomplete);
    }
    ExchangeStep step = stepAfter(nowMs);
    step.actions = std::move(out);
    return step;
}

void MemoryDownload::advance(qint64 nowMs, std::vector<PortAction>& out)
{
    switch (m_phase) {
    case Phase::SizeQuery:
        if (m_query.wake(nowMs, out))
            afterQuery(nowMs, out);
        break;
    case Phase::QueryPause:
        if (nowMs < m_pauseEnd)
            break;
        // Whatever came in during the pause is not part of the memory: kept, it would shift
        // every block of the transfer by its length.
        out.push_back(PortAction::discardInput());
        out.push_back(PortAction::write(kTransferStart));
        m_phase = Phase::Transfer;
        m_last = nowMs;
        break;
    case Phase::AcceptRepeat:
        if (nowMs < m_acceptAt + kAcceptRepeatMs)
            break;
        if (m_acceptWrites < kAcceptWrites) {
            out.push_back(PortAction::write(kBlockAccept));
            ++m_acceptWrites;
            ++m_counters.acceptRepeats;
            m_acceptAt = nowMs;
        } else {
            m_phase = Phase::Transfer;
            m_last = nowMs;
            runTransfer(nowMs, out);
        }
        break;
    case Phase::Transfer:
        runTransfer(nowMs, out);
        break;
    case Phase::Idle:
    case Phase::Finished:
        break;
    }
}

void MemoryDownload::afterQuery(qint64 nowMs, std::vector<PortAction>& /*out*/)
{
    if (!m_query.succeeded()) {
        m_size = 0;
        m_image.setMemoryEnd(-1);
        finish(LoadResult::SizeRejected);
        return;
    }
    m_size = static_cast<qint64>(*MemoryHeader::readLastAddress(m_query.block())) + 1;
    m_image.setMemoryEnd(m_size - 1);
    if (m_size < kMinSize || m_size > kMaxSize) {
        finish(LoadResult::SizeRejected);
        return;
    }
    m_total = (m_size + kBlockData - 1) / kBlockData * kBlockData;
    m_phase = Phase::QueryPause;
    m_pauseEnd = nowMs + kQueryPauseMs;
}

void MemoryDownload::runTransfer(qint64 nowMs, std::vector<PortAction>& out)
{
    while (m_phase == Phase::Transfer) {
        if (m_received > m_total || m_failures > kMaxFailures) {
            out.push_back(PortAction::write(kTransferStop));
            finish(m_received < m_total ? LoadResult::TransferIncomplete : LoadResult::Success);
            return;
        }
        if (m_buffer.size() >= kBlockSize) {
            takeBlock(nowMs, out);
        } else if (!m_buffer.isEmpty() && nowMs - m_last > kStallMs) {
            // A partial block that stopped growing: drop it and ask for the block again.
            m_buffer.clear();
            ++m_failures;
            ++m_counters.stalledBlocks;
            out.push_back(PortAction::write(kBlockResend));
            m_last = nowMs;
        } else {
            break;
        }
    }
    if (m_phase == Phase::Transfer && nowMs - m_last >= kSilenceMs)
        finish(m_received < m_total ? LoadResult::TransferIncomplete : LoadResult::Success);
}

void MemoryDownload::takeBlock(qint64 nowMs, std::vector<PortAction>& out)
{
    const QByteArrayView block = QByteArrayView(m_buffer).first(kBlockSize);
    quint8 sum = 0;
    for (int i = 0; i < kBlockData; ++i)
        sum = static_cast<quint8>(sum + static_cast<quint8>(block[i]));
    m_last = nowMs;
    if (sum != static_cast<quint8>(block[kBlockData])) {
        ++m_failures;
        ++m_counters.checksumErrors;
        out.push_back(PortAction::write(kBlockResend));
        m_buffer.remove(0, kBlockSize);
        return;
    }
    // A block beyond the memory's size is answered and counted (it ends the transfer) but
    // not kept: the image never holds more than the memory.
    if (m_received + kBlockData <= m_total)
        m_image.append(block.first(kBlockData));
    m_received += kBlockData;
    out.push_back(PortAction::write(kBlockAccept));
    m_buffer.remove(0, kBlockSize);
    if (m_buffer.isEmpty() && m_received <= m_total) {
        // Wait for the next block; BlockAccept is repeated while nothing arrives.
        m_phase = Phase::AcceptRepeat;
        m_acceptWrites = 1;
        m_acceptAt = nowMs;
    }
}

void MemoryDownload::finish(LoadResult result)
{
    m_phase = Phase::Finished;
    m_result = result;
    m_buffer.clear();
}

qint64 MemoryDownload::nextWake() const
{
    switch (m_phase) {
    case Phase::SizeQuery:
        return m_query.deadline();
    case Phase::QueryPause:
        return m_pauseEnd;
    case Phase::AcceptRepeat:
        return m_acceptAt + kAcceptRepeatMs;
    case Phase::Transfer:
        return m_buffer.isEmpty() ? m_last + kSilenceMs : m_last + kStallMs + 1;
    case Phase::Idle:
    case Phase::Finished:
        break;
    }
    return -1;
}

ExchangeStep MemoryDownload::stepAfter(qint64 /*nowMs*/)
{
    ExchangeStep step;
    step.finished = finished();
    step.wakeAtMs = nextWake();
    return step;
}

} // namespace tc4dl
