#pragma once

#include "JournalFormat.h"
#include "JournalSyncer.h"

#include <QFile>
#include <QString>

namespace tc4dl::journal {

// Appends a running recording to its journal file. Each sample is handed to the system as
// soon as it is taken, so a crash of the program loses nothing; the disk itself is synced at
// most every kSyncIntervalMs, which bounds what a power cut can take. Time comes from the
// caller (a main tick's clock), so the policy runs the same under a hand-moved clock.
// The file is made as long as the whole run's samples at the start (the reader stops at the
// first record that is still zeros), so that a sample's write never grows it and a sync has
// no size to record; only an alarm note, rare, may grow it. Records go in by a positioned write,
// not through a mapping: a mapped page that a sync has just cleaned faults on the next store, and
// on a journalling file system that fault can wait for the sync's own commit, a stall of a good
// fraction of a millisecond in the main tick; a write into the page cache does not. At the end of
// the run the file is cut to the samples taken. A write that fails ends the journal for this run:
// the recording itself goes on.
class JournalWriter {
public:
    static constexpr qint64 kSyncIntervalMs = 10000;

    explicit JournalWriter(JournalSyncer::Mode mode = JournalSyncer::Mode::Background);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Starts the journal of a new run at `path` (any journal there is replaced) and syncs its
    // header. False when the file could not be made.
    bool begin(const QString& path, const JournalHeader& header, qint64 nowMs);
    // Appends the next sample; false when nothing is open or the write failed.
    bool append(const JournalSample& sample, qint64 nowMs);
    // Appends an alarm note; false when nothing is open, the write failed, the run already
    // holds kMaxNotes notes or its text is too long (the journal goes on without it).
    bool appendNote(const JournalNote& note, qint64 nowMs);
    // The clock moved on: samples written more than kSyncIntervalMs after the last sync are
    // synced now.
    void timePassed(qint64 nowMs);
    // The run ended: the rest is synced and the file closed. The journal stays on the disk.
    void finish();
    // Closes the journal and deletes `path` (the open journal's or one left from before).
    void discard(const QString& path);

    [[nodiscard]] bool isOpen() const { return m_file.isOpen(); }
    // Samples written.
    [[nodiscard]] quint32 records() const { return m_samples; }
    [[nodiscard]] quint32 notes() const { return m_notes; }
    // Samples the disk held at the last sync asked for.
    [[nodiscard]] quint32 syncedRecords() const { return m_syncedSamples; }
    [[nodiscard]] int syncRequests() const { return m_syncRequests; }
    [[nodiscard]] const JournalSyncer& syncer() const { return m_syncer; }

private:
    void sync(qint64 nowMs);
    void close();
    // Writes the next record; false (and the journal closed) unless all of it was written.
    bool writeRecord(const char* data, qint64 size);
    // Writes `size` bytes at `offset` in one call; false unless all were written.
    bool writeAt(qint64 offset, const char* data, qint64 size);

    QFile m_file;
    JournalSyncer m_syncer;
    quint32 m_capacity = 0; // samples the run asked for
    quint32 m_samples = 0;
    quint32 m_notes = 0;
    quint32 m_records = 0; // samples and notes: the number of the next record
    qint64 m_used = 0; // bytes written, header included
    qint64 m_allocated = 0; // the file's length
    quint32 m_syncedSamples = 0;
    qint64 m_syncedBytes = 0;
    qint64 m_lastSyncMs = 0;
    int m_syncRequests = 0;
};

} // namespace tc4dl::journal
