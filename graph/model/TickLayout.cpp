#include "TickLayout.h"

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

} // namespace tc4dl::chart
