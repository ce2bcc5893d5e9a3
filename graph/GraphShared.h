#pragma once

#include "ChartModel.h"

#include <QPointer>

namespace tc4dl {

class TfrmGraph;

// What a click on the plot does: nothing, place a cross, or place a text.
enum class AnnotationTool { Normal, Cross, Text };

// The state that all graph windows share: one copy for the program, owned by the main window
// and reached by each graph window through its host.
struct GraphShared {
    // The two windows the program keeps track of; cleared when they close.
    QPointer<TfrmGraph> realTimeGraphWindow;
    QPointer<TfrmGraph> dataLoggerGraphWindow;
    // A sample was added, or a download made, since the user last answered the save question.
    bool realTimeGraphUnsaved = false;
    bool dataLoggerGraphUnsaved = false;
    // Colour of new annotations (a stored Setting).
    chart::Color annoColor = 0x000000;
    AnnotationTool annotationTool = AnnotationTool::Normal;
    // Annotations 0 to 3 are kept for the program's own markers (2 is the data point marker);
    // texts and crosses the user adds come after them.
    int lastAnnotationIndex = 3;
    // The real-time recording.
    bool realTimeRunning = false;
    int realTimeSampleCount = 0;
};

} // namespace tc4dl
