#pragma once

#include "JournalFormat.h"

#include <QString>

#include <vector>

class QIODevice;

namespace tc4dl::journal {

// What a journal file gave back: its header and every sample and alarm note up to the first
// record that is missing, torn or garbled.
struct JournalContents {
    bool headerValid = false;
    JournalHeader header;
    std::vector<JournalSample> samples;
    // In the order they were written (a version 1 journal has none).
    std::vector<JournalNote> notes;
    // Bytes after the last complete sample (a torn or garbled tail); 0 for a clean file.
    qint64 discardedBytes = 0;
    // Why the header was refused, when it was.
    QString error;

    // A journal worth offering back: a run with at least one sample.
    [[nodiscard]] bool usable() const { return headerValid && !samples.empty(); }
};

// Reads a journal from `bytes`. Never reads past them, never keeps more samples than the
// header asked for, nor more than kMaxNotes notes.
[[nodiscard]] JournalContents readJournal(QByteArrayView bytes);
// Reads the journal file at `path`: never more of it than a journal can hold, whatever its
// size. A file that is missing or unreadable reads as an empty one.
[[nodiscard]] JournalContents readJournalFile(const QString& path);

} // namespace tc4dl::journal
