#pragma once

#include "ArchiveError.h"

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
    QString kind; // "logger" or "live"; empty in an archive older than the kinds
    QString meter; // the name of the meter that recorded it, empty when unknown
    QString machine; // the computer and the user that added it, where the archive knows them
    QString user;
    // The row's start, interval, sample count or unit differ from what the set's own bytes say,
    // or the bytes cannot be read: check() names it. The fields above are then the bytes' (what
    // an export writes), where the bytes can be read.
    bool doubtful = false;
};

// Which sets a listing returns; an empty bound is open. Bounds are on the start, in the
// meter's clock, as serials, both inclusive.
struct ArchiveFilter {
    std::optional<double> fromSerial;
    std::optional<double> toSerial;
    std::optional<bool> celsius; // nothing: both units
};

// What the sets of one add are: the sets of a logger's memory (downloaded or opened), or a run
// the unattended recorder kept from a meter's live readings, under that meter's name.
struct AddedAs {
    QString kind = QStringLiteral("logger");
    QString meter;
};

struct AddOutcome {
    bool ok = false; // false: nothing of this add was stored, `error` says why
    int newSets = 0;
    int knownSets = 0; // already there (their lastSeen and source list were updated)
    ArchiveError error;
};

struct CopyOutcome {
    bool ok = false; // false: nothing was copied, `error` says why
    int copied = 0;
    int present = 0; // in the target already (left as they are there)
    ArchiveError error;
};

struct CheckOutcome {
    bool ok = false;
    // SQLite's integrity check, objects this program did not make, and each set whose bytes
    // fail their hash, are no data set, or contradict the row's fields.
    std::vector<CheckProblem> problems;
};

struct OpenOptions {
    // How long an open or a write waits for another program that holds the archive.
    int busyTimeoutMs = 5000;
    // Who adds, as each added set records it: the computer's and the user's name (the
    // system's when empty).
    QString machine;
    QString user;
};

// A meter's logger memory: what one collection file holds at most, with its header.
inline constexpr qsizetype kMeterMemoryBytes = 131072;
// The longest data set there can be: 65,535 samples in its frame.
inline constexpr qsizetype kLongestSetBytes = 16 + 8 * qsizetype { 65535 };
// The most bytes one memory image of chosen sets may take: its 24-bit LastAddress.
inline constexpr qsizetype kLargestImageBytes = qsizetype { 1 } << 24;

// The archive of every data set ever downloaded or opened: one SQLite file, shared safely by
// several programs at once (WAL journal, busy timeout, every add in one transaction).
class Archive {
public:
    enum class Access { ReadWrite, ReadOnly };
    struct Opened {
        std::unique_ptr<Archive> archive; // null on failure
        ArchiveError error; // why it could not be opened
        // A file at the path that SQLite found to be no database or corrupt: where it was moved
        // to (the archive was then made anew), empty when nothing had to be moved.
        QString movedAside;
        // A journal beside the file that was not its own (another database's, or one without
        // its index): where it was set aside unread, empty when there was none.
        QString journalSetAside;
    };
    // Opens (and with ReadWrite creates or migrates) the archive at `path`. A read-only file
    // or folder opens for listing and graphing even when ReadWrite was asked; writes then fail
    // with a reason. What the file is, is decided inside one transaction. Only a file SQLite
    // itself calls no database or corrupt is moved aside (and only while no program has it
    // open); one that is busy, locked, full or unreadable is said and left exactly as it was,
    // and so is an SQLite file holding anything this program did not make (a trigger, a view,
    // a table, another definition of its own table). The clock dates the adds and the name a
    // damaged file is moved aside to.
    static Opened open(const QString& path, Clock& clock, Access access = Access::ReadWrite,
        const OpenOptions& options = {});
    ~Archive();

    [[nodiscard]] QString path() const;
    [[nodiscard]] bool readOnly() const;

    // Adds every set of `store` (decoded from `image`, whose bytes give the set's hash and its
    // stored samples) in one transaction: all or nothing. Before it commits, the file is asked
    // whether it holds what was written: the counts reported are the counts in the file.
    [[nodiscard]] AddOutcome add(const DataSetStore& store, const MemoryImage& image,
        const QString& source, const AddedAs& as = {});

    // Sorted by start (then id), with the fields the sets' own bytes give (see
    // ArchivedSet::doubtful). Empty with a reason in `error` when the archive cannot be read.
    [[nodiscard]] std::vector<ArchivedSet> list(
        const ArchiveFilter& filter = {}, ArchiveError* error = nullptr) const;
    [[nodiscard]] std::optional<ArchivedSet> set(qint64 id) const;
    [[nodiscard]] bool setNote(qint64 id, const QString& note, ArchiveError* error = nullptr);
    // Removes the sets; unknown ids are ignored. False with a reason when nothing could be
    // removed.
    [[nodiscard]] bool remove(const std::vector<qint64>& ids, ArchiveError* error = nullptr);

    // The chosen sets, in the order given, as a memory image in the meter's layout (a header
    // and the sets one after another) that decodes to exactly these sets: what the windows
    // graph and a CSV export decodes. Empty with a reason when an id is unknown, a stored set
    // is damaged or longer than any set can be, or the sets exceed kLargestImageBytes; each
    // length is known before its bytes are read.
    [[nodiscard]] std::optional<MemoryImage> image(
        const std::vector<qint64>& ids, ArchiveError* error = nullptr) const;

    // What a collection file export writes: the chosen sets, in the order given, as memory
    // images of at most one meter memory each (kMeterMemoryBytes, 4000 sets), each of which the
    // program reads again; a set longer than a memory alone (from a collection file) in one of
    // its own. Every set is read and checked first, all in one snapshot, one set at a time: `each`
    // gets the images only when all of them are sound, and ends early by returning false.
    using EachImage = std::function<bool(const MemoryImage& image, int index, int count)>;
    [[nodiscard]] bool forEachMemory(
        const std::vector<qint64>& ids, const EachImage& each, ArchiveError* error = nullptr) const;

    // SQLite's integrity check, the schema, and every set's bytes again: their hash, their
    // frame, and the row's start, interval, unit and sample count against what they say. A set
    // longer than any set can be is named without being read.
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
    [[nodiscard]] bool copyTo(const QString& target, ArchiveError* error = nullptr) const;

    // Copies every set into `target`, an archive of either engine, with its bytes, times,
    // sources, note, kind, meter and who added it, in one transaction of the target's: all or
    // nothing. Sets the target holds already are left as they are there, so a second copy
    // copies nothing. Every set's bytes are checked against their hash first; a damaged one
    // stops the copy before anything is written.
    [[nodiscard]] CopyOutcome copySetsTo(Archive& target) const;

    struct Impl;

private:
    explicit Archive(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
    std::function<void(int)> m_addStepHook;
};

// The default archive file: "archive.sqlite" in the per-user data folder.
[[nodiscard]] QString defaultArchivePath(const QString& userDataFolder);

// Whether `name` names an archive on a PostgreSQL server, as a libpq connection URI
// (postgresql://… or postgres://…), rather than a file.
[[nodiscard]] bool isServerName(const QString& name);

// A name as it may be shown: a server's URI with any password in it left out, a file's path
// as it is.
[[nodiscard]] QString shownName(const QString& name);

// The files a collection export of `count` memories writes: `path` itself for one, else
// NAME-1.ch4, NAME-2.ch4, … beside it (NAME being `path` without its suffix).
[[nodiscard]] QStringList memoryFileNames(const QString& path, int count);

} // namespace archive
} // namespace tc4dl
