#pragma once

#include "Alarm.h"
#include "GraphStatistics.h"
#include "ReportRun.h"

#include <array>
#include <optional>
#include <vector>

namespace tc4dl::report {

// The limits a report judges the run by, in the run's unit: the channel settings' limits in
// use, or those given on the command line, with the alarm library's hysteresis.
struct ReportLimits {
    std::vector<alarm::AlarmRule> rules;
    std::array<double, kChannels> hysteresis { 1.0, 1.0, 1.0, 1.0 };
};

// One stretch of samples beyond a limit, without a break: from the first sample beyond it to
// the moment the next sample was due (start + samples × interval), so that the stretches add
// up to the time outside.
struct Excursion {
    double start = 0.0; // serial
    double end = 0.0;
    qint64 samples = 0;
    double seconds = 0.0;
};

struct LimitSummary {
    alarm::AlarmRule rule;
    int crossings = 0; // the alarm raised, as `tc4dl-cli alarms` and the alarms count them
    qint64 samplesOutside = 0; // samples beyond the limit (a rate: where it was known)
    double secondsOutside = 0.0; // samples outside × the interval of their part
    std::optional<Excursion> longest; // the first of the longest
};

struct ChannelSummary {
    chart::ReadingStatistics readings;
    std::optional<double> mkt; // in the run's unit; nothing without a reading or a unit
    bool limited = false; // any limit on the channel
    double secondsOutside = 0.0; // beyond any of its limits
};

// A crossing with its place in the run.
struct RunCrossing {
    int point = 0;
    double serial = 0.0; // the sample's time as recorded
    alarm::AlarmRule rule;
    double value = 0.0; // the reading, or the rate, that raised it
};

struct RunSummary {
    std::array<ChannelSummary, kChannels> channels;
    std::vector<LimitSummary> limits; // in the order of the rules
    std::vector<RunCrossing> crossings; // in time order
    qint64 samples = 0;
};

// Everything a report says about `run`: per channel the statistics of its readings and the MKT
// (ΔH `activationEnergy` kJ/mol), per limit the crossings (the alarm library's, part by part,
// as `tc4dl-cli alarms` finds them set by set) and the time outside.
[[nodiscard]] RunSummary summarize(
    const ReportRun& run, const ReportLimits& limits, double activationEnergy);

} // namespace tc4dl::report
