#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QScopeGuard>
#include <QTest>
#include <QTime>

#include <ctime>

// Recorded times on the days this computer's clock switches to or from daylight saving, in both
// hemispheres. The meter's clock knows no such switch: sample k of a set is its start plus
// k x interval on the plain calendar, whatever zone the computer is in. Every place that shows
// or writes such a time takes its rows from this one table.
namespace timecases {

// The process's local time becomes `zone`'s until the returned guard goes.
[[nodiscard]] inline auto inTimeZone(const QByteArray& zone)
{
    const QByteArray oldZone = qgetenv("TZ");
    qputenv("TZ", zone);
    tzset();
    return qScopeGuard([oldZone] {
        if (oldZone.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldZone);
        tzset();
    });
}

// The wall-clock time of sample k: calendar arithmetic without a zone.
[[nodiscard]] inline QDateTime sampleTime(QDate date, QTime start, int interval, int k)
{
    return QDateTime(date, start, Qt::UTC).addSecs(qint64(k) * interval);
}

// Columns: zone, date, start (time of day), interval (seconds), samples.
inline void addTimeCaseRows()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("start");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("samples");
    // Summer time began that night: the afternoon's start stays as recorded.
    QTest::newRow("Berlin, spring day, afternoon")
        << QByteArray("Europe/Berlin") << QDate(2026, 3, 29) << QTime(14, 5, 9) << 1 << 3;
    // 02:00 to 02:59 do not exist on the local clock; the meter's clock has them.
    QTest::newRow("Berlin, spring, across the gap")
        << QByteArray("Europe/Berlin") << QDate(2026, 3, 29) << QTime(1, 30) << 900 << 9;
    // 02:00 to 02:59 come twice on the local clock, once on the meter's.
    QTest::newRow("Berlin, autumn, across the repeat")
        << QByteArray("Europe/Berlin") << QDate(2026, 10, 25) << QTime(1, 30) << 900 << 9;
    QTest::newRow("Sydney, spring, across the gap")
        << QByteArray("Australia/Sydney") << QDate(2026, 10, 4) << QTime(1, 30) << 900 << 9;
    QTest::newRow("Sydney, autumn, across the repeat")
        << QByteArray("Australia/Sydney") << QDate(2026, 4, 5) << QTime(1, 30) << 900 << 9;
    // A set that runs over midnight into the switch day.
    QTest::newRow("Berlin, into the spring day at midnight")
        << QByteArray("Europe/Berlin") << QDate(2026, 3, 28) << QTime(23, 45) << 1800 << 8;
}

// One row of the table as the running test function sees it (what QFETCH would give).
struct TimeCase {
    QByteArray zone;
    QDate date;
    QTime start;
    int interval; // seconds
    int samples;
};

template <typename T> [[nodiscard]] T fetched(const char* column)
{
    return *static_cast<T*>(QTest::qData(column, qMetaTypeId<T>()));
}

[[nodiscard]] inline TimeCase currentTimeCase()
{
    return { fetched<QByteArray>("zone"), fetched<QDate>("date"), fetched<QTime>("start"),
        fetched<int>("interval"), fetched<int>("samples") };
}

} // namespace timecases
