// The Settings kept between runs: defaults, read and write order, values that stand alone,
// and a damaged settings file that is kept aside instead of silently wiped.

#include "RecordingSettingsStore.h"
#include "Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tc4dl;

using RecordingStore = RecordingSettingsStore;

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultsWhenNothingIsStored()
    {
        RecordingStore store;
        const Settings s = Settings::read(store);
        QCOMPARE(s.lastConnectedPort, 0);
        QCOMPARE(s.lastConnectedModel, 740);
        QCOMPARE(s.realTimeRate, 2);
        QCOMPARE(s.annoColor, 0);
        QCOMPARE(s.cfDegree, 1);
    }

    void readAndWriteInTheirOwnOrders()
    {
        RecordingStore store;
        Settings s = Settings::read(store);
        QCOMPARE(store.reads, (QStringList{"LastConnectedPort", "LastConnectedModel",
                                           "RealTimeRate", "AnnoColor", "CF_Degree"}));
        s.write(store);
        QCOMPARE(store.writes, (QStringList{"RealTimeRate", "LastConnectedPort",
                                            "LastConnectedModel", "AnnoColor", "CF_Degree"}));
    }

    void oneFailingValueDoesNotDisturbTheOthers()
    {
        RecordingStore store;
        store.values = {{"LastConnectedPort", 3}, {"LastConnectedModel", 735},
                        {"RealTimeRate", 10}, {"AnnoColor", 0x0000FF}, {"CF_Degree", 0}};
        store.failing = {QStringLiteral("RealTimeRate")};
        Settings s = Settings::read(store);
        QCOMPARE(s.lastConnectedPort, 3);
        QCOMPARE(s.lastConnectedModel, 735);
        QCOMPARE(s.realTimeRate, 2); // its default
        QCOMPARE(s.annoColor, 0x0000FF);
        QCOMPARE(s.cfDegree, 0);

        s.realTimeRate = 5;
        s.lastConnectedPort = 1;
        s.write(store);
        QCOMPARE(store.writes.size(), 5); // the failing one did not stop the rest
        QCOMPARE(store.values["RealTimeRate"], 10);
        QCOMPARE(store.values["LastConnectedPort"], 1);
    }

    void fileStoreRoundTripAndWrongTypes()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("TC4DL.conf"));
        {
            NativeSettingsStore store(file);
            Settings s;
            s.lastConnectedPort = 2;
            s.annoColor = 0x00FF00;
            s.cfDegree = 0;
            s.write(store);
        }
        {
            NativeSettingsStore store(file);
            const Settings s = Settings::read(store);
            QCOMPARE(s.lastConnectedPort, 2);
            QCOMPARE(s.annoColor, 0x00FF00);
            QCOMPARE(s.cfDegree, 0);
            QVERIFY(store.damagedCopy().isEmpty());
        }
        // A value of the wrong type gives that value its default.
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[General]\nRealTimeRate=fast\nAnnoColor=4294967295\nCF_Degree=0\n");
        f.close();
        NativeSettingsStore store(file);
        const Settings s = Settings::read(store);
        QCOMPARE(s.realTimeRate, 2);
        QCOMPARE(s.annoColor, -1); // all 32 bits, as stored
        QCOMPARE(s.cfDegree, 0);
    }

    void damagedFileIsKeptAsideBeforeItIsWrittenOver()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("TC4DL.conf"));
        const QByteArray damaged("[General\nRealTimeRate=7\n\xff\xfe garbage = = =\n");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(damaged);
        f.close();

        NativeSettingsStore store(file);
        Settings s = Settings::read(store);
        s.write(store);
        QVERIFY(!store.damagedCopy().isEmpty());
        QFile copy(store.damagedCopy());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), damaged);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
