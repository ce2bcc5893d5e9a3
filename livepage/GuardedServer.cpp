#include "GuardedServer.h"

#include "ConnectionGuard.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace tc4dl::live {

GuardedServer::GuardedServer(
    const ServerLimits& limits, std::optional<QSslConfiguration> tls, QObject* parent)
    : QTcpServer(parent),
      m_limits(limits),
      m_tls(std::move(tls))
{
    // A crowd of connections waits in the kernel until it is taken and refused; a short queue
    // would leave the crowd's last ones hanging in the handshake for many seconds instead.
    setListenBacklogSize(1024);
}

GuardedServer::~GuardedServer()
{
    // The sockets go first: their guards count them out of this listener.
    qDeleteAll(findChildren<QTcpSocket*>(QString(), Qt::FindDirectChildrenOnly));
}

void GuardedServer::incomingConnection(qintptr handle)
{
    if (m_open.load() >= m_limits.maxConnections) {
        refuseBeyondLimit(handle);
        return;
    }
    QTcpSocket* socket = nullptr;
    if (m_tls) {
        auto* ssl = new QSslSocket(this);
        ssl->setSslConfiguration(*m_tls);
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
    }
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    ++m_open;
    // The guard starts counting and timing at once: a TLS handshake that never ends is cut
    // like a request that never ends.
    new ConnectionGuard(*socket, m_limits, [this] { --m_open; });
    if (auto* ssl = qobject_cast<QSslSocket*>(socket)) {
        connect(ssl, &QSslSocket::encrypted, this, [this, ssl] { admit(ssl); });
        connect(ssl, &QAbstractSocket::errorOccurred, ssl, [ssl] {
            if (!ssl->isEncrypted()) {
                ssl->abort();
                ssl->deleteLater();
            }
        });
        connect(ssl, &QAbstractSocket::disconnected, ssl, [ssl] {
            if (!ssl->isEncrypted())
                ssl->deleteLater();
        });
        ssl->startServerEncryption();
        return;
    }
    admit(socket);
}

void GuardedServer::admit(QTcpSocket* socket)
{
    // Handed over, the library deletes the socket once it is disconnected; until then it stays
    // this listener's child, so that none outlives the server.
    addPendingConnection(socket);
    // The library listens for the announcement of a pending connection; a TLS connection comes
    // after its handshake, outside incomingConnection().
    if (qobject_cast<QSslSocket*>(socket))
        Q_EMIT newConnection();
}

void GuardedServer::refuseBeyondLimit(qintptr handle)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    // A TLS client cannot read a plain answer, and more refusals at once than that are an
    // attack: both are closed without a word.
    if (m_tls || m_refusing >= kMaxRefusing) {
        socket->abort();
        delete socket;
        return;
    }
    ++m_refusing;
    connect(socket, &QObject::destroyed, this, [this] { --m_refusing; });
    ConnectionGuard::refuse(*socket, 503, m_limits.lingerMs);
}

} // namespace tc4dl::live
