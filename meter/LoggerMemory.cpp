#include "LoggerMemory.h"

#include <QFile>

#include <algorithm>

namespace tc4dl {

namespace {

// The set marks are written here and again in the logger memory's decoder, on purpose: this
// memory stands for the meter in the tests of that decoder, and a value shared between the two
// would let one mistake pass both.
constexpr quint8 kStartMark1 = 0xA5;
constexpr quint8 kStartMark2 = 0x5A;
constexpr quint8 kEndMark1 = 0x5A;
constexpr quint8 kEndMark2 = 0xA5;
constexpr quint8 kCelsiusFlag = 0x01;
constexpr int kSampleCountOffset = 12; // within a set
constexpr int kMaxSamplesPerSet = 0xFFFF;
constexpr int kMaxIntervalSeconds = 0x7FFF;

} // namespace

LoggerMemory::LoggerMemory()
    : m_image(kHeaderSize, '\0')
{
    setLastAddress(kHeaderSize - 1);
    setIntervalBcd(0x00, 0x02);
}

std::optional<LoggerMemory> LoggerMemory::fromImage(const QByteArray& image, QString* error)
{
    const auto refuse = [error](const QString& why) -> std::optional<LoggerMemory> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (image.size() < kHeaderSize)
        return refuse(QStringLiteral("%1 bytes are too few for a logger memory, which starts "
                                     "with a %2-byte header")
                          .arg(image.size())
                          .arg(kHeaderSize));
    if (image.size() > kMaxImageSize)
        return refuse(QStringLiteral("%1 bytes are more than a logger memory can address (%2)")
                          .arg(image.size())
                          .arg(kMaxImageSize));
    LoggerMemory memory;
    memory.m_image = image;
    return memory;
}

std::optional<LoggerMemory> LoggerMemory::fromFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // Read one byte more than allowed, so that a file too large is refused without reading it
    // all (a device file could be endless).
    const QByteArray image = file.read(kMaxImageSize + 1);
    std::optional<LoggerMemory> memory = fromImage(image, error);
    if (!memory && error)
        *error = QStringLiteral("%1: %2").arg(path, *error);
    return memory;
}

int LoggerMemory::setCount() const
{
    return (byteAt(kSetCountOffset) << 8) | byteAt(kSetCountOffset + 1);
}

qint64 LoggerMemory::lastAddress() const
{
    return (qint64 { byteAt(kLastAddressOffset) } << 16) | (byteAt(kLastAddressOffset + 1) << 8)
        | byteAt(kLastAddressOffset + 2);
}

void LoggerMemory::setSetCount(int count)
{
    putByte(kSetCountOffset, static_cast<quint8>(count >> 8));
    putByte(kSetCountOffset + 1, static_cast<quint8>(count));
}

void LoggerMemory::setLastAddress(qint64 address)
{
    putByte(kLastAddressOffset, static_cast<quint8>(address >> 16));
    putByte(kLastAddressOffset + 1, static_cast<quint8>(address >> 8));
    putByte(kLastAddressOffset + 2, static_cast<quint8>(address));
}

void LoggerMemory::setIntervalBcd(quint8 minutes, quint8 seconds)
{
    putByte(kIntervalOffset, minutes);
    putByte(kIntervalOffset + 1, seconds);
}

int LoggerMemory::intervalSeconds() const
{
    // A header from a file may hold anything: take the nibbles as digits as far as they go.
    const auto digits = [](quint8 b) { return (b >> 4) * 10 + (b & 0x0F); };
    const int seconds = digits(intervalMinutesBcd()) * 60 + digits(intervalSecondsBcd());
    return std::clamp(seconds, 1, kMaxIntervalSeconds);
}

void LoggerMemory::putByte(qint64 offset, quint8 value)
{
    // Only header fields and the open set are written, all inside the image.
    Q_ASSERT(offset >= 0 && offset < m_image.size());
    m_image[offset] = static_cast<char>(value);
}

quint8 LoggerMemory::byteAt(qint64 offset) const
{
    if (offset < 0 || offset >= m_image.size())
        return kBlank;
    return static_cast<quint8>(m_image.at(offset));
}

