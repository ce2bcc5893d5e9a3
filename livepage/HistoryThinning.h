#pragma once

#include "LiveFeed.h"

#include <span>

namespace tc4dl::live {

// Thins kept readings so that a phone draws a day at once: at most `maxPoints` readings, each
// bucket of neighbouring readings giving the lowest and the highest value of every channel in
// the order they came, so that no peak disappears. A bucket never mixes °C and °F. A channel
// with no value throughout a bucket is "OL" there where any of its readings was "OL", else
// without value; one with values shows their extremes.
// Readings that fit are returned as they are. With more unit switches than buckets allow, the
// latest readings are kept.
[[nodiscard]] QList<LiveSample> thinHistory(std::span<const LiveSample> samples, int maxPoints);

} // namespace tc4dl::live
