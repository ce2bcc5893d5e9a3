#include "GraphStatistics.h"

#include "DateTimeSerial.h"
#include "MeterValues.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tc4dl::chart {

GraphStatistics computeGraphStatistics(const ChartModel& model)
{
    GraphStatistics result;
    const int points = model.points();
    result.points = points;
    result.firstX = model.x(0, 0);
    if (points >= 2) {
        const double last = model.x(0, points - 1);
        const double seconds = (last - result.firstX) / (points - 1) * 86400.0 + 0.5;
        // Hostile X values must not overflow the conversion.
        if (std::isfinite(seconds) && std::abs(seconds) < std::numeric_limits<int>::max())
            result.rate = static_cast<int>(seconds);
    }
    for (int i = 0; i < points; ++i) {
        for (int j = 0; j < 4; ++j) {
            result.channels[static_cast<std::size_t>(j)].take(model.y(j, i), model.x(j, i));
        }
    }
    return result;
}

ReadingStatistics readingStatistics(std::span<const float> values, std::span<const double> times,
    int channels, int channel, qsizetype from, qsizetype to, float nullValue)
{
    ReadingStatistics r;
    if (channels < 1 || channel < 0 || channel >= channels)
        return r;
    const auto cells = static_cast<qsizetype>(std::min(values.size(), times.size()));
    to = std::min(to, cells / channels);
    from = std::max<qsizetype>(from, 0);
    // Two passes: the mean first, then the spread about it, which keeps the precision that a
    // sum of squares would lose on a long run of warm readings.
    ChannelStatistics extremes;
    double sum = 0.0;
    for (qsizetype p = from; p < to; ++p) {
        const auto cell = static_cast<std::size_t>(p * channels + channel);
        const float y = values[cell];
        if (y == nullValue) {
            ++r.noValue;
        } else if (isOverLimit(y)) {
            ++r.overLimit;
        } else {
            extremes.take(y, times[cell]);
            sum += static_cast<double>(y);
            ++r.readings;
        }
    }
    if (r.readings == 0)
        return r;
    r.max = extremes.max;
    r.maxX = extremes.maxX;
    r.min = extremes.min;
    r.minX = extremes.minX;
    r.mean = sum / static_cast<double>(r.readings);
    double squares = 0.0;
    for (qsizetype p = from; p < to; ++p) {
        const float y = values[static_cast<std::size_t>(p * channels + channel)];
        if (y != nullValue && !isOverLimit(y)) {
            const double d = static_cast<double>(y) - r.mean;
            squares += d * d;
        }
    }
    r.standardDeviation
        = r.readings > 1 ? std::sqrt(squares / static_cast<double>(r.readings - 1)) : 0.0;
    return r;
}

void mergeReadingStatistics(ReadingStatistics& total, const ReadingStatistics& more)
{
    total.overLimit += more.overLimit;
    total.noValue += more.noValue;
    if (more.readings == 0)
        return;
    if (total.readings == 0) {
        const qint64 over = total.overLimit;
        const qint64 none = total.noValue;
        total = more;
        total.overLimit = over;
        total.noValue = none;
        return;
    }
    if (more.max > total.max) {
        total.max = more.max;
        total.maxX = more.maxX;
    }
    if (more.min < total.min) {
        total.min = more.min;
        total.minX = more.minX;
    }
    // Chan's pairwise rule: the mean and the sum of squared deviations of the union.
    const auto n1 = static_cast<double>(total.readings);
    const auto n2 = static_cast<double>(more.readings);
    const double n = n1 + n2;
    const double delta = more.mean - total.mean;
    const double m1 = total.standardDeviation * total.standardDeviation * (n1 - 1.0);
    const double m2 = more.standardDeviation * more.standardDeviation * (n2 - 1.0);
    const double squares = m1 + m2 + delta * delta * n1 * n2 / n;
    total.mean += delta * n2 / n;
    total.readings += more.readings;
    total.standardDeviation = std::sqrt(squares / (n - 1.0));
}

QString fixedText(double value, int decimals, const QLocale& locale)
{
    QString text = QString::number(value, 'f', decimals);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

QString timeText(double t, const QLocale& locale)
{
    return locale.toString(fromDateTimeSerial(t).time(), tc4dl::longTimeFormat(locale));
}

QString dateTimeText(double t, const QLocale& locale)
{
    const QDateTime dt = fromDateTimeSerial(t);
    return locale.toString(dt.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(dt.time(), tc4dl::longTimeFormat(locale));
}

QString valueAtText(float value, double t, const QLocale& locale)
{
    if (isOverLimit(value))
        return QStringLiteral("OL");
    return fixedText(value, 1, locale) + QLatin1Char('@') + dateTimeText(t, locale);
}

QString avgText(float avg, int count, const QLocale& locale)
{
    if (count <= 0)
        return QStringLiteral("****");
    return fixedText(avg, 3, locale);
}

} // namespace tc4dl::chart
