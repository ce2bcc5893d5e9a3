#pragma once

#include "ChartModel.h"

#include <QLocale>
#include <QString>

#include <array>

namespace tc4dl::chart {

// The statistics of one channel over a whole graph. Values outside −3000..3000 (and null
// points) take part in max and min, so such a channel shows "OL", but not in the average.
struct ChannelStatistics {
    float max = -kNullValue;
    float min = kNullValue;
    double maxX = 0.0; // when max first occurred
    double minX = 0.0;
    float sum = 0.0f; // single precision, as the average is shown
    int count = 0;

    [[nodiscard]] float avg() const { return count > 0 ? sum / static_cast<float>(count) : 0.0f; }
};

struct GraphStatistics {
    double firstX = 0.0; // start time: X of subset 0, point 0
    int rate = 0; // seconds between points, rounded; 0 for a single point
    int points = 0;
    std::array<ChannelStatistics, 4> channels {};

    [[nodiscard]] int rateMinutes() const { return rate / 60; }
    [[nodiscard]] int rateSeconds() const { return rate % 60; }
};

// For graphs of four subsets and at least one point; missing cells read as null.
[[nodiscard]] GraphStatistics computeGraphStatistics(const ChartModel& model);

// "OL" beyond the value limits, else the value with one decimal, "@" and the date and time.
[[nodiscard]] QString valueAtText(float value, double t, const QLocale& locale = QLocale());
// Date (short format), a blank and the time (long format) of a date-time serial.
[[nodiscard]] QString dateTimeText(double t, const QLocale& locale = QLocale());
// The time of a date-time serial in the long time format.
[[nodiscard]] QString timeText(double t, const QLocale& locale = QLocale());
// The average with three decimals, or "****" when no value counted.
[[nodiscard]] QString avgText(float avg, int count, const QLocale& locale = QLocale());
// A value in fixed notation with the locale's decimal separator and no group separators.
[[nodiscard]] QString fixedText(double value, int decimals, const QLocale& locale = QLocale());

} // namespace tc4dl::chart
