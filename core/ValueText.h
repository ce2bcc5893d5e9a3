#pragma once

#include "MeterValues.h"

#include <QString>

namespace tc4dl {

// How the files for scripts write one value: one decimal with a point whatever the locale, or
// "OL". Each kind of file has its one rule, here.

// Data set files (the command line's export, the Archive window's CSV): "OL" outside the
// thermocouple's range in the set's unit, as the program's own text exports write it.
[[nodiscard]] inline QString dataSetValueText(float value, bool celsius)
{
    return isOutsideExportRange(value, celsius) ? QStringLiteral("OL")
                                                : QString::number(double(value), 'f', 1);
}

// Live readings and graphs, whose unit a file need not know: "OL" beyond the value limits.
[[nodiscard]] inline QString readingValueText(float value)
{
    return isOverLimit(value) ? QStringLiteral("OL") : QString::number(double(value), 'f', 1);
}

} // namespace tc4dl
