#pragma once

// The files SQLite keeps beside an archive, looked at from outside SQLite: whether its write-ahead
// log is its own, and moving a file aside only while no program has it open. Not for the
// archive's users.

#include <QDateTime>
#include <QString>

namespace tc4dl::archive::sqlitefiles {

// Archives this process has open through SQLite. Closing any descriptor of a file drops every
// POSIX lock the process holds on it, SQLite's included, so nothing here opens a file this
// process has open: the count is kept per file (device and inode) for the whole process.
class OpenHere {
public:
    explicit OpenHere(const QString& path);
    ~OpenHere();
    OpenHere(const OpenHere&) = delete;
    OpenHere& operator=(const OpenHere&) = delete;

    [[nodiscard]] static bool contains(const QString& path);

private:
    quint64 m_device = 0;
    quint64 m_inode = 0;
    bool m_counted = false;
};

enum class JournalState {
    None, // no write-ahead log with anything in it
    InUse, // a program has the archive open (or this one does): its log is its own
    Own, // a log whose index beside it belongs to it: SQLite applies it
    Stray, // a log without its index, or whose index belongs to another log: not applied
};

struct Journal {
    JournalState state = JournalState::None;
    QString log; // the "-wal" file
};

// Looks at `database`'s "-wal" and "-shm" while holding SQLite's exclusive lock on it, so that
// no program starts reading the log meanwhile; a log found stray with `setAside` is renamed to
// `*aside` (its name stamped with `now`) before the lock is let go. Unix only; elsewhere every
// log is taken as SQLite's.
[[nodiscard]] Journal inspectJournal(
    const QString& database, bool setAside, const QDateTime& now, QString* aside);

enum class MoveAside { Moved, InUse, Failed };
// Renames `database` (and its "-wal" and "-shm") to `*aside` beside it, only while no program
// holds a lock on it: a file another program has open is never moved from under it.
[[nodiscard]] MoveAside moveAsideUnused(
    const QString& database, const QDateTime& now, QString* aside);

} // namespace tc4dl::archive::sqlitefiles
