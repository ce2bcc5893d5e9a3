#pragma once

#include "ExchangeStep.h"
#include "HeaderQuery.h"
#include "LoadResult.h"
#include "MemoryImage.h"

#include <QByteArray>
#include <QByteArrayView>

namespace tc4dl {

// The copy of the meter's logger memory into a MemoryImage, as a state machine fed received
// bytes and the time. It never waits itself: every input returns at once with what to write
// and when to wake it, so the driver answers each block the moment its last byte arrives and
// uses no processor time in between.
//
// Sequence: the size query (TransferStart, one 65-byte block within 2 s, three attempts;
// TransferStop, discard, a 100 ms pause), then TransferStart and the transfer loop: every
// 65-byte block (64 memory bytes and the low byte of their sum) is answered BlockAccept or
// BlockResend; a partial block that stops growing for 1.5 s is dropped and asked for again;
// the 21st failure or more bytes than the memory holds end it with TransferStop; 3 s without a
// block end it normally. Result Success, TransferIncomplete or SizeRejected; MemoryEnd is the
// reported size - 1.
class MemoryDownload {
public:
    static constexpr char kTransferStart = 'P';
    static constexpr char kTransferStop = 'Q';
    static constexpr char kBlockAccept = 'y';
    static constexpr char kBlockResend = 'n';

    static constexpr int kBlockSize = 65; // 64 memory bytes and the checksum
    static constexpr int kBlockData = 64;
    static constexpr qint64 kMinSize = 256;
    static constexpr qint64 kMaxSize = 131072;
    static constexpr qint64 kQueryWindowMs = 2000;
    static constexpr qint64 kQueryPauseMs = 100;
    static constexpr qint64 kStallMs = 1500;
    static constexpr qint64 kSilenceMs = 3000;
    static constexpr qint64 kAcceptRepeatMs = 100;
    static constexpr int kAcceptWrites = 10;
    static constexpr int kMaxFailures = 20; // one more ends the transfer

    enum class Phase { Idle, SizeQuery, QueryPause, Transfer, AcceptRepeat, Finished };

    // What went on, for a person looking into a link that misbehaves.
    struct Counters {
        int checksumErrors = 0;
        int stalledBlocks = 0;
        int acceptRepeats = 0; // BlockAccept written again because nothing came
        qint64 bytesIn = 0;
    };

    MemoryDownload();

    // Starts the size query; the image is emptied first.
    [[nodiscard]] ExchangeStep start(qint64 nowMs);
    // Bytes read from the port since the last call (all that were waiting).
    [[nodiscard]] ExchangeStep feed(QByteArrayView bytes, qint64 nowMs);
    // The wake-up time asked for has come (a late or early call is harmless).
    [[nodiscard]] ExchangeStep wake(qint64 nowMs);
    // Stops at once (Ctrl-C, a Cancel button): TransferStop, and the result says what was
    // missing (SizeRejected during the size query, else TransferIncomplete unless complete).
    [[nodiscard]] ExchangeStep cancel(qint64 nowMs);

    [[nodiscard]] Phase phase() const { return m_phase; }
    [[nodiscard]] bool finished() const { return m_phase == Phase::Finished; }
    [[nodiscard]] bool cancelled() const { return m_cancelled; }
    [[nodiscard]] LoadResult result() const { return m_result; }
    // Progress: memory bytes received and accepted so far, of total (0 until the size is
    // known). total is the size rounded up to whole blocks.
    [[nodiscard]] qint64 received() const { return m_received; }
    [[nodiscard]] qint64 total() const { return m_total; }
    // The size the meter reported (LastAddress + 1), 0 when the query got no answer.
    [[nodiscard]] qint64 size() const { return m_size; }
    [[nodiscard]] int failures() const { return m_failures; }
    [[nodiscard]] const Counters& counters() const { return m_counters; }
    [[nodiscard]] const MemoryImage& image() const { return m_image; }
    [[nodiscard]] MemoryImage takeImage() { return std::move(m_image); }

private:
    ExchangeStep stepAfter(qint64 nowMs);
    void advance(qint64 nowMs, std::vector<PortAction>& out);
    void afterQuery(qint64 nowMs, std::vector<PortAction>& out);
    void runTransfer(qint64 nowMs, std::vector<PortAction>& out);
    void takeBlock(qint64 nowMs, std::vector<PortAction>& out);
    void finish(LoadResult result);
    [[nodiscard]] qint64 nextWake() const;

    Phase m_phase = Phase::Idle;
    HeaderQuery m_query;
    MemoryImage m_image;
    QByteArray m_buffer; // bytes of the block being received
    qint64 m_size = 0;
    qint64 m_total = 0;
    qint64 m_received = 0;
    int m_failures = 0;
    qint64 m_last = 0; // when the last block (or failure) was dealt with
    qint64 m_pauseEnd = 0; // end of the pause after the size query
    qint64 m_acceptAt = 0; // when BlockAccept was last written
    int m_acceptWrites = 0;
    bool m_cancelled = false;
    LoadResult m_result = LoadResult::TransferIncomplete;
    Counters m_counters;
};

} // namespace tc4dl
