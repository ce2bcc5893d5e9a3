#pragma once

// What the tests that talk to a real server (PostgreSQL, an MQTT broker, a web browser) share.
// Each such test starts the server itself from the Debian package, in a temporary folder, on
// 127.0.0.1 or a Unix socket, and as an unprivileged user when the suite runs as root (CI does;
// PostgreSQL refuses to run as root, and a server run as root proves nothing about rights).
//
// Where the server cannot be started at all, the test says why and skips, so that a developer
// without the package still runs the rest. scripts/test.sh sets TC4DL_REQUIRE_REAL_PARTS, and
// there such a skip is a failure: CI never passes with a real part left out.

#include <QtTest/QtTest>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Skips the test with `why`, or fails it where the suite requires every real part.
#define TC4DL_REAL_PART_MISSING(why)                                                               \
    do {                                                                                           \
        if (qEnvironmentVariableIsSet("TC4DL_REQUIRE_REAL_PARTS"))                                 \
            QFAIL(qPrintable(QStringLiteral("required server did not start: ") + (why)));          \
        QSKIP(qPrintable(why));                                                                    \
    } while (false)

namespace realparts {

// A TCP port on 127.0.0.1 that was free a moment ago (the kernel's choice). Another program
// may take it before the server binds it; a test whose server fails to bind asks again.
inline quint16 freeLoopbackPort()
{
#ifdef Q_OS_UNIX
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
#else
    return 0;
#endif
}

inline bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

// The user a server runs as when the suite runs as root.
inline const char* unprivilegedUser()
{
    return "nobody";
}

// The program and its arguments as they start `program` as the unprivileged user when the suite
// runs as root (through util-linux's setpriv, which keeps the environment), unchanged otherwise.
// The first element is the program to start.
inline QStringList asUnprivileged(const QString& program, const QStringList& arguments)
{
#ifdef Q_OS_UNIX
    if (runningAsRoot()) {
        if (const passwd* user = ::getpwnam(unprivilegedUser())) {
            return QStringList { QStringLiteral("setpriv"),
                QStringLiteral("--reuid=%1").arg(user->pw_uid),
                QStringLiteral("--regid=%1").arg(user->pw_gid), QStringLiteral("--clear-groups"),
                QStringLiteral("--") }
            + QStringList { program } + arguments;
        }
    }
#endif
    return QStringList { program } + arguments;
}

// Gives a folder (a test's temporary folder) to the unprivileged user when the suite runs as
// root, so that a server started by asUnprivileged() may write there. True when it is theirs.
inline bool handToUnprivileged(const QString& path)
{
#ifdef Q_OS_UNIX
    if (!runningAsRoot())
        return true;
    const passwd* user = ::getpwnam(unprivilegedUser());
    if (!user)
        return false;
    const QByteArray native = QFile::encodeName(path);
    return ::chown(native.constData(), user->pw_uid, user->pw_gid) == 0
        && ::chmod(native.constData(), 0700) == 0;
#else
    Q_UNUSED(path);
    return true;
#endif
}

} // namespace realparts
