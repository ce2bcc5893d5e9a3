#include "HistoryThinning.h"

#include <algorithm>

namespace tc4dl::live {

namespace {

// The two readings of one bucket of one unit: per channel the lowest and the highest value,
// the earlier of the two in the first.
void thinBucket(std::span<const LiveSample> bucket, QList<LiveSample>& out)
{
    if (bucket.size() <= 2) {
        for (const LiveSample& s : bucket)
            out.append(s);
        return;
    }
    LiveSample first = bucket.front();
    LiveSample second = bucket.back();
    for (std::size_t c = 0; c < kChannels; ++c) {
        std::optional<std::size_t> low;
        std::optional<std::size_t> high;
        bool overLimit = false;
        for (std::size_t i = 0; i < bucket.size(); ++i) {
            const LiveSample& s = bucket[i];
            if (s.states[c] == ChannelState::OverLimit)
                overLimit = true;
            if (s.states[c] != ChannelState::Value)
                continue;
            if (!low || s.values[c] < bucket[*low].values[c])
                low = i;
            if (!high || s.values[c] > bucket[*high].values[c])
                high = i;
        }
        if (!low) {
            const ChannelState none = overLimit ? ChannelState::OverLimit : ChannelState::NoValue;
            first.states[c] = second.states[c] = none;
            first.values[c] = second.values[c] = 0.0f;
            continue;
        }
        const std::size_t early = std::min(*low, *high);
        const std::size_t late = std::max(*low, *high);
        first.states[c] = second.states[c] = ChannelState::Value;
        first.values[c] = bucket[early].values[c];
        second.values[c] = bucket[late].values[c];
    }
    out.append(first);
    out.append(second);
}

} // namespace

QList<LiveSample> thinHistory(std::span<const LiveSample> samples, int maxPoints)
{
    QList<LiveSample> out;
    if (maxPoints <= 0)
        return out;
    const auto limit = static_cast<std::size_t>(maxPoints);
    if (samples.size() <= limit) {
        out.reserve(static_cast<qsizetype>(samples.size()));
        for (const LiveSample& s : samples)
            out.append(s);
        return out;
    }
    std::size_t unitSwitches = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        unitSwitches += samples[i].celsius != samples[i - 1].celsius ? 1 : 0;
    // Every unit switch may split a bucket in two: fewer buckets leave room for that.
    const std::size_t budget = limit / 2;
    const std::size_t buckets = budget > unitSwitches ? budget - unitSwitches : 1;
    out.reserve(maxPoints);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t begin = samples.size() * b / buckets;
        const std::size_t end = samples.size() * (b + 1) / buckets;
        std::size_t from = begin;
        for (std::size_t i = begin + 1; i <= end; ++i) {
            if (i == end || samples[i].celsius != samples[from].celsius) {
                thinBucket(samples.subspan(from, i - from), out);
                from = i;
            }
        }
    }
    if (out.size() > maxPoints)
        out.remove(0, out.size() - maxPoints);
    return out;
}

} // namespace tc4dl::live
