#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace tc4dl {

// The meter's logger memory, byte for byte as the meter keeps it and sends it: a 256-byte header
// (SetCount at 8, LastAddress at 10, the logger interval at 13) followed by the data sets, each a
// 14-byte set header, eight bytes per sample and a two-byte end mark. The memory is consistent
// after every change: a set being recorded already carries its sample count and end mark, so a
// transfer in the middle of a recording still sends a readable memory.
class LoggerMemory {
public:
    // Four channels as signed tenths of a degree, T1 first.
    using Sample = std::array<qint16, 4>;

    static constexpr int kHeaderSize = 256;
    // The largest memory a transfer accepts: 2048 blocks of 64 bytes.
    static constexpr qint64 kCapacity = 131072;
    // More sets than this and the PC reports a memory error, so the meter never records more.
    static constexpr int kMaxSets = 4000;
    static constexpr int kSetHeaderSize = 14;
    static constexpr int kSetOverhead = 16; // set header and end mark
    static constexpr int kSampleSize = 8;
    static constexpr int kSetCountOffset = 8;
    static constexpr int kLastAddressOffset = 10;
    static constexpr int kIntervalOffset = 13;
    // LastAddress is 24 bits wide: no image is larger than the addresses can reach.
    static constexpr qint64 kMaxImageSize = qint64 { 1 } << 24;
    // What unwritten memory reads as.
    static constexpr quint8 kBlank = 0xFF;

    // An erased memory with the meter's factory interval of two seconds.
    LoggerMemory();

    // A memory holding `image` exactly as given, for instance a collection file; it is sent as
    // it is, whatever its header claims. None, with the reason in `error`, when the image is too
    // short to hold the header or too large for the address space.
    [[nodiscard]] static std::optional<LoggerMemory> fromImage(
        const QByteArray& image, QString* error = nullptr);
    [[nodiscard]] static std::optional<LoggerMemory> fromFile(
        const QString& path, QString* error = nullptr);

    [[nodiscard]] int setCount() const;
    [[nodiscard]] qint64 lastAddress() const;
    // The bytes a transfer sends: addresses 0 to LastAddress.
    [[nodiscard]] qint64 size() const { return lastAddress() + 1; }

    // The logger interval as the header holds it: minutes and seconds, one BCD byte each.
    [[nodiscard]] quint8 intervalMinutesBcd() const { return byteAt(kIntervalOffset); }
    [[nodiscard]] quint8 intervalSecondsBcd() const { return byteAt(kIntervalOffset + 1); }
    void setIntervalBcd(quint8 minutes, quint8 seconds);
    // The interval in seconds, at least 1 and within the set header's signed 16-bit field.
    [[nodiscard]] int intervalSeconds() const;

    // Starts a set at the end of the memory (ending the open one first). False when the memory
    // or the set count is full; nothing is changed then.
    bool beginSet(const QDateTime& start, int intervalSeconds, bool celsius);
    // Appends a sample to the open set. False without an open set or when it does not fit.
    bool appendSample(const Sample& tenths);
    void endSet() { m_openSet = -1; }
    [[nodiscard]] bool isSetOpen() const { return m_openSet >= 0; }
    // A whole set in one go; false, with the memory unchanged, when it does not fit.
    bool appendSet(
        const QDateTime& start, int intervalSeconds, bool celsius, const QList<Sample>& samples);
    // SetCount 0, LastAddress 255; the interval stays.
    void erase();

    // The bytes held: the header and the sets up to LastAddress, or a loaded image as loaded.
    [[nodiscard]] const QByteArray& image() const { return m_image; }
    // A byte of the memory; beyond the bytes held, blank memory.
    [[nodiscard]] quint8 byteAt(qint64 offset) const;
    // `length` bytes from `offset`, blank where nothing is held.
    [[nodiscard]] QByteArray bytes(qint64 offset, int length) const;
    // Where set `index` (from 0) has its last byte, following the chain of sample counts from
    // the first set; none beyond SetCount. The memory is never read out of bounds.
    [[nodiscard]] std::optional<qint64> setEnd(int index) const;

    [[nodiscard]] static quint8 toBcd(int value);
    // The two digits of a BCD byte as a number; none when a nibble is not a decimal digit.
    [[nodiscard]] static std::optional<int> fromBcd(quint8 bcd);

private:
    void setSetCount(int count);
    void setLastAddress(qint64 address);
    void putByte(qint64 offset, quint8 value);

    QByteArray m_image;
    qint64 m_openSet = -1; // offset of the set being recorded
};

} // namespace tc4dl
