#pragma once

#include "Alarm.h"
#include "AlarmOutlets.h"

#include <QObject>

namespace tc4dl::alarm {

// The channel settings in use (names, limits, hysteresis, the alarms' command and web
// address), shared by every window that shows a channel or watches it. One instance lives as long
// as the main window and comes to the windows through their constructors; they read it and follow
// `changed`.
class ChannelConfig final : public QObject {
    Q_OBJECT
public:
    explicit ChannelConfig(QObject* parent = nullptr)
        : QObject(parent)
    {
    }

    [[nodiscard]] const ChannelSet& channels() const { return m_channels; }
    // The name a person reads for channel 0..3.
    [[nodiscard]] QString name(int channel) const { return channelName(m_channels, channel); }
    // Emits `changed` only when something differs.
    void setChannels(const ChannelSet& channels)
    {
        if (channels == m_channels)
            return;
        m_channels = channels;
        Q_EMIT changed();
    }

    // The command and web address every alarm goes to; emits `outletsChanged` on a change.
    [[nodiscard]] const AlarmOutlets& outlets() const { return m_outlets; }
    void setOutlets(const AlarmOutlets& outlets)
    {
        if (outlets == m_outlets)
            return;
        m_outlets = outlets;
        Q_EMIT outletsChanged();
    }

Q_SIGNALS:
    void changed();
    void outletsChanged();

private:
    ChannelSet m_channels;
    AlarmOutlets m_outlets;
};

} // namespace tc4dl::alarm
