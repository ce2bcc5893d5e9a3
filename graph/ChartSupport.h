#pragma once

#include "ChartModel.h"
#include "DateTimeSerial.h"
#include "MeterValues.h"
#include "TickLayout.h"

#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>
#include <cmath>
#include <cstddef>

namespace tc4dl::chart {

// Model colours are 0xBBGGRR, red in the low byte.
[[nodiscard]] inline QColor toQColor(Color c)
{
    return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
        static_cast<int>((c >> 16) & 0xFFu));
}

[[nodiscard]] inline Color fromQColor(const QColor& c)
{
    return static_cast<Color>(c.red()) | (static_cast<Color>(c.green()) << 8)
        | (static_cast<Color>(c.blue()) << 16);
}

// Graph X values are date-time serials, readings of a wall clock with no zone rule; QCustomPlot
// counts seconds since 1970-01-01 00:00. The two differ by a fixed number of days only: the
// axis (TimeAxisTicker) reads its keys on the same zone-free clock, so a daylight-saving switch
// of this computer neither moves nor repeats a time.
class SerialSeconds {
public:
    [[nodiscard]] static double toSeconds(double serial) { return serialToTimeKey(serial); }
    [[nodiscard]] static double toSerial(double seconds) { return timeKeyToSerial(seconds); }
};

} // namespace tc4dl::chart
