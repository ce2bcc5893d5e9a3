#pragma once

#include "ChartModel.h"

namespace tc4dl {

// What a click on the plot does: nothing, place a cross, or place a text.
enum class AnnotationTool { Normal, Cross, Text };

// The state that all graph windows share: one copy for the program, owned by the main window
// and reached by each graph window through its services.
struct GraphShared {
    // A download was made since the user last answered the save question; closing any graph
    // window forgets it.
    bool dataLoggerGraphUnsaved = false;
    // Colour of new annotations (a stored Setting); white shows on the black plot.
    chart::Color annoColor = 0xFFFFFF;
    AnnotationTool annotationTool = AnnotationTool::Normal;
    // Annotations 0 to 3 are kept for the program's own markers (2 is the data point marker);
    // texts and crosses the user adds come after them.
    int lastAnnotationIndex = 3;
};

} // namespace tc4dl
