#pragma once

#include "Alarm.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTextStream>

#include <vector>

namespace tc4dl::cli {

// The alarm options that `monitor` and `alarms` share: --alarm SPEC (repeatable) and
// --hysteresis H (degrees, or degrees per minute for a rate; the same band on every channel).
struct AlarmOptions {
    std::vector<alarm::AlarmRule> rules;
    double hysteresis = 1.0;
    [[nodiscard]] std::array<double, alarm::kChannels> hysteresisPerChannel() const
    {
        return { hysteresis, hysteresis, hysteresis, hysteresis };
    }
};

[[nodiscard]] QCommandLineOption alarmOption();
[[nodiscard]] QCommandLineOption hysteresisOption();

// Reads both options off a parsed command line; Ok, or Usage with a sentence on `err` that
// names the SPEC or the hysteresis it could not read.
[[nodiscard]] int readAlarmOptions(
    const QCommandLineParser& parser, AlarmOptions& options, QTextStream& err);

// A value or a rate as the alarm lines write it: one decimal, a point.
[[nodiscard]] QString alarmValueText(double value);

} // namespace tc4dl::cli
