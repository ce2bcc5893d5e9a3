#include "GraphRates.h"

#include "Alarm.h"
#include "ChartModel.h"
#include "DateTimeSerial.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tc4dl::chart {

namespace {

constexpr int kChannels = 4;

int channelsOf(const ChartModel& model)
{
    return std::min(kChannels, model.subsets());
}

// One channel's reading at `point`, the other channels null: each subset keeps its own times,
// so each channel has its own window.
std::array<float, kChannels> only(int channel, float value, float nullY)
{
    std::array<float, kChannels> values;
    values.fill(nullY);
    values[static_cast<size_t>(channel)] = value;
    return values;
}

// A point is a reading when it is not null and has a time (cleared points are X 0).
bool isReading(const ChartModel& model, int subset, int point)
{
    return !model.isNull(model.y(subset, point)) && model.x(subset, point) != 0.0;
}

ChannelRates ratesOver(const ChartModel& model, int from, int to, double windowSeconds)
{
    ChannelRates rates;
    const int channels = channelsOf(model);
    // The usual case, every channel read at the same moments (the meter's samples): one
    // window serves them all.
    bool together = true;
    for (int p = from; p < to && together; ++p)
        for (int ch = 1; ch < channels; ++ch)
            together = together && model.x(ch, p) == model.x(0, p);
    if (together) {
        alarm::RateOfChange rate(windowSeconds);
        for (int p = from; p < to; ++p) {
            if (model.x(0, p) == 0.0)
                continue;
            std::array<float, kChannels> values;
            values.fill(model.nullY());
            for (int ch = 0; ch < channels; ++ch)
                values[static_cast<size_t>(ch)] = model.y(ch, p);
            rate.add(model.x(0, p), values);
        }
        for (int ch = 0; ch < channels; ++ch)
            rates[static_cast<size_t>(ch)] = rate.perMinute(ch);
        return rates;
    }
    for (int ch = 0; ch < channelsOf(model); ++ch) {
        alarm::RateOfChange rate(windowSeconds);
        for (int p = from; p < to; ++p)
            if (isReading(model, ch, p))
                rate.add(model.x(ch, p), only(ch, model.y(ch, p), model.nullY()));
        rates[static_cast<size_t>(ch)] = rate.perMinute(ch);
    }
    return rates;
}

} // namespace

int filledPoints(const ChartModel& model)
{
    // The recorded points come first, each with its time: the first point without one ends
    // them.
    int low = 0;
    int high = model.points();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (model.x(0, mid) != 0.0)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

ChannelRates latestRates(const ChartModel& model, double windowSeconds)
{
    const int end = filledPoints(model);
    if (end == 0)
        return {};
    const double from = model.x(0, end - 1) - windowSeconds / kSecondsPerDay;
    int first = end - 1;
    while (first > 0 && model.x(0, first - 1) >= from)
        --first;
    return ratesOver(model, first, end, windowSeconds);
}

ChannelRates wholeGraphRates(const ChartModel& model)
{
    // The same least squares as alarm::RateOfChange, over all readings at once: its window is
    // for a recording that goes on and is worked out anew with every sample, which over a whole
    // stored set would take time growing with the square of its length.
    ChannelRates rates;
    for (int ch = 0; ch < channelsOf(model); ++ch) {
        // Times in seconds from the channel's first reading.
        std::optional<double> origin;
        rates[static_cast<size_t>(ch)] = alarm::slopePerMinute([&](const auto& point) {
            for (int p = 0; p < model.points(); ++p) {
                const float y = model.y(ch, p);
                if (!isReading(model, ch, p) || isOverLimit(y))
                    continue;
                if (!origin)
                    origin = model.x(ch, p);
                point((model.x(ch, p) - *origin) * kSecondsPerDay, static_cast<double>(y));
            }
        });
    }
    return rates;
}

std::vector<OverlayCurve> rateCurves(const ChartModel& model, double windowSeconds)
{
    std::vector<OverlayCurve> curves;
    const double gap = std::numeric_limits<double>::quiet_NaN();
    for (int ch = 0; ch < channelsOf(model); ++ch) {
        OverlayCurve curve;
        curve.subset = ch;
        alarm::RateOfChange rate(windowSeconds);
        for (int p = 0; p < model.points(); ++p) {
            if (model.x(ch, p) == 0.0)
                continue; // not recorded yet
            const float y = model.y(ch, p);
            curve.x.push_back(model.x(ch, p));
            if (model.isNull(y) || isOverLimit(y)) {
                // An OL reading or a gap breaks the curve there; the rate goes on past it.
                curve.y.push_back(gap);
                continue;
            }
            rate.add(model.x(ch, p), only(ch, y, model.nullY()));
            curve.y.push_back(rate.perMinute(ch).value_or(gap));
        }
        curves.push_back(std::move(curve));
    }
    return curves;
}

} // namespace tc4dl::chart
