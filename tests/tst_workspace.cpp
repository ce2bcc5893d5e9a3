// The workspace's rules, without a window: what Run, Stop, the logger commands and Clear become
// as the link and the run change, the live unit read from the frames, the unsaved flag of each
// piece of data and where it came from, the archive's sets shown apart from the logger's data
// and its transfer file, a run's samples, and the live alarms fed no-value marks.

#include "CollectionFile.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "LoggerImages.h"
#include "MemoryImage.h"
#include "WorkspaceRig.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace tc4dl;
using namespace tc4dl::testing;

namespace {

// T1 and T2 of every reading the archive's open table holds, as sqlite3 would print them.
QString archivedReadings(const QString& path)
{
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("r"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(QStringLiteral("SELECT t1, t2 FROM readings ORDER BY time"), db);
            while (q.next())
                out += QStringLiteral("%1|%2\n").arg(q.value(0).toString(),
                    q.isNull(1) ? QStringLiteral("NULL") : q.value(1).toString());
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("r"));
    return out;
}

} // namespace

namespace {

// A MeterFrame with T1 = `t1Tenths`, in Celsius or Fahrenheit, and no-value marks `noValue`.
QByteArray frame(bool celsius, int t1Tenths = 234, quint8 noValue = 0)
{
    QByteArray f(kFrameLength, '\0');
    f[0] = '\x02';
    f[1] = celsius ? '\x80' : '\x00';
    f[7] = static_cast<char>((t1Tenths >> 8) & 0xff);
    f[8] = static_cast<char>(t1Tenths & 0xff);
    f[39] = static_cast<char>(noValue);
    f[44] = '\x03';
    return f;
}

// A collection file of `sets` in `folder`; its path.
QString collectionFile(
    const QString& folder, const QString& name, const QList<loggerimages::RecordedSet>& sets)
{
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(loggerimages::image(sets)) <= 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestWorkspace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Events as letters: F the scan found the meter, M it missed, A frames arrived, L the link
    // was lost; R a run began, S it stopped, E it ended with its window.
    void controlStates_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("open"); // r run, s stop, d the logger commands, c Clear
        QTest::addColumn<bool>("connected");
        QTest::newRow("at the start") << ""
                                      << "dc" << false;
        QTest::newRow("found by the scan") << "F"
                                           << "rdc" << true;
        QTest::newRow("missed by the scan") << "M"
                                            << "dc" << false;
        QTest::newRow("frames after a miss") << "MA"
                                             << "rdc" << true;
        QTest::newRow("recording") << "FR"
                                   << "sd" << true;
        QTest::newRow("lost while recording") << "FRL"
                                              << "" << false;
        QTest::newRow("frames back while recording") << "FRLA"
                                                     << "sd" << true;
        QTest::newRow("stopped") << "FRS"
                                 << "rdc" << true;
        // A window made after the one that went starts without a run: its Clear is open.
        QTest::newRow("window gone, connected") << "FRE"
                                                << "rdc" << true;
        QTest::newRow("window gone, lost") << "FRLE"
                                           << "c" << false;
        QTest::newRow("lost and back") << "FLA"
                                       << "rdc" << true;
    }
    void controlStates()
    {
        QFETCH(QString, events);
        QFETCH(QString, open);
        WorkspaceRig rig;
        for (const QChar e : events) {
            switch (e.toLatin1()) {
            case 'F':
                rig.report(LinkChange::ScanFound);
                break;
            case 'M':
                rig.report(LinkChange::ScanMissed);
                break;
            case 'A':
                rig.report(LinkChange::FramesArrived);
                break;
            case 'L':
                rig.report(LinkChange::Lost);
                break;
            case 'R':
                rig.recording().begin(10, Unit::Celsius, QStringLiteral("/dev/SIM"));
                break;
            case 'S':
                rig.recording().stop();
                break;
            case 'E':
                rig.recording().end();
                break;
            }
        }
        const ControlState& c = rig.ws().controls();
        QCOMPARE(c.run, open.contains(u'r'));
        QCOMPARE(c.stop, open.contains(u's'));
        QCOMPARE(c.dataLogger, open.contains(u'd'));
        QCOMPARE(c.clear, open.contains(u'c'));
        QTEST(rig.ws().meterConnected(), "connected");
    }

