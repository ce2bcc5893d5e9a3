#include "MqttClient.h"

#include <QSocketNotifier>
#include <QTimer>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace tc4dl::recorder {

void initMqttLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

MqttClient::MqttClient(MqttClientSettings settings, QObject* parent)
    : QObject(parent),
      m_settings(std::move(settings))
{
    initMqttLibrary();
}

MqttClient::~MqttClient()
{
    release();
}

void MqttClient::start()
{
    m_misc = new QTimer(this);
    m_misc->setInterval(1000);
    connect(m_misc, &QTimer::timeout, this, [this] {
        if (m_mosq)
            afterLoop(mosquitto_loop_misc(m_mosq));
    });
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &MqttClient::connectNow);
    connectNow();
}

void MqttClient::connectNow()
{
    if (m_stopping)
        return;
    release();
    m_mosq = mosquitto_new(m_settings.clientId.toUtf8().constData(), true, this);
    if (!m_mosq) {
        lost(QStringLiteral("the MQTT client could not be made"));
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttClient::onPublish);
    const MqttMessage& will = m_settings.will;
    if (!will.topic.isEmpty())
        mosquitto_will_set(m_mosq, will.topic.constData(), int(will.payload.size()),
            will.payload.constData(), will.qos, will.retain);
    if (!m_settings.user.isEmpty())
        mosquitto_username_pw_set(
            m_mosq, m_settings.user.toUtf8().constData(), m_settings.password.toUtf8().constData());
    if (m_settings.tls) {
        const QByteArray ca = m_settings.caFile.toLocal8Bit();
        const int rc = mosquitto_tls_set(m_mosq, ca.isEmpty() ? nullptr : ca.constData(),
            ca.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            lost(QStringLiteral("TLS cannot be set up: %1")
                     .arg(QString::fromUtf8(mosquitto_strerror(rc))));
            return;
        }
    }
    const int rc = mosquitto_connect_async(
        m_mosq, m_settings.host.toUtf8().constData(), m_settings.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        lost(QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto_strerror(rc)));
        return;
    }
    watchSocket();
    m_misc->start();
}

void MqttClient::watchSocket()
{
    const int fd = mosquitto_socket(m_mosq);
    if (fd < 0)
        return;
    m_read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_read, &QSocketNotifier::activated, this, [this] {
        if (m_mosq)
            afterLoop(mosquitto_loop_read(m_mosq, 1));
    });
    m_write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(m_write, &QSocketNotifier::activated, this, [this] {
        if (m_mosq)
            afterLoop(mosquitto_loop_write(m_mosq, 1));
    });
    updateWriteInterest();
}

void MqttClient::updateWriteInterest()
{
    if (m_write && m_mosq)
        m_write->setEnabled(mosquitto_want_write(m_mosq));
}

void MqttClient::afterLoop(int rc)
{
    // The library closes its socket itself when a connection ends: nothing may watch it then.
    if (m_read && (!m_mosq || mosquitto_socket(m_mosq) != int(m_read->socket()))) {
        for (QSocketNotifier* n : { m_read, m_write }) {
            n->setEnabled(false);
            n->deleteLater();
        }
        m_read = nullptr;
        m_write = nullptr;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        lost(QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto_strerror(rc)));
        return;
    }
    updateWriteInterest();
}

void MqttClient::release()
{
    // A notifier may be the one whose signal is running.
    for (QSocketNotifier* n : { m_read, m_write }) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    m_read = nullptr;
    m_write = nullptr;
    if (m_mosq) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
    for (Pending& p : m_pending)
        p.mid = -1;
}

void MqttClient::onConnect(mosquitto*, void* self, int rc)
{
    auto* client = static_cast<MqttClient*>(self);
    if (rc == 0) {
        client->connected();
        return;
    }
    // The broker refused (wrong user or password, not authorised): the call back runs inside
    // the library's read, so the client is released later, outside it.
    const QString why = QString::fromUtf8(mosquitto_connack_string(rc));
    QMetaObject::invokeMethod(
        client, [client, why] { client->lost(why); }, Qt::QueuedConnection);
}

