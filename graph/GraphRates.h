#pragma once

#include "Alarm.h"
#include "ChartView.h"

#include <array>
#include <optional>
#include <vector>

namespace tc4dl::chart {

class ChartModel;

// Rates of change read off a graph's points, in degrees per minute, by least squares over the
// points in a time window (alarm::RateOfChange). Readings beyond the value limits ("OL") and
// null points take no part; the model is only read.
using ChannelRates = std::array<std::optional<double>, 4>;

// The window every rate of the graphs is taken over, in seconds.
inline constexpr double kRateWindowSeconds = 60.0;

// Over the last `windowSeconds` of a graph that fills from its first point on (the real-time
// graph: the points after the last one recorded have X 0). Nothing where fewer than two
// readings of a channel fall into the window.
[[nodiscard]] ChannelRates latestRates(
    const ChartModel& model, double windowSeconds = kRateWindowSeconds);
// Over every point of the graph: the trend of a whole stored set.
[[nodiscard]] ChannelRates wholeGraphRates(const ChartModel& model);
// Per channel, the rate at each point over the `windowSeconds` up to it (a sliding window),
// NaN where there is none; for curves drawn beside the readings.
[[nodiscard]] std::vector<OverlayCurve> rateCurves(
    const ChartModel& model, double windowSeconds = kRateWindowSeconds);

// The same curves kept up to date with a graph that grows: an update reads only the points
// changed since the last one when they all lie past the points already worked out (a real-time
// sample), and works everything out anew otherwise.
class RateCurves {
public:
    enum class Change { None, Appended, Anew };

    explicit RateCurves(double windowSeconds = kRateWindowSeconds);

    // Brings the curves up to `model`. Appended: points were only added at the curves' ends,
    // from appendedFrom() on.
    Change update(const ChartModel& model);
    [[nodiscard]] const std::vector<OverlayCurve>& curves() const { return m_curves; }
    // Per curve, the index of the first point the last update added.
    [[nodiscard]] const std::vector<std::size_t>& appendedFrom() const { return m_appendedFrom; }
    // Forgets everything: the next update works the curves out anew.
    void reset();

private:
    void consume(const ChartModel& model, int channel, int from, int to);

    double m_windowSeconds;
    std::vector<OverlayCurve> m_curves;
    std::vector<alarm::RateOfChange> m_rates;
    // Per channel: every point from here on had X 0 (not recorded) when last read.
    std::vector<int> m_next;
    std::vector<std::size_t> m_appendedFrom;
    quint64 m_revision = 0;
    bool m_fresh = true;
    int m_subsets = 0;
    float m_nullY = 0.0f;
};

// The number of points recorded so far in a graph that fills from its first point on.
[[nodiscard]] int filledPoints(const ChartModel& model);

} // namespace tc4dl::chart
