#include "LoggerTimeline.h"

#include "ChartModel.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "GraphCommands.h"
#include "GraphConfig.h"
#include "GraphServices.h"
#include "GraphStatistics.h"
#include "TfrmGraph.h"

#include <QLineEdit>

#include <algorithm>
#include <array>

namespace tc4dl {

namespace {

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
            const std::size_t cell = static_cast<std::size_t>(i) * 4 + j;
            channels[j].take(data.values[cell], data.times[cell]);
        }
    }
    return channels;
}

} // namespace

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