void MqttClient::onDisconnect(mosquitto*, void* self, int rc)
{
    auto* client = static_cast<MqttClient*>(self);
    if (rc == 0 || client->m_stopping)
        return;
    QMetaObject::invokeMethod(
        client, [client] { client->lost(QStringLiteral("the broker closed the connection")); },
        Qt::QueuedConnection);
}

void MqttClient::onPublish(mosquitto*, void* self, int mid)
{
    auto* client = static_cast<MqttClient*>(self);
    std::erase_if(client->m_pending, [mid](const Pending& p) { return p.mid == mid; });
}

void MqttClient::connected()
{
    m_connected = true;
    m_retryMs = kFirstRetryMs;
    // What the broker must know again: the retained state, then what waits for it.
    for (const QByteArray& topic : m_retainedOrder)
        (void)send(m_retained.value(topic), nullptr);
    for (Pending& p : m_pending)
        (void)send(p.message, &p.mid);
    Q_EMIT connectionChanged(true, {});
}

void MqttClient::lost(const QString& why)
{
    // Both the library's call back and its loop's result may tell of one loss.
    if (!m_mosq && !m_connected && m_retry && m_retry->isActive())
        return;
    const bool was = m_connected;
    m_connected = false;
    release();
    if (m_misc)
        m_misc->stop();
    if (m_stopping)
        return;
    if (was || m_retryMs == kFirstRetryMs)
        Q_EMIT connectionChanged(false, why);
    retryLater();
}

void MqttClient::retryLater()
{
    if (!m_retry)
        return;
    m_retry->start(m_retryMs);
    m_retryMs = std::min(m_retryMs * 2, kLongestRetryMs);
}

bool MqttClient::send(const MqttMessage& m, int* mid)
{
    if (!m_mosq || !m_connected)
        return false;
    const int rc = mosquitto_publish(m_mosq, mid, m.topic.constData(), int(m.payload.size()),
        m.payload.constData(), m.qos, m.retain);
    if (rc != MOSQ_ERR_SUCCESS)
        return false;
    updateWriteInterest();
    return true;
}

void MqttClient::publish(const MqttMessage& message)
{
    // The last retained message of a topic is sent again at every connection anyway.
    if (message.retain) {
        if (!m_retained.contains(message.topic))
            m_retainedOrder << message.topic;
        m_retained.insert(message.topic, message);
    }
    if (message.qos == 0 || message.retain) {
        (void)send(message, nullptr);
        return;
    }
    if (m_pending.size() >= kMostPending) {
        m_pending.pop_front();
        Q_EMIT dropped(1);
    }
    m_pending.push_back({ message, -1 });
    (void)send(message, &m_pending.back().mid);
}

void MqttClient::stop(const std::optional<MqttMessage>& last, int limitMs)
{
    if (m_stopping)
        return;
    if (m_retry)
        m_retry->stop();
    if (!m_mosq || !m_connected) {
        m_stopping = true;
        release();
        Q_EMIT stopped();
        return;
    }
    if (last)
        (void)send(*last, nullptr);
    m_stopping = true;
    mosquitto_disconnect(m_mosq);
    updateWriteInterest();
    // The farewell and the disconnect leave with the next writes; the broker then closes.
    auto* limit = new QTimer(this);
    limit->setSingleShot(true);
    auto finish = [this, limit] {
        limit->stop();
        if (m_stopEmitted)
            return;
        m_stopEmitted = true;
        m_connected = false;
        release();
        Q_EMIT stopped();
    };
    connect(limit, &QTimer::timeout, this, finish);
    limit->start(limitMs);
    auto* drained = new QTimer(this);
    connect(drained, &QTimer::timeout, this, [this, drained, finish] {
        if (!m_mosq || !mosquitto_want_write(m_mosq)) {
            drained->stop();
            finish();
        }
    });
    drained->start(10);
}

} // namespace tc4dl::recorder
