#pragma once

#include <QtGlobal>

#include <vector>

namespace tc4dl {

class DataSetStore;

// How graphing several sets as one timeline ended.
enum class TimelineResult {
    Shown,
    NoSets, // nothing chosen, or a set outside the store
    MixedUnits, // sets in °C and in °F: refused, the values are never converted
};

// The points of a timeline: every chosen set's samples in the order of their starts, with one
// point of null values between two sets, so that a graph draws the pause between two runs as a
// gap and never joins the last sample of one run to the first of the next. The logger window
// and a report show the same timeline.
struct TimelineData {
    std::vector<double> times; // four per point, point-major like the store
    std::vector<float> values;
    int points = 0;
    std::vector<int> gaps; // the points that break the line, in order
    std::vector<int> sets; // the sets in the order shown
    double start = 0.0;
    double end = 0.0;
};

// Builds the timeline of `sets` (indexes into `store`, in any order). The result is empty when
// there is no set; the unit is the caller's to check (timelineUnit).
[[nodiscard]] TimelineData buildTimeline(const DataSetStore& store, std::vector<int> sets);

// The sets' common unit (true: °C), or MixedUnits / NoSets.
[[nodiscard]] TimelineResult timelineUnit(
    const DataSetStore& store, const std::vector<int>& sets, bool* celsius);

} // namespace tc4dl
