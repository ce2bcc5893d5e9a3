#include "DecodeMemoryImage.h"

#include "DateTimeSerial.h"
#include "MemoryHeader.h"
#include "MeterValues.h"

#include <QDate>
#include <QTime>

namespace tc4dl {

namespace {

// The set marks are written here and again in the simulated meter's memory, on purpose: the
// simulator is the decoder's independent counterpart in the tests, and a value shared between
// the two would let one mistake pass both.
constexpr quint8 kStartMark1 = 0xA5;
constexpr quint8 kStartMark2 = 0x5A;
constexpr quint8 kEndMark1 = 0x5A;
constexpr quint8 kEndMark2 = 0xA5;

// Offsets inside a set.
constexpr qsizetype kYear = 3;
constexpr qsizetype kInterval = 9;
constexpr qsizetype kUnit = 11;
constexpr qsizetype kCount = 12;
constexpr qsizetype kSamples = 14;

struct Noted {
    qint64 start;
    qint64 end;
};

double startSerial(const MemoryImage& image, qint64 s, const QDateTime& now, double nowSerial)
{
    const QDate today = now.date();
    const QTime clock = now.time();
    const int year = yearFromCode(image[s + kYear]).value_or(today.year());
    const int month = bcdFieldValue(image[s + 4]).value_or(today.month());
    const int day = bcdFieldValue(image[s + 5]).value_or(today.day());
    // The hour falls back like every other field: a damaged hour is as likely as a damaged
    // minute, and the current hour keeps the start near the truth.
    const int hour = bcdFieldValue(image[s + 6]).value_or(clock.hour());
    const int minute = bcdFieldValue(image[s + 7]).value_or(clock.minute());
    const int second = bcdFieldValue(image[s + 8]).value_or(clock.second());
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return nowSerial;
    return dateTimeSerial(QDate(year, month, day), QTime(hour, minute, second));
}

void decodeSamples(const MemoryImage& image, const DataSetStore::PerSet& sets,
    std::vector<float>& values, std::vector<double>& times)
{
    const char* bytes = image.data().constData();
    for (std::size_t k = 0; k < sets.startTimes.size(); ++k) {
        const double start = sets.startTimes[k];
        const double step = sets.intervals[k] / kSecondsPerDay;
        const qint32 n = sets.sampleCounts[k];
        const char* p = bytes + sets.startOffsets[k] + kSamples;
        for (qint32 j = 0; j < n; ++j) {
            const double t = start + j * step;
            for (int c = 0; c < 4; ++c, p += 2) {
                const int tenths
                    = decodeReading(static_cast<quint8>(p[0]), static_cast<quint8>(p[1]));
                values.push_back(static_cast<float>(tenths * 0.1));
                times.push_back(t);
            }
        }
    }
}

} // namespace

std::optional<int> bcdFieldValue(quint8 byte)
{
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    if (high > 9 || low > 9)
        return std::nullopt;
    return high * 10 + low;
}

std::optional<int> yearFromCode(quint8 code)
{
    if (code >= 0x1A && code <= 0x1F)
        return 2010 + (code - 0x1A);
    const std::optional<int> v = bcdFieldValue(code);
    if (!v)
        return std::nullopt;
    return 2000 + *v;
}

DecodeOutcome decodeMemoryImage(const MemoryImage& image, const QDateTime& now, DataSetStore& store)
{
    if (image.size() < MemoryHeader::kSetCountOffset + 2)
        return { LoadResult::DataError, -1, -1 };
    const int n
        = image[MemoryHeader::kSetCountOffset] << 8 | image[MemoryHeader::kSetCountOffset + 1];
    if (n == 0)
        return { LoadResult::NoData };
    if (n > kMaxSetCount)
        return { LoadResult::MemoryError };

    const double nowSerial = toDateTimeSerial(now);
    // The last offset a set may end at: MemoryEnd, but never beyond the image.
    const qint64 limit = std::min<qint64>(image.memoryEnd(), image.size() - 1);
    DataSetStore::PerSet sets;
    sets.reserve(static_cast<std::size_t>(n));
    qsizetype totalValues = 0;
    qint64 s = MemoryHeader::kSize;
    for (int k = 0; k < n; ++k) {
        // The shortest set ends 15 bytes on; checking that first keeps the reads in bounds.
        if (s + kSetOverhead - 1 > limit)
            return { LoadResult::DataError, k, s - 1 };
        const qint32 count = image[s + kCount] << 8 | image[s + kCount + 1];
        const qint64 e = s + kSetOverhead - 1 + 8 * static_cast<qint64>(count);
        if (e > limit || image[s] != kStartMark1 || image[s + 1] != kStartMark2
            || image[e - 1] != kEndMark1 || image[e] != kEndMark2)
            return { LoadResult::DataError, k, s - 1 };
        sets.startTimes.push_back(startSerial(image, s, now, nowSerial));
        sets.intervals.push_back(decodeReading(image[s + kInterval], image[s + kInterval + 1]));
        sets.sampleCounts.push_back(count);
        sets.unitFlags.push_back(image[s + kUnit]);
        sets.startOffsets.push_back(static_cast<qint32>(s));
        sets.endOffsets.push_back(static_cast<qint32>(e));
        totalValues += 4 * static_cast<qsizetype>(count);
        s = e + 1;
    }

    std::vector<float> values;
    std::vector<double> times;
    values.reserve(static_cast<std::size_t>(totalValues));
    times.reserve(static_cast<std::size_t>(totalValues));
    decodeSamples(image, sets, values, times);
    const bool installed = store.replaceAll(std::move(sets), std::move(values), std::move(times));
    Q_ASSERT(installed);
    Q_UNUSED(installed);
    return { LoadResult::Success };
}

LoadResult cutBeforeBadSet(MemoryImage& image, const DecodeOutcome& outcome)
{
    if (outcome.result != LoadResult::DataError || outcome.badSet <= 0
        || outcome.offsetBeforeBadSet < MemoryHeader::kSize
        || outcome.offsetBeforeBadSet >= image.size())
        return LoadResult::NoData;
    const qint64 last = outcome.offsetBeforeBadSet;
    const char header[5] = {
        static_cast<char>(outcome.badSet >> 8 & 0xFF),
        static_cast<char>(outcome.badSet & 0xFF),
        static_cast<char>(last >> 16 & 0xFF),
        static_cast<char>(last >> 8 & 0xFF),
        static_cast<char>(last & 0xFF),
    };
    image.truncate(last + 1);
    image.overwrite(MemoryHeader::kSetCountOffset, QByteArrayView(header, 5));
    image.setMemoryEnd(last);
    return LoadResult::Success;
}

} // namespace tc4dl
