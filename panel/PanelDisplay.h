#pragma once

#include "LiveDecoder.h"

#include <QLocale>
#include <QString>

#include <array>

namespace tc4dl {

// Text of a value on the panel: whole degrees truncated toward zero, else one decimal in the
// locale's decimal separator (7 significant digits first, so float error does not show).
[[nodiscard]] QString valueText(float value, bool wholeDegrees, const QLocale& locale = QLocale());
inline const QString kNoValueText = QStringLiteral("-- -- -- --");

// The marks of the panel's display that follow the meter's status bytes.
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

// The control panel as its display writes it. Only reached while a panel exists.
class PanelView {
public:
    virtual ~PanelView() = default;
    virtual void setMarkVisible(Mark mark, bool visible) = 0;
    virtual void setValueText(int channel, const QString& text) = 0;
    virtual void setNoConnectionVisible(bool visible) = 0;
};

// The two blink timers of the panel's marks (500 ms each).
class BlinkTimers {
public:
    virtual ~BlinkTimers() = default;
    virtual void setRecTimerEnabled(bool enabled) = 0;
    virtual void setMaxMinTimerEnabled(bool enabled) = 0;
};

// What the control panel shows of each reading: the marks (refreshed when the status bytes
// change, the blink timers switched with them), which four values the display shows and their
// texts (not while HOLD is latched). It lives as long as the program, panel or not, so that a
// panel made again finds the meter's state.
class PanelDisplay {
public:
    explicit PanelDisplay(BlinkTimers& timers);

    // A panel given while frames are coming shows the meter's marks at once, not only at the
    // next change of the status bytes; its values follow with the next frame.
    void setPanel(PanelView* panel);
    [[nodiscard]] PanelView* panel() const { return m_panel; }

    // One decoded frame.
    void show(const LiveReading& reading);

    [[nodiscard]] bool holdLatched() const { return m_holdLatched; }
    // The values the display shows and their no-value marks, by the meter's mode and REL.
    [[nodiscard]] const std::array<float, 4>& shownValues() const { return m_shownValues; }
    [[nodiscard]] quint8 shownMarks() const { return m_shownMarks; }

private:
    void refreshMarks(const LiveReading& r);
    void writeValues(const LiveReading& r);

    BlinkTimers& m_timers;
    PanelView* m_panel = nullptr;
    LiveReading m_last;
    bool m_shown = false; // a frame has been shown
    quint8 m_lastStatusA = 0;
    quint8 m_lastStatusB = 0;
    bool m_holdLatched = false;
    std::array<float, 4> m_shownValues {};
    quint8 m_shownMarks = 0;
};

} // namespace tc4dl
