#pragma once

#include "MeterState.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <optional>

class QNetworkAccessManager;
class QProcess;

namespace tc4dl::recorder {

// What an alarm does beyond the recorder's own lines: `--on-alarm CMD` started for each raising
// and clearing, without a shell, with TC4DL_METER, TC4DL_ALARM, TC4DL_VALUE, TC4DL_TIME and
// TC4DL_STATE in its environment; `--webhook URL` POSTed the event's JSON. Neither ever waits:
// a command that fails or runs longer than kCommandLimitMs is said (and ended), a web address
// that does not answer is tried again after 5 and 20 s, at most three attempts, then said. At
// most kMostCommands commands run at once, and at most kMostQueued events wait for a turn.
class AlarmActions final : public QObject {
    Q_OBJECT
public:
    static constexpr int kCommandLimitMs = 30000;
    static constexpr int kWebhookTimeoutMs = 10000;
    static constexpr int kWebhookAttempts = 3;
    static constexpr int kMostCommands = 4;
    static constexpr std::size_t kMostQueued = 100;

    AlarmActions(QString command, QUrl webhook, QObject* parent = nullptr);
    ~AlarmActions() override;

    void run(const AlarmNotice& notice);
    // Commands running and deliveries not finished.
    [[nodiscard]] int busy() const;
    // Ends what still runs (the recorder stops); each is said.
    void abandon();

    // The environment a command gets for `notice`.
    [[nodiscard]] static QStringList environmentFor(const AlarmNotice& notice);
    // Pauses before the second and third webhook attempt.
    static constexpr int kRetryPausesMs[] = { 5000, 20000 };

Q_SIGNALS:
    void said(const QString& sentence);
    // A command or a delivery finished, for tests and for the stop that waits for them.
    void finishedOne();

private:
    void startCommand(const AlarmNotice& notice);
    void post(const QByteArray& body, const QString& what, int attempt);

    QStringList m_command;
    QUrl m_webhook;
    QNetworkAccessManager* m_network = nullptr;
    std::deque<AlarmNotice> m_queued;
    QList<QProcess*> m_running;
    int m_posting = 0;
};

// Splits a command as a shell would split words, but expands nothing: blanks separate words,
// '...' keeps everything inside, "..." keeps everything but a backslash before " or \, and a
// backslash outside quotes keeps the next character. Nothing when a quote is left open.
[[nodiscard]] std::optional<QStringList> splitCommandWords(const QString& command);

} // namespace tc4dl::recorder
