#include "TickLayout.h"

#include "MeterValues.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace tc4dl::chart {

int tickIntervalsFor(double pixels, double labelExtent, double gap, int most)
{
    most = std::max(1, most);
    const double pitch = labelExtent + std::max(0.0, gap);
    if (!std::isfinite(pixels) || !std::isfinite(pitch) || pitch <= 0.0 || pixels <= 0.0)
        return 1;
    const double fit = std::floor(pixels / pitch);
    return fit >= most ? most : std::max(1, static_cast<int>(fit));
}

double niceStepAtLeast(double least)
{
    if (!std::isfinite(least) || least <= 0.0)
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double mantissa : { 1.0, 2.0, 2.5, 5.0, 10.0 }) {
        const double step = mantissa * power;
        // Relative slack: log10 and pow may land a hair off an exact power of ten.
        if (step >= least * (1.0 - 1e-9))
            return step;
    }
    return 10.0 * power;
}

QList<QString> timeTickLabels(const QList<QDateTime>& ticks, qsizetype firstShown, bool daySteps,
    const QString& timeFormat, const QLocale& locale)
{
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    // Steps of many hours bring the same time of day back on a later day: then every label
    // needs its date to read differently.
    QSet<QString> times;
    bool timesRepeat = false;
    for (qsizetype i = std::max<qsizetype>(firstShown, 0); i < ticks.size() && !timesRepeat; ++i) {
        const QString time = locale.toString(ticks[i].time(), timeFormat);
        timesRepeat = times.contains(time);
        times.insert(time);
    }
    QList<QString> labels;
    labels.reserve(ticks.size());
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        const QDateTime& at = ticks[i];
        const QString date = locale.toString(at.date(), dateFormat);
        if (daySteps) {
            labels.append(date);
            continue;
        }
        QString label = locale.toString(at.time(), timeFormat);
        const bool newDay = i > 0 && ticks[i - 1].date() != at.date();
        if (i == firstShown || (i > firstShown && (newDay || timesRepeat)))
            label += QLatin1Char('\n') + date;
        labels.append(label);
    }
    return labels;
}

QList<double> valueTicks(double lower, double upper, double step)
{
    QList<double> ticks;
    if (!std::isfinite(lower) || !std::isfinite(upper) || !std::isfinite(step) || step <= 0.0)
        return ticks;
    // Multiples of the step, counted from zero, so 0 is a tick whenever it is in range.
    const double first = std::ceil(lower / step - 1e-9);
    for (double i = first; i * step <= upper + step * 1e-9 && ticks.size() < 1000; ++i)
        ticks.append(i * step == 0.0 ? 0.0 : i * step);
    return ticks;
}

namespace {
constexpr double kMinute = 60.0;
constexpr double kHour = 3600.0;
constexpr double kMonth = 28.0 * kTimeStepDay; // from here on the steps are calendar months
constexpr double kMonthMean = 30.4375 * kTimeStepDay;
} // namespace

double serialToTimeKey(double serial)
{
    if (!std::isfinite(serial))
        return serial;
    return std::round((serial - kUnixEpochSerial) * kSecondsPerDay * 1000.0) / 1000.0;
}

double timeKeyToSerial(double key)
{
    if (!std::isfinite(key))
        return key;
    return key / kSecondsPerDay + kUnixEpochSerial;
}

QDateTime timeKeyToWallClock(double key)
{
    return QDateTime::fromMSecsSinceEpoch(std::llround(key * 1000.0), Qt::UTC);
}

double wallClockToTimeKey(const QDateTime& wallClock)
{
    return static_cast<double>(
               QDateTime(wallClock.date(), wallClock.time(), Qt::UTC).toMSecsSinceEpoch())
        / 1000.0;
}

const QList<double>& timeTickSteps()
{
    // clang-format off
    static const QList<double> list = {
        0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5,
        1, 2, 5, 10, 15, 20, 30,
        kMinute, 2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 20 * kMinute, 30 * kMinute,
        kHour, 2 * kHour, 3 * kHour, 4 * kHour, 6 * kHour, 12 * kHour,
        kTimeStepDay, 2 * kTimeStepDay, 7 * kTimeStepDay, 14 * kTimeStepDay,
    };
    // clang-format on
    return list;
}

double timeTickStep(double span, int intervals)
{
    const double ideal = span / std::max(1, intervals);
    if (ideal >= kMonth) {
        const double months = ideal / kMonthMean;
        double step = 12.0 * std::max(1.0, std::ceil(months / 12.0));
        for (const double m : { 1.0, 2.0, 3.0, 6.0 })
            if (m >= months) {
                step = m;
                break;
            }
        return step * kMonthMean;
    }
    // A span of a few seconds gets fewer ticks rather than labels crowded with milliseconds.
    const QList<double>& list = timeTickSteps();
    const auto whole = std::find(list.begin(), list.end(), 1.0);
    const auto first = span < 2.0 ? list.begin() : whole;
    const auto it = std::lower_bound(first, list.end(), ideal);
    return it == list.end() ? list.last() : *it;
}

QList<double> timeTicks(double step, double lower, double upper)
{
    QList<double> result;
    if (!std::isfinite(step) || step <= 0.0 || !std::isfinite(lower) || !std::isfinite(upper))
        return result;
    if (step < kMonth) {
        // Computed in milliseconds, so that sub-second steps land exactly.
        const double first = std::floor(lower / step);
        const double last = std::ceil(upper / step);
        for (double i = first; i <= last && result.size() < 1000; ++i)
            result.append(std::round(i * step * 1000.0) / 1000.0);
        return result;
    }
    const int months = std::max(1, static_cast<int>(std::lround(step / kMonthMean)));
    const QDate from = timeKeyToWallClock(lower).date();
    int index = from.year() * 12 + from.month() - 1;
    index -= ((index % months) + months) % months;
    for (; result.size() < 1000; index += months) {
        const QDate day(index / 12, index % 12 + 1, 1);
        const double key = wallClockToTimeKey(QDateTime(day, QTime(0, 0), Qt::UTC));
        result.append(key);
        if (key > upper)
            break;
    }
    return result;
}

QString timeLabelFormat(const QString& timeFormat, double step, const QLocale& locale)
{
    QString format = timeFormat;
    if (step < 1.0) {
        const qsizetype at = format.indexOf(QLatin1String("ss"));
        if (at >= 0)
            format.insert(at + 2, locale.decimalPoint() + QLatin1String("zzz"));
    }
    return format;
}

} // namespace tc4dl::chart
