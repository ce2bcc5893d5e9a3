#pragma once

// Where saves meet the file system. A save replaces a regular file as a whole or not at all, but
// writes an existing device or pipe directly: renaming a temporary file over a device node
// would put a plain file where the device was.

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <memory>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tc4dl {

namespace filetarget_detail {

#ifdef Q_OS_UNIX
// Opens, without waiting for a pipe's other end unless `wait`, then lets writes wait as usual.
inline int openDevice(const QString& path, int flags, bool wait)
{
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    do {
        fd = ::open(name.constData(), flags | O_CLOEXEC | (wait ? 0 : O_NONBLOCK));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 || wait)
        return fd;
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}
#endif

} // namespace filetarget_detail

// True when `path` names something that exists and is neither a regular file nor a folder: a
// device node, a FIFO, a socket (symbolic links followed).
[[nodiscard]] inline bool isSpecialFile(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
#else
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
#endif
}

// The target of one save: a regular file (existing or not) is written to a temporary file
// beside it that replaces it only on commit(); an existing device or FIFO is written directly.
// A FIFO nobody reads is refused at once, unless `waitForReader` (a command-line tool waits, as
// every such tool does; a window must not hang).
class SaveTarget {
public:
    explicit SaveTarget(const QString& path, bool waitForReader = false)
        : m_path(path),
          m_waitForReader(waitForReader)
    {
    }

    [[nodiscard]] bool isDirect() const { return m_direct != nullptr; }

    // False when the target cannot be created or opened now (a FIFO nobody reads among them).
    [[nodiscard]] bool open()
    {
        if (isSpecialFile(m_path))
            return openDirect();
        m_replaced = std::make_unique<QSaveFile>(m_path);
        // A file the user may write, in a folder where they may not create the temporary file,
        // is still replaced: then in place, without the all-or-nothing guarantee.
        m_replaced->setDirectWriteFallback(true);
        return m_replaced->open(QIODevice::WriteOnly);
    }

    [[nodiscard]] QIODevice& device()
    {
        if (m_direct)
            return *m_direct;
        return *m_replaced;
    }

    // Everything written reached the target; a regular file is replaced only now.
    [[nodiscard]] bool commit()
    {
        if (m_direct) {
            const bool ok = m_direct->flush() && m_direct->error() == QFileDevice::NoError;
            if (!ok)
                m_error = m_direct->errorString();
            m_direct->close();
            return ok && m_error.isEmpty();
        }
        if (!m_replaced)
            return false;
        if (!m_replaced->flush()) {
            m_error = m_replaced->errorString();
            m_replaced->cancelWriting();
            (void)m_replaced->commit();
            return false;
        }
        if (!m_replaced->commit()) {
            m_error = m_replaced->errorString();
            return false;
        }
        return true;
    }

    // A replaced file stays as it was; a direct target gets nothing more.
    void cancel()
    {
        if (m_direct) {
            m_direct->close();
        } else if (m_replaced) {
            m_replaced->cancelWriting();
            (void)m_replaced->commit();
        }
    }

    [[nodiscard]] QString errorString() const
    {
        if (!m_error.isEmpty())
            return m_error;
        if (m_direct)
            return m_direct->errorString();
        return m_replaced ? m_replaced->errorString() : QString();
    }

private:
    bool openDirect()
    {
        m_direct = std::make_unique<QFile>(m_path);
#ifdef Q_OS_UNIX
        const int fd = filetarget_detail::openDevice(m_path, O_WRONLY, m_waitForReader);
        if (fd < 0) {
            m_error = errno == ENXIO ? QStringLiteral("Nothing reads from it.")
                                     : QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        // Unbuffered: every write reaches the device at once, so its failure shows at once.
        if (!m_direct->open(
                fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return false;
        }
        return true;
#else
        return m_direct->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
#endif
    }

    QString m_path;
    bool m_waitForReader = false;
    std::unique_ptr<QSaveFile> m_replaced;
    std::unique_ptr<QFile> m_direct;
    QString m_error;
};

} // namespace tc4dl
