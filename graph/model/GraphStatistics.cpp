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
            ChannelStatistics& c = result.channels[static_cast<std::size_t>(j)];
            const double x = model.x(j, i);
            const float y = model.y(j, i);
            if (y > c.max) {
                c.max = y;
                c.maxX = x;
            }
            if (!(y >= c.min)) {
                c.min = y;
                c.minX = x;
            }
            if (isWithinAverageLimits(y)) {
                c.sum += y;
                ++c.count;
            }
        }
    }
    return result;
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
