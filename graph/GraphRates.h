#pragma once

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

// The number of points recorded so far in a graph that fills from its first point on.
[[nodiscard]] int filledPoints(const ChartModel& model);

} // namespace tc4dl::chart
