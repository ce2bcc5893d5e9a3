#include "AlarmActions.h"

#include "RecorderJson.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QTimer>

namespace tc4dl::recorder {

std::optional<QStringList> splitCommandWords(const QString& command)
{
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (quote == QLatin1Char('\'')) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (quote == QLatin1Char('"')) {
            if (c == quote) {
                quote = QChar();
            } else if (c == QLatin1Char('\\') && i + 1 < command.size()
                && (command.at(i + 1) == QLatin1Char('"')
                    || command.at(i + 1) == QLatin1Char('\\'))) {
                word += command.at(++i);
            } else {
                word += c;
            }
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
                quote = c;
            else if (c == QLatin1Char('\\') && i + 1 < command.size())
                word += command.at(++i);
            else
                word += c;
        }
    }
    if (!quote.isNull())
        return std::nullopt;
    if (inWord)
        words << word;
    return words;
}

AlarmActions::AlarmActions(QString command, QUrl webhook, QObject* parent)
    : QObject(parent),
      m_command(splitCommandWords(command).value_or(QStringList())),
      m_webhook(std::move(webhook))
{
    if (m_webhook.isValid() && !m_webhook.isEmpty()) {
        m_network = new QNetworkAccessManager(this);
        m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
}

AlarmActions::~AlarmActions()
{
    // Whoever listened may be going away with us.
    disconnect();
    abandon();
}

QStringList AlarmActions::environmentFor(const AlarmNotice& n)
{
    QStringList env = QProcessEnvironment::systemEnvironment().toStringList();
    env << QStringLiteral("TC4DL_METER=") + n.meter << QStringLiteral("TC4DL_ALARM=") + n.alarm
        << QStringLiteral("TC4DL_VALUE=")
            + (n.value ? QString::number(*n.value, 'f', 1) : QString())
        << QStringLiteral("TC4DL_TIME=") + isoLocalTime(n.time)
        << QStringLiteral("TC4DL_STATE=")
            + (n.raised ? QStringLiteral("raised") : QStringLiteral("cleared"));
    return env;
}

int AlarmActions::busy() const
{
    return int(m_running.size() + m_queued.size()) + m_posting;
}

void AlarmActions::run(const AlarmNotice& notice)
{
    if (!m_command.isEmpty()) {
        if (m_running.size() < kMostCommands)
            startCommand(notice);
        else if (m_queued.size() < kMostQueued)
            m_queued.push_back(notice);
        else
            Q_EMIT said(QStringLiteral("--on-alarm was not run for %1 %2: too many alarms wait for "
                                       "their command.")
                            .arg(notice.meter, notice.alarm));
    }
    if (m_network)
        post(alarmJson(notice), notice.meter + QLatin1Char(' ') + notice.alarm, 1);
}

void AlarmActions::startCommand(const AlarmNotice& notice)
{
    auto* p = new QProcess(this);
    m_running << p;
    p->setProgram(m_command.first());
    p->setArguments(m_command.mid(1));
    p->setEnvironment(environmentFor(notice));
    p->setStandardInputFile(QProcess::nullDevice());
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    const QString what
        = QStringLiteral("%1 %2 %3")
              .arg(notice.meter, notice.alarm,
                  notice.raised ? QStringLiteral("raised") : QStringLiteral("cleared"));
    auto* limit = new QTimer(p);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, p, [this, p, what] {
        Q_EMIT said(QStringLiteral("--on-alarm for %1 ran longer than %2 s and was ended.")
                        .arg(what)
                        .arg(kCommandLimitMs / 1000));
        p->kill();
    });
    auto done = [this, p, limit] {
        limit->stop();
        m_running.removeAll(p);
        p->deleteLater();
        if (!m_queued.empty()) {
            const AlarmNotice next = m_queued.front();
            m_queued.pop_front();
            startCommand(next);
        }
        Q_EMIT finishedOne();
    };
    connect(
        p, &QProcess::finished, this, [this, p, what, done](int code, QProcess::ExitStatus status) {
            if (status == QProcess::NormalExit && code != 0)
                Q_EMIT said(QStringLiteral("--on-alarm for %1 failed with exit code %2.")
                                .arg(what)
                                .arg(code));
            done();
        });
    connect(p, &QProcess::errorOccurred, this, [this, p, what, done](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return; // a crash or a kill also ends in finished()
        Q_EMIT said(QStringLiteral("--on-alarm for %1 could not be started: %2.")
                        .arg(what, p->errorString()));
        done();
    });
    limit->start(kCommandLimitMs);
    p->start();
}

void AlarmActions::post(const QByteArray& body, const QString& what, int attempt)
{
    QNetworkRequest request(m_webhook);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("tc4dl-cli record"));
    request.setTransferTimeout(kWebhookTimeoutMs);
    ++m_posting;
    QNetworkReply* reply = m_network->post(request, body);
    connect(reply, &QNetworkReply::finished, this, [this, reply, body, what, attempt] {
        reply->deleteLater();
        --m_posting;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
        if (ok) {
            Q_EMIT finishedOne();
            return;
        }
        const QString why = reply->error() == QNetworkReply::NoError
            ? QStringLiteral("HTTP %1").arg(status)
            : reply->errorString();
        // A request the address refuses for what it is stays refused; only trouble on the way,
        // a busy or failing server is worth another attempt.
        const bool refused = status >= 400 && status < 500 && status != 408 && status != 429;
        if (attempt >= kWebhookAttempts || refused) {
            Q_EMIT said(
                QStringLiteral("The webhook did not take %1 (%2 %3): %4.")
                    .arg(what)
                    .arg(attempt)
                    .arg(attempt == 1 ? QStringLiteral("attempt") : QStringLiteral("attempts"))
                    .arg(why));
            Q_EMIT finishedOne();
            return;
        }
        ++m_posting;
        QTimer::singleShot(kRetryPausesMs[attempt - 1], this, [this, body, what, attempt] {
            --m_posting;
            post(body, what, attempt + 1);
        });
    });
}

void AlarmActions::abandon()
{
    for (QProcess* p : m_running) {
        Q_EMIT said(
            QStringLiteral("--on-alarm still ran when the recorder stopped; it was ended."));
        p->disconnect(this);
        p->kill();
        p->waitForFinished(1000);
        p->deleteLater();
    }
    m_running.clear();
    if (!m_queued.empty())
        Q_EMIT said(QStringLiteral("--on-alarm was not run for %1 alarm(s) still waiting when the "
                                   "recorder stopped.")
                        .arg(m_queued.size()));
    m_queued.clear();
    if (m_posting > 0)
        Q_EMIT said(QStringLiteral("%1 webhook delivery(ies) were given up when the recorder "
                                   "stopped.")
                        .arg(m_posting));
    m_posting = 0;
}

} // namespace tc4dl::recorder
