#include "MqttPublisher.h"

#include "MqttClient.h"
#include "RecorderJson.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <QTimer>

namespace tc4dl::recorder {

MqttPublisher::MqttPublisher(MqttSetup setup, QString user, QString password, QObject* parent)
    : QObject(parent),
      m_setup(std::move(setup)),
      m_user(std::move(user)),
      m_password(std::move(password))
{
    m_thread.setObjectName(QStringLiteral("mqtt"));
}

MqttPublisher::~MqttPublisher()
{
    stop(0);
}

void MqttPublisher::addMeter(MeterState& meter)
{
    MqttTopics topics { m_setup.prefix, meter.name() };
    MqttClientSettings s;
    s.host = m_setup.host;
    s.port = m_setup.port;
    s.tls = m_setup.tls;
    s.caFile = m_setup.caFile;
    s.user = m_user;
    s.password = m_password;
    s.clientId = QStringLiteral("tc4dl-%1-%2-%3")
                     .arg(QHostInfo::localHostName().left(16), meter.name())
                     .arg(QCoreApplication::applicationPid());
    s.will = { topics.status(), kOffline, 1, true };
    auto* client = new MqttClient(s);
    client->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, client, &QObject::deleteLater);
    m_meters.push_back({ &meter, topics, client });
    const std::size_t index = m_meters.size() - 1;
    connect(client, &MqttClient::connectionChanged, this,
        [this, name = meter.name()](bool up, const QString& why) {
            const QString where = QStringLiteral("%1:%2").arg(m_setup.host).arg(m_setup.port);
            const QString sentence = up
                ? QStringLiteral("MQTT: %1 publishes to %2.").arg(name, where)
                : QStringLiteral("MQTT: %1 cannot reach the broker %2: %3; "
                                 "trying again.")
                      .arg(name, where, why);
            Q_EMIT said(sentence);
        });
    connect(client, &MqttClient::dropped, this, [this, name = meter.name()](int n) {
        Q_EMIT said(QStringLiteral("MQTT: %1 alarm message(s) of %2 were dropped: the broker "
                                   "stayed away too long.")
                        .arg(n)
                        .arg(name));
    });
    connect(&meter, &MeterState::connectionChanged, this, [this, index](bool connected) {
        post(m_meters[index],
            { m_meters[index].topics.status(), connected ? kOnline : kOffline, 1, true });
    });
    connect(&meter, &MeterState::readingKept, this,
        [this, index](const KeptReading& r) { onReading(m_meters[index], r); });
    connect(&meter, &MeterState::alarmNoticed, this, [this, index](const AlarmNotice& n) {
        post(m_meters[index], { m_meters[index].topics.alarm(), alarmJson(n), 1, false });
    });
    connect(&meter, &MeterState::unitChanged, this,
        [this, index] { publishDiscovery(m_meters[index]); });
}

void MqttPublisher::start()
{
    if (m_started)
        return;
    m_started = true;
    m_thread.start();
    for (const Meter& m : m_meters) {
        publishDiscovery(m);
        post(m, { m.topics.status(), m.state->connected() ? kOnline : kOffline, 1, true });
        QMetaObject::invokeMethod(m.client, &MqttClient::start, Qt::QueuedConnection);
    }
}

void MqttPublisher::post(const Meter& m, MqttMessage message)
{
    if (m_stopped)
        return;
    MqttClient* client = m.client;
    QMetaObject::invokeMethod(
        client, [client, message = std::move(message)] { client->publish(message); },
        Qt::QueuedConnection);
}

void MqttPublisher::publishDiscovery(const Meter& m)
{
    for (int c = 0; c < 4; ++c)
        post(m, { m.topics.discovery(c), discoveryConfig(m.topics, *m.state, c), 1, true });
}

void MqttPublisher::onReading(const Meter& m, const KeptReading& r)
{
    post(m, { m.topics.reading(), readingJson(r), 0, false });
    for (int c = 0; c < 4; ++c)
        post(m, { m.topics.channel(c), channelText(r, c), 0, true });
}

void MqttPublisher::stop(int limitMs)
{
    if (m_stopped || !m_started) {
        m_stopped = true;
        return;
    }
    m_stopped = true;
    QEventLoop loop;
    int waiting = int(m_meters.size());
    for (const Meter& m : m_meters) {
        connect(m.client, &MqttClient::stopped, &loop, [&waiting, &loop] {
            if (--waiting == 0)
                loop.quit();
        });
        MqttClient* client = m.client;
        const MqttMessage offline { m.topics.status(), kOffline, 1, true };
        QMetaObject::invokeMethod(
            client, [client, offline, limitMs] { client->stop(offline, limitMs); },
            Qt::QueuedConnection);
    }
    QTimer::singleShot(limitMs + 500, &loop, &QEventLoop::quit);
    if (waiting > 0)
        loop.exec();
    m_thread.quit();
    m_thread.wait();
}

} // namespace tc4dl::recorder
