#include "JournalReader.h"

#include <QFile>

namespace tc4dl::journal {

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
    const qint64 available = (bytes.size() - kHeaderSize) / kRecordSize;
    const qint64 wanted = qMin<qint64>(available, header->samplesAsked);
    c.samples.reserve(static_cast<std::size_t>(wanted));
    qint64 at = kHeaderSize;
    for (quint32 i = 0; i < wanted; ++i, at += kRecordSize) {
        const std::optional<JournalSample> s = decodeRecord(bytes.sliced(at, kRecordSize), i);
        if (!s)
            break;
        c.samples.push_back(*s);
    }
    c.discardedBytes = bytes.size() - at;
    return c;
}

JournalContents readJournalFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return readJournal({});
    // A file longer than the largest run is read only as far as such a run reaches.
    constexpr qint64 kLongest = kHeaderSize + qint64(kMaxSamples) * kRecordSize;
    const QByteArray bytes = file.read(qMin(file.size(), kLongest));
    JournalContents c = readJournal(bytes);
    c.discardedBytes += file.size() - bytes.size();
    return c;
}

} // namespace tc4dl::journal
