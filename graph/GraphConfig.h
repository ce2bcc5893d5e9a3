#pragma once

#include "GraphServices.h"

#include <QString>

class QMdiArea;

namespace tc4dl {

namespace chart {
class ChartView;
}
class GraphRole;
class TfrmGraph;

// The graph template: one saved graph state whose look every new graph takes over.
// Its place relative to the program's folder (or, when that is not writable, the user's data
// folder).
[[nodiscard]] QString graphTemplateRelativePath();
// The template in the program's folder: the one the missing-template message names.
[[nodiscard]] QString graphTemplatePath(const GraphFolders& folders);
// The template to read: the program's folder first, then the user's data folder; empty when
// neither holds one.
[[nodiscard]] QString graphTemplateReadPath(const GraphFolders& folders);
// Where a new template is written: the program's folder when it can be written to, else the
// user's data folder.
[[nodiscard]] QString graphTemplateWritePath(const GraphFolders& folders);

// Writes the built-in look (split view, -10 to 50 on every axis) as a graph template to
// `path`, so that an installed program starts without the missing-template message.
[[nodiscard]] bool writeDefaultTemplate(const QString& path, QString* error = nullptr);

// What a graph builder asks for: channels, points, the X range (date-time serials; a minX of
// 0 keeps the X scale the graph has) and the Y range of every channel's axis.
struct GraphExtent {
    int subsets = 4;
    int points = 0;
    double minX = 0.0;
    double maxX = 0.0;
    double minY = 0.0;
    double maxY = 0.0;
};

// Prepares `graph` for new data: the template's look when there is one (else the built-in
// look, after telling the user once that the template is missing), then the extent and the
// settings every graph needs, all points empty. A template that cannot be read is told to the
// user like a missing one (the message names it) and the built-in look applies, so the graph
// is always ready; the result is then false, with the reason in *error for the log.
[[nodiscard]] bool ConfigureGraph(chart::ChartView& graph, GraphServices& services,
    const GraphExtent& extent, QString* error = nullptr);

// Creates the real-time graph window in `area`, owned by the area, gives it `role` and
// prepares it: the Clear button, four channels of 100 points from now to now + 110 s and −10
// to 50, the rate lists showing `samplingRate` seconds. A template that could not be read
// leaves its reason in *error; the window then has the built-in look.
TfrmGraph* CreateRealTimeGraph(GraphServices& services, QMdiArea& area, GraphRole& role,
    int samplingRate, QString* error = nullptr);

} // namespace tc4dl
