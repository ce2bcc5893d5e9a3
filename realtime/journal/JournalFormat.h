#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

namespace tc4dl::journal {

// The journal file, all numbers little-endian:
//
//   header, 40 bytes
//     0  8  magic "TC4DLRTJ"
//     8  2  format version (kVersion)
//    10  2  header size (40)      12  2  record size (28)
//    14  2  unit: 1 degrees Celsius, 0 degrees Fahrenheit
//    16  8  start of the run, date-time serial (double)
//    24  4  samples asked for     28  4  sampling rate, seconds
//    32  4  zero                  36  4  CRC-32 of bytes 0..35
//   then one record per sample, 28 bytes
//     0  8  time of the sample, date-time serial (double)
//     8 16  T1..T4 as recorded (single precision)
//    24  4  CRC-32 of the record number (4 bytes) followed by bytes 0..23
//
// A record's check covers its own number, so a record that lands at the wrong place (a lost
// or doubled write) fails like a torn or garbled one; the reader stops at the first record
// that fails.
// The journal's name in the user's data folder.
inline constexpr const char* kFileName = "realtime.journal";

inline constexpr char kMagic[8] = { 'T', 'C', '4', 'D', 'L', 'R', 'T', 'J' };
inline constexpr quint16 kVersion = 1;
inline constexpr int kHeaderSize = 40;
inline constexpr int kRecordSize = 28;
// The set-up dialog takes at most five digits and rates up to 60:60.
inline constexpr quint32 kMaxSamples = 99999;
inline constexpr quint32 kMaxRate = 3660;

struct JournalHeader {
    double startSerial = 0.0;
    quint32 samplesAsked = 0;
    quint32 samplingRate = 0;
    int unit = 1;

    friend bool operator==(const JournalHeader&, const JournalHeader&) = default;
};

struct JournalSample {
    double t = 0.0;
    std::array<float, 4> values {};

    friend bool operator==(const JournalSample&, const JournalSample&) = default;
};

[[nodiscard]] quint32 crc32(QByteArrayView bytes, quint32 crc = 0);

[[nodiscard]] QByteArray encodeHeader(const JournalHeader& header);
// The header, or nothing with the reason in `error` (wrong magic, another version, a failed
// check, values no run can have).
[[nodiscard]] std::optional<JournalHeader> decodeHeader(QByteArrayView bytes, QString* error);

[[nodiscard]] QByteArray encodeRecord(const JournalSample& sample, quint32 index);
// The same into `out`, kRecordSize bytes.
void encodeRecordInto(char* out, const JournalSample& sample, quint32 index);
// Record `index` of a journal, or nothing when it is torn or garbled.
[[nodiscard]] std::optional<JournalSample> decodeRecord(QByteArrayView bytes, quint32 index);

} // namespace tc4dl::journal