QByteArray LoggerMemory::bytes(qint64 offset, int length) const
{
    QByteArray out(std::max(length, 0), static_cast<char>(kBlank));
    const qint64 begin = std::clamp<qint64>(offset, 0, m_image.size());
    const qint64 end = std::clamp<qint64>(offset + length, 0, m_image.size());
    if (end > begin)
        std::copy(m_image.constBegin() + begin, m_image.constBegin() + end,
            out.begin() + (begin - offset));
    return out;
}

bool LoggerMemory::beginSet(const QDateTime& start, int intervalSeconds, bool celsius)
{
    endSet();
    const qint64 s = lastAddress() + 1;
    if (setCount() >= kMaxSets || s + kSetOverhead > kCapacity)
        return false;
    // A loaded image may end before its LastAddress, or hold stale bytes beyond it.
    if (m_image.size() < s)
        m_image.append(QByteArray(s - m_image.size(), static_cast<char>(kBlank)));
    m_image.truncate(s);

    const QDate d = start.date();
    const QTime t = start.time();
    const auto interval = static_cast<quint16>(std::clamp(intervalSeconds, 1, kMaxIntervalSeconds));
    const quint8 header[kSetHeaderSize + 2] = { kStartMark1, kStartMark2, 0x00,
        toBcd(d.year() % 100), toBcd(d.month()), toBcd(d.day()), toBcd(t.hour()), toBcd(t.minute()),
        toBcd(t.second()), static_cast<quint8>(interval >> 8), static_cast<quint8>(interval),
        celsius ? kCelsiusFlag : quint8 { 0 }, 0x00, 0x00, kEndMark1, kEndMark2 };
    m_image.append(reinterpret_cast<const char*>(header), sizeof header);
    setSetCount(setCount() + 1);
    setLastAddress(s + kSetOverhead - 1);
    m_openSet = s;
    return true;
}

bool LoggerMemory::appendSample(const Sample& tenths)
{
    if (!isSetOpen())
        return false;
    const qint64 countAt = m_openSet + kSampleCountOffset;
    const int n = (byteAt(countAt) << 8) | byteAt(countAt + 1);
    const qint64 last = lastAddress();
    if (n >= kMaxSamplesPerSet || last + kSampleSize >= kCapacity)
        return false;
    m_image.truncate(last - 1); // the end mark moves behind the new sample
    for (const qint16 v : tenths) {
        const auto u = static_cast<quint16>(v);
        m_image.append(static_cast<char>(u >> 8));
        m_image.append(static_cast<char>(u & 0xFF));
    }
    m_image.append(static_cast<char>(kEndMark1));
    m_image.append(static_cast<char>(kEndMark2));
    putByte(countAt, static_cast<quint8>((n + 1) >> 8));
    putByte(countAt + 1, static_cast<quint8>(n + 1));
    setLastAddress(last + kSampleSize);
    return true;
}

bool LoggerMemory::appendSet(
    const QDateTime& start, int intervalSeconds, bool celsius, const QList<Sample>& samples)
{
    const qint64 needed = kSetOverhead + qint64 { kSampleSize } * samples.size();
    if (samples.size() > kMaxSamplesPerSet || setCount() >= kMaxSets
        || lastAddress() + 1 + needed > kCapacity)
        return false;
    beginSet(start, intervalSeconds, celsius);
    for (const Sample& sample : samples)
        appendSample(sample);
    endSet();
    return true;
}

void LoggerMemory::erase()
{
    endSet();
    m_image.truncate(kHeaderSize);
    setSetCount(0);
    setLastAddress(kHeaderSize - 1);
}

std::optional<qint64> LoggerMemory::setEnd(int index) const
{
    if (index < 0 || index >= setCount())
        return std::nullopt;
    qint64 s = kHeaderSize;
    for (int k = 0;; ++k) {
        const int n = (byteAt(s + kSampleCountOffset) << 8) | byteAt(s + kSampleCountOffset + 1);
        const qint64 e = s + kSetOverhead - 1 + qint64 { kSampleSize } * n;
        if (k == index)
            return e;
        s = e + 1;
    }
}

quint8 LoggerMemory::toBcd(int value)
{
    const int v = std::clamp(value, 0, 99);
    return static_cast<quint8>(((v / 10) << 4) | (v % 10));
}

std::optional<int> LoggerMemory::fromBcd(quint8 bcd)
{
    const int tens = bcd >> 4;
    const int units = bcd & 0x0F;
    if (tens > 9 || units > 9)
        return std::nullopt;
    return tens * 10 + units;
}

} // namespace tc4dl
