#include "MqttTopics.h"

#include "RecorderJson.h"

namespace tc4dl::recorder {

QString MqttTopics::uniqueId(int c) const
{
    return QStringLiteral("tc4dl_%1_t%2").arg(meter).arg(c + 1);
}

QByteArray MqttTopics::discovery(int c) const
{
    return (QStringLiteral("homeassistant/sensor/") + uniqueId(c) + QStringLiteral("/config"))
        .toUtf8();
}

QByteArray discoveryConfig(const MqttTopics& topics, const MeterState& meter, int c)
{
    const QString unit = meter.celsius() ? QStringLiteral("°C") : QStringLiteral("°F");
    return "{\"name\":" + jsonString(meter.channelName(c))
        + ",\"unique_id\":" + jsonString(topics.uniqueId(c))
        + ",\"state_topic\":" + jsonString(QString::fromUtf8(topics.reading()))
        + ",\"value_template\":" + jsonString(QStringLiteral("{{ value_json.T%1 }}").arg(c + 1))
        + ",\"availability_topic\":" + jsonString(QString::fromUtf8(topics.status()))
        + ",\"payload_available\":\"online\",\"payload_not_available\":\"offline\""
        + ",\"device_class\":\"temperature\",\"state_class\":\"measurement\""
        + ",\"unit_of_measurement\":" + jsonString(unit) + ",\"suggested_display_precision\":1"
        + ",\"device\":{\"identifiers\":[" + jsonString(QStringLiteral("tc4dl_") + meter.name())
        + "],\"name\":" + jsonString(meter.name())
        + ",\"manufacturer\":\"TC4DL\",\"model\":\"TC4DL four-channel thermometer\"}}";
}

} // namespace tc4dl::recorder
