#include "RunKeeper.h"

#include "DateTimeSerial.h"

#include <cmath>

namespace tc4dl::recorder {

RunKeeper::RunKeeper(QString meter, int everySeconds, QString journalFolder, Events events,
    journal::JournalSyncer::Mode mode)
    : m_meter(std::move(meter)),
      m_everyMs(qint64(std::max(everySeconds, 1)) * 1000),
      m_folder(std::move(journalFolder)),
      m_events(std::move(events)),
      m_journal(mode)
{
}

RunKeeper::~RunKeeper()
{
    endRun();
}

bool RunKeeper::offer(const SampleCodes& codes, bool celsius, const QDateTime& now, qint64 tickMs)
{
    if (m_failed)
        return false;
    if (m_run
        && (m_run->celsius() != celsius || m_run->full() || tickMs - m_lastReadingMs > kLinkLostMs))
        endRun();
    if (!m_run)
        return beginRun(codes, celsius, now, tickMs);
    const qint64 next = m_run->sampleCount();
    const qint64 due = m_firstMs + next * m_everyMs;
    m_lastReadingMs = tickMs;
    if (tickMs < due - kEarlyMs)
        return false;
    // The slot this reading is nearest to; slots passed without a reading hold no value.
    const qint64 slot
        = std::max(next, qint64(std::llround(double(tickMs - m_firstMs) / double(m_everyMs))));
    if (slot >= LiveRun::kMaxSamples) {
        endRun();
        return beginRun(codes, celsius, now, tickMs);
    }
    SampleCodes none;
    none.fill(SampleCode::kNoValue);
    for (qint64 j = next; j < slot; ++j) {
        if (!append(none, tickMs))
            return false;
    }
    return append(codes, tickMs);
}

bool RunKeeper::beginRun(
    const SampleCodes& codes, bool celsius, const QDateTime& now, qint64 tickMs)
{
    // A set's start has whole seconds.
    const QDateTime start = now.addMSecs(-now.time().msec());
    m_run = std::make_shared<LiveRun>(
        m_meter, toDateTimeSerial(start), qint32(m_everyMs / 1000), celsius);
    m_firstMs = tickMs;
    m_lastReadingMs = tickMs;
    QString why;
    if (!m_folder.isEmpty() && !m_journal.begin(m_folder, *m_run, tickMs, &why)) {
        m_failed = true;
        m_run.reset();
        if (m_events.journalFailed)
            m_events.journalFailed(why);
        return false;
    }
    if (m_events.runBegan)
        m_events.runBegan(m_run, m_folder.isEmpty() ? QString() : m_journal.path());
    return append(codes, tickMs);
}

bool RunKeeper::append(const SampleCodes& codes, qint64 tickMs)
{
    (void)m_run->append(codes); // offer() began a new run before this one could be full
    if (!m_folder.isEmpty() && !m_journal.append(*m_run, m_run->sampleCount() - 1, tickMs)) {
        m_failed = true;
        const QString why = journalWriteFailure(m_journal.path());
        endRun();
        if (m_events.journalFailed)
            m_events.journalFailed(why);
        return false;
    }
    return true;
}

void RunKeeper::timePassed(qint64 tickMs)
{
    if (!m_run)
        return;
    if (tickMs - m_lastReadingMs > kLinkLostMs)
        endRun();
    else
        m_journal.timePassed(tickMs);
}

void RunKeeper::endRun()
{
    if (!m_run)
        return;
    m_journal.finish();
    std::shared_ptr<LiveRun> ended = std::move(m_run);
    m_run.reset();
    if (m_events.runEnded)
        m_events.runEnded(ended);
}

} // namespace tc4dl::recorder
