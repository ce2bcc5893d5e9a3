#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace tc4dl {

// The fields of the logger memory's first 256 bytes that the program reads. The meter keeps
// the rest of the header to itself; it is carried along unread.
struct MemoryHeader {
    static constexpr qsizetype kSize = 256; // the first data set begins here
    static constexpr qsizetype kSetCountOffset = 8;
    static constexpr qsizetype kLastAddressOffset = 10;
    static constexpr qsizetype kIntervalOffset = 13;
    // Bytes needed to read every field.
    static constexpr qsizetype kFieldsEnd = 15;

    quint16 setCount = 0; // big-endian at 8
    quint32 lastAddress = 0; // highest used address, big-endian 24 bits at 10
    quint8 intervalMinutes = 0; // the meter's recording interval, BCD, at 13 ...
    quint8 intervalSeconds = 0; // ... and 14

    // The fields of `bytes`, or nothing when they do not reach that far.
    [[nodiscard]] static std::optional<MemoryHeader> read(QByteArrayView bytes)
    {
        if (bytes.size() < kFieldsEnd)
            return std::nullopt;
        auto at = [bytes](qsizetype i) { return static_cast<quint8>(bytes[i]); };
        MemoryHeader h;
        h.setCount = static_cast<quint16>(at(8) << 8 | at(9));
        h.lastAddress
            = static_cast<quint32>(at(10)) << 16 | static_cast<quint32>(at(11)) << 8 | at(12);
        h.intervalMinutes = at(13);
        h.intervalSeconds = at(14);
        return h;
    }

    // LastAddress alone needs only 13 bytes; nothing when the bytes are shorter.
    [[nodiscard]] static std::optional<quint32> readLastAddress(QByteArrayView bytes)
    {
        if (bytes.size() < kLastAddressOffset + 3)
            return std::nullopt;
        auto at
            = [bytes](qsizetype i) { return static_cast<quint32>(static_cast<quint8>(bytes[i])); };
        return at(10) << 16 | at(11) << 8 | at(12);
    }
};

} // namespace tc4dl
