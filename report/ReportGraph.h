#pragma once

#include "ReportRun.h"
#include "RunSummary.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include <array>

class QPainter;

namespace tc4dl::report {

class ReportTexts;

// The pen of each channel on paper: dark enough on white, told apart also in grey.
[[nodiscard]] QColor channelColor(int channel);

struct GraphLook {
    QFont tickFont;
    QFont legendFont;
    double millimetre = 1.0; // device units per millimetre
    std::array<QString, kChannels> names;
};

// Draws the run into `area` as vector graphics: the curves thinned to one column per device
// unit (the lowest and highest reading of each, as the chart view does on screen), the value
// limits as dashed lines, the breaks between parts shaded, the axes with their ticks and the
// channels' names in a legend below. "OL" and cells without a reading break a curve; nothing
// joins two parts.
void drawRunGraph(QPainter& painter, const QRectF& area, const ReportRun& run,
    const RunSummary& summary, const ReportTexts& texts, const GraphLook& look);

} // namespace tc4dl::report
