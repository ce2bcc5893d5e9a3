#pragma once

#include "Alarm.h"

#include <QObject>

namespace tc4dl::alarm {

// The channel settings in use (names, limits, hysteresis), shared by every window that shows a
// channel or watches it. One instance lives as long as the main window and comes to the windows
// through their constructors; they read it and follow `changed`.
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

Q_SIGNALS:
    void changed();

private:
    ChannelSet m_channels;
};

} // namespace tc4dl::alarm
