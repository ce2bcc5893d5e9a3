#pragma once

#include <cmath>
#include <cstddef>
#include <limits>

namespace tc4dl::chart {

// Thins the points `from` up to `to` (indexes, sorted by key) down to what pixel columns of
// `width` keys each, counted from `lower`, can show: per column the lowest and the highest point
// in the order they came, and one point for every run of gaps, so the drawn line and its
// extremes look the same as the whole. `emit(i)` gets the indexes of the points to draw, in
// order. A column whose lowest and highest lie closer than `valueStep` (what one pixel row
// stands for) gives one point, as a second would not show (0: always both). The chart view on
// screen and a report's page share it; `key(i)`, `value(i)` and `isGap(i)` read point i.
template <typename Key, typename Value, typename IsGap, typename Emit>
void thinToColumns(std::ptrdiff_t from, std::ptrdiff_t to, double lower, double width,
    double valueStep, const Key& key, const Value& value, const IsGap& isGap, const Emit& emit)
{
    // One run of values inside one column: within one pixel column that vertical stroke is all
    // a line can show.
    std::ptrdiff_t low = -1;
    std::ptrdiff_t high = -1;
    const auto flush = [&] {
        if (low < 0)
            return;
        emit(low < high ? low : high);
        if (low != high && value(high) - value(low) >= valueStep)
            emit(low < high ? high : low);
        low = high = -1;
    };
    double column = std::numeric_limits<double>::quiet_NaN();
    bool inGap = false;
    for (std::ptrdiff_t i = from; i < to; ++i) {
        const double c = std::floor((key(i) - lower) / width);
        if (c != column) {
            flush();
            column = c;
        }
        if (isGap(i)) {
            flush();
            if (!inGap)
                emit(i);
            inGap = true;
            continue;
        }
        inGap = false;
        if (low < 0)
            low = high = i;
        if (value(i) < value(low))
            low = i;
        if (value(i) > value(high))
            high = i;
    }
    flush();
}

} // namespace tc4dl::chart
