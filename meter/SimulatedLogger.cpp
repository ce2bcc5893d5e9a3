#include "SimulatedLogger.h"

#include <algorithm>

namespace tc4dl {

namespace {

// Where the PC's set-up frames carry the date and time and the interval.
constexpr int kClockYear = 3, kClockMonth = 5, kClockDay = 6, kClockHour = 7, kClockMinute = 8,
              kClockSecond = 9;
constexpr int kIntervalMinutes = 2, kIntervalSeconds = 3;

quint8 at(const QByteArray& bytes, int offset)
{
    return static_cast<quint8>(bytes.at(offset));
}

// The date and time of the clock frame; none when a field is not a BCD number or the moment
// does not exist, which the meter ignores.
std::optional<QDateTime> clockFrameTime(const QByteArray& frame)
{
    int v[6];
    const int offsets[6]
        = { kClockYear, kClockMonth, kClockDay, kClockHour, kClockMinute, kClockSecond };
    for (int i = 0; i < 6; ++i) {
        const std::optional<int> d = LoggerMemory::fromBcd(at(frame, offsets[i]));
        if (!d)
            return std::nullopt;
        v[i] = *d;
    }
    const QDate date(2000 + v[0], v[1], v[2]);
    const QTime time(v[3], v[4], v[5]);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

} // namespace

SimulatedLogger::SimulatedLogger(LoggerMemory memory, QDateTime clockAtZero)
    : m_memory(std::move(memory)),
      m_clockBase(clockAtZero.isValid() ? std::move(clockAtZero) : kFactoryTime)
{
}

void SimulatedLogger::setMemory(LoggerMemory memory)
{
    stopRecording();
    m_memory = std::move(memory);
}

QDateTime SimulatedLogger::time(qint64 nowMs) const
{
    return m_clockBase.addMSecs(nowMs - m_clockBaseMs);
}

void SimulatedLogger::setTime(const QDateTime& time, qint64 nowMs)
{
    m_clockBase = time;
    m_clockBaseMs = nowMs;
}

char SimulatedLogger::frameStart(char command)
{
    switch (command) {
    case kClockCommand:
        return 't';
    case kTimeCommand:
        return 'i';
    case kIntervalCommand:
        return 'n';
    case kBootCommand:
        return 'o';
    case kEraseCommand:
        return 'r';
    default:
        return 0;
    }
}

bool SimulatedLogger::claims(char byte, qint64 nowMs)
{
    if (m_transfer.active) {
        const bool goesOn = byte == kTransferStart || byte == kTransferStop || byte == kBlockAccept
            || byte == kBlockResend;
        if (goesOn && nowMs - m_transfer.lastMs <= kTransferIdleMs)
            return true;
        m_transfer.active = false;
    }
    if (m_exchange.active) {
        // A frame starts with the letter its command expects; a poll or a key in its place
        // means the PC gave up waiting for the ready byte.
        const bool goesOn = !m_exchange.frame.isEmpty() || byte == frameStart(m_exchange.command);
        if (goesOn && nowMs - m_exchange.lastMs <= kExchangeIdleMs)
            return true;
        m_exchange.active = false;
    }
    return byte == kTransferStart || frameStart(byte) != 0;
}

QByteArray SimulatedLogger::receive(char byte, qint64 nowMs)
{
    if (m_exchange.active)
        return receiveExchange(byte, nowMs);
    if (m_transfer.active || byte == kTransferStart)
        return receiveTransfer(byte, nowMs);
    if (frameStart(byte) == 0)
        return {};
    m_exchange = Exchange { true, byte, {}, nowMs };
    const QByteArray ready(1, kReadyByte);
    return m_faults.doubleReady ? ready + ready : ready;
}

QByteArray SimulatedLogger::receiveTransfer(char byte, qint64 nowMs)
{
    m_transfer.lastMs = nowMs;
    switch (byte) {
    case kTransferStart:
        return startTransfer(nowMs);
    case kBlockAccept:
        if (m_transfer.block + 1 >= blockCount()) {
            m_transfer.active = false; // the whole memory went out
            return {};
        }
        ++m_transfer.block;
        return sendBlock();
    case kBlockResend:
        return sendBlock();
    default: // TransferStop
        m_transfer.active = false;
        return {};
    }
}

QByteArray SimulatedLogger::startTransfer(qint64 nowMs)
{
    ++m_starts;
    m_transfer = Transfer {};
    if (m_faults.unansweredStarts < 0 || m_starts <= m_faults.unansweredStarts)
        return {};
    m_transfer.active = true;
    m_transfer.lastMs = nowMs;
    return sendBlock();
}

int SimulatedLogger::blockCount() const
{
    return static_cast<int>((m_memory.size() + kBlockData - 1) / kBlockData);
}

QByteArray SimulatedLogger::block(int index) const
{
    const qint64 first = qint64 { index } * kBlockData;
    QByteArray data = m_memory.bytes(first, kBlockData);
    if (index == 0 && m_faults.reportedSize > 0) {
        const qint64 last = m_faults.reportedSize - 1;
        data[LoggerMemory::kLastAddressOffset] = static_cast<char>(last >> 16);
        data[LoggerMemory::kLastAddressOffset + 1] = static_cast<char>(last >> 8);
        data[LoggerMemory::kLastAddressOffset + 2] = static_cast<char>(last);
    }
    if (m_faults.badEndMarkSet > 0) {
        // The end mark's last byte, in whichever block the set ends.
        const std::optional<qint64> end = m_memory.setEnd(m_faults.badEndMarkSet - 1);
        if (end && *end >= first && *end < first + kBlockData) {
            const auto offset = static_cast<int>(*end - first);
            data[offset] = static_cast<char>(~at(data, offset));
        }
    }
    quint8 sum = 0;
    for (const char c : std::as_const(data))
        sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    data.append(static_cast<char>(sum));
    return data;
}

QByteArray SimulatedLogger::sendBlock()
{
    ++m_transfer.sent;
    if (m_faults.hangUpAfterBlocks > 0 && m_transfer.sent > m_faults.hangUpAfterBlocks) {
        m_transfer.active = false;
        m_hungUp = true;
        return {};
    }
    QByteArray b = block(m_transfer.block);
    if (m_faults.corruptEveryNthBlock > 0 && m_transfer.sent % m_faults.corruptEveryNthBlock == 0)
        b[kBlockData] = static_cast<char>(at(b, kBlockData) + 1);
    if (m_faults.stallBlock == m_transfer.block + 1 && !m_transfer.stalled) {
        m_transfer.stalled = true;
        return b.left(kBlockLength / 2);
    }
    return b;
}

QByteArray SimulatedLogger::receiveExchange(char byte, qint64 nowMs)
{
    m_exchange.lastMs = nowMs;
    m_exchange.frame.append(byte);
    if (m_exchange.frame.size() < kCommandFrameLength)
        return {};
    m_exchange.active = false;
    m_lastCommand = m_exchange.command + m_exchange.frame;
    return runCommand(nowMs);
}

QByteArray SimulatedLogger::runCommand(qint64 nowMs)
{
    const QByteArray& f = m_exchange.frame;
    switch (m_exchange.command) {
    case kClockCommand:
        if (f.startsWith("tc")) {
            if (const std::optional<QDateTime> t = clockFrameTime(f))
                setTime(*t, nowMs);
        }
        return {};
    case kTimeCommand:
        return timeReply(nowMs); // both the clock check and the logger read-out
    case kIntervalCommand: {
        const std::optional<int> m = LoggerMemory::fromBcd(at(f, kIntervalMinutes));
        const std::optional<int> s = LoggerMemory::fromBcd(at(f, kIntervalSeconds));
        // The meter takes what the PC's input check lets through, 00:01 to 60:60.
        if (f.startsWith("nt") && m && s && *m <= 60 && *s <= 60 && *m + *s > 0)
            m_memory.setIntervalBcd(at(f, kIntervalMinutes), at(f, kIntervalSeconds));
        return {};
    }
    case kEraseCommand:
        if (f.startsWith("ra")) {
            stopRecording();
            m_memory.erase();
        }
        return {};
    default: // the boot confirmation after an interval change: nothing to do here
        return {};
    }
}

QByteArray SimulatedLogger::timeReply(qint64 nowMs) const
{
    const QDateTime t = time(nowMs);
    const QDate d = t.date();
    const QTime tm = t.time();
    const int weekday = d.dayOfWeek() % 7 + 1; // 1 Sunday to 7 Saturday
    const quint8 reply[kTimeReplyLength] = { 0x00, LoggerMemory::toBcd(d.year() % 100),
        LoggerMemory::toBcd(weekday), LoggerMemory::toBcd(d.month()), LoggerMemory::toBcd(d.day()),
        LoggerMemory::toBcd(tm.hour()), LoggerMemory::toBcd(tm.minute()),
        LoggerMemory::toBcd(tm.second()) };
    return QByteArray(reinterpret_cast<const char*>(reply), kTimeReplyLength);
}

bool SimulatedLogger::startRecording(qint64 nowMs, bool celsius, const SampleSource& source)
{
    stopRecording();
    const int interval = m_memory.intervalSeconds();
    if (!m_memory.beginSet(time(nowMs), interval, celsius))
        return false;
    m_recording = Recording { true, celsius, nowMs, qint64 { interval } * 1000, 0 };
    recordDue(nowMs, source);
    return isRecording();
}

void SimulatedLogger::stopRecording()
{
    m_recording.active = false;
    m_memory.endSet();
}

void SimulatedLogger::recordDue(qint64 nowMs, const SampleSource& source)
{
    while (m_recording.active) {
        const qint64 due = m_recording.startMs + m_recording.taken * m_recording.intervalMs;
        if (due > nowMs)
            return;
        if (!m_memory.appendSample(source(due, m_recording.celsius))) {
            stopRecording(); // the memory is full
            return;
        }
        ++m_recording.taken;
    }
}

} // namespace tc4dl
