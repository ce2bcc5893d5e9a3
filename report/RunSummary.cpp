#include "RunSummary.h"

#include "MeterValues.h"
#include "Mkt.h"

#include <algorithm>
#include <span>

namespace tc4dl::report {

namespace {

// Follows one limit along a part: the samples beyond it and its stretches.
struct ExcursionTrack {
    qint64 firstPoint = -1;
    qint64 samples = 0;

    void end(const ReportRun& run, const RunPart& part, LimitSummary& limit)
    {
        if (samples == 0)
            return;
        const double seconds = static_cast<double>(samples) * part.intervalSeconds;
        if (!limit.longest || seconds > limit.longest->seconds) {
            const double start = run.time(static_cast<int>(firstPoint));
            limit.longest = Excursion { start, start + seconds / kSecondsPerDay, samples, seconds };
        }
        firstPoint = -1;
        samples = 0;
    }
};

// The values of one part, T1..T4 of each sample one after another.
std::span<const float> partValues(const ReportRun& run, const RunPart& part)
{
    return std::span<const float>(run.values)
        .subspan(static_cast<std::size_t>(part.firstPoint) * kChannels,
            static_cast<std::size_t>(part.points) * kChannels);
}

void judgePart(
    const ReportRun& run, const RunPart& part, const ReportLimits& limits, RunSummary& summary)
{
    const auto& rules = limits.rules;
    const bool anyRate = std::any_of(rules.begin(), rules.end(),
        [](const alarm::AlarmRule& r) { return r.quantity == alarm::Quantity::RatePerMinute; });
    alarm::RateOfChange rate;
    std::vector<ExcursionTrack> tracks(rules.size());
    std::array<float, kChannels> reading {};
    for (int j = 0; j < part.points; ++j) {
        const int point = part.firstPoint + j;
        for (int c = 0; c < kChannels; ++c)
            reading[static_cast<std::size_t>(c)] = run.value(point, c);
        // The serial the alarm monitor reads the rate by, as crossingsInRun gives it.
        if (anyRate)
            rate.add(part.start + j * part.intervalSeconds / kSecondsPerDay, reading);
        std::array<bool, kChannels> outside {};
        for (std::size_t i = 0; i < rules.size(); ++i) {
            const alarm::AlarmRule& rule = rules[i];
            const float value = reading[static_cast<std::size_t>(rule.channel)];
            bool beyond = false;
            // "OL" or no reading: nothing to judge; it breaks a stretch as the monitor
            // suspends the channel's rules.
            if (!isOverLimit(value)) {
                if (rule.quantity == alarm::Quantity::Value) {
                    beyond = rule.isBeyond(value);
                } else if (const std::optional<double> r = rate.perMinute(rule.channel)) {
                    beyond = rule.isBeyond(*r);
                }
            }
            LimitSummary& limit = summary.limits[i];
            if (beyond) {
                if (tracks[i].samples == 0)
                    tracks[i].firstPoint = point;
                ++tracks[i].samples;
                ++limit.samplesOutside;
                limit.secondsOutside += part.intervalSeconds;
                outside[static_cast<std::size_t>(rule.channel)] = true;
            } else {
                tracks[i].end(run, part, limit);
            }
        }
        for (int c = 0; c < kChannels; ++c)
            if (outside[static_cast<std::size_t>(c)])
                summary.channels[static_cast<std::size_t>(c)].secondsOutside
                    += part.intervalSeconds;
    }
    for (std::size_t i = 0; i < rules.size(); ++i)
        tracks[i].end(run, part, summary.limits[i]);

    for (const alarm::Crossing& c : alarm::crossingsInRun(
             partValues(run, part), part.start, part.intervalSeconds, rules, limits.hysteresis)) {
        const int point = part.firstPoint + c.sample;
        summary.crossings.push_back({ point, run.time(point), c.rule, c.value });
        for (LimitSummary& limit : summary.limits)
            if (limit.rule == c.rule)
                ++limit.crossings;
    }
}

} // namespace

RunSummary summarize(const ReportRun& run, const ReportLimits& limits, double activationEnergy)
{
    RunSummary summary;
    // A rule on a channel the meter does not have is left out, as the alarm monitor does.
    ReportLimits judged = limits;
    std::erase_if(judged.rules,
        [](const alarm::AlarmRule& r) { return r.channel < 0 || r.channel >= kChannels; });
    for (const alarm::AlarmRule& rule : judged.rules) {
        summary.limits.push_back({ rule, 0, 0, 0.0, std::nullopt });
        summary.channels[static_cast<std::size_t>(rule.channel)].limited = true;
    }
    std::vector<MeanKineticTemperature> mkt(kChannels, MeanKineticTemperature(activationEnergy));
    bool firstPart = true;
    for (const RunPart& part : run.parts) {
        summary.samples += part.points;
        for (int c = 0; c < kChannels; ++c) {
            ChannelSummary& channel = summary.channels[static_cast<std::size_t>(c)];
            const chart::ReadingStatistics stats = chart::readingStatistics(run.values, run.times,
                kChannels, c, part.firstPoint, part.firstPoint + part.points, run.nullValue);
            if (firstPart)
                channel.readings = stats;
            else
                chart::mergeReadingStatistics(channel.readings, stats);
            if (run.celsius) {
                for (int j = 0; j < part.points; ++j) {
                    const float v = run.value(part.firstPoint + j, c);
                    if (v != run.nullValue && !isOverLimit(v))
                        mkt[static_cast<std::size_t>(c)].add(toKelvin(v, *run.celsius));
                }
            }
        }
        firstPart = false;
        judgePart(run, part, judged, summary);
    }
    if (run.celsius) {
        for (int c = 0; c < kChannels; ++c)
            if (const std::optional<double> k = mkt[static_cast<std::size_t>(c)].kelvin())
                summary.channels[static_cast<std::size_t>(c)].mkt = fromKelvin(*k, *run.celsius);
    }
    std::stable_sort(summary.crossings.begin(), summary.crossings.end(),
        [](const RunCrossing& a, const RunCrossing& b) { return a.serial < b.serial; });
    return summary;
}

} // namespace tc4dl::report
