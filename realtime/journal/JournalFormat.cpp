#include "JournalFormat.h"

#include <QtEndian>

#include <bit>
#include <cmath>
#include <cstring>

namespace tc4dl::journal {

namespace {

constexpr std::array<quint32, 256> makeCrcTable()
{
    std::array<quint32, 256> table {};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<quint32, 256> kCrcTable = makeCrcTable();

template <typename T> void put(char* at, T value)
{
    qToLittleEndian(value, at);
}

template <typename T> T get(const char* at)
{
    return qFromLittleEndian<T>(at);
}

void putDouble(char* at, double value)
{
    put<quint64>(at, std::bit_cast<quint64>(value));
}

double getDouble(const char* at)
{
    return std::bit_cast<double>(get<quint64>(at));
}

void putFloat(char* at, float value)
{
    put<quint32>(at, std::bit_cast<quint32>(value));
}

float getFloat(const char* at)
{
    return std::bit_cast<float>(get<quint32>(at));
}

quint32 recordCrc(const char* body, quint32 index)
{
    char number[4];
    put<quint32>(number, index);
    return crc32(QByteArrayView(body, kRecordSize - 4), crc32(QByteArrayView(number, 4)));
}

bool fail(QString* error, const char* why)
{
    if (error)
        *error = QString::fromLatin1(why);
    return false;
}

} // namespace

quint32 crc32(QByteArrayView bytes, quint32 crc)
{
    crc = ~crc;
    for (const char byte : bytes)
        crc = kCrcTable[(crc ^ static_cast<quint8>(byte)) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

QByteArray encodeHeader(const JournalHeader& header)
{
    QByteArray bytes(kHeaderSize, '\0');
    char* d = bytes.data();
    std::memcpy(d, kMagic, sizeof kMagic);
    put<quint16>(d + 8, kVersion);
    put<quint16>(d + 10, quint16(kHeaderSize));
    put<quint16>(d + 12, quint16(kRecordSize));
    put<quint16>(d + 14, quint16(header.unit));
    putDouble(d + 16, header.startSerial);
    put<quint32>(d + 24, header.samplesAsked);
    put<quint32>(d + 28, header.samplingRate);
    put<quint32>(d + 36, crc32(QByteArrayView(d, 36)));
    return bytes;
}

std::optional<JournalHeader> decodeHeader(QByteArrayView bytes, QString* error)
{
    if (bytes.size() < kHeaderSize) {
        fail(error, "shorter than its header");
        return std::nullopt;
    }
    const char* d = bytes.data();
    if (std::memcmp(d, kMagic, sizeof kMagic) != 0) {
        fail(error, "not a real-time journal");
        return std::nullopt;
    }
    // Another version may lay its records out differently: nothing of it is trusted.
    if (get<quint16>(d + 8) != kVersion || get<quint16>(d + 10) != kHeaderSize
        || get<quint16>(d + 12) != kRecordSize) {
        fail(error, "a journal of another version");
        return std::nullopt;
    }
    if (get<quint32>(d + 36) != crc32(QByteArrayView(d, 36))) {
        fail(error, "the header is damaged");
        return std::nullopt;
    }
    JournalHeader h;
    h.unit = get<quint16>(d + 14);
    h.startSerial = getDouble(d + 16);
    h.samplesAsked = get<quint32>(d + 24);
    h.samplingRate = get<quint32>(d + 28);
    if (get<quint32>(d + 32) != 0 || h.unit > 1 || !std::isfinite(h.startSerial)
        || h.samplesAsked == 0 || h.samplesAsked > kMaxSamples || h.samplingRate > kMaxRate) {
        fail(error, "the header holds values no run can have");
        return std::nullopt;
    }
    return h;
}

QByteArray encodeRecord(const JournalSample& sample, quint32 index)
{
    QByteArray bytes(kRecordSize, '\0');
    encodeRecordInto(bytes.data(), sample, index);
    return bytes;
}

void encodeRecordInto(char* out, const JournalSample& sample, quint32 index)
{
    putDouble(out, sample.t);
    for (int ch = 0; ch < 4; ++ch)
        putFloat(out + 8 + 4 * ch, sample.values[ch]);
    put<quint32>(out + 24, recordCrc(out, index));
}

std::optional<JournalSample> decodeRecord(QByteArrayView bytes, quint32 index)
{
    if (bytes.size() < kRecordSize)
        return std::nullopt;
    const char* d = bytes.data();
    if (get<quint32>(d + 24) != recordCrc(d, index))
        return std::nullopt;
    JournalSample s;
    s.t = getDouble(d);
    // A graph cannot place a sample without a finite time or value.
    if (!std::isfinite(s.t))
        return std::nullopt;
    for (int ch = 0; ch < 4; ++ch) {
        s.values[ch] = getFloat(d + 8 + 4 * ch);
        if (!std::isfinite(s.values[ch]))
            return std::nullopt;
    }
    return s;
}

} // namespace tc4dl::journal
