#pragma once

#include "ArchiveError.h"
#include "ReportRun.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace tc4dl::archive {
class Archive;
}

namespace tc4dl::report {

// Archived sets as one run, as the Archive window's timeline shows them: a run downloaded
// again while it recorded once (its longest copy), no two runs that share time, one unit.
struct ArchiveRun {
    enum class Problem { None, NoSuchSet, Overlap, MixedUnits, Unreadable };
    std::optional<ReportRun> run;
    Problem problem = Problem::None;
    qint64 first = 0; // NoSuchSet: the id; Overlap: the two runs that share time
    qint64 second = 0;
    archive::ArchiveError error; // Unreadable: the archive's reason, for the caller to say
    QString why; // the same as the end of an English sentence
    int leftOut = 0; // copies of a run that a longer download holds
};

// `ids` of `archive`, decoded as if downloaded at `now`; each part numbered by its archive id,
// with the SHA-256 of its bytes and where it first came from.
[[nodiscard]] ArchiveRun runOfArchivedSets(
    const archive::Archive& archive, const std::vector<qint64>& ids, const QDateTime& now);

} // namespace tc4dl::report
