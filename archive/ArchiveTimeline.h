#pragma once

#include "Archive.h"

#include <vector>

namespace tc4dl::archive {

// Which archived sets one timeline shows. A run downloaded while the meter was still recording
// is in the archive once per download, each copy longer than the one before: the timeline
// shows its longest copy only, so that no reading stands twice (a live run stored again as it
// grew likewise; two meters' runs are never copies of one another). Two different runs that
// share time (the meter's clock was set back between them, or two meters recorded side by side)
// cannot share one time axis without their lines crossing: then nothing is shown and the two
// are named.
struct TimelineChoice {
    std::vector<qint64> ids; // in time order; empty when two runs overlap
    // The first two runs that overlap, in time order; both are null when none do.
    const ArchivedSet* overlapFirst = nullptr;
    const ArchivedSet* overlapSecond = nullptr;
};

// `sets` in any order; the result points into it.
[[nodiscard]] TimelineChoice chooseTimelineSets(const std::vector<ArchivedSet>& sets);

} // namespace tc4dl::archive
