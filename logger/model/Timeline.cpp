#include "Timeline.h"

#include "DataSetStore.h"
#include "MeterValues.h"

#include <algorithm>

namespace tc4dl {

namespace {

bool validSets(const DataSetStore& store, const std::vector<int>& sets)
{
    return !sets.empty() && std::all_of(sets.begin(), sets.end(), [&](int k) {
        return k >= 0 && k < store.setCount();
    });
}

} // namespace

TimelineResult timelineUnit(const DataSetStore& store, const std::vector<int>& sets, bool* celsius)
{
    if (!validSets(store, sets))
        return TimelineResult::NoSets;
    const bool first = store.celsius(sets.front());
    for (const int k : sets)
        if (store.celsius(k) != first)
            return TimelineResult::MixedUnits;
    if (celsius)
        *celsius = first;
    return TimelineResult::Shown;
}

TimelineData buildTimeline(const DataSetStore& store, std::vector<int> sets)
{
    TimelineData data;
    if (!validSets(store, sets))
        return data;
    // Stable, so that two sets with one start keep the order they were given in.
    std::stable_sort(sets.begin(), sets.end(),
        [&](int a, int b) { return store.startTime(a) < store.startTime(b); });

    qsizetype cells = 0;
    for (const int k : sets)
        cells += 4 * static_cast<qsizetype>(store.sampleCount(k)) + 4;
    data.times.reserve(static_cast<std::size_t>(cells));
    data.values.reserve(static_cast<std::size_t>(cells));

    data.sets = sets;
    data.start = store.startTime(sets.front());
    data.end = data.start;
    bool first = true;
    for (const int k : sets) {
        const std::span<const double> times = store.setTimes(k);
        const std::span<const float> values = store.setValues(k);
        if (!first) {
            // The break between two runs: null on every channel, at the time the earlier
            // run ended (or the next began, should they overlap), so the times stay in order.
            const double at = std::min(data.end, store.startTime(k));
            data.gaps.push_back(static_cast<int>(data.values.size() / 4));
            data.times.insert(data.times.end(), 4, at);
            data.values.insert(data.values.end(), 4, kNullValue);
        }
        first = false;
        data.times.insert(data.times.end(), times.begin(), times.end());
        data.values.insert(data.values.end(), values.begin(), values.end());
        const double setEnd
            = store.startTime(k) + store.sampleCount(k) * (store.interval(k) / kSecondsPerDay);
        data.end = std::max(data.end, setEnd);
    }
    data.points = static_cast<int>(data.values.size() / 4);
    return data;
}

} // namespace tc4dl
