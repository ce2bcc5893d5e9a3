#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <deque>
#include <optional>

class QSocketNotifier;
class QTimer;
struct mosquitto;

namespace tc4dl::recorder {

struct MqttMessage {
    QByteArray topic;
    QByteArray payload;
    int qos = 0;
    bool retain = false;
};

struct MqttClientSettings {
    QString host;
    quint16 port = 1883;
    bool tls = false;
    QString caFile; // empty: the system's certificate authorities
    QString user; // empty: none
    QString password;
    QString clientId;
    MqttMessage will;
};

// One connection to an MQTT broker through libmosquitto, driven by the Qt event loop of the
// thread it lives in: the socket through QSocketNotifiers, keep-alive through a timer that runs
// mosquitto_loop_misc, and never a blocking call of the library's own loop. The host name is
// looked up and TLS set up inside libmosquitto's connect, so the recorder runs its clients in a
// thread of their own: a broker or a name server that hangs can never hold up a meter.
//
// It holds what a broker that went away must get again: the last retained message of every
// topic is sent anew at each connection, and a QoS 1 message stays until the broker
// acknowledged it, across reconnections, so an alarm raised meanwhile arrives after the
// reconnect. Each connection is a new libmosquitto client, so nothing is sent twice by the
// library's own queue. Reconnects wait 1 s, then twice as long each time, up to 60 s.
class MqttClient final : public QObject {
    Q_OBJECT
public:
    static constexpr int kKeepAliveSeconds = 30;
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kLongestRetryMs = 60000;
    static constexpr std::size_t kMostPending = 1000;

    explicit MqttClient(MqttClientSettings settings, QObject* parent = nullptr);
    ~MqttClient() override;

    // Everything below runs on the client's thread.
    void start();
    // QoS 0 is dropped while not connected (a retained one is still sent at the next
    // connection); QoS 1 waits for the broker.
    void publish(const MqttMessage& message);
    // Sends `last` (the "offline" of a clean stop) and disconnects; emits stopped() once done or
    // after `limitMs`.
    void stop(const std::optional<MqttMessage>& last, int limitMs);
    [[nodiscard]] bool isConnected() const { return m_connected; }

Q_SIGNALS:
    void connectionChanged(bool connected, const QString& why);
    // QoS 1 messages were dropped because the broker stayed away too long.
    void dropped(int messages);
    void stopped();

private:
    static void onConnect(mosquitto* mosq, void* self, int rc);
    static void onDisconnect(mosquitto* mosq, void* self, int rc);
    static void onPublish(mosquitto* mosq, void* self, int mid);

    void connectNow();
    void connected();
    void lost(const QString& why);
    void retryLater();
    void release();
    void watchSocket();
    void updateWriteInterest();
    void afterLoop(int rc);
    bool send(const MqttMessage& message, int* mid);

    MqttClientSettings m_settings;
    mosquitto* m_mosq = nullptr;
    QSocketNotifier* m_read = nullptr;
    QSocketNotifier* m_write = nullptr;
    QTimer* m_misc = nullptr;
    QTimer* m_retry = nullptr;
    int m_retryMs = kFirstRetryMs;
    bool m_connected = false;
    bool m_stopping = false;
    bool m_stopEmitted = false;
    QHash<QByteArray, MqttMessage> m_retained;
    QList<QByteArray> m_retainedOrder; // topics in the order first published
    struct Pending {
        MqttMessage message;
        int mid = -1; // -1: not sent on this connection
    };
    std::deque<Pending> m_pending;
};

// libmosquitto's set-up, once per process.
void initMqttLibrary();

} // namespace tc4dl::recorder
