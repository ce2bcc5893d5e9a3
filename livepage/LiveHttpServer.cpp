#include "LiveHttpServer.h"

#include "Clock.h"
#include "ConnectionGuard.h"
#include "DateTimeSerial.h"
#include "GuardedServer.h"
#include "LiveJson.h"
#include "MeterValues.h"
#include "RequestRules.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>

#include <algorithm>

namespace tc4dl::live {

struct LiveHttpServer::Answer {
    int status = 200;
    QByteArray type = "text/plain; charset=utf-8";
    QByteArray body;
    bool setCookie = false;
};

namespace {

using Status = QHttpServerResponder::StatusCode;

QByteArray plainBody(int status)
{
    switch (status) {
    case 400:
        return "400 Bad Request: /api/history?meter=NAME&minutes=1..1440\n";
    case 401:
        return "401 Unauthorized: open the address with its token.\n";
    case 404:
        return "404 Not Found\n";
    case 405:
        return "405 Method Not Allowed: this page is read-only.\n";
    case 503:
        return "503 Service Unavailable: too many clients, try again later.\n";
    default:
        return {};
    }
}

RequestHead headOf(const QHttpServerRequest& request)
{
    RequestHead head;
    head.get = request.method() == QHttpServerRequest::Method::Get;
    head.url = request.url();
    head.authorization = request.value("authorization");
    head.cookie = request.value("cookie");
    head.acceptLanguage = request.value("accept-language");
    return head;
}

QByteArray eventBytes(const LiveEvent& event)
{
    const char* name = event.kind == LiveEvent::Kind::Reading ? "reading"
        : event.kind == LiveEvent::Kind::Alarm                ? "alarm"
                                                              : "status";
    return QByteArray("event: ") + name + "\ndata: " + event.json + "\n\n";
}

} // namespace

LiveHttpServer::LiveHttpServer(
    const LiveFeed& feed, Clock& clock, ServerSettings settings, QObject* parent)
    : QAbstractHttpServer(parent),
      m_feed(feed),
      m_clock(clock),
      m_settings(std::move(settings))
{
    connect(&m_heartbeat, &QTimer::timeout, this, &LiveHttpServer::heartbeat);
}

LiveHttpServer::~LiveHttpServer() = default;

bool LiveHttpServer::listen(QString* why)
{
    if (m_settings.token.isEmpty() && !m_settings.address.isLoopback()) {
        *why = QStringLiteral("a live page on %1, beyond this computer, needs a token "
                              "(--http-token-file FILE)")
                   .arg(m_settings.address.toString());
        return false;
    }
    auto* listener = new GuardedServer(m_settings.limits, m_settings.tls, this);
    if (!listener->listen(m_settings.address, m_settings.port)) {
        *why = QStringLiteral("cannot listen on %1 port %2: %3")
                   .arg(m_settings.address.toString())
                   .arg(m_settings.port)
                   .arg(listener->errorString());
        delete listener;
        return false;
    }
    bind(listener);
    m_listener = listener;
    m_heartbeat.start(m_settings.limits.heartbeatMs);
    return true;
}

quint16 LiveHttpServer::port() const
{
    return m_listener ? m_listener->serverPort() : 0;
}

int LiveHttpServer::connections() const
{
    return m_listener ? m_listener->connections() : 0;
}

int LiveHttpServer::streams() const
{
    return m_streamCount.load();
}

void LiveHttpServer::dropClosedStreams()
{
    std::erase_if(m_streams, [](const QPointer<QTcpSocket>& s) {
        return s.isNull() || s->state() != QAbstractSocket::ConnectedState;
    });
    m_streamCount = static_cast<int>(m_streams.size());
}

bool LiveHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const Decision d = decide(headOf(request), m_settings.token);
    Answer a;
    a.status = d.status;
    a.body = plainBody(d.status);
    a.setCookie = d.setCookie;
    if (d.status == 200) {
        const double now = toDateTimeSerial(m_clock.now());
        switch (d.route) {
        case Route::Page:
            a.type = "text/html; charset=utf-8";
            a.body = m_page.html(d.language);
            break;
        case Route::Current:
            a.type = "application/json";
            a.body = currentJson(m_feed.meters(), now);
            break;
        case Route::History: {
            const std::optional<QList<LiveSample>> points
                = m_feed.history(d.meter, now - d.minutes * 60.0 * kSecondDays, 2000);
            if (!points) {
                a.status = 404;
                a.body = plainBody(404);
                break;
            }
            a.type = "application/json";
            a.body = historyJson(d.meter, d.minutes, *points);
            break;
        }
        case Route::Events:
            dropClosedStreams();
            if (streams() >= m_settings.limits.maxStreams) {
                a.status = 503;
                a.body = plainBody(503);
                break;
            }
            openStream(socket, request);
            return true;
        case Route::NotFound:
            break;
        }
    }
    send(socket, request, a);
    return true;
}

void LiveHttpServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    Answer a;
    a.status = 404;
    a.body = plainBody(404);
    send(socket, request, a);
}

void LiveHttpServer::send(QTcpSocket* socket, const QHttpServerRequest& request, const Answer& a)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(static_cast<Status>(a.status));
    responder.writeHeader("Content-Type", a.type);
    responder.writeHeader("Content-Length", QByteArray::number(a.body.size()));
    responder.writeHeader("Content-Security-Policy", m_page.contentSecurityPolicy());
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("X-Frame-Options", "DENY");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("Cache-Control", "no-store");
    if (a.status == 401)
        responder.writeHeader("WWW-Authenticate", "Bearer realm=\"tc4dl\"");
    if (a.status == 405)
        responder.writeHeader("Allow", "GET");
    if (a.setCookie) {
        // The page keeps its key for the browser's session: scripts cannot read it and no
        // other site's page can send it.
        QByteArray cookie = QByteArray(kTokenCookie) + '=' + m_settings.token
            + "; Path=/; HttpOnly; SameSite=Strict";
        if (m_settings.tls)
            cookie += "; Secure";
        responder.writeHeader("Set-Cookie", cookie);
    }
    responder.writeBody(a.body);
    if (ConnectionGuard* guard = ConnectionGuard::of(socket))
        guard->answered();
    if (request.value("connection").toLower().contains("close"))
        socket->disconnectFromHost();
}

void LiveHttpServer::openStream(QTcpSocket* socket, const QHttpServerRequest& request)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(Status::Ok);
    responder.writeHeader("Content-Type", "text/event-stream");
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Content-Security-Policy", m_page.contentSecurityPolicy());
    responder.writeHeader("X-Accel-Buffering", "no");
    // No length: the stream lasts until either side closes it.
    responder.writeBody("retry: " + QByteArray::number(m_settings.limits.retryMs) + "\n\n");
    if (ConnectionGuard* guard = ConnectionGuard::of(socket))
        guard->streaming();
    m_streams.emplace_back(socket);
    m_streamCount = static_cast<int>(m_streams.size());
    // A stream that closes leaves the count at once, not only at the next event.
    connect(socket, &QAbstractSocket::disconnected, this, &LiveHttpServer::dropClosedStreams);
}

void LiveHttpServer::publish(const LiveEvent& event)
{
    writeToStreams(eventBytes(event));
}

void LiveHttpServer::writeToStreams(const QByteArray& bytes)
{
    dropClosedStreams();
    for (const QPointer<QTcpSocket>& s : m_streams)
        s->write(bytes);
}

void LiveHttpServer::heartbeat()
{
    writeToStreams(": keep-alive\n\n");
}

} // namespace tc4dl::live
