#pragma once

#include "RealTimeSampler.h"

namespace tc4dl {

// The real-time graph window as the recorder sees it: the graph it records into, the
// statistic boxes, the rate lists and the few commands a run needs.
class RealTimeWindow : public RealTimeBoxes {
public:
    [[nodiscard]] virtual chart::ChartModel& model() = 0;
    virtual void redraw() = 0;
    // Back from minimised or maximised, so that the run can be seen.
    virtual void restore() = 0;
    virtual void setClearEnabled(bool enabled) = 0;
    // The rate lists: selected minutes (0..60) and seconds (0..59), -1 for none.
    [[nodiscard]] virtual int minutesIndex() const = 0;
    [[nodiscard]] virtual int secondsIndex() const = 0;
    virtual void setRateIndexes(int minutes, int seconds) = 0;
    // Shows `seconds` in the rate lists without acting on the change.
    virtual void showSamplingRate(int seconds) = 0;
    // Empties the graph and its boxes, as Clear does after its question.
    virtual void clear() = 0;
    // Asks for a file name and saves the graph there; true when it was written.
    virtual bool save() = 0;
    virtual void focusPlot() = 0;
    // The index a new note of the graph takes (the window numbers its notes).
    [[nodiscard]] virtual int nextAnnotationIndex() = 0;
};

} // namespace tc4dl
