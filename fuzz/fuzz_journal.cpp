// Real-time journals fed hostile bytes, as a crash, a full disk or another program may leave
// them. Rules:
// - the samples come back in order, each a complete record that passes its check at its own
//   number, and never more than the header asked for;
// - what is not given back is counted, so samples and discarded bytes cover the input;
// - without a valid header nothing comes back;
// - reading the bytes through the file gives the same result;
// - writing the samples read gives back the same bytes up to the last complete record.

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const JournalContents c = readJournal(bytes);
    if (!c.headerValid) {
        FUZZ_RULE(c.samples.empty());
        FUZZ_RULE(c.discardedBytes == static_cast<qint64>(size));
        FUZZ_RULE(!c.error.isEmpty());
        return 0;
    }
    FUZZ_RULE(c.samples.size() <= c.header.samplesAsked);
    const qint64 used = kHeaderSize + static_cast<qint64>(c.samples.size()) * kRecordSize;
    FUZZ_RULE(used + c.discardedBytes == static_cast<qint64>(size));

    QByteArray again = encodeHeader(c.header);
    for (std::size_t i = 0; i < c.samples.size(); ++i)
        again += encodeRecord(c.samples[i], static_cast<quint32>(i));
    FUZZ_RULE(again == bytes.first(used));

    static const QString path = scratchFile();
    {
        QFile file(path);
        FUZZ_RULE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_RULE(file.write(bytes.toByteArray()) == static_cast<qint64>(size));
    }
    const JournalContents fromFile = readJournalFile(path);
    FUZZ_RULE(fromFile.header == c.header && fromFile.samples == c.samples);
    FUZZ_RULE(fromFile.discardedBytes == c.discardedBytes);
    return 0;
}
