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

// The check of a record of `size` bytes: its number, then every byte before the check.
quint32 recordCrc(const char* record, qsizetype size, quint32 index)
{
    char number[4];
    put<quint32>(number, index);
    return crc32(QByteArrayView(record, size - 4), crc32(QByteArrayView(number, 4)));
}

int sampleRecordSize(quint16 version)
{
    return version == 1 ? kVersion1RecordSize : kRecordSize;
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
    put<quint16>(d + 8, header.version);
    put<quint16>(d + 10, quint16(kHeaderSize));
    put<quint16>(d + 12, quint16(sampleRecordSize(header.version)));
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
    const quint16 version = get<quint16>(d + 8);
    if ((version != 1 && version != kVersion) || get<quint16>(d + 10) != kHeaderSize
        || get<quint16>(d + 12) != sampleRecordSize(version)) {
        fail(error, "a journal of another version");
        return std::nullopt;
    }
    if (get<quint32>(d + 36) != crc32(QByteArrayView(d, 36))) {
        fail(error, "the header is damaged");
        return std::nullopt;
    }
    JournalHeader h;
    h.version = version;
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

QByteArray encodeRecord(const JournalSample& sample, quint32 index, quint16 version)
{
    const int size = sampleRecordSize(version);
    QByteArray bytes(size, '\0');
    char* d = bytes.data();
    int at = 0;
    if (version != 1) {
        put<quint16>(d, kSampleKind);
        put<quint16>(d + 2, quint16(size));
        at = 4;
    }
    putDouble(d + at, sample.t);
    for (int ch = 0; ch < 4; ++ch)
        putFloat(d + at + 8 + 4 * ch, sample.values[ch]);
    put<quint32>(d + size - 4, recordCrc(d, size, index));
    return bytes;
}

void encodeRecordInto(char* out, const JournalSample& sample, quint32 index)
{
    put<quint16>(out, kSampleKind);
    put<quint16>(out + 2, quint16(kRecordSize));
    putDouble(out + 4, sample.t);
    for (int ch = 0; ch < 4; ++ch)
        putFloat(out + 12 + 4 * ch, sample.values[ch]);
    put<quint32>(out + kRecordSize - 4, recordCrc(out, kRecordSize, index));
}

std::optional<JournalSample> decodeRecord(QByteArrayView bytes, quint32 index, quint16 version)
{
    const int size = sampleRecordSize(version);
    if (bytes.size() < size)
        return std::nullopt;
    const char* d = bytes.data();
    int at = 0;
    if (version != 1) {
        if (get<quint16>(d) != kSampleKind || get<quint16>(d + 2) != size)
            return std::nullopt;
        at = 4;
    }
    if (get<quint32>(d + size - 4) != recordCrc(d, size, index))
        return std::nullopt;
    JournalSample s;
    s.t = getDouble(d + at);
    // A graph cannot place a sample without a finite time or value.
    if (!std::isfinite(s.t))
        return std::nullopt;
    for (int ch = 0; ch < 4; ++ch) {
        s.values[ch] = getFloat(d + at + 8 + 4 * ch);
        if (!std::isfinite(s.values[ch]))
            return std::nullopt;
    }
    return s;
}

std::optional<QByteArray> encodeNote(const JournalNote& note, quint32 index)
{
    const QByteArray text = note.text.toUtf8();
    if (text.size() > kMaxNoteText)
        return std::nullopt;
    const auto size = static_cast<int>(kNoteRecordSize + text.size());
    QByteArray bytes(size, '\0');
    char* d = bytes.data();
    put<quint16>(d, kNoteKind);
    put<quint16>(d + 2, quint16(size));
    putDouble(d + 4, note.t);
    putDouble(d + 12, note.y);
    put<quint32>(d + 20, note.color);
    std::memcpy(d + 24, text.constData(), static_cast<std::size_t>(text.size()));
    put<quint32>(d + size - 4, recordCrc(d, size, index));
    return bytes;
}

std::optional<JournalNote> decodeNote(QByteArrayView bytes, quint32 index)
{
    const std::optional<RecordHead> head = recordHead(bytes);
    if (!head || head->kind != kNoteKind || head->size < kNoteRecordSize
        || head->size > kNoteRecordSize + kMaxNoteText || bytes.size() < head->size)
        return std::nullopt;
    const char* d = bytes.data();
    if (get<quint32>(d + head->size - 4) != recordCrc(d, head->size, index))
        return std::nullopt;
    JournalNote n;
    n.t = getDouble(d + 4);
    n.y = getDouble(d + 12);
    n.color = get<quint32>(d + 20);
    const QByteArrayView text(d + 24, head->size - kNoteRecordSize);
    if (!std::isfinite(n.t) || !std::isfinite(n.y) || n.color > 0xFFFFFFu)
        return std::nullopt;
    // Only what this program writes: text that reads back as the same bytes (no broken or
    // overlong sequence taken for another character).
    n.text = QString::fromUtf8(text);
    if (n.text.toUtf8() != text)
        return std::nullopt;
    return n;
}

std::optional<RecordHead> recordHead(QByteArrayView bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    return RecordHead { get<quint16>(bytes.data()), get<quint16>(bytes.data() + 2) };
}

} // namespace tc4dl::journal
