// Real-time journals fed hostile bytes, as a crash, a full disk or another program may leave
// them. Rules:
// - the samples and alarm notes come back in order, each a complete record that passes its
//   check at its own number, never more samples than the header asked for, never more than
//   kMaxNotes notes, each note's text within its bound;
// - what is not given back is counted, so the records read and the discarded bytes cover the
//   input;
// - without a valid header nothing comes back; a version 1 journal has no notes;
// - reading the bytes through the file gives the same result;
// - writing the samples and notes read, in their order, gives back the same bytes up to the
//   last complete record.

#include "FuzzRule.h"
#include "JournalReader.h"

#include <QFile>
#include <QTemporaryDir>

using namespace tc4dl::journal;

namespace {

QString scratchFile()
{
    static QTemporaryDir dir;
    FUZZ_RULE(dir.isValid());
    return dir.filePath(QStringLiteral("input.journal"));
}

// The records read, encoded again in the order they were found.
QByteArray encodeAgain(const JournalContents& c)
{
    QByteArray again = encodeHeader(c.header);
    quint32 index = 0;
    std::size_t note = 0;
    for (std::size_t s = 0; s <= c.samples.size(); ++s) {
        while (note < c.notes.size() && c.notes[note].samplesBefore == s) {
            const std::optional<QByteArray> bytes = encodeNote(c.notes[note], index++);
            FUZZ_RULE(bytes.has_value());
            again += *bytes;
            ++note;
        }
        if (s < c.samples.size())
            again += encodeRecord(c.samples[s], index++, c.header.version);
    }
    FUZZ_RULE(note == c.notes.size());
    return again;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const JournalContents c = readJournal(bytes);
    if (!c.headerValid) {
        FUZZ_RULE(c.samples.empty() && c.notes.empty());
        FUZZ_RULE(c.discardedBytes == static_cast<qint64>(size));
        FUZZ_RULE(!c.error.isEmpty());
        return 0;
    }
    FUZZ_RULE(c.samples.size() <= c.header.samplesAsked);
    FUZZ_RULE(c.notes.size() <= kMaxNotes);
    FUZZ_RULE(c.header.version == kVersion || c.notes.empty());
    for (std::size_t n = 0; n < c.notes.size(); ++n) {
        FUZZ_RULE(c.notes[n].text.toUtf8().size() <= kMaxNoteText);
        FUZZ_RULE(n == 0 || c.notes[n].samplesBefore >= c.notes[n - 1].samplesBefore);
    }
    const QByteArray again = encodeAgain(c);
    FUZZ_RULE(again.size() + c.discardedBytes == static_cast<qint64>(size));
    FUZZ_RULE(again == bytes.first(again.size()));

    static const QString path = scratchFile();
    {
        QFile file(path);
        FUZZ_RULE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_RULE(file.write(bytes.toByteArray()) == static_cast<qint64>(size));
    }
    const JournalContents fromFile = readJournalFile(path);
    FUZZ_RULE(fromFile.header == c.header && fromFile.samples == c.samples);
    FUZZ_RULE(fromFile.notes == c.notes);
    FUZZ_RULE(fromFile.discardedBytes == c.discardedBytes);
    return 0;
}
