#pragma once

#include "MqttClient.h"
#include "MqttTopics.h"
#include "RecorderSetup.h"

#include <QObject>
#include <QThread>

#include <vector>

namespace tc4dl::recorder {

class MqttClient;

// The recorder's meters on an MQTT broker: one connection per meter (each with its own last
// will on its status topic), all of them in one thread of their own. Publishing never waits for
// the broker; a broker that goes away is reconnected to with growing pauses, and said once.
class MqttPublisher final : public QObject {
    Q_OBJECT
public:
    MqttPublisher(MqttSetup setup, QString user, QString password, QObject* parent = nullptr);
    ~MqttPublisher() override;

    // Publishes `meter` from now on (before start()).
    void addMeter(MeterState& meter);
    void start();
    // Says "offline" on every status topic and disconnects, waiting at most `limitMs`.
    void stop(int limitMs);

Q_SIGNALS:
    // A sentence for the standard error: the broker reached, lost, refusing.
    void said(const QString& sentence);

private:
    struct Meter {
        MeterState* state;
        MqttTopics topics;
        MqttClient* client;
    };
    void post(const Meter& m, MqttMessage message);
    void publishDiscovery(const Meter& m);
    void onReading(const Meter& m, const KeptReading& reading);

    MqttSetup m_setup;
    QString m_user;
    QString m_password;
    QThread m_thread;
    std::vector<Meter> m_meters;
    QString m_lastSaid;
    bool m_started = false;
    bool m_stopped = false;
};

} // namespace tc4dl::recorder
