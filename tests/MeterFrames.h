#pragma once

// MeterFrames put together field by field, as the decoder's and the panel display's tests
// feed them.

#include "MeterFrame.h"

namespace tc4dl::testing {

// StatusA bits.
inline constexpr quint8 kRec = 0x01;
inline constexpr quint8 kModeMax = 0x02;
inline constexpr quint8 kModeMin = 0x04;
inline constexpr quint8 kModeBlink = 0x06;
inline constexpr quint8 kDiff = 0x08;
inline constexpr quint8 kRel = 0x10;
inline constexpr quint8 kHold = 0x20;
inline constexpr quint8 kBattery = 0x40;
inline constexpr quint8 kCelsius = 0x80;
// StatusB bits.
inline constexpr quint8 kRecBlinks = 0x01;
inline constexpr quint8 kAutoOff = 0x80;

// A MeterFrame put together field by field; readings in tenths of a degree.
class Frame {
public:
    explicit Frame(quint8 statusA = kCelsius, quint8 statusB = 0)
    {
        set(0, 0x02).set(1, statusA).set(2, statusB).set(44, 0x03);
    }
    Frame& set(int offset, quint8 value)
    {
        m_f[offset] = value;
        return *this;
    }
    Frame& reading(int at, int tenths)
    {
        return set(at, (tenths >> 8) & 0xff).set(at + 1, tenths & 0xff);
    }
    Frame& current(int ch, int tenths) { return reading(7 + 2 * ch, tenths); }
    Frame& reference(int ch, int tenths) { return reading(15 + 2 * ch, tenths); }
    Frame& minimum(int ch, int tenths) { return reading(23 + 2 * ch, tenths); }
    Frame& maximum(int ch, int tenths) { return reading(31 + 2 * ch, tenths); }
    Frame& noValue(int group, int marks) { return set(39 + group, static_cast<quint8>(marks)); }
    Frame& whole(int marks) { return set(43, static_cast<quint8>(marks)); }
    operator const tc4dl::MeterFrame&() const { return m_f; }

private:
    tc4dl::MeterFrame m_f {};
};

} // namespace tc4dl::testing
