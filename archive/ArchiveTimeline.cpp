#include "ArchiveTimeline.h"

#include "MeterValues.h"

#include <algorithm>

namespace tc4dl::archive {

namespace {

// The time of a set's last sample, as a serial. A set without samples ends where it starts.
double lastSample(const ArchivedSet& s)
{
    return s.start + std::max(0, s.samples - 1) * (s.interval / kSecondsPerDay);
}

// One run, downloaded again later (or a live run stored again as it grew): recorded at the same
// start and rate by one meter, its sets never share both unless they are one. Two meters
// recording side by side are two runs, however alike their starts.
bool sameRun(const ArchivedSet& a, const ArchivedSet& b)
{
    return a.start == b.start && a.interval == b.interval && a.celsius == b.celsius
        && a.kind == b.kind && a.meter == b.meter;
}

} // namespace

TimelineChoice chooseTimelineSets(const std::vector<ArchivedSet>& sets)
{
    TimelineChoice choice;
    std::vector<const ArchivedSet*> byStart;
    for (const ArchivedSet& s : sets)
        byStart.push_back(&s);
    std::stable_sort(byStart.begin(), byStart.end(),
        [](const ArchivedSet* a, const ArchivedSet* b) { return a->start < b->start; });
    std::vector<const ArchivedSet*> runs;
    for (const ArchivedSet* s : byStart) {
        if (!runs.empty() && sameRun(*runs.back(), *s)) {
            if (s->samples > runs.back()->samples)
                runs.back() = s;
            continue;
        }
        runs.push_back(s);
    }
    for (std::size_t i = 1; i < runs.size(); ++i)
        if (runs[i]->start <= lastSample(*runs[i - 1])) {
            choice.overlapFirst = runs[i - 1];
            choice.overlapSecond = runs[i];
            return choice;
        }
    for (const ArchivedSet* run : runs)
        choice.ids.push_back(run->id);
    return choice;
}

} // namespace tc4dl::archive
