#include "FileTarget.h"

#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tc4dl {

namespace {

#ifdef Q_OS_UNIX
// Opens, without waiting for a pipe's other end unless `wait`, then lets writes wait as usual.
int openDevice(const QString& path, int flags, bool wait)
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

} // namespace

int namedDescriptor(const QString& path)
{
#ifdef Q_OS_UNIX
    int descriptor = -1;
    if (path == QLatin1String("/dev/stdout")) {
        descriptor = STDOUT_FILENO;
    } else if (path == QLatin1String("/dev/stderr")) {
        descriptor = STDERR_FILENO;
    } else {
        for (const QLatin1String prefix :
            { QLatin1String("/dev/fd/"), QLatin1String("/proc/self/fd/") }) {
            if (!path.startsWith(prefix))
                continue;
            const QStringView number = QStringView(path).mid(prefix.size());
            bool ok = false;
            const int n = number.toInt(&ok);
            // Digits only: "/dev/fd/+1" or "/dev/fd/ 1" are no descriptor's name.
            const bool digits = !number.isEmpty()
                && std::all_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
            if (ok && digits && n >= 0)
                descriptor = n;
        }
    }
    if (descriptor < 0 || ::fcntl(descriptor, F_GETFL) < 0)
        return -1;
    return descriptor;
#else
    Q_UNUSED(path);
    return -1;
#endif
}

bool writesDirectly(const QString& path)
{
    return namedDescriptor(path) >= 0 || isSpecialFile(path);
}

bool isSpecialFile(const QString& path)
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

SaveTarget::SaveTarget(const QString& path, bool waitForReader)
    : m_path(path),
      m_waitForReader(waitForReader)
{
}

bool SaveTarget::open()
{
    if (const int descriptor = namedDescriptor(m_path); descriptor >= 0)
        return openDescriptor(descriptor);
    if (isSpecialFile(m_path))
        return openDirect();
    m_replaced = std::make_unique<QSaveFile>(m_path);
    // A file the user may write, in a folder where they may not create the temporary file,
    // is still replaced: then in place, without the all-or-nothing guarantee.
    m_replaced->setDirectWriteFallback(true);
    return m_replaced->open(QIODevice::WriteOnly);
}

QIODevice& SaveTarget::device()
{
    if (m_direct)
        return *m_direct;
    return *m_replaced;
}

bool SaveTarget::commit()
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
    // The flush first, on its own: commit() flushes too, but (Qt 6.4) ignores a flush that
    // fails, and would then put the cut-off file in the old one's place.
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

void SaveTarget::cancel()
{
    if (m_direct) {
        m_direct->close();
    } else if (m_replaced) {
        m_replaced->cancelWriting();
        (void)m_replaced->commit();
    }
}

QString SaveTarget::errorString() const
{
    if (!m_error.isEmpty())
        return m_error;
    if (m_direct)
        return m_direct->errorString();
    return m_replaced ? m_replaced->errorString() : QString();
}

bool SaveTarget::openDirect()
{
    m_direct = std::make_unique<QFile>(m_path);
#ifdef Q_OS_UNIX
    const int fd = openDevice(m_path, O_WRONLY, m_waitForReader);
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

bool SaveTarget::openDescriptor(int descriptor)
{
    m_direct = std::make_unique<QFile>();
#ifdef Q_OS_UNIX
    // Reopening the path would truncate a file the shell opened for appending (or fail on a
    // socket); a duplicate shares the descriptor's position and its append flag.
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
        m_error = QStringLiteral("It is open for reading only.");
        return false;
    }
    const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (flags & O_APPEND)
        mode |= QIODevice::Append;
    if (!m_direct->open(copy, mode, QFileDevice::AutoCloseHandle)) {
        m_error = m_direct->errorString();
        ::close(copy);
        return false;
    }
    return true;
#else
    Q_UNUSED(descriptor);
    return false;
#endif
}

WriteOutcome writeWhole(const QString& path, const std::function<bool(QIODevice&)>& write,
    QString* error, bool waitForReader)
{
    auto failed = [error](WriteOutcome outcome, const QString& why) {
        if (error)
            *error = why;
        return outcome;
    };
    SaveTarget file(path, waitForReader);
    if (!file.open())
        return failed(WriteOutcome::CannotCreate, file.errorString());
    if (!write(file.device())) {
        // The reason before the cancel, which would put its own in its place.
        const QString why = file.device().errorString();
        file.cancel();
        return failed(WriteOutcome::WriteFailed, why);
    }
    if (!file.commit())
        return failed(WriteOutcome::WriteFailed, file.errorString());
    return WriteOutcome::Written;
}

} // namespace tc4dl
