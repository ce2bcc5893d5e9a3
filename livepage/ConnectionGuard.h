#pragma once

#include "ServerLimits.h"

#include <QObject>
#include <QTimer>

#include <functional>

class QTcpSocket;

namespace tc4dl::live {

// The limits on one client connection, as a child of its socket (so it goes with the socket,
// however that ends): it counts what the client sends until it is answered and cuts a request
// that grows beyond the limit (431), and cuts a client that sends no complete request in time
// (408). An event stream is watched instead for taking what it is sent.
class ConnectionGuard final : public QObject {
    Q_OBJECT
public:
    // `released` runs once, when the socket (and so the guard) goes.
    ConnectionGuard(QTcpSocket& socket, const ServerLimits& limits, std::function<void()> released);
    ~ConnectionGuard() override;

    [[nodiscard]] static ConnectionGuard* of(QTcpSocket* socket);

    // A request was answered: the next one starts counting and must come in time.
    void answered();
    // The answer goes on (an event stream): no deadline from here, but a stream that leaves
    // more than the backlog unread, or takes nothing for the idle time, is cut.
    void streaming();
    [[nodiscard]] bool isStreaming() const { return m_streaming; }

    // Answers `status` with nothing more and closes the connection once the client has read
    // it (or after the linger time): no further request of it is read.
    static void refuse(QTcpSocket& socket, int status, int lingerMs);

private:
    void onReadyRead();
    void onDeadline();
    void onWritten();

    QTcpSocket& m_socket;
    ServerLimits m_limits;
    std::function<void()> m_released;
    QTimer m_deadline;
    qint64 m_received = 0;
    bool m_streaming = false;
    bool m_refused = false;
};

} // namespace tc4dl::live
