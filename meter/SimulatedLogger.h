#pragma once

#include "LoggerMemory.h"

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <utility>

namespace tc4dl {

// Faults of the logger side, for tests and for people trying the program's error handling.
// Block numbers count from 1 within one transfer, that is from its TransferStart; a size query
// is a transfer of its own that ends after the first block.
struct LoggerFaults {
    // Every Nth block sent (repeats included) carries a wrong checksum; 0: none.
    int corruptEveryNthBlock = 0;
    // Block N stops half-way the first time a transfer sends it; the rest comes only when it is
    // asked for again. 0: none.
    int stallBlock = 0;
    // After N blocks of a transfer the meter drops it and says nothing more; a port that can
    // drop the line does so too. 0: never.
    int hangUpAfterBlocks = 0;
    // The first block tells this memory size (LastAddress + 1) instead of the real one, in the
    // size query as in the transfer; the blocks sent still follow the real memory. 0: the truth.
    qint64 reportedSize = 0;
    // This many TransferStarts go unanswered; negative: every one.
    int unansweredStarts = 0;
    // Every ready byte is sent twice.
    bool doubleReady = false;
    // Set K (from 1) goes out with a broken end mark; the memory itself stays intact. 0: none.
    int badEndMarkSet = 0;
};

// The logger side of the simulated meter as a pure model fed bytes and the time: the logger
// memory, the meter's own clock, recording at the logger interval, the memory transfer and the
// set-up exchanges. The meter hands it the bytes that belong to it (see claims()).
class SimulatedLogger {
public:
    // Memory transfer.
    static constexpr char kTransferStart = 'P';
    static constexpr char kTransferStop = 'Q';
    static constexpr char kBlockAccept = 'y';
    static constexpr char kBlockResend = 'n';
    static constexpr int kBlockData = 64;
    static constexpr int kBlockLength = 65;
    // Set-up exchanges: a command byte, the ready byte, a 10-byte frame, maybe a reply.
    static constexpr char kReadyByte = 'r';
    static constexpr char kClockCommand = 'r';
    static constexpr char kTimeCommand = 't';
    static constexpr char kIntervalCommand = 'i';
    static constexpr char kBootCommand = 'b';
    static constexpr char kEraseCommand = 'e';
    static constexpr int kCommandFrameLength = 10;
    static constexpr int kTimeReplyLength = 8;
    // A transfer or an exchange the PC abandoned is forgotten after this much silence.
    static constexpr qint64 kTransferIdleMs = 10'000;
    static constexpr qint64 kExchangeIdleMs = 2'500;

    // The clock of a meter nobody set: the ManualClock's start, so that a test's meter and
    // clock agree unless told otherwise.
    static inline const QDateTime kFactoryTime { QDate(2026, 12, 9), QTime(14, 5, 0) };

    // The readings of the four channels at a moment, in the unit asked for.
    using SampleSource = std::function<LoggerMemory::Sample(qint64 atMs, bool celsius)>;

    // `clockAtZero`: the meter's date and time at tick 0; invalid: kFactoryTime.
    explicit SimulatedLogger(LoggerMemory memory = {}, QDateTime clockAtZero = {});

    [[nodiscard]] const LoggerFaults& faults() const { return m_faults; }
    void setFaults(const LoggerFaults& faults) { m_faults = faults; }

    [[nodiscard]] const LoggerMemory& memory() const { return m_memory; }
    // Replaces the memory; a recording in progress ends.
    void setMemory(LoggerMemory memory);

    // The meter's clock, running with the ticks.
    [[nodiscard]] QDateTime time(qint64 nowMs) const;
    void setTime(const QDateTime& time, qint64 nowMs);

    // Whether `byte` is the logger's: a byte that goes on with the transfer or exchange in
    // progress, or one that starts one. Any other byte ends what was in progress (the PC went
    // back to the live link) and is left to the live side, as is every byte after a long
    // silence.
    [[nodiscard]] bool claims(char byte, qint64 nowMs);
    // A byte the logger claimed; returns what the meter sends back.
    QByteArray receive(char byte, qint64 nowMs);
    [[nodiscard]] bool isTransferring() const { return m_transfer.active; }
    [[nodiscard]] bool isInExchange() const { return m_exchange.active; }
    // True once after a hang-up fault struck, for ports that can drop the line.
    bool takeHangUp() { return std::exchange(m_hungUp, false); }
    // The last complete command frame, with its command byte first.
    [[nodiscard]] QByteArray lastCommand() const { return m_lastCommand; }

    // Starts a data set now, in the given unit, at the logger interval, and takes its first
    // sample. False when the memory is full.
    bool startRecording(qint64 nowMs, bool celsius, const SampleSource& source);
    void stopRecording();
    [[nodiscard]] bool isRecording() const { return m_recording.active; }
    // Takes the samples that fell due up to now, each with the readings of its own moment;
    // a full memory ends the recording.
    void recordDue(qint64 nowMs, const SampleSource& source);

    // The 8-byte time reply for a moment: unused, year, day of the week, month, day, hour,
    // minute, second, in BCD.
    [[nodiscard]] QByteArray timeReply(qint64 nowMs) const;
    // Block `index` (from 0) as it goes out: 64 memory bytes and their checksum, with the
    // faults that change what the memory says (the reported size, the broken end mark) but
    // not those of the line (the wrong checksum, the stall).
    [[nodiscard]] QByteArray block(int index) const;

private:
    struct Transfer {
        bool active = false;
        int block = 0; // index of the block last sent
        int sent = 0; // blocks sent since the TransferStart, repeats included
        bool stalled = false;
        qint64 lastMs = 0;
    };
    struct Exchange {
        bool active = false;
        char command = 0;
        QByteArray frame;
        qint64 lastMs = 0;
    };
    struct Recording {
        bool active = false;
        bool celsius = true;
        qint64 startMs = 0;
        qint64 intervalMs = 1000;
        qint64 taken = 0;
    };

    QByteArray receiveTransfer(char byte, qint64 nowMs);
    QByteArray startTransfer(qint64 nowMs);
    QByteArray sendBlock();
    QByteArray receiveExchange(char byte, qint64 nowMs);
    QByteArray runCommand(qint64 nowMs);
    [[nodiscard]] int blockCount() const;
    [[nodiscard]] static char frameStart(char command);

    LoggerMemory m_memory;
    LoggerFaults m_faults;
    QDateTime m_clockBase;
    qint64 m_clockBaseMs = 0;
    Transfer m_transfer;
    Exchange m_exchange;
    Recording m_recording;
    int m_starts = 0; // TransferStarts seen, for the unanswered-start fault
    bool m_hungUp = false;
    QByteArray m_lastCommand;
};

} // namespace tc4dl
