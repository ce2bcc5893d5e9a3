#pragma once

#include "DataSetStore.h"
#include "DecodeMemoryImage.h"
#include "FuzzRule.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

// What the logger's fuzz targets share: a store that is not empty, so that "unchanged" means
// something, a fixed "now", and the rules every store the decoder installed must keep.
namespace tc4dl::fuzz {

inline const QDateTime& fixedNow()
{
    static const QDateTime now(QDate(2024, 5, 6), QTime(7, 8, 9));
    return now;
}

inline DataSetStore storeBefore()
{
    DataSetStore store;
    DataSetStore::PerSet sets;
    sets.startTimes = { 45000.5 };
    sets.intervals = { 60 };
    sets.sampleCounts = { 1 };
    sets.unitFlags = { 1 };
    sets.startOffsets = { 256 };
    sets.endOffsets = { 280 };
    const bool ok = store.replaceAll(
        std::move(sets), { 1.0F, 2.0F, 3.0F, 4.0F }, { 45000.5, 45000.5, 45000.5, 45000.5 });
    FUZZ_RULE(ok);
    return store;
}

// Decodes `image` into a store that held something else and checks the decoder's rules:
// a rejected image leaves the store as it was; an accepted one gives a consistent store that
// holds no more samples than the image has room for, from sets that lie inside the image.
inline DecodeOutcome decodeChecked(const MemoryImage& image)
{
    static const DataSetStore before = storeBefore();
    DataSetStore store = before;
    const DecodeOutcome outcome = decodeMemoryImage(image, fixedNow(), store);
    if (outcome.result != LoadResult::Success) {
        FUZZ_RULE(store == before);
        return outcome;
    }
    FUZZ_RULE(store.perSet().consistent());
    FUZZ_RULE(store.setCount() >= 1 && store.setCount() <= kMaxSetCount);
    qint64 samples = 0;
    for (int k = 0; k < store.setCount(); ++k) {
        FUZZ_RULE(store.startOffset(k) >= 0 && store.startOffset(k) <= store.endOffset(k));
        FUZZ_RULE(store.endOffset(k) < image.size());
        FUZZ_RULE(store.sampleCount(k) >= 0);
        FUZZ_RULE(store.setValues(k).size() == std::size_t(store.sampleCount(k)) * 4);
        samples += store.sampleCount(k);
    }
    // Each sample takes 8 bytes of the image.
    FUZZ_RULE(samples * 8 <= image.size());
    FUZZ_RULE(store.sampleValues().size() == std::size_t(samples) * 4);
    FUZZ_RULE(store.sampleTimes().size() == store.sampleValues().size());
    return outcome;
}

} // namespace tc4dl::fuzz
