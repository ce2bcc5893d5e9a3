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
//     8  2  format version (kVersion; a journal of version 1 is still read)
//    10  2  header size (40)      12  2  size of a sample record (32; 28 in version 1)
//    14  2  unit: 1 degrees Celsius, 0 degrees Fahrenheit
//    16  8  start of the run, date-time serial (double)
//    24  4  samples asked for     28  4  sampling rate, seconds
//    32  4  zero                  36  4  CRC-32 of bytes 0..35
//   then the records one after the other, in the order they were taken, each
//     0  2  kind: 1 a sample, 2 an alarm note
//     2  2  size of the whole record in bytes
//     4     the body of its kind
//    -4  4  CRC-32 of the record's number (4 bytes) followed by all its bytes before the CRC
//   a sample, 32 bytes
//     4  8  time of the sample, date-time serial (double)
//    12 16  T1..T4 as recorded (single precision)
//   an alarm note, 28 bytes and its text
//     4  8  its moment, date-time serial (double)
//    12  8  where it stands on the value axis (double)
//    20  4  its colour, 0xBBGGRR
//    24  n  its text, UTF-8 (at most kMaxNoteText bytes)
//   version 1 holds samples only, 28 bytes each: the time, T1..T4 and the CRC, without kind
//   and size.
//
// A record's check covers its own number (samples and notes counted together), so a record
// that lands at the wrong place (a lost or doubled write) fails like a torn or garbled one;
// the reader stops at the first record that fails.
// The journal's name in the user's data folder.
inline constexpr const char* kFileName = "realtime.journal";

inline constexpr char kMagic[8] = { 'T', 'C', '4', 'D', 'L', 'R', 'T', 'J' };
inline constexpr quint16 kVersion = 2;
inline constexpr int kHeaderSize = 40;
// A sample record of this version, and of version 1.
inline constexpr int kRecordSize = 32;
inline constexpr int kVersion1RecordSize = 28;
// An alarm note's record without its text.
inline constexpr int kNoteRecordSize = 28;
inline constexpr int kMaxNoteText = 1024;
// The set-up dialog takes at most five digits and rates up to 60:60.
inline constexpr quint32 kMaxSamples = 99999;
inline constexpr quint32 kMaxRate = 3660;
// More notes than any graph shows legibly; a run that raises more keeps the first ones.
inline constexpr quint32 kMaxNotes = 10000;
// The longest journal a run can leave.
inline constexpr qint64 kLongestJournal = kHeaderSize + qint64(kMaxSamples) * kRecordSize
    + qint64(kMaxNotes) * (kNoteRecordSize + kMaxNoteText);

struct JournalHeader {
    double startSerial = 0.0;
    quint32 samplesAsked = 0;
    quint32 samplingRate = 0;
    int unit = 1;
    quint16 version = kVersion; // the layout of the records that follow

    friend bool operator==(const JournalHeader&, const JournalHeader&) = default;
};

struct JournalSample {
    double t = 0.0;
    std::array<float, 4> values {};

    friend bool operator==(const JournalSample&, const JournalSample&) = default;
};

// An alarm note written into the run's graph at its moment.
struct JournalNote {
    double t = 0.0;
    double y = 0.0;
    quint32 color = 0;
    QString text;
    // Where the reader found it: after this many samples (not a field of the record).
    quint32 samplesBefore = 0;

    friend bool operator==(const JournalNote&, const JournalNote&) = default;
};

[[nodiscard]] quint32 crc32(QByteArrayView bytes, quint32 crc = 0);

// The header in the layout of its version (1 or kVersion).
[[nodiscard]] QByteArray encodeHeader(const JournalHeader& header);
// The header, or nothing with the reason in `error` (wrong magic, a version this program does
// not know, a failed check, values no run can have).
[[nodiscard]] std::optional<JournalHeader> decodeHeader(QByteArrayView bytes, QString* error);

// Sample record number `index`, in the layout of `version`.
[[nodiscard]] QByteArray encodeRecord(
    const JournalSample& sample, quint32 index, quint16 version = kVersion);
// The same into `out`, kRecordSize bytes (this version's layout).
void encodeRecordInto(char* out, const JournalSample& sample, quint32 index);
// A sample record at the start of `bytes` as record number `index`, or nothing when it is torn,
// garbled or not a sample.
[[nodiscard]] std::optional<JournalSample> decodeRecord(
    QByteArrayView bytes, quint32 index, quint16 version = kVersion);

// Note record number `index`; nothing when its text is longer than kMaxNoteText bytes.
[[nodiscard]] std::optional<QByteArray> encodeNote(const JournalNote& note, quint32 index);
// A note record at the start of `bytes` as record number `index`, or nothing.
[[nodiscard]] std::optional<JournalNote> decodeNote(QByteArrayView bytes, quint32 index);

// The kind and size a record of this version at the start of `bytes` says it has; nothing
// when fewer than four bytes are left.
struct RecordHead {
    quint16 kind = 0;
    quint16 size = 0;
};
inline constexpr quint16 kSampleKind = 1;
inline constexpr quint16 kNoteKind = 2;
[[nodiscard]] std::optional<RecordHead> recordHead(QByteArrayView bytes);

} // namespace tc4dl::journal
