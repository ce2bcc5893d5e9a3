#include "ArchiveRun.h"

#include "Archive.h"
#include "ArchiveErrorSentence.h"
#include "ArchiveTimeline.h"
#include "DataSetStore.h"
#include "DecodeMemoryImage.h"
#include "MemoryImage.h"

#include <algorithm>

namespace tc4dl::report {

ArchiveRun runOfArchivedSets(
    const archive::Archive& archive, const std::vector<qint64>& ids, const QDateTime& now)
{
    ArchiveRun result;
    std::vector<archive::ArchivedSet> listed;
    for (const qint64 id : ids) {
        std::optional<archive::ArchivedSet> set = archive.set(id);
        if (!set) {
            result.problem = ArchiveRun::Problem::NoSuchSet;
            result.first = id;
            return result;
        }
        listed.push_back(std::move(*set));
    }
    const archive::TimelineChoice choice = archive::chooseTimelineSets(listed);
    if (choice.ids.empty()) {
        result.problem
            = choice.overlapFirst ? ArchiveRun::Problem::Overlap : ArchiveRun::Problem::NoSuchSet;
        result.first = choice.overlapFirst ? choice.overlapFirst->id : 0;
        result.second = choice.overlapSecond ? choice.overlapSecond->id : 0;
        return result;
    }
    result.leftOut = static_cast<int>(ids.size() - choice.ids.size());
    if (std::any_of(listed.begin(), listed.end(),
            [&](const archive::ArchivedSet& s) { return s.celsius != listed.front().celsius; })) {
        result.problem = ArchiveRun::Problem::MixedUnits;
        return result;
    }
    const std::optional<MemoryImage> image = archive.image(choice.ids, &result.error);
    if (result.error.failed())
        result.why = archive::archiveErrorSentence(result.error);
    DataSetStore store;
    if (!image || decodeMemoryImage(*image, now, store).result != LoadResult::Success) {
        result.problem = ArchiveRun::Problem::Unreadable;
        return result;
    }
    std::vector<int> sets(static_cast<std::size_t>(store.setCount()));
    for (int k = 0; k < store.setCount(); ++k)
        sets[static_cast<std::size_t>(k)] = k;
    result.run = runOfSets(store, image->data(), sets, RunPart::Origin::ArchiveSet, choice.ids);
    if (!result.run) {
        result.problem = ArchiveRun::Problem::Unreadable;
        return result;
    }
    for (RunPart& part : result.run->parts)
        for (const archive::ArchivedSet& s : listed)
            if (s.id == part.number)
                part.firstSource = s.source;
    result.run->source = { RunSource::Kind::Archive, archive.path() };
    return result;
}

} // namespace tc4dl::report
