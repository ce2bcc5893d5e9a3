#include "SetupExchange.h"

#include <QDate>
#include <QTime>

namespace tc4dl {

namespace {

// More than any wait accepts: a meter that keeps talking fails the next wait the same way
// whether it sent 80 bytes or 80 million, so nothing beyond is kept.
constexpr qsizetype kBufferCap = 80;
constexpr int kTimeReplySize = 8;

quint8 bcd(int v)
{
    return static_cast<quint8>((v / 10 % 10) << 4 | v % 10);
}

} // namespace

SetupExchange::Op SetupExchange::Op::write(char b)
{
    Op op = of(Kind::Write);
    op.byte = b;
    return op;
}

SetupExchange::Op SetupExchange::Op::readyWait(int failCode, int wrongCode)
{
    Op op = of(Kind::ReadyWait);
    op.failCode = failCode;
    op.wrongCode = wrongCode;
    return op;
}

SetupExchange::Op SetupExchange::Op::sendFrame(QByteArray frame)
{
    Op op = of(Kind::SendFrame);
    op.frame = std::move(frame);
    return op;
}

SetupExchange::Op SetupExchange::Op::pause(qint64 ms)
{
    Op op = of(Kind::Pause);
    op.ms = ms;
    return op;
}

SetupExchange::Op SetupExchange::Op::awaitReply(int failCode)
{
    Op op = of(Kind::ReadReply);
    op.failCode = failCode;
    return op;
}

SetupExchange::Op SetupExchange::Op::queryHeader(int failCode)
{
    Op op = of(Kind::QueryHeader);
    op.failCode = failCode;
    return op;
}

SetupExchange::SetupExchange(Command command, std::vector<Op> ops)
    : m_command(command),
      m_ops(std::move(ops)),
      m_query(kHeaderWindowMs)
{
}

QByteArray SetupExchange::frame(std::initializer_list<quint8> bytes)
{
    QByteArray f(kFrameSize, '\0');
    int i = 0;
    for (const quint8 b : bytes) {
        if (i < kFrameSize)
            f[i++] = static_cast<char>(b);
    }
    return f;
}

QByteArray SetupExchange::clockFrame(const QDateTime& computerTime)
{
    const QDate d = computerTime.date();
    const QTime t = computerTime.time();
    // The meter counts weekdays from Sunday = 1; Qt from Monday = 1 to Sunday = 7.
    const int weekday = d.dayOfWeek() % 7 + 1;
    return frame({ 't', 'c', 0x00, bcd(d.year() % 100), static_cast<quint8>(weekday),
        bcd(d.month()), bcd(d.day()), bcd(t.hour()), bcd(t.minute()), bcd(t.second()) });
}

SetupExchange SetupExchange::setMeterClock(const QDateTime& computerTime)
{
    return SetupExchange(Command::SetMeterClock,
        {
            Op::write('r'),
            Op::readyWait(kNotReady, kWrongReady),
            Op::sendFrame(clockFrame(computerTime)),
            Op::pause(100),
            Op::of(Op::Kind::DiscardBoth),
            Op::pause(100),
            Op::write('t'),
            Op::readyWait(kNotReady2, kWrongReady2),
            Op::sendFrame(frame({ 'i' })),
            Op::awaitReply(kNoTimeReply),
        });
}

SetupExchange SetupExchange::setRecordingInterval(quint8 minutesBcd, quint8 secondsBcd)
{
    return SetupExchange(Command::SetRecordingInterval,
        {
            Op::write('i'),
            Op::readyWait(kNotReady, kWrongReady),
            Op::sendFrame(frame({ 'n', 't', minutesBcd, secondsBcd })),
            Op::write('b'),
            Op::readyWait(kNotReady2, kWrongReady2),
            Op::sendFrame(frame({ 'o', 'o', 't', secondsBcd })),
        });
}

SetupExchange SetupExchange::eraseLoggerMemory()
{
    return SetupExchange(Command::EraseLoggerMemory,
        {
            Op::write('e'),
            Op::readyWait(kNotReady, kWrongReady),
            Op::sendFrame(frame({ 'r', 'a' })),
        });
}

SetupExchange SetupExchange::readLoggerInfo()
{
    return SetupExchange(Command::ReadLoggerInfo,
        {
            Op::write('t'),
            Op::readyWait(kNotReady, kWrongReady),
            Op::sendFrame(frame({ 'i', 'c', 0x00, 0x02, 0x01, 0x04, 0x28, 0x16, 0x54, 0x08 })),
            Op::awaitReply(kNoTimeReply),
            Op::queryHeader(kNoMemoryHeader),
        });
}

ExchangeStep SetupExchange::start(qint64 nowMs)
{
    std::vector<PortAction> out;
    m_op = 0;
    m_opStarted = false;
    m_buffer.clear();
    m_finished = false;
    m_error = kNone;
    m_timeReply.reset();
    m_header.clear();
    run(nowMs, out);
    return stepWith(std::move(out));
}

ExchangeStep SetupExchange::feed(QByteArrayView bytes, qint64 nowMs)
{
    std::vector<PortAction> out;
    if (!m_finished && !bytes.isEmpty()) {
        const bool querying
            = m_op < m_ops.size() && m_ops[m_op].kind == Op::Kind::QueryHeader && m_opStarted;
        if (querying)
            m_query.feed(bytes, nowMs, out);
        else
            m_buffer.append(bytes.first(std::min(bytes.size(), kBufferCap - m_buffer.size())));
        run(nowMs, out);
    }
    return stepWith(std::move(out));
}

ExchangeStep SetupExchange::wake(qint64 nowMs)
{
    std::vector<PortAction> out;
    if (!m_finished)
        run(nowMs, out);
    return stepWith(std::move(out));
}

void SetupExchange::run(qint64 nowMs, std::vector<PortAction>& out)
{
    while (!m_finished && m_op < m_ops.size()) {
        const Op& op = m_ops[m_op];
        if (!m_opStarted) {
            m_opStarted = true;
            m_opStart = nowMs;
            m_frameIndex = 0;
        }
        m_wakeAt = -1;
        bool done = false;
        switch (op.kind) {
        case Op::Kind::Write:
            out.push_back(PortAction::write(op.byte));
            done = true;
            break;
        case Op::Kind::ReadyWait:
            done = runReadyWait(op, nowMs);
            break;
        case Op::Kind::SendFrame:
            done = runSendFrame(op, nowMs, out);
            break;
        case Op::Kind::Pause:
            done = nowMs >= m_opStart + op.ms;
            m_wakeAt = m_opStart + op.ms;
            break;
        case Op::Kind::DiscardBoth:
            out.push_back(PortAction::discardInput());
            out.push_back(PortAction::discardOutput());
            m_buffer.clear();
            done = true;
            break;
        case Op::Kind::ReadReply:
            done = runReadReply(op, nowMs);
            break;
        case Op::Kind::QueryHeader:
            done = runQueryHeader(op, nowMs, out);
            break;
        }
        if (!done)
            return;
        ++m_op;
        m_opStarted = false;
    }
    m_finished = true;
}

bool SetupExchange::runReadyWait(const Op& op, qint64 nowMs)
{
    if (!m_buffer.isEmpty()) {
        // Ready is exactly one byte, and it is 'r': two bytes at once mean the meter is
        // answering something else.
        if (m_buffer.size() == 1 && m_buffer[0] == kReadyByte) {
            m_buffer.clear();
            return true;
        }
        fail(m_buffer.size() > 1 ? op.failCode : op.wrongCode);
        return false;
    }
    if (nowMs >= m_opStart + kReadyWaitMs) {
        fail(op.failCode);
        return false;
    }
    m_wakeAt = m_opStart + kReadyWaitMs;
    return false;
}

bool SetupExchange::runSendFrame(const Op& op, qint64 nowMs, std::vector<PortAction>& out)
{
    // Each byte goes out at least 50 ms after the one before (or after the frame began), so
    // a late timer never makes bytes bunch up.
    while (m_frameIndex < op.frame.size()) {
        if (nowMs < m_opStart + kFrameSpacingMs) {
            m_wakeAt = m_opStart + kFrameSpacingMs;
            return false;
        }
        out.push_back(PortAction::write(op.frame[m_frameIndex++]));
        m_opStart = nowMs;
    }
    return true;
}

bool SetupExchange::runReadReply(const Op& op, qint64 nowMs)
{
    if (m_buffer.size() >= kTimeReplySize) {
        if (m_buffer.size() != kTimeReplySize) {
            fail(op.failCode);
            return false;
        }
        TimeReply reply;
        for (int i = 0; i < kTimeReplySize; ++i)
            reply.bytes[static_cast<std::size_t>(i)] = static_cast<quint8>(m_buffer[i]);
        m_timeReply = reply;
        m_buffer.clear();
        return true;
    }
    if (nowMs >= m_opStart + kReplyWaitMs) {
        fail(op.failCode);
        return false;
    }
    m_wakeAt = m_opStart + kReplyWaitMs;
    return false;
}

bool SetupExchange::runQueryHeader(const Op& op, qint64 nowMs, std::vector<PortAction>& out)
{
    if (m_frameIndex == 0) {
        m_frameIndex = 1;
        out.push_back(PortAction::discardInput());
        m_buffer.clear();
        m_query.start(nowMs, out);
    }
    if (!m_query.wake(nowMs, out)) {
        m_wakeAt = m_query.deadline();
        return false;
    }
    if (!m_query.succeeded()) {
        fail(op.failCode);
        return false;
    }
    m_header = m_query.block();
    return true;
}

void SetupExchange::fail(int code)
{
    m_error = code;
    m_finished = true;
}

ExchangeStep SetupExchange::stepWith(std::vector<PortAction> out) const
{
    ExchangeStep step;
    step.actions = std::move(out);
    step.finished = m_finished;
    step.wakeAtMs = m_finished ? -1 : m_wakeAt;
    return step;
}

} // namespace tc4dl
