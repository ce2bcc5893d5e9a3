#pragma once

#include <QString>
#include <QtGlobal>

namespace tc4dl::archive {

// Why an archive command failed, for its caller to say in its own language: the kind, the file
// the sentence is about and what else it names. The English sentences of the command line are in
// ArchiveErrorSentence.h, the windows' in their message table.
struct ArchiveError {
    enum class Kind {
        None,
        NoFile, // `path` is a folder or a device
        NoArchive, // there is no archive at `path` (reading only)
        FolderNotWritable, // the folder of `path` cannot be written
        RelativePath, // `path`, from the Settings, is not a full path
        NotAnArchive, // SQLite: `path` is no database
        Damaged, // SQLite: `path` is corrupt; `detail` its words
        Newer, // written by a newer version of this program
        Foreign, // `path` holds what this program did not make: `detail` names it
        StrayJournal, // `detail` (beside `path`) is not its journal; set aside at the next write
        UnreadChanges, // `detail` holds changes of `path` that cannot be read here
        Busy, // another program holds `path` beyond the wait
        Full, // the disk of `path` is full
        ReadOnly, // `path` can only be read
        CannotOpen, // permission or input/output; `detail` SQLite's words
        Database, // any other database error; `detail` its words
        NoSuchSet, // `detail` the id
        DamagedSet, // `detail` the id: its bytes fail their hash or are no data set
        TooLarge, // the chosen sets exceed what one image holds
        NothingChosen,
        NotStored, // after an add the file did not hold what was written; `detail` the counts
        OutsideImage, // data set `detail` (from 1) lies outside its memory image
        TargetExists, // a copy's target `path` exists already
        TargetIsArchive, // a copy's target `path` is the archive itself
        CopyDiffers, // the copy at `path` did not list the same sets
        CopyDamaged, // the copy at `path` has set `detail` damaged, which the archive has not
        CannotRename, // the finished copy cannot take the name `path`
        PasswordInName, // the server's name `path` (shown without it) carries a password
        CannotCreate, // the role may not make the archive's tables in schema `detail`
    };

    Kind kind = Kind::None;
    QString path;
    QString detail;

    [[nodiscard]] bool failed() const { return kind != Kind::None; }
    static ArchiveError of(Kind kind, QString path, QString detail = {})
    {
        return ArchiveError { kind, std::move(path), std::move(detail) };
    }
};

// One finding of Archive::check, for the caller to say.
struct CheckProblem {
    enum class Kind {
        Integrity, // a line of SQLite's integrity check, in `detail`
        Unreadable, // the sets cannot be read; `detail` the database's words
        Foreign, // the file holds what this program did not make; `detail` names it
        TooLong, // set `id` is `detail` bytes long, more than any set can be; not read
        CountMismatch, // set `id` does not hold as many samples as it counts
        NoDataSet, // set `id`'s bytes are no data set (its marks are wrong)
        Hash, // set `id` does not match its hash
        Field, // set `id` lists `field` as `stored` where its bytes say `derived`
        Readings, // set `id`'s readings differ from its bytes from sample `detail` (from 1) on
    };
    Kind kind = Kind::Integrity;
    qint64 id = 0;
    QString detail;
    QString field; // "start", "interval", "unit" or "samples"
    QString stored;
    QString derived;

    friend bool operator==(const CheckProblem&, const CheckProblem&) = default;
};

} // namespace tc4dl::archive
