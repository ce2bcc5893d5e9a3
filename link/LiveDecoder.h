#pragma once

#include "MeterFrame.h"
#include "MeterValues.h"

#include <QLocale>
#include <QString>

#include <array>

namespace tc4dl {

// The same reading in degrees, as the program stores it (32-bit float).
[[nodiscard]] float readingDegrees(quint8 high, quint8 low);

// One MeterFrame, decoded.
struct LiveReading {
    quint8 statusA = 0;
    quint8 statusB = 0;
    quint8 meterMode = 0; // 0 normal, 2 MAX, 4 MIN, 6 MAX and MIN blinking
    std::array<float, 4> current {};
    std::array<float, 4> relative {};
    std::array<float, 4> minValues {};
    std::array<float, 4> maxValues {};
    // No-value marks of the current, REL reference, MAX and MIN readings; bit n is channel n.
    std::array<quint8, 4> noValueMarks {};
    quint8 wholeDegreeMarks = 0;

    [[nodiscard]] bool recording() const { return statusA & 0x01; }
    [[nodiscard]] bool t1MinusT2() const { return statusA & 0x08; }
    [[nodiscard]] bool rel() const { return statusA & 0x10; }
    [[nodiscard]] bool hold() const { return statusA & 0x20; }
    [[nodiscard]] bool batteryLow() const { return statusA & 0x40; }
    [[nodiscard]] bool celsius() const { return statusA & 0x80; }
    [[nodiscard]] bool recBlinks() const { return statusB & 0x01; }
    [[nodiscard]] bool autoPowerOff() const { return statusB & 0x80; }
};

[[nodiscard]] LiveReading decodeLiveReading(const MeterFrame& frame);

// Text of a value on the panel: whole degrees truncated toward zero, else one decimal in the
// locale's decimal separator (7 significant digits first, so float error does not show).
[[nodiscard]] QString valueText(float value, bool wholeDegrees, const QLocale& locale = QLocale());
inline const QString kNoValueText = QStringLiteral("-- -- -- --");

// The marks of the panel's display that the decoder switches.
enum class Mark {
    Rec,
    Hold,
    Rel,
    Max,
    Min,
    AutoOff,
    Battery,
    T1C,
    T1F,
    T2C,
    T2F,
    T3C,
    T3F,
    T4C,
    T4F,
    LabelT3,
    LabelT4,
};

// The control panel as the decoder and the link see it. Only reached while a panel exists.
class PanelView {
public:
    virtual ~PanelView() = default;
    virtual void setMarkVisible(Mark mark, bool visible) = 0;
    virtual void setValueText(int channel, const QString& text) = 0;
    virtual void setNoConnectionVisible(bool visible) = 0;
};

// The two blink timers of the main window (500 ms each).
class BlinkTimers {
public:
    virtual ~BlinkTimers() = default;
    virtual void setRecTimerEnabled(bool enabled) = 0;
    virtual void setMaxMinTimerEnabled(bool enabled) = 0;
};

// The live state the program keeps from the frames; written only by the decoder.
struct LiveState {
    std::array<float, 4> currentValues {};
    int cfDegree = 1; // 1 degrees Celsius, 0 degrees Fahrenheit
    bool meterRecording = false;
    quint8 meterMode = 0;
    quint8 lastStatusA = 0;
    quint8 lastStatusB = 0;
    bool holdLatched = false;
    LiveReading last;
    std::array<float, 4> shownValues {};
    quint8 shownMarks = 0;
};

// DecodeFrame: turns each MeterFrame into the live state, switches the blink timers and writes
// the panel's marks (on a change of the status bytes) and values (unless HOLD is latched).
class LiveDecoder {
public:
    explicit LiveDecoder(BlinkTimers& timers);

    // A panel given while frames are coming shows the meter's marks at once, not only at the
    // next change of the status bytes; its values follow with the next frame.
    void setPanel(PanelView* panel);
    [[nodiscard]] PanelView* panel() const { return m_panel; }

    void decodeFrame(const MeterFrame& frame);

    [[nodiscard]] const LiveState& state() const { return m_state; }
    // CF_Degree starts from the Settings.
    void setCfDegree(int cf) { m_state.cfDegree = cf; }

private:
    void refreshMarks(const LiveReading& r);
    void writeValues(const LiveReading& r);

    BlinkTimers& m_timers;
    PanelView* m_panel = nullptr;
    LiveState m_state;
    bool m_decoded = false; // a frame has been decoded
};

} // namespace tc4dl
