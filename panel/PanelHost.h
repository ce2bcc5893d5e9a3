#pragma once

#include <QString>

namespace tc4dl {

// What the control panel needs from the program around it: the meter's keys on the live link,
// a plain message, and the blink tick its close question waits for. Its keeper gives it.
class PanelHost {
public:
    virtual ~PanelHost() = default;
    // Sends one key command over the live link; writes only while the meter is connected.
    virtual bool sendKey(char byte) = 0;
    [[nodiscard]] virtual bool meterConnected() const = 0;
    // A plain OK message box.
    virtual void showPlainMessage(const QString& text) = 0;
    // Set while a MAX/MIN blink tick runs; the panel's close question waits for it.
    [[nodiscard]] virtual bool maxMinTickBusy() const = 0;
    // One round of event processing, used while the close question waits.
    virtual void processEvents() = 0;
};

} // namespace tc4dl
