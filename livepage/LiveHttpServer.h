#pragma once

#include "LiveFeed.h"
#include "LivePage.h"
#include "ServerLimits.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>

#include <atomic>
#include <optional>
#include <vector>

class QTcpSocket;

namespace tc4dl {
class Clock;
}

namespace tc4dl::live {

class GuardedServer;

// Where and how the live page is served.
struct ServerSettings {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0; // 0: a free one
    QByteArray token; // empty: none asked (allowed on loopback only)
    std::optional<QSslConfiguration> tls;
    ServerLimits limits;
};

// The live page's HTTP server over Qt HttpServer: GET / (the page), /api/current,
// /api/history and /api/events (Server-Sent Events), read-only, every request checked against
// the token first. It lives on the server's own thread and reads the feed only through its
// thread-safe interface.
class LiveHttpServer final : public QAbstractHttpServer {
    Q_OBJECT
public:
    LiveHttpServer(
        const LiveFeed& feed, Clock& clock, ServerSettings settings, QObject* parent = nullptr);
    ~LiveHttpServer() override;

    // Refuses a network address without a token; false with the reason in `why`.
    [[nodiscard]] bool listen(QString* why);
    [[nodiscard]] quint16 port() const;
    [[nodiscard]] int connections() const;
    [[nodiscard]] int streams() const;

    // One event of the feed, to every event stream.
    void publish(const tc4dl::live::LiveEvent& event);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Answer;
    void send(QTcpSocket* socket, const QHttpServerRequest& request, const Answer& answer);
    void openStream(QTcpSocket* socket, const QHttpServerRequest& request);
    void writeToStreams(const QByteArray& bytes);
    void heartbeat();
    void dropClosedStreams();

    const LiveFeed& m_feed;
    Clock& m_clock;
    ServerSettings m_settings;
    LivePage m_page;
    GuardedServer* m_listener = nullptr;
    std::vector<QPointer<QTcpSocket>> m_streams;
    std::atomic<int> m_streamCount { 0 }; // read from other threads
    QTimer m_heartbeat;
};

} // namespace tc4dl::live
