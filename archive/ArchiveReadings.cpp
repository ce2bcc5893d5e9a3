#include "ArchiveReadings.h"

#include "ArchiveSchema.h"
#include "ArchiveSets.h"
#include "DateTimeSerial.h"
#include "MeterValues.h"

#include <QVariant>

#include <array>
#include <cmath>

namespace tc4dl::archive {

namespace {

constexpr qsizetype kSampleBytes = 8;
constexpr qsizetype kCountAt = 12;
constexpr int kChannels = 4;
// The serials SQL's dates reach: the years 100 to 9999.
constexpr double kFirstSerial = -657434.0;
constexpr double kLastSerial = 2958465.99999;
// The julian day of the serial's day zero, 1899-12-30.
constexpr double kSerialEpochJulianDay = 2415018.5;

quint8 at(QByteArrayView b, qsizetype i)
{
    return static_cast<quint8>(b[i]);
}

// Tenths of a degree the thermocouple can measure in a unit: beyond them an export writes "OL"
// and a reading has no value.
struct Range {
    int low;
    int high;
};
Range rangeOf(bool celsius)
{
    return celsius ? Range { -2000, 13700 } : Range { -3280, 24980 };
}
// Beyond these the meter itself shows "OL".
constexpr int kOverLimitTenths = 30000;

// One channel of one sample, as the decoder reads it and as `readings` holds it.
struct Channel {
    bool hasValue = false;
    double value = 0.0;
    bool overLimit = false;
};

Channel channelOf(QByteArrayView set, qint32 sample, int channel, bool celsius)
{
    const qsizetype p = kSetHead + kSampleBytes * sample + 2 * channel;
    const int tenths = decodeReading(at(set, p), at(set, p + 1));
    const auto v = static_cast<float>(tenths * 0.1);
    return { !isOutsideExportRange(v, celsius), tenths / 10.0, isOverLimit(v) };
}

// A channel's signed count from the hexadecimal text of its sample, then its reading.
QString countSql(int channel)
{
    const auto nibble = [channel](int k) {
        return QStringLiteral("instr('123456789ABCDEF', substr(x, %1, 1))")
            .arg(channel * 4 + k + 1);
    };
    return QStringLiteral("%1 * 4096 + %2 * 256 + %3 * 16 + %4")
        .arg(nibble(0), nibble(1), nibble(2), nibble(3));
}

// A reading's time as `readings` holds it.
QDateTime timeOf(const QString& text)
{
    QDateTime t = QDateTime::fromString(QString(text).replace(u' ', u'T'), Qt::ISODateWithMs);
    t.setTimeSpec(Qt::UTC);
    return t;
}

} // namespace

// SQLite has no function that reads a byte: each sample's eight bytes as hexadecimal text,
// whose digits give the counts.
QString sqliteReadingsStatement(const ReadingsSource& set, qint32 count)
{
    const Range range = rangeOf(set.celsius);
    QStringList counts;
    QStringList signedCounts;
    QStringList values;
    QStringList overLimits;
    for (int c = 0; c < kChannels; ++c) {
        counts << countSql(c);
        signedCounts << QStringLiteral("u%1 - 65536 * (u%1 >= 32768)").arg(c + 1);
        values << QStringLiteral("CASE WHEN c%1 BETWEEN %2 AND %3 THEN c%1 / 10.0 END")
                      .arg(c + 1)
                      .arg(range.low)
                      .arg(range.high);
        overLimits << QStringLiteral("c%1 > %2 OR c%1 < -%2").arg(c + 1).arg(kOverLimitTenths);
    }
    return QStringLiteral(
        "WITH RECURSIVE k(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM k WHERE n + 1 < %1), "
        "h(n, x) AS (SELECT n, hex(substr(?, %2 + %3 * n, %3)) FROM k), "
        "u(n, u1, u2, u3, u4) AS (SELECT n, %4 FROM h), "
        "c(n, c1, c2, c3, c4) AS (SELECT n, %5 FROM u) "
        "INSERT INTO readings (set_id, sample, time, t1, t2, t3, t4, t1_ol, t2_ol, t3_ol, t4_ol) "
        "SELECT %6, n, rtrim(rtrim(strftime('%Y-%m-%d %H:%M:%f', %7 + n * %8 / 86400.0), '0'), "
        "'.'), %9, %10 FROM c")
        .arg(count)
        .arg(kSetHead + 1)
        .arg(kSampleBytes)
        .arg(counts.join(QStringLiteral(", ")), signedCounts.join(QStringLiteral(", ")))
        .arg(set.id)
        .arg(QString::number(set.start + kSerialEpochJulianDay, 'g', 17))
        .arg(set.interval)
        .arg(values.join(QStringLiteral(", ")), overLimits.join(QStringLiteral(", ")));
}

// PostgreSQL reads the bytes itself (get_byte, from 0) over a series of the samples; its
// timestamps count microseconds, so the time is start + k × interval in seconds.
QString postgresReadingsStatement(const ReadingsSource& set, qint32 count)
{
    const Range range = rangeOf(set.celsius);
    QStringList counts;
    QStringList values;
    QStringList overLimits;
    for (int c = 0; c < kChannels; ++c) {
        const qsizetype at = kSetHead + 2 * c;
        counts << QStringLiteral("get_byte(d, %1 + %2 * n) * 256 + get_byte(d, %3 + %2 * n) AS u%4")
                      .arg(at)
                      .arg(kSampleBytes)
                      .arg(at + 1)
                      .arg(c + 1);
        values << QStringLiteral("CASE WHEN c%1 BETWEEN %2 AND %3 THEN c%1::float8 / 10 END")
                      .arg(c + 1)
                      .arg(range.low)
                      .arg(range.high);
        overLimits << QStringLiteral("c%1 > %2 OR c%1 < -%2").arg(c + 1).arg(kOverLimitTenths);
    }
    QStringList signedCounts;
    for (int c = 1; c <= kChannels; ++c)
        signedCounts << QStringLiteral("u%1 - 65536 * (u%1 >= 32768)::int AS c%1").arg(c);
    return QStringLiteral(
        "INSERT INTO readings (set_id, sample, time, t1, t2, t3, t4, t1_ol, t2_ol, t3_ol, t4_ol) "
        "SELECT %1, n, timestamp '1899-12-30' + interval '1 second' * (%2::float8 + n * %3), "
        "%4, %5 FROM (SELECT n, %6 FROM (SELECT n, %7 FROM (SELECT CAST(? AS bytea) AS d) b, "
        "generate_series(0, %8) AS n) u) c")
        .arg(set.id)
        .arg(QString::number(set.start * kSecondsPerDay, 'g', 17))
        .arg(set.interval)
        .arg(values.join(QStringLiteral(", ")), overLimits.join(QStringLiteral(", ")),
            signedCounts.join(QStringLiteral(", ")), counts.join(QStringLiteral(", ")))
        .arg(count - 1);
}

qint32 readingCount(const ReadingsSource& set)
{
    const QByteArrayView b = set.bytes;
    if (b.size() < kSetFrame || at(b, 0) != 0xA5 || at(b, 1) != 0x5A)
        return 0;
    const qint32 count = qint32(at(b, kCountAt)) << 8 | at(b, kCountAt + 1);
    if (b.size() != kSetFrame + kSampleBytes * count || at(b, b.size() - 2) != 0x5A
        || at(b, b.size() - 1) != 0xA5)
        return 0;
    const double last = set.start + double(std::max(0, count - 1)) * set.interval / kSecondsPerDay;
    const auto within = [](double s) { return s >= kFirstSerial && s <= kLastSerial; };
    return within(set.start) && within(last) ? count : 0;
}

bool writeReadings(const Archive::Impl& impl, const ReadingsSource& set, ArchiveError* error)
{
    const qint32 count = readingCount(set);
    if (count == 0)
        return true;
    QSqlQuery q(impl.db());
    if (!q.prepare(impl.dialect->readingsStatement(set, count))) {
        *error = impl.errorOf(q.lastError());
        return false;
    }
    // Bound without a copy: the statement reads the bytes while it runs.
    q.addBindValue(QByteArray::fromRawData(set.bytes.data(), set.bytes.size()));
    if (!q.exec()) {
        *error = impl.errorOf(q.lastError());
        return false;
    }
    if (q.numRowsAffected() != count) {
        *error = ArchiveError::of(ArchiveError::Kind::NotStored, impl.path,
            QStringLiteral("%1 ≠ %2").arg(q.numRowsAffected()).arg(count));
        return false;
    }
    return true;
}

bool fillReadings(const Archive::Impl& impl, ArchiveError* error)
{
    std::vector<qint64> ids;
    {
        QSqlQuery q(impl.db());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT id FROM %1").arg(setTable(kSchemaVersion)))) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        while (q.next())
            ids.push_back(q.value(0).toLongLong());
    }
    // One set at a time, none longer than a set can be, listed as its bytes say.
    QSqlQuery q(impl.db());
    q.prepare(QStringLiteral("SELECT start, interval, celsius, data FROM %1 WHERE id = ? AND "
                             "length(data) BETWEEN %2 AND %3")
                  .arg(setTable(kSchemaVersion))
                  .arg(kSetFrame)
                  .arg(kLongestSetBytes));
    for (const qint64 id : ids) {
        q.bindValue(0, id);
        if (!q.exec()) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        if (!q.next())
            continue;
        const QByteArray bytes = q.value(3).toByteArray();
        const BytesSay say = whatBytesSay({ { bytes.left(kSetHead), bytes.size() } }).front();
        ReadingsSource set { id, bytes, say.start.value_or(q.value(0).toDouble()),
            say.readable ? say.interval : q.value(1).toInt(),
            say.readable ? say.celsius : q.value(2).toInt() != 0 };
        q.finish();
        if (!writeReadings(impl, set, error))
            return false;
    }
    return true;
}

bool firstDifferingReading(
    const Archive::Impl& impl, const ReadingsSource& set, qint64* sample, ArchiveError* error)
{
    const qint32 count = readingCount(set);
    QSqlQuery q(impl.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT sample, %1, t1, t2, t3, t4, t1_ol, t2_ol, t3_ol, t4_ol "
                             "FROM readings WHERE set_id = ? ORDER BY sample")
                  .arg(impl.dialect->timeText(QStringLiteral("time"))));
    q.addBindValue(set.id);
    if (!q.exec()) {
        *error = impl.errorOf(q.lastError());
        return false;
    }
    const QDateTime start = fromDateTimeSerial(set.start);
    qint64 j = 0;
    *sample = -1;
    for (; q.next(); ++j) {
        bool same = j < count && q.value(0).toLongLong() == j;
        // Within a millisecond: the database adds the seconds in days.
        same = same
            && std::abs(timeOf(q.value(1).toString()).msecsTo(start.addSecs(j * set.interval)))
                <= 1;
        for (int c = 0; same && c < kChannels; ++c) {
            const Channel expected = channelOf(set.bytes, qint32(j), c, set.celsius);
            const QVariant value = q.value(2 + c);
            same = value.isNull() != expected.hasValue
                && (value.isNull() || value.toDouble() == expected.value)
                && (q.value(6 + c).toInt() != 0) == expected.overLimit;
        }
        if (!same) {
            *sample = j;
            return true;
        }
    }
    if (j != count)
        *sample = j;
    return true;
}

} // namespace tc4dl::archive
