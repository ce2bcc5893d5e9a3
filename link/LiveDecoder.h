#pragma once

#include "MeterFrame.h"
#include "MeterValues.h"
#include "Unit.h"

#include <array>

namespace tc4dl {

// The same reading in degrees, as the program stores it (32-bit float).
[[nodiscard]] float readingDegrees(quint8 high, quint8 low);

// Which values the meter's display shows (StatusA bits 1 and 2, read as the masked value).
enum class MeterMode : quint8 {
    Normal = 0x00,
    Max = 0x02,
    Min = 0x04,
    MaxMinBlinking = 0x06, // the current values, MAX and MIN marks blinking together
};

// One MeterFrame, decoded.
struct LiveReading {
    quint8 statusA = 0;
    quint8 statusB = 0;
    MeterMode meterMode = MeterMode::Normal;
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
    [[nodiscard]] Unit unit() const { return unitOf(celsius()); }
    [[nodiscard]] bool recBlinks() const { return statusB & 0x01; }
    [[nodiscard]] bool autoPowerOff() const { return statusB & 0x80; }
};

[[nodiscard]] LiveReading decodeLiveReading(const MeterFrame& frame);

// The live state the program keeps from the frames; written only by the decoder. What the
// control panel shows of them is the panel's (PanelDisplay); the unit in use is the
// workspace's, read from these readings.
struct LiveState {
    std::array<float, 4> currentValues {};
    bool meterRecording = false;
    MeterMode meterMode = MeterMode::Normal;
    LiveReading last;
};

// DecodeFrame: turns each MeterFrame into the live state.
class LiveDecoder {
public:
    void decodeFrame(const MeterFrame& frame);
    [[nodiscard]] const LiveState& state() const { return m_state; }

private:
    LiveState m_state;
};

} // namespace tc4dl
