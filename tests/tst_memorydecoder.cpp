#include "DataSetList.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "LoggerImages.h"
#include "MemoryHeader.h"
#include "TimeCases.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tc4dl;
using loggerimages::RecordedSet;

Q_DECLARE_METATYPE(loggerimages::RecordedSet)

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 20, 30));

MemoryImage imageOf(const QByteArray& bytes)
{
    return MemoryImage(bytes, *MemoryHeader::readLastAddress(bytes));
}

MemoryImage imageOf(const QList<RecordedSet>& sets)
{
    return imageOf(loggerimages::image(sets));
}

double serial(int y, int mo, int d, int h, int mi, int s)
{
    return toDateTimeSerial(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

// Five sets of different lengths, units and intervals.
QList<RecordedSet> fiveSets()
{
    QList<RecordedSet> sets;
    for (int k = 0; k < 5; ++k) {
        RecordedSet s = loggerimages::setWithSamples(k * 3, k);
        s.unit = static_cast<quint8>(k % 2);
        s.interval = static_cast<quint16>(k + 1);
        s.minute = static_cast<quint8>(0x10 + k);
        sets << s;
    }
    return sets;
}

DataSetStore decoded(const MemoryImage& image)
{
    DataSetStore store;
    const DecodeOutcome out = decodeMemoryImage(image, kNow, store);
    if (out.result != LoadResult::Success)
        qWarning("decode gave %d", code(out.result));
    return store;
}

} // namespace

class TestMemoryDecoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void timesFollowTheMetersClock_data() { timecases::addTimeCaseRows(); }
    // A set recorded on a daylight-saving switch day: the list shows its start as recorded and
    // every sample is the start plus k x interval, each time once.
    void timesFollowTheMetersClock()
    {
        const auto [zone, date, start, interval, samples] = timecases::currentTimeCase();
        const auto restore = timecases::inTimeZone(zone);
        const RecordedSet s = loggerimages::setRecordedAt(date, start, interval, samples);
        const DataSetStore store = decoded(imageOf({ s }));
        const QStringList row = dataSetRow(store, 0, QLocale::c());
        QCOMPARE(row.at(2), start.toString(QStringLiteral("HH:mm:ss")));
        QCOMPARE(row.at(1), QLocale::c().toString(date, QLocale::ShortFormat));
        for (int k = 0; k < samples; ++k) {
            const QDateTime expected = timecases::sampleTime(date, start, interval, k);
            const double t = store.sampleTimes()[static_cast<std::size_t>(4 * k)];
            QVERIFY(qAbs(t - dateTimeSerial(expected.date(), expected.time())) < 1e-9);
            const auto [day, time] = splitDateTimeSerial(t);
            QCOMPARE(day, expected.date());
            QCOMPARE(time, expected.time());
            QCOMPARE(fromDateTimeSerial(t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                expected.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        }
    }

    void setCounts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("samples"); // in each set
        QTest::addColumn<int>("result");
        QTest::newRow("none") << 0 << 0 << code(LoadResult::NoData);
        QTest::newRow("one") << 1 << 0 << code(LoadResult::Success);
        QTest::newRow("most") << 4000 << 0 << code(LoadResult::Success);
        QTest::newRow("one too many") << 4001 << 0 << code(LoadResult::MemoryError);
        QTest::newRow("all bits") << 0xFFFF << 0 << code(LoadResult::MemoryError);
        // A sample count's high byte counts too.
        QTest::newRow("two sets of 300 samples") << 2 << 300 << code(LoadResult::Success);
    }
    void setCounts()
    {
        QFETCH(int, count);
        QFETCH(int, samples);
        QFETCH(int, result);
        // Empty sets, 16 bytes each, unless samples are asked for; the header's count is what
        // is tested.
        const QList<RecordedSet> sets(std::min(count, 4000),
            samples > 0 ? loggerimages::setWithSamples(samples) : RecordedSet());
        QByteArray bytes = loggerimages::image(sets);
        loggerimages::setHeader(bytes, count, bytes.size() - 1);
        // A store from an earlier load, which a failure must leave as it is.
        DataSetStore store = decoded(imageOf(fiveSets()));
        const DataSetStore before = store;
        QCOMPARE(code(decodeMemoryImage(imageOf(bytes), kNow, store).result), result);
        QCOMPARE(store.setCount(), result == 0 ? count : 5);
        if (result != 0)
            QVERIFY(store == before);
        if (result == 0) {
            QCOMPARE(dataSetRows(store, QLocale::c()).size(), count);
            QCOMPARE(store.endOffset(count - 1), bytes.size() - 1);
            QCOMPARE(store.setValues(count - 1).size(), std::size_t(4 * samples));
        }
    }

    void emptySetTakesSixteenBytesAndStillGetsItsRow()
    {
        const QList<RecordedSet> sets { loggerimages::setWithSamples(2), RecordedSet(),
            loggerimages::setWithSamples(1) };
        const DataSetStore store = decoded(imageOf(sets));
        QCOMPARE(store.setCount(), 3);
        QCOMPARE(store.endOffset(1) - store.startOffset(1), 15);
        QCOMPARE(store.sampleBase(1), store.sampleBase(2));
        QCOMPARE(store.setValues(1).size(), 0u);
        QCOMPARE(dataSetRow(store, 1, QLocale::c()).at(4), QStringLiteral("0"));
        QCOMPARE(store.sampleValues().size(), 4u * 3);
    }

    void startFields_data()
    {
        QTest::addColumn<RecordedSet>("spec");
        QTest::addColumn<double>("start");
        const double now = toDateTimeSerial(kNow);
        RecordedSet s;
        QTest::newRow("plain") << s << serial(2013, 4, 15, 14, 5, 9);
        s.year = 0x1C;
        QTest::newRow("year 1C is 2012") << s << serial(2012, 4, 15, 14, 5, 9);
        s.year = 0x1A;
        QTest::newRow("year 1A is 2010") << s << serial(2010, 4, 15, 14, 5, 9);
        s.year = 0x1F;
        QTest::newRow("year 1F is 2015") << s << serial(2015, 4, 15, 14, 5, 9);
        s.year = 0x19;
        QTest::newRow("year 19 is 2019") << s << serial(2019, 4, 15, 14, 5, 9);
        s.year = 0x20;
        QTest::newRow("year 20 is 2020") << s << serial(2020, 4, 15, 14, 5, 9);
        s.year = 0x99;
        QTest::newRow("year 99") << s << serial(2099, 4, 15, 14, 5, 9);
        s.year = 0x0D;
        QTest::newRow("year 0D is this year") << s << serial(2026, 4, 15, 14, 5, 9);
        s.year = 0x2A;
        QTest::newRow("year 2A is this year") << s << serial(2026, 4, 15, 14, 5, 9);
        s = RecordedSet();
        s.month = 0x13;
        QTest::newRow("month 13 is now") << s << now;
        s.month = 0x00;
        QTest::newRow("month 0 is now") << s << now;
        s = RecordedSet();
        s.day = 0x31;
        QTest::newRow("31 April is now") << s << now;
        s.month = 0x1B;
        QTest::newRow("month B falls back to December") << s << serial(2013, 12, 31, 14, 5, 9);
        s = RecordedSet();
        s.day = 0x3A;
        QTest::newRow("day 3A is this day") << s << serial(2013, 4, 9, 14, 5, 9);
        s = RecordedSet();
        s.year = 0x12, s.month = 0x02, s.day = 0x29;
        QTest::newRow("29 February of a leap year") << s << serial(2012, 2, 29, 14, 5, 9);
        s.year = 0x13;
        QTest::newRow("29 February otherwise is now") << s << now;
        s = RecordedSet();
        s.hour = 0x24;
        QTest::newRow("hour 24 is now") << s << now;
        s.hour = 0x1F;
        QTest::newRow("hour 1F is this hour") << s << serial(2013, 4, 15, 10, 5, 9);
        s = RecordedSet();
        s.minute = 0x60;
        QTest::newRow("minute 60 is now") << s << now;
        s.minute = 0x5A;
        QTest::newRow("minute 5A is this minute") << s << serial(2013, 4, 15, 14, 20, 9);
        s = RecordedSet();
        s.second = 0x60;
        QTest::newRow("second 60 is now") << s << now;
        s.second = 0xFF;
        QTest::newRow("second FF is this second") << s << serial(2013, 4, 15, 14, 5, 30);
    }
    void startFields()
    {
        QFETCH(RecordedSet, spec);
        QFETCH(double, start);
        const DataSetStore store = decoded(imageOf({ spec }));
        QCOMPARE(store.setCount(), 1);
        QVERIFY2(qAbs(store.startTime(0) - start) < 1e-9,
            qPrintable(fromDateTimeSerial(store.startTime(0)).toString(Qt::ISODate)));
    }

    void intervals_data()
    {
        QTest::addColumn<quint16>("raw");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("one minute") << quint16(0x003C) << 60 << "01:00";
        QTest::newRow("one hour") << quint16(0x0E10) << 3600 << "60:00";
        QTest::newRow("two seconds") << quint16(0x0002) << 2 << "00:02";
        QTest::newRow("zero") << quint16(0) << 0 << "00:00";
        QTest::newRow("minus one") << quint16(0xFFFF) << -1 << "00:-1";
        QTest::newRow("minus 61") << quint16(0xFFC3) << -61 << "-1:-1";
        QTest::newRow("largest") << quint16(0x7FFF) << 32767 << "546:07";
        QTest::newRow("smallest") << quint16(0x8000) << -32768 << "-546:-8";
    }
    void intervals()
    {
        QFETCH(quint16, raw);
        QFETCH(int, seconds);
        QFETCH(QString, text);
        RecordedSet s = loggerimages::setWithSamples(3);
        s.interval = raw;
        const DataSetStore store = decoded(imageOf({ s }));
        QCOMPARE(store.interval(0), seconds);
        QCOMPARE(dataSetRow(store, 0, QLocale::c()).at(3), text);
        // Every value of sample j carries start + j x interval, also when that runs backwards.
        const auto times = store.setTimes(0);
        QCOMPARE(times.size(), 12u);
        for (std::size_t i = 0; i < times.size(); ++i) {
            const double expected
                = store.startTime(0) + static_cast<double>(i / 4) * seconds / 86400.0;
            QVERIFY(qAbs(times[i] - expected) < 1e-9);
        }
    }

    void sampleValues_data()
    {
        QTest::addColumn<quint16>("raw");
        QTest::addColumn<float>("value");
        QTest::newRow("most negative") << quint16(0x8000) << -3276.8f;
        QTest::newRow("most positive") << quint16(0x7FFF) << 3276.7f;
        QTest::newRow("hundred") << quint16(0x03E8) << 100.0f;
        QTest::newRow("minus a tenth") << quint16(0xFFFF) << -0.1f;
        QTest::newRow("zero") << quint16(0) << 0.0f;
    }
    void sampleValues()
    {
        QFETCH(quint16, raw);
        QFETCH(float, value);
        RecordedSet s;
        // The value stands in a different channel of each sample, so channel order counts.
        s.samples = { { raw, 1, 2, 3 }, { 4, raw, 5, 6 }, { 7, 8, raw, 9 }, { 10, 11, 12, raw } };
        const DataSetStore store = decoded(imageOf({ RecordedSet(), s }));
        const auto values = store.setValues(1);
        QCOMPARE(values.size(), 16u);
        for (int j = 0; j < 4; ++j)
            QCOMPARE(values[static_cast<std::size_t>(j * 5)], value);
        QCOMPARE(values[1], 0.1f);
        QCOMPARE(values[15 - 3], static_cast<float>(10 * 0.1));
    }

    void unitBytes_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("text");
        QTest::newRow("03") << 0x03 << "C";
        QTest::newRow("02") << 0x02 << "F";
        QTest::newRow("01") << 0x01 << "C";
        QTest::newRow("00") << 0x00 << "F";
        QTest::newRow("FF") << 0xFF << "C";
        QTest::newRow("FE") << 0xFE << "F";
    }
    void unitBytes()
    {
        QFETCH(int, unit);
        QFETCH(QString, text);
        RecordedSet s;
        s.unit = static_cast<quint8>(unit);
        const DataSetStore store = decoded(imageOf({ s }));
        QCOMPARE(store.unitFlags(0), static_cast<quint8>(unit));
        QCOMPARE(dataSetRow(store, 0, QLocale::c()).at(5), text);
    }

    void rowsFollowTheLocale()
    {
        const DataSetStore store = decoded(imageOf(fiveSets()));
        const QLocale german(QLocale::German, QLocale::Germany);
        const QStringList row = dataSetRow(store, 2, german);
        QCOMPARE(row.at(0), QStringLiteral("3"));
        QCOMPARE(row.at(1), german.toString(QDate(2013, 4, 15), QLocale::ShortFormat));
        QCOMPARE(row.at(2), QStringLiteral("14:12:09"));
        QCOMPARE(row.at(4), QStringLiteral("6"));
    }

    void badSetLeavesTheStoreUntouched_data()
    {
        QTest::addColumn<int>("byteFromStart"); // 0, 1: start marks; -2, -1: end marks
        QTest::addColumn<int>("set");
        QTest::newRow("first start mark") << 0 << 2;
        QTest::newRow("second start mark") << 1 << 2;
        QTest::newRow("first end mark") << -2 << 2;
        QTest::newRow("second end mark") << -1 << 2;
        QTest::newRow("the first set damaged") << 1 << 0;
        QTest::newRow("the last set damaged") << -2 << 4;
    }
    void badSetLeavesTheStoreUntouched()
    {
        QFETCH(int, byteFromStart);
        QFETCH(int, set);
        DataSetStore store = decoded(imageOf({ loggerimages::setWithSamples(4, 9) }));
        const DataSetStore before = store;

        const QList<RecordedSet> sets = fiveSets();
        QByteArray bytes = loggerimages::image(sets);
        qsizetype setStart = 256;
        for (int k = 0; k < set; ++k)
            setStart += loggerimages::setBytes(sets[k]).size();
        const qsizetype setEnd = setStart + loggerimages::setBytes(sets[set]).size() - 1;
        const qsizetype at
            = byteFromStart >= 0 ? setStart + byteFromStart : setEnd + 1 + byteFromStart;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xFF);

        const DecodeOutcome out = decodeMemoryImage(imageOf(bytes), kNow, store);
        QCOMPARE(out.result, LoadResult::DataError);
        QCOMPARE(out.badSet, set);
        QCOMPARE(out.offsetBeforeBadSet, setStart - 1);
        QVERIFY(store == before);
        QCOMPARE(store.setValues(0).size(), 16u);
    }

    void lastSetAgainstMemoryEnd_data()
    {
        QTest::addColumn<int>("endShift"); // MemoryEnd relative to the last set's last byte
        QTest::addColumn<bool>("good");
        QTest::newRow("ends exactly at MemoryEnd") << 0 << true;
        QTest::newRow("MemoryEnd beyond it") << 100 << true;
        QTest::newRow("one byte beyond MemoryEnd") << -1 << false;
    }
    void lastSetAgainstMemoryEnd()
    {
        QFETCH(int, endShift);
        QFETCH(bool, good);
        const QByteArray bytes = loggerimages::image(fiveSets());
        DataSetStore store;
        const MemoryImage image(bytes, bytes.size() - 1 + endShift);
        const DecodeOutcome out = decodeMemoryImage(image, kNow, store);
        QCOMPARE(out.result, good ? LoadResult::Success : LoadResult::DataError);
        QCOMPARE(store.setCount(), good ? 5 : 0);
        if (!good)
            QCOMPARE(out.badSet, 4);
    }

    // A header and sets that promise more than the image holds: every cut of a good image,
    // with MemoryEnd still claiming the whole, is a data error and reads nothing beyond.
    void everyShortImageIsADataError()
    {
        const QByteArray bytes = loggerimages::image(fiveSets());
        for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
            DataSetStore store;
            const MemoryImage image(bytes.left(cut), bytes.size() - 1);
            const DecodeOutcome out = decodeMemoryImage(image, kNow, store);
            if (out.result != LoadResult::DataError)
                QFAIL(
                    qPrintable(QStringLiteral("cut at %1 gave %2").arg(cut).arg(code(out.result))));
            QCOMPARE(store.setCount(), 0);
        }
    }

    void randomImagesNeverCrash()
    {
        QRandomGenerator rng(42);
        const QByteArray good = loggerimages::image(fiveSets());
        for (int round = 0; round < 2000; ++round) {
            QByteArray bytes = good;
            // A few flipped bytes, often in the header and the set frames.
            for (int i = 0; i < 4; ++i)
                bytes[rng.bounded(static_cast<int>(bytes.size()))]
                    = static_cast<char>(rng.bounded(256));
            bytes.truncate(rng.bounded(static_cast<int>(bytes.size()) + 1));
            DataSetStore store;
            const MemoryImage image(bytes, rng.bounded(2) ? 0xFFFFFF : bytes.size() - 1);
            const DecodeOutcome out = decodeMemoryImage(image, kNow, store);
            if (out.result == LoadResult::Success)
                QVERIFY(store.sampleValues().size() * 2 <= static_cast<std::size_t>(bytes.size()));
        }
    }

    void twoLoadsGiveIdenticalStores()
    {
        const MemoryImage image = imageOf(fiveSets());
        DataSetStore store;
        QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::Success);
        const DataSetStore first = store;
        QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::Success);
        QVERIFY(store == first);
        QCOMPARE(store.sampleValues().size(), 4u * (0 + 3 + 6 + 9 + 12));
        for (int k = 0; k < 5; ++k)
            QCOMPARE(store.setValues(k).data(), store.sampleValues().data() + store.sampleBase(k));
    }

    void fixingTheErrorKeepsTheSetsBeforeIt_data()
    {
        QTest::addColumn<int>("badSet");
        QTest::addColumn<int>("result");
        QTest::newRow("first set bad") << 0 << code(LoadResult::NoData);
        QTest::newRow("third set bad") << 2 << code(LoadResult::Success);
        QTest::newRow("last set bad") << 4 << code(LoadResult::Success);
    }
    void fixingTheErrorKeepsTheSetsBeforeIt()
    {
        QFETCH(int, badSet);
        QFETCH(int, result);
        const QList<RecordedSet> sets = fiveSets();
        const DataSetStore full = decoded(imageOf(sets));
        QByteArray bytes = loggerimages::image(sets);
        bytes[full.startOffset(badSet)] = 0;
        MemoryImage image = imageOf(bytes);
        DataSetStore store;
        const DecodeOutcome out = decodeMemoryImage(image, kNow, store);
        QCOMPARE(out.result, LoadResult::DataError);
        const QByteArray unchanged = image.data();

        QCOMPARE(code(cutBeforeBadSet(image, out)), result);
        if (result != 0) {
            QCOMPARE(image.data(), unchanged);
            return;
        }
        const qint64 last = full.endOffset(badSet - 1);
        QCOMPARE(image.size(), last + 1);
        QCOMPARE(image.memoryEnd(), last);
        const auto header = MemoryHeader::read(image.bytes());
        QCOMPARE(int(header->setCount), badSet);
        QCOMPARE(qint64(header->lastAddress), last);
        QCOMPARE(image.bytes().first(256).sliced(13), bytes.first(256).sliced(13));
        QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::Success);
        QCOMPARE(store.setCount(), badSet);
        QCOMPARE(store.sampleValues().size(), static_cast<std::size_t>(full.sampleBase(badSet)));
        QVERIFY(std::equal(
            store.sampleValues().begin(), store.sampleValues().end(), full.sampleValues().begin()));
    }
};

QTEST_GUILESS_MAIN(TestMemoryDecoder)
#include "tst_memorydecoder.moc"
