#pragma once

#include "ChartModel.h"

namespace tc4dl {

// What a click on the plot does: nothing, place a cross, or place a text.
enum class AnnotationTool { Normal, Cross, Text };

// The annotation colour that shows on the black plot: the default of new annotations and the
// colour of the data point marker.
inline constexpr chart::Color kVisibleAnnotationColor = 0xFFFFFF;

// The state that all graph windows share: one copy for the program, reached by each graph
// window through its services. The numbering of annotations is not shared: each window numbers
// its own (TfrmGraph::nextAnnotationIndex()). Whether the data a window shows is saved is not
// the windows' to know: the workspace keeps it with the data.
struct GraphShared {
    // Colour of new annotations (a stored Setting).
    chart::Color annoColor = kVisibleAnnotationColor;
    AnnotationTool annotationTool = AnnotationTool::Normal;
};

} // namespace tc4dl
