#pragma once

namespace tc4dl {

// How a load or an open of the logger memory ended. The numbers are the ones the program has
// always shown and logged; 5 was never used.
enum class LoadResult {
    Success = 0,
    DataError = 1, // a data set lacks a mark, ends beyond the memory, or is cut short
    MemoryError = 2, // the header counts more than 4000 sets
    TransferIncomplete = 3, // fewer bytes arrived than the memory holds
    SizeRejected = 4, // the size query failed or gave a size outside 256..131072
    NoData = 6, // the header counts no set
};

[[nodiscard]] constexpr int code(LoadResult r)
{
    return static_cast<int>(r);
}

} // namespace tc4dl
