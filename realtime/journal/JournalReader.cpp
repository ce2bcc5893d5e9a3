#include "JournalReader.h"

#include <QFile>

namespace tc4dl::journal {

namespace {

// Version 1: samples only, one after the other.
qint64 readVersion1(QByteArrayView bytes, JournalContents& c)
{
    const qint64 available = (bytes.size() - kHeaderSize) / kVersion1RecordSize;
    const qint64 wanted = qMin<qint64>(available, c.header.samplesAsked);
    c.samples.reserve(static_cast<std::size_t>(wanted));
    qint64 at = kHeaderSize;
    for (quint32 i = 0; i < wanted; ++i, at += kVersion1RecordSize) {
        const std::optional<JournalSample> s
            = decodeRecord(bytes.sliced(at, kVersion1RecordSize), i, 1);
        if (!s)
            break;
        c.samples.push_back(*s);
    }
    return at;
}

qint64 readRecords(QByteArrayView bytes, JournalContents& c)
{
    qint64 at = kHeaderSize;
    for (quint32 index = 0;; ++index) {
        const QByteArrayView rest = bytes.sliced(at);
        const std::optional<RecordHead> head = recordHead(rest);
        if (!head || head->size > rest.size())
            break;
        if (head->kind == kSampleKind) {
            if (c.samples.size() >= c.header.samplesAsked)
                break;
            const std::optional<JournalSample> s = decodeRecord(rest, index);
            if (!s)
                break;
            c.samples.push_back(*s);
        } else if (head->kind == kNoteKind) {
            if (c.notes.size() >= kMaxNotes)
                break;
            std::optional<JournalNote> n = decodeNote(rest, index);
            if (!n)
                break;
            n->samplesBefore = static_cast<quint32>(c.samples.size());
            c.notes.push_back(std::move(*n));
        } else {
            break; // zeros not yet written, or bytes of no record
        }
        at += head->size;
    }
    return at;
}

} // namespace

JournalContents readJournal(QByteArrayView bytes)
{
    JournalContents c;
    const std::optional<JournalHeader> header = decodeHeader(bytes, &c.error);
    if (!header) {
        c.discardedBytes = bytes.size();
        return c;
    }
    c.headerValid = true;
    c.header = *header;
    const qint64 at = header->version == 1 ? readVersion1(bytes, c) : readRecords(bytes, c);
    c.discardedBytes = bytes.size() - at;
    return c;
}

JournalContents readJournalFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return readJournal({});
    // A file longer than the largest run is read only as far as such a run reaches.
    const QByteArray bytes = file.read(qMin(file.size(), kLongestJournal));
    JournalContents c = readJournal(bytes);
    c.discardedBytes += file.size() - bytes.size();
    return c;
}

} // namespace tc4dl::journal
