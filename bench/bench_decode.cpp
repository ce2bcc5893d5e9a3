// Decoding a full logger memory: one set of 16,000 samples, and 4,000 empty sets (the most a
// header may count). Prints the best of several runs per case, with the time of a plain memcpy
// of the same image for scale, and the time the data-set list's rows take.

#include "../tests/LoggerImages.h"

#include "DataSetList.h"
#include "DecodeMemoryImage.h"
#include "MemoryHeader.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using namespace tc4dl;

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 20, 30));

// Best time of `runs` runs of `fn`, in microseconds.
double bestMicros(int runs, const std::function<void()>& fn)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    return best;
}

void measure(const char* name, const QByteArray& bytes)
{
    const MemoryImage image(bytes, *MemoryHeader::readLastAddress(bytes));
    DataSetStore store;
    const double decode = bestMicros(50, [&] {
        if (decodeMemoryImage(image, kNow, store).result != LoadResult::Success)
            std::fprintf(stderr, "decoding failed\n");
    });
    std::vector<char> copy(static_cast<std::size_t>(bytes.size()));
    const double memcpyTime = bestMicros(50, [&] {
        std::memcpy(copy.data(), bytes.constData(), copy.size());
        // Keep the copy alive for the optimiser.
        if (copy[copy.size() / 2] == 0x7F)
            std::fprintf(stderr, " ");
    });
    qsizetype cells = 0;
    const double rows = bestMicros(10, [&] {
        for (const QStringList& row : dataSetRows(store, QLocale::system()))
            cells += row.size();
    });
    std::printf(
        "%-28s %7lld bytes %5d sets %7zu values: decode %9.1f us (%7.1f x memcpy %6.2f us), "
        "list rows %9.1f us\n",
        name, static_cast<long long>(bytes.size()), store.setCount(), store.sampleValues().size(),
        decode, decode / std::max(memcpyTime, 0.01), memcpyTime, rows);
}

} // namespace

int main()
{
    measure(
        "one set of 16,000 samples", loggerimages::image({ loggerimages::setWithSamples(16000) }));
    measure("4,000 empty sets", loggerimages::image(QList<loggerimages::RecordedSet>(4000)));
    return 0;
}
