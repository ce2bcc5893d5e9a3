#include "ConnectionGuard.h"

#include <QTcpSocket>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace tc4dl::live {

namespace {

QByteArray statusLine(int status)
{
    switch (status) {
    case 408:
        return "HTTP/1.1 408 Request Timeout";
    case 431:
        return "HTTP/1.1 431 Request Header Fields Too Large";
    default:
        return "HTTP/1.1 503 Service Unavailable";
    }
}

// Ends the sending side once the answer has left, so that the client reads it and then its
// end of the connection, instead of a reset for the bytes it still sent.
void closeWhenSent(QTcpSocket& socket)
{
    if (socket.bytesToWrite() > 0)
        return;
#ifdef Q_OS_UNIX
    if (socket.state() == QAbstractSocket::ConnectedState && socket.socketDescriptor() >= 0) {
        ::shutdown(static_cast<int>(socket.socketDescriptor()), SHUT_WR);
        return;
    }
#endif
    socket.disconnectFromHost();
}

} // namespace

ConnectionGuard::ConnectionGuard(
    QTcpSocket& socket, const ServerLimits& limits, std::function<void()> released)
    : QObject(&socket),
      m_socket(socket),
      m_limits(limits),
      m_released(std::move(released))
{
    setObjectName(QStringLiteral("tc4dl-connection-guard"));
    // Connected before the HTTP library's own handler, so every byte is counted before it is
    // parsed.
    connect(&socket, &QIODevice::readyRead, this, &ConnectionGuard::onReadyRead);
    connect(&socket, &QIODevice::bytesWritten, this, &ConnectionGuard::onWritten);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &ConnectionGuard::onDeadline);
    m_deadline.start(m_limits.idleMs);
}

ConnectionGuard::~ConnectionGuard()
{
    if (m_released)
        m_released();
}

ConnectionGuard* ConnectionGuard::of(QTcpSocket* socket)
{
    return socket ? socket->findChild<ConnectionGuard*>(
               QStringLiteral("tc4dl-connection-guard"), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

void ConnectionGuard::answered()
{
    m_received = m_socket.bytesAvailable();
    m_deadline.start(m_limits.idleMs);
}

void ConnectionGuard::streaming()
{
    m_streaming = true;
    m_deadline.start(m_limits.idleMs);
}

void ConnectionGuard::onReadyRead()
{
    if (m_refused || m_streaming)
        return;
    // What is not read yet is what arrived since the library last read everything.
    m_received += m_socket.bytesAvailable();
    if (m_received > m_limits.maxRequestBytes) {
        m_refused = true;
        refuse(m_socket, 431, m_limits.lingerMs);
    }
}

void ConnectionGuard::onWritten()
{
    // A stream that takes what it is sent is alive; one that leaves too much unread is not.
    if (!m_streaming || m_refused)
        return;
    if (m_socket.bytesToWrite() > m_limits.maxStreamBacklog) {
        m_refused = true;
        m_socket.abort();
        return;
    }
    m_deadline.start(m_limits.idleMs);
}

void ConnectionGuard::onDeadline()
{
    if (m_refused)
        return;
    if (m_streaming) {
        // Nothing was taken for the whole idle time while something waited: a client that
        // reads nothing holds no stream.
        if (m_socket.bytesToWrite() > 0) {
            m_refused = true;
            m_socket.abort();
        } else {
            m_deadline.start(m_limits.idleMs);
        }
        return;
    }
    m_refused = true;
    refuse(m_socket, 408, m_limits.lingerMs);
}

void ConnectionGuard::refuse(QTcpSocket& socket, int status, int lingerMs)
{
    // Nobody parses this client's bytes any more: the library's handler goes, and what comes
    // is read and dropped.
    QObject::disconnect(&socket, &QIODevice::readyRead, nullptr, nullptr);
    if (socket.isTransactionStarted())
        socket.commitTransaction();
    (void)socket.readAll();
    QObject::connect(&socket, &QIODevice::readyRead, &socket, [&socket] {
        if (socket.isTransactionStarted())
            socket.commitTransaction();
        (void)socket.readAll();
    });
    QObject::connect(&socket, &QAbstractSocket::disconnected, &socket, &QObject::deleteLater);
    QObject::connect(
        &socket, &QIODevice::bytesWritten, &socket, [&socket] { closeWhenSent(socket); });
    QTimer::singleShot(lingerMs, &socket, [&socket] {
        socket.abort();
        socket.deleteLater();
    });
    socket.write(statusLine(status)
        + "\r\nContent-Length: 0\r\nConnection: close\r\nCache-Control: no-store\r\n\r\n");
    closeWhenSent(socket);
}

} // namespace tc4dl::live
