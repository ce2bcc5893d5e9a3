// The memory download fed hostile bytes and time (see ExchangeScript.h for the script and the
// rules every exchange keeps). Its own rules: it never holds more memory than the largest
// memory, nor more than the size it was told, counted in whole blocks; its progress exceeds
// its total by one block at most (the one that ends it); it finishes with one of its three
// results.

#include "ExchangeScript.h"
#include "MemoryDownload.h"

using namespace tc4dl;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    MemoryDownload download;
    auto check = [&download] {
        FUZZ_RULE(download.image().size() <= MemoryDownload::kMaxSize);
        FUZZ_RULE(download.total() <= MemoryDownload::kMaxSize);
        // A block beyond the memory is counted (it ends the transfer) but never kept.
        FUZZ_RULE(download.received() >= 0
            && download.received() <= download.total() + MemoryDownload::kBlockData);
        if (download.phase() == MemoryDownload::Phase::Transfer
            || download.phase() == MemoryDownload::Phase::AcceptRepeat)
            FUZZ_RULE(download.image().size() <= download.total());
        FUZZ_RULE(download.failures() <= MemoryDownload::kMaxFailures + 1);
        if (download.finished()) {
            const LoadResult r = download.result();
            FUZZ_RULE(r == LoadResult::Success || r == LoadResult::TransferIncomplete
                || r == LoadResult::SizeRejected);
        }
    };
    fuzz::ExchangeScript script({
        [&](qint64 now) { return download.start(now); },
        [&](QByteArrayView b, qint64 now) { return download.feed(b, now); },
        [&](qint64 now) { return download.wake(now); },
        [&](qint64 now) { return download.cancel(now); },
        [&] { return download.finished(); },
        check,
    });
    script.run(data, size);
    return 0;
}
