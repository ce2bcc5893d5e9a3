#pragma once

#include <QtGlobal>

#include <array>

namespace tc4dl {

// The meter's answer to one poll: 45 bytes from 0x02 to 0x03 carrying its whole display.
inline constexpr int kFrameLength = 45;
inline constexpr quint8 kFrameStart = 0x02;
inline constexpr quint8 kFrameEnd = 0x03;
using MeterFrame = std::array<quint8, kFrameLength>;

// Bytes of the live protocol, PC to meter.
namespace bytes {
inline constexpr char kPoll = 0x41; // 'A': answered by one MeterFrame
inline constexpr char kIdentify = 0x4B; // 'K': answered with the model code in ASCII
inline constexpr char kHold = 0x48; // 'H'
inline constexpr char kRec = 0x45; // 'E'
inline constexpr char kUnit = 0x43; // 'C': °C / °F
inline constexpr char kT1T2 = 0x54; // 'T'
inline constexpr char kMaxMinNext = 0x4D; // 'M': next of the AVG/MAX/MIN modes
inline constexpr char kMaxMinLeave = 0x4E; // 'N': leave the AVG/MAX/MIN mode
} // namespace bytes

} // namespace tc4dl
