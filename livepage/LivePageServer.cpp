#include "LivePageServer.h"

#include "PageAddress.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>

namespace tc4dl::live {

LivePageServer::LivePageServer(LiveFeed& feed, Clock& clock, QObject* parent)
    : QObject(parent),
      m_feed(feed),
      m_clock(clock)
{
    m_thread.setObjectName(QStringLiteral("tc4dl-livepage"));
}

LivePageServer::~LivePageServer()
{
    stop();
}

bool LivePageServer::start(const ServerSettings& settings, QString* why)
{
    QString ignored;
    if (!why)
        why = &ignored;
    stop();
    // Qt's TLS back end (OpenSSL) is set up at its first use, and the HTTP server's constructor
    // is one. Set up here on the caller's thread, it lasts as long as the program; set up on the
    // server's thread, the library's state for that thread is not always freed when it ends.
    (void)QSslConfiguration::defaultConfiguration();
    m_thread.start();
    bool listening = false;
    LiveHttpServer* server = nullptr;
    // Made, bound and run on the server's thread, where its sockets live; the anchor that
    // carries the call there goes with that thread.
    auto* anchor = new QObject;
    anchor->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, anchor, &QObject::deleteLater);
    QMetaObject::invokeMethod(
        anchor,
        [&] {
            server = new LiveHttpServer(m_feed, m_clock, settings);
            listening = server->listen(why);
            if (!listening) {
                delete server;
                server = nullptr;
            }
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        m_thread.quit();
        m_thread.wait();
        return false;
    }
    m_server = server;
    connect(&m_feed, &LiveFeed::published, m_server, &LiveHttpServer::publish);
    connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    m_address = settings.address;
    m_token = settings.token;
    m_tls = settings.tls.has_value();
    m_port = m_server->port();
    return true;
}

void LivePageServer::stop()
{
    if (!m_thread.isRunning())
        return;
    if (m_server)
        disconnect(&m_feed, &LiveFeed::published, m_server, &LiveHttpServer::publish);
    // The server goes on its own thread (finished → deleteLater runs there before it ends).
    m_thread.quit();
    m_thread.wait();
    m_server = nullptr;
    m_port = 0;
}

QStringList LivePageServer::urls() const
{
    return m_server ? pageUrls(m_address, m_port, m_tls, m_token) : QStringList();
}

int LivePageServer::connections() const
{
    return m_server ? m_server->connections() : 0;
}

int LivePageServer::streams() const
{
    return m_server ? m_server->streams() : 0;
}

std::optional<QSslConfiguration> loadTls(
    const QString& certificatePath, const QString& keyPath, QString* why)
{
    QString ignored;
    if (!why)
        why = &ignored;
    if (!QSslSocket::supportsSsl()) {
        *why = QStringLiteral("this system's Qt has no TLS backend");
        return std::nullopt;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certificatePath, QSsl::Pem);
    if (chain.isEmpty()) {
        *why = QStringLiteral("%1 holds no PEM certificate").arg(certificatePath);
        return std::nullopt;
    }
    QFile keyFile(keyPath);
    if (!keyFile.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read %1: %2").arg(keyPath, keyFile.errorString());
        return std::nullopt;
    }
    // A key file is small; more than this is no key.
    const QByteArray pem = keyFile.read(1 << 20);
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : { QSsl::Rsa, QSsl::Ec, QSsl::Dsa }) {
        key = QSslKey(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            break;
    }
    if (key.isNull()) {
        *why = QStringLiteral("%1 holds no unencrypted PEM private key").arg(keyPath);
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    return tls;
}

} // namespace tc4dl::live
