#include "RunCommitter.h"

#include <QFile>

namespace tc4dl::recorder {

RunCommitter::RunCommitter(RunStore& store, Events events)
    : m_store(store),
      m_events(std::move(events))
{
}

RunCommitter::Entry* RunCommitter::find(const LiveRun& run)
{
    for (Entry& e : m_entries) {
        if (e.run.get() == &run)
            return &e;
    }
    return nullptr;
}

void RunCommitter::track(
    std::shared_ptr<const LiveRun> run, const QString& journalPath, qint64 nowMs)
{
    Entry e;
    e.run = std::move(run);
    e.journalPath = journalPath;
    e.dueMs = nowMs + kCommitIntervalMs;
    m_entries.push_back(std::move(e));
}

void RunCommitter::ended(const LiveRun& run, qint64 nowMs)
{
    if (Entry* e = find(run)) {
        e->ended = true;
        // A store that is failing keeps its pause; otherwise the end goes in at once.
        if (e->pauseMs == 0)
            e->dueMs = nowMs;
    }
}

void RunCommitter::recovered(
    std::shared_ptr<const LiveRun> run, const QString& journalPath, qint64 nowMs)
{
    track(std::move(run), journalPath, nowMs);
    m_entries.back().ended = true;
    m_entries.back().dueMs = nowMs;
}

bool RunCommitter::commit(Entry& e, qint64 nowMs)
{
    const int count = e.run->sampleCount();
    if (count > e.stored) {
        const StoreOutcome outcome = m_store.commit(*e.run);
        if (!outcome.ok) {
            e.pauseMs = e.pauseMs == 0 ? kFirstPauseMs : std::min(e.pauseMs * 2, kLongestPauseMs);
            e.dueMs = nowMs + e.pauseMs;
            if (!m_failing && m_events.failed)
                m_events.failed(*e.run, outcome.error, e.pauseMs);
            m_failing = true;
            return false;
        }
        if (m_failing && m_events.recovered)
            m_events.recovered(m_store.description());
        m_failing = false;
        const int added = count - e.stored;
        e.stored = count;
        e.pauseMs = 0;
        if (m_events.committed)
            m_events.committed(*e.run, added);
    }
    e.dueMs = nowMs + kCommitIntervalMs;
    return true;
}

void RunCommitter::timePassed(qint64 nowMs)
{
    for (Entry& e : m_entries) {
        if (nowMs >= e.dueMs)
            (void)commit(e, nowMs);
    }
    // An ended run the store holds whole needs its journal no more.
    std::erase_if(m_entries, [](const Entry& e) {
        const bool done = e.ended && e.stored == e.run->sampleCount();
        if (done && !e.journalPath.isEmpty())
            QFile::remove(e.journalPath);
        return done;
    });
}

bool RunCommitter::flush(qint64 nowMs)
{
    for (Entry& e : m_entries) {
        e.ended = true;
        e.dueMs = nowMs;
    }
    timePassed(nowMs);
    return m_entries.empty();
}

qint64 RunCommitter::waiting() const
{
    qint64 n = 0;
    for (const Entry& e : m_entries)
        n += e.run->sampleCount() - e.stored;
    return n;
}

QStringList RunCommitter::keptJournals() const
{
    QStringList paths;
    for (const Entry& e : m_entries)
        paths << e.journalPath;
    return paths;
}

} // namespace tc4dl::recorder
