#pragma once

#include "Timeline.h"

#include <vector>

namespace tc4dl {

class DataSetStore;
class GraphServices;
class TfrmGraph;

// Shows the timeline of `sets` in `window` like one data set: the chart set up anew over the
// whole time span, the statistics over every sample, the first start, the first set's
// interval and the number of samples in the strip. Nothing changes unless it is Shown.
TimelineResult GraphTimeline(
    TfrmGraph& window, GraphServices& services, const DataSetStore& store, std::vector<int> sets);

} // namespace tc4dl
