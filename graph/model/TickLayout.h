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

} // namespace tc4dl::chart
