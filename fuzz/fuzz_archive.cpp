// The archive opened on hostile files: an SQLite database of any bytes, with a write-ahead log
// of any bytes beside it. Input: one byte of flags (bit 0: a log follows), the database's
// length as four bytes little-endian, the database, then the log. Rules:
// - opened for reading, nothing is changed, moved or set aside, whatever the bytes;
// - every set the list shows exports to what the list says of its interval, samples and unit,
//   or its export is refused; check ends with a bounded number of findings;
// - opened for writing, a file moved aside is the database byte for byte (and the new archive
//   empty), a log set aside is the log byte for byte, and a refused database is left as it was.

#include "Archive.h"
#include "DataSetStore.h"
#include "DecodeMemoryImage.h"
#include "FuzzRule.h"
#include "ManualClock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

using namespace tc4dl;
using namespace tc4dl::archive;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, QByteArrayView bytes)
{
    QFile f(path);
    FUZZ_RULE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_RULE(f.write(bytes.data(), bytes.size()) == bytes.size());
}

// The folder's files other than the archive and the log SQLite keeps beside it.
QStringList others(const QDir& dir)
{
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    names.removeAll(QStringLiteral("archive.sqlite"));
    names.removeAll(QStringLiteral("archive.sqlite-wal"));
    names.removeAll(QStringLiteral("archive.sqlite-shm"));
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_archive";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    if (size < 5)
        return 0;
    const quint32 length = qFromLittleEndian<quint32>(data + 1);
    const QByteArrayView rest(data + 5, qsizetype(size - 5));
    const QByteArrayView database = rest.first(std::min<qsizetype>(rest.size(), length));
    const bool withLog = data[0] & 1;
    const QByteArrayView log = withLog ? rest.sliced(database.size()) : QByteArrayView();

    QTemporaryDir folder;
    FUZZ_RULE(folder.isValid());
    const QDir dir(folder.path());
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    writeAll(path, database);
    if (withLog)
        writeAll(path + QStringLiteral("-wal"), log);

    ManualClock clock;
    const OpenOptions quickly { 50, {}, {} };
    {
        const Archive::Opened reading
            = Archive::open(path, clock, Archive::Access::ReadOnly, quickly);
        FUZZ_RULE(reading.movedAside.isEmpty() && reading.journalSetAside.isEmpty());
        if (reading.archive) {
            const std::vector<ArchivedSet> sets = reading.archive->list();
            for (std::size_t i = 0; i < sets.size() && i < 50; ++i) {
                const std::optional<MemoryImage> image = reading.archive->image({ sets[i].id });
                if (!image)
                    continue;
                DataSetStore store;
                FUZZ_RULE(decodeMemoryImage(*image, QDateTime::currentDateTime(), store).result
                    == LoadResult::Success);
                FUZZ_RULE(store.setCount() == 1);
                FUZZ_RULE(store.interval(0) == sets[i].interval);
                FUZZ_RULE(store.sampleCount(0) == sets[i].samples);
                FUZZ_RULE(store.celsius(0) == sets[i].celsius);
            }
            FUZZ_RULE(reading.archive->check().problems.size() <= 100 + 8 * sets.size());
        }
    }
    FUZZ_RULE(readAll(path) == database);
    if (withLog)
        FUZZ_RULE(readAll(path + QStringLiteral("-wal")) == log);
    FUZZ_RULE(others(dir).isEmpty());

    const Archive::Opened writing = Archive::open(path, clock, Archive::Access::ReadWrite, quickly);
    if (!writing.movedAside.isEmpty()) {
        FUZZ_RULE(readAll(writing.movedAside) == database);
        FUZZ_RULE(writing.archive && writing.archive->list().empty());
    } else if (!writing.archive && writing.journalSetAside.isEmpty()
        && writing.error.kind != ArchiveError::Kind::Busy) {
        FUZZ_RULE(readAll(path) == database);
    }
    if (!writing.journalSetAside.isEmpty())
        FUZZ_RULE(readAll(writing.journalSetAside) == log);
    return 0;
}
