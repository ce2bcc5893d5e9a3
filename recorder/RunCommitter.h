#pragma once

#include "LiveRun.h"
#include "RunStore.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tc4dl::recorder {

// Takes every run to the store: a growing run at least every kCommitIntervalMs, an ended run
// at once, a run recovered from a journal at the start. A failed commit is tried again after a
// pause that doubles up to kLongestPauseMs, while the run's journal keeps its readings; a run
// whose end was stored loses its journal. Driven by the caller's monotonic clock.
class RunCommitter {
public:
    static constexpr qint64 kCommitIntervalMs = 60000;
    static constexpr qint64 kFirstPauseMs = 5000;
    static constexpr qint64 kLongestPauseMs = 60000;

    struct Events {
        // `added` more readings of the run are in the store now, which holds all it had.
        std::function<void(const LiveRun& run, int added)> committed;
        // The commit failed; tried again in `retryMs`. Said once per failing stretch.
        std::function<void(const LiveRun& run, const QString& why, qint64 retryMs)> failed;
        // The store answers again after failing.
        std::function<void(const QString& description)> recovered;
    };

    RunCommitter(RunStore& store, Events events);

    // A run in progress; its journal is at `journalPath`.
    void track(std::shared_ptr<const LiveRun> run, const QString& journalPath, qint64 nowMs);
    // The run ended: it is committed at the next timePassed(), its journal removed then.
    void ended(const LiveRun& run, qint64 nowMs);
    // A run read back from a journal left behind: committed like an ended run.
    void recovered(std::shared_ptr<const LiveRun> run, const QString& journalPath, qint64 nowMs);
    // Commits what is due.
    void timePassed(qint64 nowMs);
    // Commits every run now, failures or not (the recorder stops); true when all are stored.
    bool flush(qint64 nowMs);

    // Readings waiting for the store, over all runs.
    [[nodiscard]] qint64 waiting() const;
    // Journals kept because their runs are not stored.
    [[nodiscard]] QStringList keptJournals() const;
    [[nodiscard]] const RunStore& store() const { return m_store; }

private:
    struct Entry {
        std::shared_ptr<const LiveRun> run;
        QString journalPath;
        bool ended = false;
        int stored = 0; // samples the store holds
        qint64 dueMs = 0;
        qint64 pauseMs = 0; // 0 while the store answers
    };
    bool commit(Entry& e, qint64 nowMs);
    Entry* find(const LiveRun& run);

    RunStore& m_store;
    Events m_events;
    std::vector<Entry> m_entries;
    bool m_failing = false;
};

} // namespace tc4dl::recorder
