// The logger memory decoder fed hostile images. The first three bytes pick MemoryEnd (as a
// download or a collection file sets it, or anything else); the rest is the image, held in the
// fuzzer's own buffer so that a read beyond its end is caught. Rules:
// - a rejected image leaves the store exactly as it was; an accepted one is consistent and
//   holds no more than the image has room for (see LoggerFuzz.h);
// - after a data error, "fixed the error" cuts the image before the bad set, and the cut image
//   then decodes (when a good set came first) to exactly the sets before the bad one.

#include "LoggerFuzz.h"

using namespace tc4dl;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const qint64 memoryEnd = (qint64(data[0]) << 16 | qint64(data[1]) << 8 | data[2]) - 1;
    const auto* bytes = reinterpret_cast<const char*>(data + 3);
    const auto length = static_cast<qsizetype>(size - 3);
    MemoryImage image(QByteArray::fromRawData(bytes, length), memoryEnd);

    const DecodeOutcome outcome = fuzz::decodeChecked(image);
    if (outcome.result != LoadResult::DataError)
        return 0;
    FUZZ_RULE(image.size() == length);

    MemoryImage cut(QByteArray(bytes, length), memoryEnd);
    const LoadResult after = cutBeforeBadSet(cut, outcome);
    if (after != LoadResult::Success) {
        FUZZ_RULE(after == LoadResult::NoData);
        FUZZ_RULE(cut.data() == QByteArrayView(bytes, length));
        return 0;
    }
    FUZZ_RULE(cut.size() <= length);
    const DecodeOutcome again = fuzz::decodeChecked(cut);
    FUZZ_RULE(again.result == LoadResult::Success);
    DataSetStore store;
    (void)decodeMemoryImage(cut, fuzz::fixedNow(), store);
    FUZZ_RULE(store.setCount() == outcome.badSet);
    return 0;
}
