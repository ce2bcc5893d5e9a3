#pragma once

// Headless Chromium from Debian's package, driven over the DevTools protocol with a small
// client of our own on Qt WebSockets: start it (as the unprivileged user when the suite runs as
// root), open a page in a tab of its own, read what the page shows, take screenshots. The
// browser reaches nothing but the loopback addresses.

#include "RealParts.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <map>
#include <optional>

namespace devtools {

class Browser {
public:
    ~Browser() { stop(); }

    // Starts the browser; false with the reason when it cannot.
    bool start(QString* why)
    {
        const QString program = QFileInfo::exists(QStringLiteral("/usr/lib/chromium/chromium"))
            ? QStringLiteral("/usr/lib/chromium/chromium")
            : QStringLiteral("chromium");
        if (!m_profile.isValid() || !realparts::handToUnprivileged(m_profile.path())) {
            *why = QStringLiteral("no profile folder for the browser");
            return false;
        }
        const QStringList arguments { QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
            QStringLiteral("--disable-gpu"), QStringLiteral("--disable-quic"),
            QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
            QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
            QStringLiteral("--disable-extensions"), QStringLiteral("--disable-dev-shm-usage"),
            QStringLiteral("--no-default-browser-check"), QStringLiteral("--hide-scrollbars"),
            QStringLiteral("--no-proxy-server"),
            // Nothing but loopback resolves: the page may not reach another host, and the
            // browser reaches none either.
            QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND , EXCLUDE 127.0.0.1"),
            QStringLiteral("--user-data-dir=") + m_profile.filePath(QStringLiteral("profile")),
            QStringLiteral("--remote-debugging-port=0"), QStringLiteral("about:blank") };
        const QStringList command = realparts::asUnprivileged(program, arguments);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_profile.path());
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(command.first(), command.mid(1));
        if (!m_process.waitForStarted(10000)) {
            *why = QStringLiteral("%1 did not start: %2").arg(program, m_process.errorString());
            return false;
        }
        // The browser names its DevTools endpoint on stderr.
        const QRegularExpression endpoint(QStringLiteral("DevTools listening on (ws://\\S+)"));
        QString seen;
        QRegularExpressionMatch match;
        const bool listening = QTest::qWaitFor(
            [&] {
                seen += QString::fromUtf8(m_process.readAllStandardError());
                match = endpoint.match(seen);
                return match.hasMatch() || m_process.state() == QProcess::NotRunning;
            },
            30000);
        if (!listening || !match.hasMatch()) {
            *why = QStringLiteral("the browser named no DevTools endpoint: ") + seen.left(600);
            return false;
        }
        QObject::connect(
            &m_socket, &QWebSocket::textMessageReceived, &m_socket, [this](const QString& text) {
                const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
                if (message.contains(QStringLiteral("id")))
                    m_replies[message[QStringLiteral("id")].toInt()] = message;
            });
        m_socket.open(QUrl(match.captured(1)));
        if (!QTest::qWaitFor(
                [&] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 10000)) {
            *why = QStringLiteral("no DevTools connection: ") + m_socket.errorString();
            return false;
        }
        return true;
    }

    void stop()
    {
        if (m_socket.state() == QAbstractSocket::ConnectedState) {
            (void)call(QStringLiteral("Browser.close"), {}, {}, 3000);
            m_socket.close();
        }
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // One command; its "result", or none (with the error in `error`) when it failed or no
    // answer came.
    std::optional<QJsonObject> call(const QString& method, const QJsonObject& params = {},
        const QString& session = {}, int timeoutMs = 15000, QString* error = nullptr)
    {
        const int id = ++m_lastId;
        QJsonObject message { { QStringLiteral("id"), id }, { QStringLiteral("method"), method },
            { QStringLiteral("params"), params } };
        if (!session.isEmpty())
            message.insert(QStringLiteral("sessionId"), session);
        m_socket.sendTextMessage(
            QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
        if (!QTest::qWaitFor([&] { return m_replies.count(id) > 0; }, timeoutMs)) {
            if (error)
                *error = method + QStringLiteral(": no answer");
            return std::nullopt;
        }
        const QJsonObject reply = m_replies[id];
        m_replies.erase(id);
        if (reply.contains(QStringLiteral("error"))) {
            if (error)
                *error = method + QStringLiteral(": ")
                    + QString::fromUtf8(QJsonDocument(reply[QStringLiteral("error")].toObject())
                                            .toJson(QJsonDocument::Compact));
            return std::nullopt;
        }
        return reply[QStringLiteral("result")].toObject();
    }

    // A new tab, attached; its session id (empty when it could not be made).
    QString openTab()
    {
        const std::optional<QJsonObject> target = call(QStringLiteral("Target.createTarget"),
            { { QStringLiteral("url"), QStringLiteral("about:blank") } });
        if (!target)
            return {};
        m_target = (*target)[QStringLiteral("targetId")].toString();
        const std::optional<QJsonObject> attached = call(QStringLiteral("Target.attachToTarget"),
            { { QStringLiteral("targetId"), (*target)[QStringLiteral("targetId")] },
                { QStringLiteral("flatten"), true } });
        return attached ? (*attached)[QStringLiteral("sessionId")].toString() : QString();
    }

    // Closes the tab openTab() made last.
    void closeTab()
    {
        if (!m_target.isEmpty())
            (void)call(
                QStringLiteral("Target.closeTarget"), { { QStringLiteral("targetId"), m_target } });
        m_target.clear();
    }

    // The value of a JavaScript expression in the tab (returned by value).
    QJsonValue evaluate(const QString& session, const QString& expression)
    {
        const std::optional<QJsonObject> r = call(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), expression },
                { QStringLiteral("returnByValue"), true } },
            session, 5000);
        return r ? (*r)[QStringLiteral("result")].toObject()[QStringLiteral("value")]
                 : QJsonValue();
    }

    QByteArray screenshot(const QString& session)
    {
        const std::optional<QJsonObject> r = call(QStringLiteral("Page.captureScreenshot"),
            { { QStringLiteral("format"), QStringLiteral("png") },
                { QStringLiteral("captureBeyondViewport"), false } },
            session);
        return r ? QByteArray::fromBase64((*r)[QStringLiteral("data")].toString().toLatin1())
                 : QByteArray();
    }

private:
    QTemporaryDir m_profile;
    QProcess m_process;
    QWebSocket m_socket;
    int m_lastId = 0;
    QString m_target;
    std::map<int, QJsonObject> m_replies;
};

} // namespace devtools
