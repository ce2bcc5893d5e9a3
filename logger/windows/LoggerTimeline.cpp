#include "LoggerTimeline.h"

#include "ChartModel.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "GraphCommands.h"
#include "GraphConfig.h"
#include "GraphServices.h"
#include "GraphStatistics.h"
#include "MeterValues.h"
#include "TfrmGraph.h"

#include <QLineEdit>

#include <algorithm>
#include <array>

namespace tc4dl {

namespace {

bool validSets(const DataSetStore& store, const std::vector<int>& sets)
{
    return !sets.empty() && std::all_of(sets.begin(), sets.end(), [&](int k) {
        return k >= 0 && k < store.setCount();
    });
}

// The statistics over the samples alone: a break is no reading, and as a null value it would
// otherwise stand as every channel's maximum.
std::array<chart::ChannelStatistics, 4> sampleStatistics(const TimelineData& data)
{
    std::array<chart::ChannelStatistics, 4> channels {};
    auto gap = data.gaps.begin();
    for (int i = 0; i < data.points; ++i) {
        if (gap != data.gaps.end() && *gap == i) {
            ++gap;
            continue;
        }
        for (std::size_t j = 0; j < 4; ++j) {
            chart::ChannelStatistics& c = channels[j];
            const std::size_t cell = static_cast<std::size_t>(i) * 4 + j;
            const float y = data.values[cell];
            if (y > c.max) {
                c.max = y;
                c.maxX = data.times[cell];
            }
            if (!(y >= c.min)) {
                c.min = y;
                c.minX = data.times[cell];
            }
            if (isWithinAverageLimits(y)) {
                c.sum += y;
                ++c.count;
            }
        }
    }
    return channels;
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

TimelineResult GraphTimeline(
    TfrmGraph& window, GraphServices& services, const DataSetStore& store, std::vector<int> sets)
{
    const TimelineResult unit = timelineUnit(store, sets, nullptr);
    if (unit != TimelineResult::Shown)
        return unit;
    // The strip shows the first run's rate, as it shows the first run's start.
    const int interval = store.interval(*std::min_element(sets.begin(), sets.end(),
        [&](int a, int b) { return store.startTime(a) < store.startTime(b); }));
    qint64 samples = 0;
    for (const int k : sets)
        samples += store.sampleCount(k);
    const TimelineData data = buildTimeline(store, std::move(sets));

    (void)ConfigureGraph(*window.graph(), services,
        GraphExtent { 4, data.points, data.start, data.end, -20.0, 100.0 });
    chart::ChartModel& model = window.model();
    model.setAllX(data.times.data(), static_cast<qsizetype>(data.times.size()));
    model.setAllY(data.values.data(), static_cast<qsizetype>(data.values.size()));
    const std::array<chart::ChannelStatistics, 4> stats = sampleStatistics(data);
    for (int ch = 0; ch < 4; ++ch) {
        const chart::ChannelStatistics& c = stats[static_cast<std::size_t>(ch)];
        // Without a sample the boxes say nothing, as for one empty set.
        window.maxBox(ch)->setText(samples > 0 ? chart::valueAtText(c.max, c.maxX) : QString());
        window.minBox(ch)->setText(samples > 0 ? chart::valueAtText(c.min, c.minX) : QString());
        window.avgBox(ch)->setText(samples > 0 ? chart::avgText(c.avg(), c.count) : QString());
    }
    window.startTimeBox()->setText(chart::dateTimeText(data.start));
    window.startTimeBox()->setCursorPosition(0);
    window.setSamplingRate(interval);
    window.dataNoBox()->setText(QString::number(samples));

    window.commands()->UndoZoomClick();
    window.redraw();
    return TimelineResult::Shown;
}

} // namespace tc4dl
