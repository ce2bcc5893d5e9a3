#pragma once

// Plain HTTP/1.1 over a real loopback socket, byte for byte as a test writes it: what a hostile
// client sends is sent as it is, and the answer is read up to its declared length or the close.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QSslSocket>
#include <QTcpSocket>

#include <memory>

namespace httpexchange {

struct Reply {
    int status = 0; // 0: no status line came
    QByteArray head; // status line and headers
    QByteArray body;
    bool closed = false; // the server closed the connection

    [[nodiscard]] QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
};

// Reads one answer from `socket` within `timeoutMs`.
inline Reply readReply(QTcpSocket& socket, int timeoutMs = 5000)
{
    Reply r;
    QByteArray data;
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype bodyStart = -1;
    qint64 length = -1;
    while (!deadline.hasExpired()) {
        data += socket.readAll();
        if (bodyStart < 0 && (bodyStart = data.indexOf("\r\n\r\n")) >= 0) {
            bodyStart += 4;
            r.head = data.left(bodyStart);
            const QList<QByteArray> first = r.head.split(' ');
            r.status = first.size() > 1 ? first.at(1).toInt() : 0;
            const QByteArray declared = r.header("content-length");
            length = declared.isEmpty() ? -1 : declared.toLongLong();
        }
        if (bodyStart >= 0 && length >= 0 && data.size() - bodyStart >= length)
            break;
        if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0) {
            r.closed = true;
            break;
        }
        socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
    if (bodyStart >= 0)
        r.body = data.mid(bodyStart);
    else
        r.head = data;
    return r;
}

// Connects, sends `request`, reads the answer.
inline Reply exchange(quint16 port, const QByteArray& request, int timeoutMs = 5000)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(timeoutMs))
        return {};
    socket.write(request);
    socket.flush();
    return readReply(socket, timeoutMs);
}

inline QByteArray get(const QByteArray& target, const QByteArray& headers = {})
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
}

} // namespace httpexchange
