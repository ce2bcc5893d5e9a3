// The archive: adding a full logger memory against decoding it alone, the same add to a
// PostgreSQL server on its local socket against SQLite, and listing many archived sets into the
// archive window's model. Prints the best of several runs and the ratios.

#include "../tests/LoggerImages.h"
#include "../tests/PostgresServer.h"

#include "Archive.h"
#include "ArchiveListModel.h"
#include "DecodeMemoryImage.h"
#include "ManualClock.h"
#include "MemoryHeader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using namespace tc4dl;
using namespace tc4dl::archive;

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 20, 30));

// Dates the adds: a moment of its own, never the machine's.
ManualClock& benchClock()
{
    static ManualClock clock(kNow);
    return clock;
}

double bestMicros(int runs, const std::function<void()>& before, const std::function<void()>& fn)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        before();
        QElapsedTimer t;
        t.start();
        fn();
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    return best;
}

// Sets one after another, a minute apart, as a meter records them.
QList<loggerimages::RecordedSet> distinctSets(int count, int samples, int seed)
{
    QList<loggerimages::RecordedSet> sets;
    for (int i = 0; i < count; ++i) {
        loggerimages::RecordedSet s = loggerimages::setWithSamples(samples, seed + i);
        const int minute = seed + i;
        s.day = loggerimages::bcd(1 + minute / 1440 % 28);
        s.hour = loggerimages::bcd(minute / 60 % 24);
        s.minute = loggerimages::bcd(minute % 60);
        sets << s;
    }
    return sets;
}

// A new empty archive for each run: a file, or a database on the server.
using NewArchive = std::function<QString()>;

// The best time of adding `bytes` to a new archive (and again to it), and its ratio to decoding.
double measureAdd(const char* name, const QByteArray& bytes, const NewArchive& newArchive)
{
    const MemoryImage image(bytes, *MemoryHeader::readLastAddress(bytes));
    DataSetStore store;
    const double decode = bestMicros(
        20, [] {}, [&] { (void)decodeMemoryImage(image, kNow, store); });
    std::unique_ptr<Archive> archive;
    const auto fresh = [&] {
        archive.reset();
        Archive::Opened opened = Archive::open(newArchive(), benchClock());
        if (!opened.archive)
            std::fprintf(stderr, "cannot open: %s\n", qPrintable(opened.error.detail));
        archive = std::move(opened.archive);
    };
    const auto add = [&] {
        if (!archive->add(store, image, QStringLiteral("bench")).ok)
            std::fprintf(stderr, "add failed\n");
    };
    const double added = bestMicros(10, fresh, add);
    const double again = bestMicros(
        10, [] {}, add);
    std::printf("%-34s %5d sets: decode %9.1f us, add new %10.1f us (%6.2f x decode), add again "
                "%10.1f us (%6.2f x decode)\n",
        name, store.setCount(), decode, added, added / decode, again, again / decode);
    return added;
}

double measureList(int sets, const QTemporaryDir& dir)
{
    const Archive::Opened opened
        = Archive::open(dir.filePath(QStringLiteral("list-%1.sqlite").arg(sets)), benchClock());
    for (int done = 0; done < sets;) {
        const int n = std::min(4000, sets - done);
        const QByteArray bytes = loggerimages::image(distinctSets(n, 1, done));
        const MemoryImage image(bytes, bytes.size() - 1);
        DataSetStore store;
        (void)decodeMemoryImage(image, kNow, store);
        (void)opened.archive->add(store, image, QStringLiteral("bench"));
        done += n;
    }
    ArchiveListModel model(opened.archive.get());
    const double micros = bestMicros(
        10, [] {}, [&] { model.reload(); });
    if (model.rowCount() != sets)
        std::fprintf(stderr, "listed %d of %d\n", model.rowCount(), sets);
    return micros;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    int run = 0; // every case its own new archives
    const NewArchive file
        = [&] { return dir.filePath(QStringLiteral("add-%1.sqlite").arg(++run)); };
    // A full 128 KiB memory either way: 2,000 short sets, or one set of 16,000 samples.
    const QByteArray shortSets = loggerimages::image(distinctSets(2000, 6, 0));
    const QByteArray longSet = loggerimages::image({ loggerimages::setWithSamples(16000) });
    measureAdd("2,000 sets of 6 samples", shortSets, file);
    const double sqlite = measureAdd("one set of 16,000 samples", longSet, file);
    // The same on a server of its own, on its Unix socket.
    realparts::PostgresServer server;
    if (const QString why = server.start(); !why.isEmpty()) {
        std::printf("PostgreSQL: not measured (%s)\n", qPrintable(why));
    } else {
        const NewArchive database = [&] {
            QString name;
            if (const QString failed = server.newDatabase(&name); !failed.isEmpty())
                std::fprintf(stderr, "%s\n", qPrintable(failed));
            return server.socketUri(QStringLiteral("writer"), name);
        };
        measureAdd("PostgreSQL: 2,000 sets of 6 samples", shortSets, database);
        const double pg = measureAdd("PostgreSQL: one set of 16,000 samples", longSet, database);
        std::printf("one set of 16,000 samples, PostgreSQL on its socket over SQLite: %.2f x\n",
            pg / sqlite);
    }
    const double thousand = measureList(1000, dir);
    const double tenThousand = measureList(10000, dir);
    std::printf("list into the model: 1,000 sets %8.1f us, 10,000 sets %8.1f us (%.2f ms; "
                "%.2f x ten times 1,000)\n",
        thousand, tenThousand, tenThousand / 1000.0, tenThousand / (10.0 * thousand));
    return 0;
}
