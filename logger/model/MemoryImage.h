#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace tc4dl {

// The raw bytes of the meter's logger memory from address 0, as a download or a collection
// file delivered them, and MemoryEnd, the highest offset at which a data set may end. It only
// lives while a load or an open runs; the decoder turns it into the DataSetStore.
class MemoryImage {
public:
    MemoryImage() = default;
    explicit MemoryImage(QByteArray bytes, qint64 memoryEnd = -1);

    void clear();
    void append(char byte) { m_bytes.append(byte); }
    void append(QByteArrayView bytes) { m_bytes.append(bytes.data(), bytes.size()); }
    // Drops the last block of 64 bytes (all there is when shorter).
    void removeLast64();
    // Keeps the first `length` bytes.
    void truncate(qsizetype length) { m_bytes.truncate(length); }
    // Overwrites bytes in place; returns false (changing nothing) when they do not all fit.
    bool overwrite(qsizetype offset, QByteArrayView bytes);

    [[nodiscard]] qsizetype size() const { return m_bytes.size(); }
    [[nodiscard]] bool isEmpty() const { return m_bytes.isEmpty(); }
    // The byte at `offset`, or nothing beyond the end: nothing may read past the image,
    // whatever its header claims.
    [[nodiscard]] std::optional<quint8> byteAt(qsizetype offset) const
    {
        if (offset < 0 || offset >= m_bytes.size())
            return std::nullopt;
        return static_cast<quint8>(m_bytes[offset]);
    }
    // Unchecked access for loops that checked their range first.
    [[nodiscard]] quint8 operator[](qsizetype offset) const
    {
        return static_cast<quint8>(m_bytes[offset]);
    }
    [[nodiscard]] QByteArrayView bytes() const { return m_bytes; }
    [[nodiscard]] const QByteArray& data() const { return m_bytes; }

    [[nodiscard]] qint64 memoryEnd() const { return m_memoryEnd; }
    void setMemoryEnd(qint64 end) { m_memoryEnd = end; }

private:
    QByteArray m_bytes;
    qint64 m_memoryEnd = -1;
};

} // namespace tc4dl
