#pragma once

#include "MeterState.h"

#include <QByteArray>
#include <QString>

namespace tc4dl::recorder {

// The topics of one meter under the prefix (default "tc4dl"), and Home Assistant's discovery.
//   PREFIX/NAME/reading   one JSON object per kept reading, QoS 0
//   PREFIX/NAME/T1 .. T4  the value as plain text ("23.4", "OL" or empty), retained
//   PREFIX/NAME/status    "online" / "offline" (also the last will), retained
//   PREFIX/NAME/alarm     one JSON object per raising and clearing, QoS 1
//   homeassistant/sensor/tc4dl_NAME_t1/config   a retained sensor config per channel
struct MqttTopics {
    QString prefix;
    QString meter;

    [[nodiscard]] QByteArray reading() const { return level(QStringLiteral("reading")); }
    [[nodiscard]] QByteArray channel(int c) const
    {
        return level(QStringLiteral("T%1").arg(c + 1));
    }
    [[nodiscard]] QByteArray status() const { return level(QStringLiteral("status")); }
    [[nodiscard]] QByteArray alarm() const { return level(QStringLiteral("alarm")); }
    [[nodiscard]] QByteArray discovery(int c) const;
    [[nodiscard]] QString uniqueId(int c) const;

private:
    [[nodiscard]] QByteArray level(const QString& name) const
    {
        return (prefix + QLatin1Char('/') + meter + QLatin1Char('/') + name).toUtf8();
    }
};

inline const QByteArray kOnline = QByteArrayLiteral("online");
inline const QByteArray kOffline = QByteArrayLiteral("offline");

// Home Assistant's MQTT discovery config of channel `c`: a temperature sensor of the meter's
// device, its state read from the reading topic (a channel without a number is null there, which
// Home Assistant shows as unknown; an empty retained text would leave the last number standing),
// available while the status topic says "online", in the meter's present unit.
[[nodiscard]] QByteArray discoveryConfig(const MqttTopics& topics, const MeterState& meter, int c);

} // namespace tc4dl::recorder
