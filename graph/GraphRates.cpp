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
    RateCurves curves(windowSeconds);
    (void)curves.update(model);
    return curves.curves();
}

RateCurves::RateCurves(double windowSeconds)
    : m_windowSeconds(windowSeconds)
{
}

void RateCurves::reset()
{
    m_fresh = true;
}

RateCurves::Change RateCurves::update(const ChartModel& model)
{
    const int channels = channelsOf(model);
    const ChartModel::ChangedPoints changed
        = m_fresh ? ChartModel::ChangedPoints { 0, 0 } : model.changedSince(m_revision);
    const bool again = m_fresh || model.subsets() != m_subsets || model.nullY() != m_nullY
        || static_cast<int>(m_curves.size()) != channels;
    m_revision = model.revision();
    m_fresh = false;
    m_subsets = model.subsets();
    m_nullY = model.nullY();
    m_appendedFrom.assign(static_cast<std::size_t>(channels), 0);
    if (!again && changed.none())
        return Change::None;
    // Points before those already worked out changed: their rates, and all after, anew.
    bool anew = again;
    for (int ch = 0; ch < channels && !anew; ++ch)
        anew = changed.first < m_next[static_cast<std::size_t>(ch)];
    if (anew) {
        m_curves.assign(static_cast<std::size_t>(channels), {});
        m_rates.assign(static_cast<std::size_t>(channels), alarm::RateOfChange(m_windowSeconds));
        m_next.assign(static_cast<std::size_t>(channels), 0);
        for (int ch = 0; ch < channels; ++ch) {
            m_curves[static_cast<std::size_t>(ch)].subset = ch;
            consume(model, ch, 0, model.points());
        }
        return Change::Anew;
    }
    // Only points past the curves' ends: the points between changed none (they had X 0).
    const int to = static_cast<int>(std::min<qint64>(qint64 { changed.last } + 1, model.points()));
    bool grew = false;
    for (int ch = 0; ch < channels; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        m_appendedFrom[c] = m_curves[c].x.size();
        consume(model, ch, changed.first, to);
        grew = grew || m_curves[c].x.size() != m_appendedFrom[c];
    }
    return grew ? Change::Appended : Change::None;
}

// Reads the points `from` to `to` of one channel into its curve.
void RateCurves::consume(const ChartModel& model, int channel, int from, int to)
{
    const auto c = static_cast<std::size_t>(channel);
    OverlayCurve& curve = m_curves[c];
    alarm::RateOfChange& rate = m_rates[c];
    const double gap = std::numeric_limits<double>::quiet_NaN();
    for (int p = from; p < to; ++p) {
        if (model.x(channel, p) == 0.0)
            continue; // not recorded yet
        const float y = model.y(channel, p);
        curve.x.push_back(model.x(channel, p));
        m_next[c] = p + 1;
        if (model.isNull(y) || isOverLimit(y)) {
            // An OL reading or a gap breaks the curve there; the rate goes on past it.
            curve.y.push_back(gap);
            continue;
        }
        rate.add(model.x(channel, p), only(channel, y, model.nullY()));
        curve.y.push_back(rate.perMinute(channel).value_or(gap));
    }
}

} // namespace tc4dl::chart
