#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QTime>

#include <array>
#include <vector>

// Logger memory images built the way the meter writes them, for the logger tests and the
// decoding benchmark.
namespace loggerimages {

struct RecordedSet {
    quint8 year = 0x13; // BCD fields of the start
    quint8 month = 0x04;
    quint8 day = 0x15;
    quint8 hour = 0x14;
    quint8 minute = 0x05;
    quint8 second = 0x09;
    quint16 interval = 60; // raw 16 bits, high byte first in memory
    quint8 unit = 0x01;
    std::vector<std::array<quint16, 4>> samples; // raw 16-bit counts of tenths
};

inline void put16(QByteArray& b, quint16 v)
{
    b.append(static_cast<char>(v >> 8));
    b.append(static_cast<char>(v & 0xFF));
}

inline QByteArray setBytes(const RecordedSet& s)
{
    QByteArray b;
    b.append('\xA5');
    b.append('\x5A');
    b.append('\0');
    for (quint8 f : { s.year, s.month, s.day, s.hour, s.minute, s.second })
        b.append(static_cast<char>(f));
    put16(b, s.interval);
    b.append(static_cast<char>(s.unit));
    put16(b, static_cast<quint16>(s.samples.size()));
    for (const auto& sample : s.samples)
        for (quint16 v : sample)
            put16(b, v);
    b.append('\x5A');
    b.append('\xA5');
    return b;
}

// Sets `count` and `last` at their header places.
inline void setHeader(QByteArray& image, int count, qint64 last)
{
    image[8] = static_cast<char>(count >> 8 & 0xFF);
    image[9] = static_cast<char>(count & 0xFF);
    image[10] = static_cast<char>(last >> 16 & 0xFF);
    image[11] = static_cast<char>(last >> 8 & 0xFF);
    image[12] = static_cast<char>(last & 0xFF);
}

// Header (SetCount = number of sets, LastAddress = the last set's last byte, interval 00:02,
// the other bytes a recognisable filler) followed by the sets.
inline QByteArray image(const QList<RecordedSet>& sets)
{
    QByteArray b(256, '\x11');
    b[13] = 0x00;
    b[14] = 0x02;
    for (const RecordedSet& s : sets)
        b += setBytes(s);
    setHeader(b, static_cast<int>(sets.size()), b.size() - 1);
    return b;
}

// A set of `n` samples whose values differ from sample to sample and channel to channel.
inline RecordedSet setWithSamples(int n, int seed = 0)
{
    RecordedSet s;
    for (int j = 0; j < n; ++j)
        s.samples.push_back({ static_cast<quint16>(seed * 7 + j), static_cast<quint16>(200 + j),
            static_cast<quint16>(65535 - j), static_cast<quint16>(1000 + seed) });
    return s;
}

// Two BCD digits of a date or time field, as the meter stores them.
[[nodiscard]] inline quint8 bcd(int v)
{
    return static_cast<quint8>((v / 10) << 4 | (v % 10));
}

// A set of `n` samples (as setWithSamples) recorded from `date` `start`, `interval` seconds apart.
inline RecordedSet setRecordedAt(QDate date, QTime start, int interval, int n)
{
    RecordedSet s = setWithSamples(n);
    s.year = bcd(date.year() % 100);
    s.month = bcd(date.month());
    s.day = bcd(date.day());
    s.hour = bcd(start.hour());
    s.minute = bcd(start.minute());
    s.second = bcd(start.second());
    s.interval = static_cast<quint16>(interval);
    return s;
}

} // namespace loggerimages
