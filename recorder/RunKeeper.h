#pragma once

#include "LiveRun.h"
#include "RunJournal.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace tc4dl::recorder {

// The runs of one meter: which readings are kept, into which run, and its journal. A reading is
// kept every `every` seconds on a grid that starts at the run's first reading (a reading up to
// half a poll early counts for its slot; slots no reading came for hold no value). A run ends
// when no reading came for kLinkLostMs, when the meter switches its unit, when it is full, or at
// stop; the next reading begins a new one. Time comes from the caller's monotonic clock, so a
// step of the wall clock neither stretches nor folds a run.
class RunKeeper {
public:
    static constexpr qint64 kLinkLostMs = 10000;
    // A reading this much before its slot's time still counts for the slot.
    static constexpr qint64 kEarlyMs = 500;

    struct Events {
        // A run began; its journal is at `journalPath`.
        std::function<void(std::shared_ptr<LiveRun> run, const QString& journalPath)> runBegan;
        // A run ended; nothing more is added to it.
        std::function<void(std::shared_ptr<LiveRun> run)> runEnded;
        // The journal could not be written: readings from now on would not be kept safely.
        std::function<void(const QString& why)> journalFailed;
    };

    // No journal without `journalFolder` (the readings are not stored at all).
    RunKeeper(QString meter, int everySeconds, QString journalFolder, Events events,
        journal::JournalSyncer::Mode mode = journal::JournalSyncer::Mode::Background);
    ~RunKeeper();

    // A reading at local time `now` and monotonic `tickMs`; true when it was kept.
    bool offer(const SampleCodes& codes, bool celsius, const QDateTime& now, qint64 tickMs);
    // The clock moved on: a silent meter's run ends, the journal syncs what is due.
    void timePassed(qint64 tickMs);
    // Ends the run in progress, if any.
    void endRun();
    [[nodiscard]] const std::shared_ptr<LiveRun>& run() const { return m_run; }
    [[nodiscard]] bool failed() const { return m_failed; }

private:
    bool beginRun(const SampleCodes& codes, bool celsius, const QDateTime& now, qint64 tickMs);
    bool append(const SampleCodes& codes, qint64 tickMs);

    QString m_meter;
    qint64 m_everyMs;
    QString m_folder;
    Events m_events;
    RunJournal m_journal;
    std::shared_ptr<LiveRun> m_run;
    qint64 m_firstMs = 0; // tickMs of the run's first reading: slot j is due at + j x every
    qint64 m_lastReadingMs = 0;
    bool m_failed = false;
};

} // namespace tc4dl::recorder
