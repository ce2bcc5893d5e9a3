#include "LiveRun.h"

#include "DateTimeSerial.h"
#include "MemoryHeader.h"
#include "MeterValues.h"

#include <cmath>

namespace tc4dl::recorder {

namespace {

char bcd(int v)
{
    return static_cast<char>((v / 10) << 4 | (v % 10));
}

void putBigEndian16(QByteArray& bytes, int value)
{
    bytes.append(static_cast<char>((value >> 8) & 0xFF));
    bytes.append(static_cast<char>(value & 0xFF));
}

} // namespace

qint16 sampleCode(std::optional<float> degrees)
{
    if (!degrees)
        return SampleCode::kNoValue;
    const double tenths = std::round(double(*degrees) * 10.0);
    // Only an out-of-range reading can lie outside the 16-bit count (a NaN among them).
    if (!(tenths >= -32768.0 && tenths <= 32767.0))
        return tenths > 0 ? qint16(32767) : SampleCode::kLowestOverLimit;
    const auto code = static_cast<qint16>(tenths);
    return code == SampleCode::kNoValue ? SampleCode::kLowestOverLimit : code;
}

std::optional<float> sampleDegrees(qint16 code)
{
    if (code == SampleCode::kNoValue)
        return std::nullopt;
    return static_cast<float>(code * 0.1L);
}

LiveRun::LiveRun(QString meter, double startSerial, qint32 intervalSeconds, bool celsius)
    : m_meter(std::move(meter)),
      m_start(startSerial),
      m_interval(intervalSeconds),
      m_celsius(celsius)
{
}

double LiveRun::sampleSerial(int j) const
{
    return m_start + static_cast<double>(j) * m_interval / kSecondsPerDay;
}

bool LiveRun::append(const SampleCodes& sample)
{
    if (full())
        return false;
    m_samples.push_back(sample);
    return true;
}

QByteArray LiveRun::setBytes() const
{
    const auto [date, time] = splitDateTimeSerial(m_start);
    QByteArray bytes;
    bytes.reserve(16 + 8 * sampleCount());
    bytes.append(char(0xA5));
    bytes.append(char(0x5A));
    bytes.append('\0');
    // The meter counts its years from 2000 in two BCD digits.
    bytes.append(bcd(std::clamp(date.year() - 2000, 0, 99)));
    bytes.append(bcd(date.month()));
    bytes.append(bcd(date.day()));
    bytes.append(bcd(time.hour()));
    bytes.append(bcd(time.minute()));
    bytes.append(bcd(time.second()));
    putBigEndian16(bytes, m_interval);
    bytes.append(m_celsius ? char(0x01) : char(0x00));
    putBigEndian16(bytes, sampleCount());
    for (const SampleCodes& s : m_samples) {
        for (const qint16 code : s)
            putBigEndian16(bytes, code);
    }
    bytes.append(char(0x5A));
    bytes.append(char(0xA5));
    return bytes;
}

MemoryImage LiveRun::memoryImage() const
{
    QByteArray bytes(MemoryHeader::kSize, '\0');
    bytes += setBytes();
    const qint64 last = bytes.size() - 1;
    const int minutes = std::clamp(m_interval / 60, 0, 99);
    const int seconds = std::clamp(m_interval - minutes * 60, 0, 59);
    const char header[7] = { 0, 1, char(last >> 16 & 0xFF), char(last >> 8 & 0xFF),
        char(last & 0xFF), bcd(minutes), bcd(seconds) };
    bytes.replace(MemoryHeader::kSetCountOffset, 7, header, 7);
    return MemoryImage(bytes, last);
}

} // namespace tc4dl::recorder
