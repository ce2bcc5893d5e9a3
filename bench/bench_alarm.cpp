// Cost of the alarm checks per live reading.
//
// Feeds an AlarmMonitor a long run of readings one second apart (a full 60 s rate window on
// every channel, value and rate limits on all four channels, now and then a crossing) and prints
// the time per reading, next to the time of the rate window alone. The real-time tick happens
// once a second; these are the nanoseconds it adds.

#include "Alarm.h"
#include "MeterValues.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdio>

namespace {

using namespace tc4dl::alarm;

constexpr int kReadings = 65535;

std::array<float, kChannels> readingAt(int i)
{
    std::array<float, kChannels> v {};
    for (int c = 0; c < kChannels; ++c)
        v[static_cast<std::size_t>(c)]
            = static_cast<float>(100.0 + 60.0 * std::sin((i + 17 * c) / 300.0) + (i % 7) * 0.1);
    if (i % 5000 == 0)
        v[2] = tc4dl::kNullValue; // an open probe now and then
    return v;
}

double serialAt(int i)
{
    return 46000.0 + i / tc4dl::kSecondsPerDay;
}

} // namespace

int main()
{
    std::vector<AlarmRule> rules;
    for (int c = 0; c < kChannels; ++c) {
        rules.push_back({ c, Quantity::Value, Direction::Above, 150.0 });
        rules.push_back({ c, Quantity::Value, Direction::Below, 50.0 });
        rules.push_back({ c, Quantity::RatePerMinute, Direction::Above, 10.0 });
    }
    std::vector<std::array<float, kChannels>> readings;
    readings.reserve(kReadings);
    for (int i = 0; i < kReadings; ++i)
        readings.push_back(readingAt(i));

    std::size_t events = 0;
    AlarmMonitor monitor;
    monitor.setRules(rules, { 1.0, 1.0, 1.0, 1.0 });
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kReadings; ++i)
        events += monitor.feed(serialAt(i), readings[static_cast<std::size_t>(i)]).size();
    const qint64 monitorNs = timer.nsecsElapsed();

    RateOfChange rate;
    double sink = 0.0;
    timer.restart();
    for (int i = 0; i < kReadings; ++i) {
        rate.add(serialAt(i), readings[static_cast<std::size_t>(i)]);
        sink += rate.perMinute(0).value_or(0.0);
    }
    const qint64 rateNs = timer.nsecsElapsed();

    std::printf(
        "alarm feed: %d readings, 12 rules, 60 s window: %.0f ns per reading (%zu events)\n",
        kReadings, double(monitorNs) / kReadings, events);
    std::printf("rate window alone: %.0f ns per reading (checksum %.3f)\n",
        double(rateNs) / kReadings, sink);
    return 0;
}
