#pragma once

#include "ServerLimits.h"

#include <QSslConfiguration>
#include <QTcpServer>

#include <atomic>
#include <optional>

namespace tc4dl::live {

// The listener under the HTTP library: it takes every connection itself, so that it can count
// them, refuse those beyond the limit with 503 before anything is parsed, speak TLS when given
// a certificate, and give each connection its ConnectionGuard. Only connections that are
// within the limits (and, with TLS, encrypted) reach the library.
class GuardedServer final : public QTcpServer {
    Q_OBJECT
public:
    // Connections told 503 at the same time (each holds a few kilobytes until it is closed).
    static constexpr int kMaxRefusing = 512;

    GuardedServer(const ServerLimits& limits, std::optional<QSslConfiguration> tls,
        QObject* parent = nullptr);
    ~GuardedServer() override;

    [[nodiscard]] int connections() const { return m_open.load(); }
    [[nodiscard]] bool isTls() const { return m_tls.has_value(); }

protected:
    void incomingConnection(qintptr handle) override;

private:
    void refuseBeyondLimit(qintptr handle);
    void admit(QTcpSocket* socket);

    ServerLimits m_limits;
    std::optional<QSslConfiguration> m_tls;
    std::atomic<int> m_open { 0 };
    int m_refusing = 0; // connections being told 503, bounded too
};

} // namespace tc4dl::live
