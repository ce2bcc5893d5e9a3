#pragma once

#include "ExchangeStep.h"
#include "HeaderQuery.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

#include <array>
#include <optional>
#include <vector>

namespace tc4dl {

// The meter's 8-byte answer with its clock: byte 1 year (last two digits), 3 month, 4 day,
// 5 hour, 6 minute, 7 second, all BCD; bytes 0 and 2 unused.
struct TimeReply {
    std::array<quint8, 8> bytes {};
    bool operator==(const TimeReply&) const = default;
};

// One of the four logger set-up commands as a state machine fed bytes and the time, of the
// same shape as the memory download. Every exchange writes a first byte, waits for the ready
// byte 'r' (exactly one byte), sends a 10-byte frame a byte at a time 50 ms apart, and some go
// on with a second exchange, the time reply or the memory header. Borrowing the port is the
// driver's part: it starts the exchange once the port is open (a failed borrow is error code
// kBorrowFailed without starting anything).
class SetupExchange {
public:
    enum class Command { SetMeterClock, SetRecordingInterval, EraseLoggerMemory, ReadLoggerInfo };

    static constexpr char kReadyByte = 'r';
    static constexpr qint64 kReadyWaitMs = 2500;
    static constexpr qint64 kFrameSpacingMs = 50;
    static constexpr qint64 kReplyWaitMs = 2500;
    static constexpr qint64 kHeaderWindowMs = 2500;
    static constexpr int kFrameSize = 10;

    // Error codes; the clock command shows them to the user as its "Error Code".
    enum Error {
        kNone = 0,
        kBorrowFailed = 1, // the port could not be borrowed (the driver's part)
        kNotReady = 2, // first exchange: no answer, or more than one byte
        kWrongReady = 3, // first exchange: a byte other than 'r'
        kNotReady2 = 4, // second exchange, as 2
        kWrongReady2 = 5, // second exchange, as 3
        kNoTimeReply = 6, // not exactly 8 bytes of time reply within 2.5 s
        kNoMemoryHeader = 7 // the memory header block did not come in three attempts
    };

    // The clock frame is built from the computer's local time when the command is given.
    [[nodiscard]] static SetupExchange setMeterClock(const QDateTime& computerTime);
    // minutesBcd and secondsBcd as IntervalInput gives them.
    [[nodiscard]] static SetupExchange setRecordingInterval(quint8 minutesBcd, quint8 secondsBcd);
    [[nodiscard]] static SetupExchange eraseLoggerMemory();
    [[nodiscard]] static SetupExchange readLoggerInfo();

    // The frames, for the commands above and for tests.
    [[nodiscard]] static QByteArray clockFrame(const QDateTime& computerTime);
    [[nodiscard]] static QByteArray frame(std::initializer_list<quint8> bytes);

    [[nodiscard]] ExchangeStep start(qint64 nowMs);
    [[nodiscard]] ExchangeStep feed(QByteArrayView bytes, qint64 nowMs);
    [[nodiscard]] ExchangeStep wake(qint64 nowMs);

    [[nodiscard]] Command command() const { return m_command; }
    [[nodiscard]] bool finished() const { return m_finished; }
    [[nodiscard]] bool succeeded() const { return m_finished && m_error == kNone; }
    [[nodiscard]] int error() const { return m_error; }
    [[nodiscard]] const std::optional<TimeReply>& timeReply() const { return m_timeReply; }
    // The first memory block (65 bytes) read by ReadLoggerInfo; empty otherwise.
    [[nodiscard]] const QByteArray& headerBlock() const { return m_header; }

private:
    struct Op {
        enum class Kind { Write, ReadyWait, SendFrame, Pause, DiscardBoth, ReadReply, QueryHeader };
        Kind kind = Kind::Write;
        char byte = 0; // Write
        QByteArray frame; // SendFrame
        qint64 ms = 0; // Pause
        int failCode = 0; // ReadyWait (no or extra answer), ReadReply, QueryHeader
        int wrongCode = 0; // ReadyWait (a wrong byte)

        static Op of(Kind kind)
        {
            Op op;
            op.kind = kind;
            return op;
        }
        static Op write(char b);
        static Op readyWait(int failCode, int wrongCode);
        static Op sendFrame(QByteArray frame);
        static Op pause(qint64 ms);
        static Op awaitReply(int failCode);
        static Op queryHeader(int failCode);
    };

    SetupExchange(Command command, std::vector<Op> ops);
    void run(qint64 nowMs, std::vector<PortAction>& out);
    // Each returns true when the op is done and the next may run.
    bool runReadyWait(const Op& op, qint64 nowMs);
    bool runSendFrame(const Op& op, qint64 nowMs, std::vector<PortAction>& out);
    bool runReadReply(const Op& op, qint64 nowMs);
    bool runQueryHeader(const Op& op, qint64 nowMs, std::vector<PortAction>& out);
    void fail(int code);
    [[nodiscard]] ExchangeStep stepWith(std::vector<PortAction> out) const;

    Command m_command;
    std::vector<Op> m_ops;
    std::size_t m_op = 0;
    bool m_opStarted = false;
    qint64 m_opStart = 0; // when the current op began, or the last frame byte went out
    int m_frameIndex = 0;
    qint64 m_wakeAt = -1;
    QByteArray m_buffer; // received and not yet consumed, as the port would hold them
    HeaderQuery m_query;
    bool m_finished = false;
    int m_error = kNone;
    std::optional<TimeReply> m_timeReply;
    QByteArray m_header;
};

} // namespace tc4dl
