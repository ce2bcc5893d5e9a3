#pragma once

#include "ChartModel.h"

#include <QLocale>
#include <QString>

#include <array>
#include <span>

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

    // Takes value `y` of time `x`: a strictly greater value replaces the maximum and a smaller
    // one (or one that is not a number) the minimum, so equal extremes keep the first time.
    void take(float y, double x)
    {
        if (y > max) {
            max = y;
            maxX = x;
        }
        if (!(y >= min)) {
            min = y;
            minX = x;
        }
        if (isWithinAverageLimits(y)) {
            sum += y;
            ++count;
        }
    }
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

// The statistics of one channel's readings alone, as a record to hand on gives them: a value
// beyond the limits ("OL") and a cell without a reading (null) are counted apart and never
// taken into the extremes, the mean or the spread. The extremes keep the first time, as the
// graph's MAX and MIN do; mean and standard deviation are worked out in double precision.
struct ReadingStatistics {
    float max = 0.0f;
    float min = 0.0f;
    double maxX = 0.0;
    double minX = 0.0;
    double mean = 0.0;
    double standardDeviation = 0.0; // of the sample (n - 1); 0 for a single reading
    qint64 readings = 0; // values within the limits
    qint64 overLimit = 0; // "OL"
    qint64 noValue = 0; // null cells
};

// Channel `channel` of point-major cells (`channels` a point, times beside the values), the
// points `from` up to `to`.
[[nodiscard]] ReadingStatistics readingStatistics(std::span<const float> values,
    std::span<const double> times, int channels, int channel, qsizetype from, qsizetype to,
    float nullValue = kNullValue);
// Adds the readings of `more` (a later stretch of the same channel) to `total`.
void mergeReadingStatistics(ReadingStatistics& total, const ReadingStatistics& more);

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
