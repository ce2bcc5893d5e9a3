#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tc4dl {

class Clock;
class DataSetStore;
class MemoryImage;

namespace archive {

// One data set as the archive keeps it. `start` is the serial of the meter's own clock as the
// set recorded it (like DataSetStore::startTime), never converted.
struct ArchivedSet {
    qint64 id = 0; // stable for as long as the set stays in the archive
    double start = 0.0;
    qint32 interval = 0; // seconds
    qint32 samples = 0;
    bool celsius = true;
    QDateTime added; // when it first came in (UTC)
    QDateTime lastSeen; // when a download or file last brought it again (UTC)
    QString source; // "download COM3" / "download /dev/ttyUSB0", or the file's name
    QString note; // the user's, empty by default
};

// Which sets a listing returns; an empty bound is open. Bounds are on the start, in the
// meter's clock, as serials, both inclusive.
struct ArchiveFilter {
    std::optional<double> fromSerial;
    std::optional<double> toSerial;
    std::optional<bool> celsius; // nothing: both units
};

struct AddOutcome {
    bool ok = false; // false: nothing of this add was stored, `error` says why
    int newSets = 0;
    int knownSets = 0; // already there (their lastSeen and source list were updated)
    QString error;
};

struct CheckOutcome {
    bool ok = false;
    QStringList problems; // one sentence each: the integrity check's lines, sets whose hash fails
};

// The archive of every data set ever downloaded or opened: one SQLite file, shared safely by
// several programs at once (WAL journal, busy timeout, every add in one transaction).
class Archive {
public:
    enum class Access { ReadWrite, ReadOnly };
    struct Opened {
        std::unique_ptr<Archive> archive; // null on failure
        QString error; // why it could not be opened
        // A file at the path that was damaged or no archive: where it was moved to (the
        // archive was then made anew), empty when nothing had to be moved.
        QString movedAside;
    };
    // Opens (and with ReadWrite creates or migrates) the archive at `path`. A read-only file
    // or folder opens for listing and graphing even when ReadWrite was asked; writes then fail
    // with a reason. Never overwrites a file that is not an archive. The clock dates the adds
    // and the name a damaged file is moved aside to.
    static Opened open(const QString& path, Clock& clock, Access access = Access::ReadWrite);
    ~Archive();

    [[nodiscard]] QString path() const;
    [[nodiscard]] bool readOnly() const;

    // Adds every set of `store` (decoded from `image`, whose bytes give the set's hash and its
    // stored samples) in one transaction: all or nothing.
    [[nodiscard]] AddOutcome add(
        const DataSetStore& store, const MemoryImage& image, const QString& source);

    // Sorted by start (then id).
    [[nodiscard]] std::vector<ArchivedSet> list(const ArchiveFilter& filter = {}) const;
    [[nodiscard]] std::optional<ArchivedSet> set(qint64 id) const;
    [[nodiscard]] bool setNote(qint64 id, const QString& note, QString* error = nullptr);
    // Removes the sets; unknown ids are ignored. False with a reason when nothing could be
    // removed.
    [[nodiscard]] bool remove(const std::vector<qint64>& ids, QString* error = nullptr);

    // The chosen sets, in the order given, as a memory image in the meter's layout (a header
    // and the sets one after another) that decodes to exactly these sets: what a collection
    // file export writes and what the windows graph. Empty with a reason when an id is unknown
    // or a stored set is damaged.
    [[nodiscard]] std::optional<MemoryImage> image(
        const std::vector<qint64>& ids, QString* error = nullptr) const;

    // SQLite's integrity check and every set's hash again.
    [[nodiscard]] CheckOutcome check() const;

    // Called inside an add's transaction after each set is written (with its index): lets a
    // test stop a program in the middle of an add. Nothing by default.
    void setAddStepHook(std::function<void(int)> hook);

    // Copies the archive to `target`, a file that must not exist yet, while it stays open and in
    // use: SQLite writes a consistent copy under a passing name beside the target, which takes
    // the target's name only after it opened as an archive listing the same sets, none of them
    // damaged unless it was damaged here too. False with the reason when the target exists, its
    // folder cannot be written or the copy fails; nothing is then left at the target. The
    // archive itself is never changed.
    [[nodiscard]] bool copyTo(const QString& target, QString* error = nullptr) const;

    struct Impl;

private:
    explicit Archive(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
    std::function<void(int)> m_addStepHook;
};

// The default archive file: "archive.sqlite" in the per-user data folder.
[[nodiscard]] QString defaultArchivePath(const QString& userDataFolder);

} // namespace archive
} // namespace tc4dl
