#pragma once

#include <QtGlobal>

#include <array>

class QWidget;

namespace tc4dl {

// What the real-time recorder needs from the main window: the live link's state, the tick, the Run
// and Stop commands and the stored sampling rate.
class RecorderHost {
public:
    virtual ~RecorderHost() = default;

    [[nodiscard]] virtual bool meterConnected() const = 0;
    // A main tick is running (a stop from outside lets it finish first).
    [[nodiscard]] virtual bool tickBusy() const = 0;

    virtual void setRunEnabled(bool enabled) = 0; // btnRun, Run1
    virtual void setStopEnabled(bool enabled) = 0; // btnStop, Stop1
    // The check mark of the View menu's real-time graph item.
    virtual void setRealTimeGraphChecked(bool checked) = 0;
    // Run found no real-time graph window: make one (it attaches to the recorder).
    virtual void createRealTimeGraph() = 0;
    // Parent of the set-up dialog.
    [[nodiscard]] virtual QWidget* dialogParent() = 0;

    // The unit of the last frame: 1 degrees Celsius, 0 degrees Fahrenheit.
    [[nodiscard]] virtual int unit() const = 0;
    // Seconds between two samples (a stored Setting).
    [[nodiscard]] virtual int samplingRate() const = 0;
    virtual void setSamplingRate(int seconds) = 0;
};

} // namespace tc4dl
