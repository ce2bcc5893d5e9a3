#include "ArchiveReadings.h"

#include "ArchiveSchema.h"
#include "ArchiveSets.h"
#include "DateTimeSerial.h"
#include "MeterValues.h"

#include <QVariant>

#include <algorithm>
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

quint8 at(QByteArrayView b, qsizetype i)
{
    return static_cast<quint8>(b[i]);
}

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

// A reading's time as `readings` holds it.
QDateTime timeOf(const QString& text)
{
    QDateTime t = QDateTime::fromString(QString(text).replace(u' ', u'T'), Qt::ISODateWithMs);
    t.setTimeSpec(Qt::UTC);
    return t;
}

} // namespace

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

// Readings are written many rows to a statement, which keeps the database's work per reading
// small; 200 rows bind 2,200 values, far below either engine's limit (SQLite's is 32,766).
constexpr qint32 kRowsPerStatement = 200;

QString insertStatement(qint32 rows)
{
    QString sql = QStringLiteral("INSERT INTO readings (set_id, sample, time, t1, t2, t3, t4, "
                                 "t1_ol, t2_ol, t3_ol, t4_ol) VALUES ");
    for (qint32 k = 0; k < rows; ++k)
        sql += k == 0 ? QStringLiteral("(?,?,?,?,?,?,?,?,?,?,?)")
                      : QStringLiteral(",(?,?,?,?,?,?,?,?,?,?,?)");
    return sql;
}

// A reading's time as `readings` holds it: the meter's clock to the millisecond, without
// trailing zeros ("2026-12-10 11:06:10"), which both engines read as a time.
QString readingTime(const QDateTime& t)
{
    QString text = t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

bool writeReadings(const Archive::Impl& impl, const ReadingsSource& set, ArchiveError* error)
{
    const qint32 count = readingCount(set);
    if (count == 0)
        return true;
    const QDateTime start = fromDateTimeSerial(set.start);
    const QVariant noValue { QMetaType::fromType<double>() };
    // One statement for the full batches, one for the rest.
    QSqlQuery full(impl.db());
    QSqlQuery rest(impl.db());
    const auto prepared = [&](QSqlQuery& q, qint32 rows) {
        if (rows == 0 || q.prepare(insertStatement(rows)))
            return true;
        *error = impl.errorOf(q.lastError());
        return false;
    };
    if (!prepared(full, count >= kRowsPerStatement ? kRowsPerStatement : 0)
        || !prepared(rest, count % kRowsPerStatement))
        return false;
    qint32 written = 0;
    for (qint32 first = 0; first < count; first += kRowsPerStatement) {
        const qint32 rows = std::min(kRowsPerStatement, count - first);
        QSqlQuery& q = rows == kRowsPerStatement ? full : rest;
        for (qint32 j = first; j < first + rows; ++j) {
            q.addBindValue(set.id);
            q.addBindValue(j);
            q.addBindValue(readingTime(start.addSecs(qint64(j) * set.interval)));
            std::array<Channel, kChannels> channels;
            for (int c = 0; c < kChannels; ++c) {
                channels[c] = channelOf(set.bytes, j, c, set.celsius);
                q.addBindValue(channels[c].hasValue ? QVariant(channels[c].value) : noValue);
            }
            for (const Channel& channel : channels)
                q.addBindValue(channel.overLimit);
        }
        if (!q.exec()) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        written += q.numRowsAffected();
    }
    if (written != count) {
        *error = ArchiveError::of(ArchiveError::Kind::NotStored, impl.path,
            QStringLiteral("%1 ≠ %2").arg(written).arg(count));
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
