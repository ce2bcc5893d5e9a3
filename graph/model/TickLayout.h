#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

namespace tc4dl::chart {

// How many intervals between labelled ticks fit along `pixels` of an axis when each label
// takes `labelExtent` pixels along it and neighbouring labels keep `gap` pixels apart: the
// tick count that a ticker is asked for. At least 1, at most `most`.
[[nodiscard]] int tickIntervalsFor(double pixels, double labelExtent, double gap, int most);

// The smallest readable value step (1, 2, 2.5 or 5 times a power of ten) of at least `least`,
// so that an axis never gets more ticks than were asked for.
[[nodiscard]] double niceStepAtLeast(double least);

// The labels of time ticks `ticks` (in order), `firstShown` being the first one inside the
// axis range. Ticks less than a day apart show the time of day in `timeFormat`; the first
// shown tick and every tick on a later day than the tick before it add the date, in the
// locale's short date format, on a second line (every shown tick does when a time of day would
// come back on a later day). Ticks a day or more apart show the date alone.
[[nodiscard]] QList<QString> timeTickLabels(const QList<QDateTime>& ticks, qsizetype firstShown,
    bool daySteps, const QString& timeFormat, const QLocale& locale);

// Value ticks: the multiples of `step` from `lower` to `upper` (both included), at most 1000.
[[nodiscard]] QList<double> valueTicks(double lower, double upper, double step);

// Time axes count seconds on a zone-free clock (a graph's serial with no zone rule): ticks and
// labels are worked out on it, so a daylight-saving switch of this computer moves none.
// A serial as such a key, and back: a fixed number of days apart, in whole milliseconds (a
// serial carries about a microsecond of rounding noise, which would push a tick at the exact
// start of a scale just outside it).
[[nodiscard]] double serialToTimeKey(double serial);
[[nodiscard]] double timeKeyToSerial(double key);
// The wall-clock reading of such a key, and back.
[[nodiscard]] QDateTime timeKeyToWallClock(double key);
[[nodiscard]] double wallClockToTimeKey(const QDateTime& wallClock);

inline constexpr double kTimeStepDay = 86400.0;

// The steps, in seconds, a time axis below a month may get: whole milliseconds, seconds,
// minutes, hours or days, so that no two labels read the same.
[[nodiscard]] const QList<double>& timeTickSteps();
// The step for `span` seconds with no more than `intervals` ticks: the smallest listed step
// that fits (parts of a second only when not even two whole seconds are in view), or from 28
// days on whole calendar months (1, 2, 3, 6, 12 or whole years) as multiples of a mean month.
[[nodiscard]] double timeTickStep(double span, int intervals);
// The ticks of `step` from before `lower` to after `upper`: whole multiples of a step below a
// month, else the first of each month at midnight (at most 1000).
[[nodiscard]] QList<double> timeTicks(double step, double lower, double upper);
// The time format of the labels at `step`: below a second the milliseconds follow the seconds.
[[nodiscard]] QString timeLabelFormat(
    const QString& timeFormat, double step, const QLocale& locale);

} // namespace tc4dl::chart
