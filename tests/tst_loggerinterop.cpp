// The program's decoder against the simulated meter's memory: both sides keep the memory
// layout, so what one writes the other must read, set for set and sample for sample.

#include "DataSetList.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "DemoMemory.h"

#include <QTest>

using namespace tc4dl;

class TestLoggerInterop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recordedSetsDecodeAsRecorded()
    {
        LoggerMemory memory;
        const QDateTime start(QDate(2013, 4, 15), QTime(14, 5, 9));
        const QList<LoggerMemory::Sample> samples { { 1000, -2000, 32767, -32768 },
            { 1, 2, 3, 4 } };
        QVERIFY(memory.appendSet(start, 60, true, samples));
        QVERIFY(memory.appendSet(start.addDays(1), 3600, false, {}));
        DataSetStore store;
        const MemoryImage image(memory.image(), memory.lastAddress());
        QCOMPARE(decodeMemoryImage(image, QDateTime::currentDateTime(), store).result,
            LoadResult::Success);
        QCOMPARE(store.setCount(), 2);
        QCOMPARE(dataSetRow(store, 0, QLocale::c()).mid(2),
            (QStringList { "14:05:09", "01:00", "2", "C" }));
        QCOMPARE(dataSetRow(store, 1, QLocale::c()).mid(2),
            (QStringList { "14:05:09", "60:00", "0", "F" }));
        QCOMPARE(store.startTime(0), toDateTimeSerial(start));
        const auto values = store.setValues(0);
        QCOMPARE(values[0], 100.0f);
        QCOMPARE(values[3], -3276.8f);
        QCOMPARE(values[7], 0.4f);
    }

    void theDemoMemoryDecodes()
    {
        const QDateTime now(QDate(2026, 12, 9), QTime(10, 20, 30));
        const LoggerMemory memory = demoLoggerMemory(now);
        DataSetStore store;
        const MemoryImage image(memory.image(), memory.lastAddress());
        QCOMPARE(decodeMemoryImage(image, now, store).result, LoadResult::Success);
        QCOMPARE(store.setCount(), memory.setCount());
        QCOMPARE(qint64(store.endOffset(store.setCount() - 1)), memory.lastAddress());
        for (int k = 0; k < store.setCount(); ++k)
            QVERIFY(store.startTime(k) < toDateTimeSerial(now));
    }
};

QTEST_GUILESS_MAIN(TestLoggerInterop)
#include "tst_loggerinterop.moc"