    // The unit in use is the meter's, from every frame; the Settings only give it until the
    // first frame, and keep it for the next start.
    void theUnitComesFromTheReadings()
    {
        WorkspaceRig rig(nullptr, {}, { { QStringLiteral("CF_Degree"), 0 } });
        QCOMPARE(rig.ws().unit(), Unit::Fahrenheit);
        QSignalSpy changed(&rig.ws(), &Workspace::unitChanged);
        ScriptedPort& port = rig.openLivePort();
        port.receive(frame(true));
        QCOMPARE(rig.ws().unit(), Unit::Celsius);
        port.receive(frame(true, 250));
        QCOMPARE(changed.count(), 1);
        port.receive(frame(false, 770));
        QCOMPARE(rig.ws().unit(), Unit::Fahrenheit);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(rig.ws().live().currentValues[0], 77.0f);
        rig.ws().writeSettings();
        QCOMPARE(rig.store.values.at(QStringLiteral("CF_Degree")), 0);
    }

    void archiveSources_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("source");
        using K = DataOrigin::Kind;
        QTest::newRow("a download") << int(K::Download) << "/dev/ttyUSB0"
                                    << ""
                                    << "download /dev/ttyUSB0";
        QTest::newRow("a download, port unknown") << int(K::Download) << ""
                                                  << ""
                                                  << "download";
        QTest::newRow("a file") << int(K::CollectionFile) << ""
                                << "/home/a/Ofen.CH4"
                                << "Ofen.CH4";
        QTest::newRow("the archive's own") << int(K::Archive) << ""
                                           << ""
                                           << "";
        QTest::newRow("a live run") << int(K::LiveRun) << "/dev/ttyUSB0"
                                    << ""
                                    << "";
    }
    void archiveSources()
    {
        QFETCH(int, kind);
        QFETCH(QString, device);
        QFETCH(QString, file);
        DataOrigin origin;
        origin.kind = static_cast<DataOrigin::Kind>(kind);
        origin.device = device;
        origin.file = file;
        QTEST(origin.archiveSource(), "source");
    }

    // Each piece of data has its one unsaved flag: the meter's own sets until saved or let
    // go, a file's never, the archive's never.
    void unsavedData_data()
    {
        QTest::addColumn<bool>("fromDownload");
        QTest::newRow("downloaded") << true;
        QTest::newRow("opened from a file") << false;
    }
    void unsavedData()
    {
        QFETCH(bool, fromDownload);
        WorkspaceRig rig;
        OpenData& data = rig.ws().openData();
        QSignalSpy flags(&data, &OpenData::unsavedChanged);
        LoadReport loaded;
        loaded.fromDownload = fromDownload;
        data.loggerLoaded(loaded,
            DataOrigin { DataOrigin::Kind::Download, QStringLiteral("/dev/x"), {}, {}, {} });
        QCOMPARE(data.unsaved(OpenData::Piece::Logger), fromDownload);
        QCOMPARE(data.origin(OpenData::Piece::Logger).device, QStringLiteral("/dev/x"));
        QCOMPARE(flags.count(), fromDownload ? 1 : 0);
        LoadReport failed;
        failed.result = LoadResult::DataError;
        data.loggerLoaded(failed, {});
        QCOMPARE(data.origin(OpenData::Piece::Logger).device, QStringLiteral("/dev/x"));
        data.setUnsaved(OpenData::Piece::Logger, false);
        QVERIFY(!data.unsaved(OpenData::Piece::Logger));
        data.setUnsaved(OpenData::Piece::Archive, true);
        QVERIFY(!data.unsaved(OpenData::Piece::Archive));
    }

    // The archive's sets on view are data of their own: the logger's store, its origin, its
    // unsaved flag and its transfer file stay exactly as they were.
    void archiveSetsAreShownApart()
    {
        QTemporaryDir program;
        WorkspaceRig rig(nullptr, program.path());
        Workspace& ws = rig.ws();
        const QString opened = collectionFile(rig.dir.path(), QStringLiteral("a.ch4"),
            { loggerimages::setWithSamples(3, 1), loggerimages::setWithSamples(2, 2) });
        QVERIFY(ws.openCollectionFile(opened).loaded());
        const QString transfer = ws.logger().transferFile();
        QVERIFY(!transfer.isEmpty());
        const QByteArray transferBefore = fileBytes(transfer);
        QVERIFY(!transferBefore.isEmpty());
        const DataSetStore loggerBefore = ws.logger().store();
        const QByteArray imageBefore = ws.logger().collectionImage();
        ws.openData().setUnsaved(OpenData::Piece::Logger, true);

        // A set of its own into the archive, then on view.
        const QByteArray bytes = loggerimages::image({ loggerimages::setWithSamples(7, 9) });
        const MemoryImage image(bytes, bytes.size() - 1);
        DataSetStore store;
        QCOMPARE(decodeMemoryImage(image, rig.clock.now(), store).result, LoadResult::Success);
        QVERIFY(ws.archive().add(store, image, QStringLiteral("elsewhere")));
        const std::vector<archive::ArchivedSet> listed = ws.archive().archive()->list();
        QCOMPARE(listed.size(), std::size_t(3)); // the file's two and this one
        std::vector<qint64> ids;
        for (const archive::ArchivedSet& s : listed)
            if (s.samples == 7)
                ids.push_back(s.id);
        const std::optional<MemoryImage> stored = ws.archive().archive()->image(ids);
        QVERIFY(stored);
        QSignalSpy changed(&ws.openData(), &OpenData::changed);
        QCOMPARE(ws.showArchiveSets(ids, *stored), QString());

        const DataSetStore& shown = ws.openData().store(OpenData::Piece::Archive);
        QCOMPARE(shown.setCount(), 1);
        QCOMPARE(shown.sampleCount(0), 7);
        QCOMPARE(ws.openData().origin(OpenData::Piece::Archive).kind, DataOrigin::Kind::Archive);
        QCOMPARE(ws.openData().origin(OpenData::Piece::Archive).archiveIds, ids);
        QVERIFY(!ws.openData().unsaved(OpenData::Piece::Archive));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().value<OpenData::Piece>(), OpenData::Piece::Archive);
        // The logger's data as it was.
        QVERIFY(ws.logger().store() == loggerBefore);
        QCOMPARE(ws.logger().collectionImage(), imageBefore);
        QCOMPARE(fileBytes(transfer), transferBefore);
        QCOMPARE(
            ws.openData().origin(OpenData::Piece::Logger).kind, DataOrigin::Kind::CollectionFile);
        QCOMPARE(ws.openData().origin(OpenData::Piece::Logger).file, opened);
        QVERIFY(ws.openData().unsaved(OpenData::Piece::Logger));
        // What a collection save of each window would write is each one's own.
        QVERIFY(ws.openData().collectionImage(OpenData::Piece::Archive) != imageBefore);
    }

    // A run's samples are the workspace's: taken at the rate from the Settings, each with
    // its time, unsaved from the first, the last one stopping the run once.
    void aRunKeepsItsSamples()
    {
        WorkspaceRig rig;
        Recording& r = rig.recording();
        r.setRate(2);
        QCOMPARE(rig.ws().settings().realTimeRate, 2);
        QSignalSpy stopped(&r, &Recording::stopped);
        r.begin(2, Unit::Fahrenheit, QStringLiteral("/dev/SIM"));
        QCOMPARE(r.origin().kind, DataOrigin::Kind::LiveRun);
        QCOMPARE(r.origin().device, QStringLiteral("/dev/SIM"));
        QVERIFY(!r.unsaved());
        for (int tick = 1; tick <= 6; ++tick) {
            rig.clock.advance(1000);
            r.onSamplingPoint(TickCheck { true, false, { float(tick), 0, 0, 0 } },
                toDateTimeSerial(rig.clock.now()));
        }
        QCOMPARE(r.sampleCount(), 2);
        QCOMPARE(r.samples().size(), std::size_t(2));
        QCOMPARE(r.samples()[0].values[0], 2.0f);
        QCOMPARE(r.samples()[1].values[0], 4.0f);
        QVERIFY(r.samples()[1].t > r.samples()[0].t);
        QVERIFY(r.unsaved());
        QVERIFY(!r.active());
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(r.unit(), Unit::Fahrenheit);
    }

    // A real-time run goes into the archive as a live run of its device, each sample at its
    // time and as the meter gave it: stored every minute while it records, the shorter version
    // then replaced, once more at its end; a pause of the link goes on in a new stored part.
    void aRunGoesIntoTheArchive_data()
    {
        QTest::addColumn<QList<int>>("gaps"); // ms before each sample's tick
        QTest::addColumn<int>("marks"); // the no-value marks of the second sample
        QTest::addColumn<bool>("addsOn");
        QTest::addColumn<int>("storedBefore"); // samples stored just before the last sample
        QTest::addColumn<QStringList>("stored"); // each set: kind, meter, samples
        QTest::addColumn<QString>("readings"); // t1|t2 of every archived reading
        const QList<int> three { 1000, 1000, 1000 };
        QTest::newRow("a run to its stop")
            << three << 0 << true << 0 << QStringList { "live SIM 3" } << "1|20\n2|20\n3|20\n";
        QTest::newRow("a channel without a value stored as none")
            << three << 0x02 << true << 0 << QStringList { "live SIM 3" } << "1|20\n2|NULL\n3|20\n";
        QTest::newRow("another channel marked")
            << three << 0x04 << true << 0 << QStringList { "live SIM 3" } << "1|20\n2|20\n3|20\n";
        QTest::newRow("the link paused: two parts")
            << QList<int> { 1000, 1000, 30000, 1000 } << 0 << true << 2
            << QStringList { "live SIM 2", "live SIM 2" } << "1|20\n2|20\n3|20\n4|20\n";
        QTest::newRow("adds switched off")
            << three << 0 << false << 0 << QStringList {} << QString();
        QList<int> seventy;
        for (int k = 0; k < 70; ++k)
            seventy << 1000;
        QTest::newRow("a minute on, stored; at the stop the whole run in its place")
            << seventy << 0 << true << 60 << QStringList { "live SIM 70" } << QString();
    }
    void aRunGoesIntoTheArchive()
    {
        QFETCH(QList<int>, gaps);
        QFETCH(int, marks);
        QFETCH(bool, addsOn);
        QFETCH(int, storedBefore);
        WorkspaceRig rig;
        rig.ws().archive().setAddsEnabled(addsOn);
        Recording& r = rig.recording();
        r.setRate(1);
        r.begin(int(gaps.size()), Unit::Celsius, QStringLiteral("/dev/SIM"));
        const auto listed = [&rig] {
            QStringList sets;
            archive::Archive* a = rig.ws().archive().archive();
            for (const archive::ArchivedSet& s :
                a ? a->list() : std::vector<archive::ArchivedSet> {})
                sets << QStringLiteral("%1 %2 %3").arg(s.kind, s.meter).arg(s.samples);
            return sets;
        };
        for (int k = 0; k < gaps.size(); ++k) {
            if (k == gaps.size() - 1) {
                const QStringList before = listed();
                QCOMPARE(
                    before.isEmpty() ? 0 : before.last().section(u' ', 2).toInt(), storedBefore);
            }
            rig.clock.advance(gaps[k]);
            const TickCheck check { true, false, { float(k + 1), 20.0f, 0, 0 },
                static_cast<quint8>(k == 1 ? marks : 0) };
            Q_EMIT rig.ws().session().samplingPoint(check, toDateTimeSerial(rig.clock.now()));
        }
        QVERIFY(!r.active());
        QStringList sets = listed();
        sets.sort();
        QTEST(sets, "stored");
        QFETCH(QString, readings);
        if (!readings.isNull())
            QCOMPARE(archivedReadings(rig.ws().archive().path()), readings);
    }

    // The alarms get the sampling point's readings with their no-value marks: a channel the
    // meter marks as without a value is an open probe whatever bytes stand in its place.
    void alarmsSeeTheNoValueMarks_data()
    {
        QTest::addColumn<int>("marks");
        QTest::addColumn<float>("t2");
        QTest::addColumn<QString>("raised");
        QTest::newRow("a reading within the limits") << 0 << 20.0f << "";
        QTest::newRow("marked without a value") << 0x02 << 20.0f << "T2: Fühler offen";
        QTest::newRow("another channel marked") << 0x04 << 20.0f << "";
        QTest::newRow("beyond the limit") << 0 << 160.0f << "T2 > 150,0";
    }
    void alarmsSeeTheNoValueMarks()
    {
        QFETCH(int, marks);
        QFETCH(float, t2);
        WorkspaceRig rig;
        alarm::ChannelSet set;
        set[1].highOn = true;
        set[1].high = 150.0;
        rig.ws().channels().setChannels(set);
        QSignalSpy spy(&rig.ws().alarms(), &LiveAlarms::raised);
        TickCheck check { true, false, { 20.0f, t2, 20.0f, 20.0f }, static_cast<quint8>(marks) };
        rig.ws().alarms().onTick(check, 46000.0, Unit::Celsius);
        QFETCH(QString, raised);
        QCOMPARE(spy.count(), raised.isEmpty() ? 0 : 1);
        if (!raised.isEmpty())
            QCOMPARE(spy.first().at(2).toString(), raised);
    }
};

QTEST_GUILESS_MAIN(TestWorkspace)
#include "tst_workspace.moc"
