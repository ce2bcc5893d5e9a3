#pragma once

// Where saves meet the file system. A save replaces a regular file as a whole or not at all, but
// writes an existing device or pipe directly: renaming a temporary file over a device node
// would put a plain file where the device was.

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

namespace tc4dl {

// True when `path` names something that exists and is neither a regular file nor a folder: a
// device node, a FIFO, a socket (symbolic links followed).
[[nodiscard]] bool isSpecialFile(const QString& path);

// The open descriptor of this process that `path` names (/dev/stdout, /dev/stderr, /dev/fd/N,
// /proc/self/fd/N), or -1. Such a path leads to whatever the descriptor was opened on (a file
// the shell opened for appending, a pipe, a socket): a save writes through the descriptor,
// never replaces what it leads to.
[[nodiscard]] int namedDescriptor(const QString& path);

// A save to `path` writes directly, without a temporary file that could be taken back: a
// device, a FIFO or a descriptor of this process.
[[nodiscard]] bool writesDirectly(const QString& path);

// The target of one save: a regular file (existing or not) is written to a temporary file
// beside it that replaces it only on commit() (or in place, where its folder takes no new
// file but the file itself may be written); an existing device or FIFO is written directly,
// and a descriptor of this process (namedDescriptor) through itself, at its own position (at
// the end where it was opened for appending).
// A FIFO nobody reads is refused at once, unless `waitForReader` (a command-line tool waits, as
// every such tool does; a window must not hang).
class SaveTarget {
public:
    explicit SaveTarget(const QString& path, bool waitForReader = false);

    // False when the target cannot be created or opened now (a FIFO nobody reads among them).
    [[nodiscard]] bool open();

    [[nodiscard]] QIODevice& device();

    // Everything written reached the target; a regular file is replaced only now.
    [[nodiscard]] bool commit();

    // Nothing more reaches the target, and a regular file is not replaced. Where no temporary
    // file could be made beside it, the file was being written in place and holds what was
    // written so far; the save has failed either way.
    void cancel();

    [[nodiscard]] QString errorString() const;

private:
    bool openDirect();
    bool openDescriptor(int descriptor);

    QString m_path;
    bool m_waitForReader = false;
    std::unique_ptr<QSaveFile> m_replaced;
    std::unique_ptr<QFile> m_direct;
    QString m_error;
};

// How one whole save through a SaveTarget ended.
enum class WriteOutcome {
    Written,
    CannotCreate, // the target cannot be created or opened (locked, read-only, bad path)
    WriteFailed, // it could not be written to the end
};

// The one sequence of every save: opens `path` as a SaveTarget, lets `write` write the content
// (false when a write failed), then commits, or cancels after a failed write. On any failure
// the reason goes to *error (when given).
WriteOutcome writeWhole(const QString& path, const std::function<bool(QIODevice&)>& write,
    QString* error, bool waitForReader = false);

} // namespace tc4dl
