#pragma once

#include "RunStore.h"

#include <QString>

#include <memory>

namespace tc4dl {
class Clock;
}

namespace tc4dl::archive {
class Archive;
struct ArchiveError;
} // namespace tc4dl::archive

namespace tc4dl::recorder {

// Stores `run` in `archive` as a set in the memory layout of kind "live" under its meter's name,
// whose source is "record NAME", in place of the shorter versions of it stored before. False
// with the reason when the archive did not take it.
[[nodiscard]] bool storeRun(
    archive::Archive& archive, const LiveRun& run, archive::ArchiveError* error);

// The runs kept in the archive: a run goes in as a set in the memory layout of kind "live"
// whose meter is the run's and whose source is "record NAME" (see storeRun). A grown run
// is added as a new set and the earlier, shorter versions of it (the same start, interval, unit
// and source) are then removed. That is two transactions: a crash between them leaves both
// versions for a moment, and the next commit of the run (from the journal, at the restart)
// removes the shorter one. The archive is opened at the first commit and again after a failure.
class ArchiveRunStore final : public RunStore {
public:
    // `clock` stamps what the archive records of each add.
    ArchiveRunStore(QString path, Clock& clock);
    ~ArchiveRunStore() override;

    StoreOutcome commit(const LiveRun& run) override;
    QString description() const override;

    // The source a run of `meter` carries in the archive.
    [[nodiscard]] static QString sourceOf(const QString& meter);

private:
    QString m_path;
    Clock& m_clock;
    std::unique_ptr<archive::Archive> m_archive;
};

} // namespace tc4dl::recorder
