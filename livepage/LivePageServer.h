#pragma once

#include "LiveHttpServer.h"

#include <QObject>
#include <QStringList>
#include <QThread>

#include <memory>

namespace tc4dl {
class Clock;
}

namespace tc4dl::live {

// The live page as its owner (the recorder, the desktop program, `tc4dl-cli serve`) runs it:
// the HTTP server on a thread of its own, so that no client, however slow or hostile, delays
// the recording; the feed's events reach it through queued signals.
class LivePageServer final : public QObject {
    Q_OBJECT
public:
    // `feed` and `clock` outlive the server; the clock is read from the server's thread.
    LivePageServer(LiveFeed& feed, Clock& clock, QObject* parent = nullptr);
    ~LivePageServer() override;

    // Listens; false, with one sentence's reason in `why`, when it cannot.
    [[nodiscard]] bool start(const ServerSettings& settings, QString* why);
    void stop();
    [[nodiscard]] bool isRunning() const { return m_server != nullptr; }
    [[nodiscard]] quint16 port() const { return m_port; }
    [[nodiscard]] bool isTls() const { return m_tls; }
    // The addresses a person opens (with the token), for the terminal and a QR code.
    [[nodiscard]] QStringList urls() const;

    // For tests and benchmarks: what the server holds now (read across threads).
    [[nodiscard]] int connections() const;
    [[nodiscard]] int streams() const;

private:
    LiveFeed& m_feed;
    Clock& m_clock;
    QThread m_thread;
    LiveHttpServer* m_server = nullptr; // lives on m_thread
    QHostAddress m_address;
    QByteArray m_token;
    quint16 m_port = 0;
    bool m_tls = false;
};

// The certificate (with its chain) and the private key of an HTTPS page, from PEM files; none,
// with the reason in `why`, when they cannot be read or do not belong together.
[[nodiscard]] std::optional<QSslConfiguration> loadTls(
    const QString& certificatePath, const QString& keyPath, QString* why);

} // namespace tc4dl::live
