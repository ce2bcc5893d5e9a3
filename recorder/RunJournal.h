#pragma once

#include "JournalWriter.h"
#include "LiveRun.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tc4dl::recorder {

// The journal of one run in the recorder's journal folder, in the real-time journal's format:
// every kept sample is handed to the system at once (a crash loses nothing) and synced at
// least every 10 s (a power cut loses at most that). The file is named after the meter and the
// run's start, "oven.20261210T110610.journal", so that a restart knows whose run it held.
// A sample without a value is journalled as the null value; the journal keeps the run until
// the store holds it, and is removed then.
class RunJournal {
public:
    explicit RunJournal(
        journal::JournalSyncer::Mode mode = journal::JournalSyncer::Mode::Background);
    ~RunJournal();

    // Begins the journal of `run` (its start, interval and unit) in `folder`; false with the
    // system's reason in `error` when the file cannot be made or written.
    bool begin(const QString& folder, const LiveRun& run, qint64 nowMs, QString* error);
    // Appends sample `index` of the run; false when it cannot be written (a full disk).
    bool append(const LiveRun& run, int index, qint64 nowMs);
    void timePassed(qint64 nowMs);
    // Syncs and closes; the file stays until remove().
    void finish();
    void remove();
    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] bool isOpen() const { return m_writer.isOpen(); }

    // The journals a recorder left in `folder`, oldest first.
    [[nodiscard]] static QStringList leftIn(const QString& folder);
    // The meter a journal's file name names; empty when the name is not a journal's.
    [[nodiscard]] static QString meterOf(const QString& path);

private:
    journal::JournalWriter m_writer;
    QString m_path;
};

// Why a journal at `path` could not be written, as a sentence without its full stop.
[[nodiscard]] QString journalWriteFailure(const QString& path);

// A journal read back as the run it held; nothing, with the reason in `error`, when the file is
// no recorder journal or holds no sample.
[[nodiscard]] std::optional<LiveRun> runFromJournal(const QString& path, QString* error);

} // namespace tc4dl::recorder
