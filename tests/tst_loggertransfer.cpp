// The logger download and the set-up commands driven over a device borrowed from the live
// session, against the in-process simulated meter and a hand-moved clock: the size limits,
// checksum repeats, the failure limit, stalls, hang-ups, stopping, "Fixed the error ", the
// transfer file, and the live link back after every ending.

#include "CollectionFile.h"
#include "LiveSession.h"
#include "LoggerData.h"
#include "ManualClock.h"
#include "MemoryHeader.h"
#include "QuietLinkHost.h"
#include "SetupCommand.h"
#include "SimulatedMeter.h"
#include "SimulatedSerialPort.h"
#include "Ticker.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tc4dl;

namespace {

const QString kSim = QLatin1String(ports::kSimulatedMeter);

using Host = QuietLinkHost;

// One meter behind every port, a connected live session, and the logger's data on it.
struct Rig {
    explicit Rig(const QString& programFolder = QString())
    {
        session = std::make_unique<LiveSession>(
            clock, host,
            [this](const QString&) -> std::unique_ptr<SerialPort> {
                auto port = std::make_unique<SimulatedSerialPort>(clock, meter);
                port->setPaced(false);
                return port;
            },
            LinkTexts {}, false);
        session->link().setPortEntries({ kSim });
        session->link().setFrameObserver([this](const LiveReading&) { ++frames; });
        session->start();
        clock.runDue();
        data = std::make_unique<LoggerData>(clock, *session, programFolder, QString());
        QObject::connect(data.get(), &LoggerData::loadFinished, [this](const LoadReport& r) {
            report = r;
            ended = true;
        });
    }
    void setFaults(const LoggerFaults& faults)
    {
        MeterOptions options = meter.options();
        options.loggerFaults = faults;
        meter.setOptions(options);
    }
    // Runs a load to its end in steps of 10 ms of the hand-moved clock.
    void load()
    {
        ended = false;
        if (data->startLoad())
            runUntil([this] { return ended; });
    }
    void runUntil(const std::function<bool()>& done, qint64 limitMs = 120'000)
    {
        const qint64 start = clock.tickMs();
        while (!done() && clock.tickMs() - start < limitMs)
            clock.advance(10);
        QVERIFY(done());
    }
    // The live link has the device again, with its receive handler and the main tick.
    void verifyLiveLinkBack()
    {
        QVERIFY(!session->leaseHeld());
        QVERIFY(session->comm1().isActive());
        QVERIFY(session->mainTimer().isEnabled());
        const int before = frames;
        clock.advance(1000);
        session->mainTimerTimer();
        clock.runDue();
        QCOMPARE(frames, before + 1);
    }
    // Bytes the PC sent after the last TransferStart.
    QByteArray sentAfterLastStart() const
    {
        const QByteArray all = meter.received();
        return all.mid(all.lastIndexOf('P') + 1);
    }

    ManualClock clock;
    SimulatedMeter meter;
    Host host;
    int frames = 0;
    std::unique_ptr<LiveSession> session;
    std::unique_ptr<LoggerData> data;
    LoadReport report;
    bool ended = false;
};

LoggerFaults faults(void (*set)(LoggerFaults&))
{
    LoggerFaults f;
    set(f);
    return f;
}

} // namespace

Q_DECLARE_METATYPE(LoggerFaults)
Q_DECLARE_METATYPE(LoadResult)
Q_DECLARE_METATYPE(LoadReport::Failure)

class TestLoggerTransfer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadEnds_data();
    void loadEnds();
    void sizeLimits_data();
    void sizeLimits();
    void repeatsKeepEachBlockOnce_data();
    void repeatsKeepEachBlockOnce();
    void failureLimitStopsTransfer();
    void exactTransferEndsAfterSilence();
    void stopSendsTransferStopAndKeepsNothing();
    void fixErrorKeepsSetsBeforeBadOne();
    void transferFileOnlyAfterGoodLoad();
    void setupCommands();
    void setupFailsOnDoubleReady();
};

// Every ending of a load, and the live link back after each.
void TestLoggerTransfer::loadEnds_data()
{
    QTest::addColumn<LoggerFaults>("faults");
    QTest::addColumn<QByteArray>("memory"); // the meter's memory image; empty: the demo sets
    QTest::addColumn<LoadResult>("result");
    QTest::addColumn<LoadReport::Failure>("failure");
    using F = LoadReport::Failure;
    // Headers alone: an erased memory, and one that counts 4001 sets.
    QByteArray erased(256, '\xFF');
    erased.replace(8, 5, QByteArray("\x00\x00\x00\x00\xFF", 5));
    QByteArray tooMany = erased;
    tooMany.replace(8, 2, QByteArray("\x0F\xA1", 2));
    const QByteArray demo;
    QTest::newRow("success") << LoggerFaults {} << demo << LoadResult::Success << F::None;
    QTest::newRow("data error") << faults([](LoggerFaults& f) { f.badEndMarkSet = 2; }) << demo
                                << LoadResult::DataError << F::None;
    QTest::newRow("memory error") << LoggerFaults {} << tooMany << LoadResult::MemoryError
                                  << F::None;
    QTest::newRow("no data") << LoggerFaults {} << erased << LoadResult::NoData << F::None;
    QTest::newRow("no size answer") << faults([](LoggerFaults& f) { f.unansweredStarts = -1; })
                                    << demo << LoadResult::SizeRejected << F::None;
    QTest::newRow("hang-up mid-transfer")
        << faults([](LoggerFaults& f) { f.hangUpAfterBlocks = 3; }) << demo
        << LoadResult::TransferIncomplete << F::PortError;
}

void TestLoggerTransfer::loadEnds()
{
    QFETCH(LoggerFaults, faults);
    QFETCH(QByteArray, memory);
    QFETCH(LoadResult, result);
    QFETCH(LoadReport::Failure, failure);
    Rig r;
    if (!memory.isEmpty())
        r.meter.logger().setMemory(*LoggerMemory::fromImage(memory));
    r.setFaults(faults);
    const int setsBefore = r.data->store().setCount();
    r.load();
    QCOMPARE(r.report.result, result);
    QCOMPARE(r.report.failure, failure);
    if (r.report.result != LoadResult::Success)
        QCOMPARE(r.data->store().setCount(), setsBefore);
    else
        QCOMPARE(r.data->store().setCount(), r.meter.logger().memory().setCount());
    r.verifyLiveLinkBack();
}

void TestLoggerTransfer::sizeLimits_data()
{
    QTest::addColumn<qint64>("reported");
    QTest::addColumn<bool>("rejected");
    QTest::addColumn<qint64>("total");
    QTest::newRow("255") << qint64(255) << true << qint64(0);
    QTest::newRow("256") << qint64(256) << false << qint64(256);
    QTest::newRow("300: five blocks") << qint64(300) << false << qint64(320);
    QTest::newRow("131072") << qint64(131072) << false << qint64(131072);
    QTest::newRow("131073") << qint64(131073) << true << qint64(0);
}

void TestLoggerTransfer::sizeLimits()
{
    QFETCH(qint64, reported);
    QFETCH(bool, rejected);
    QFETCH(qint64, total);
    Rig r;
    LoggerFaults f;
    f.reportedSize = reported;
    r.setFaults(f);
    r.load();
    QCOMPARE(r.report.result == LoadResult::SizeRejected, rejected);
    if (!rejected)
        QCOMPARE(r.report.total, total);
    r.verifyLiveLinkBack();
}

// A block with a wrong checksum, or one that stalls, is asked for again and kept once.
void TestLoggerTransfer::repeatsKeepEachBlockOnce_data()
{
    QTest::addColumn<LoggerFaults>("faults");
    QTest::addColumn<int>("checksumErrors");
    QTest::addColumn<int>("stalls");
    QTest::newRow("bad checksum") << faults([](LoggerFaults& f) { f.corruptEveryNthBlock = 10; })
                                  << -1 << 0;
    QTest::newRow("stalled block") << faults([](LoggerFaults& f) { f.stallBlock = 2; }) << 0 << 1;
}

void TestLoggerTransfer::repeatsKeepEachBlockOnce()
{
    QFETCH(LoggerFaults, faults);
    QFETCH(int, checksumErrors);
    QFETCH(int, stalls);
    Rig r;
    r.setFaults(faults);
    r.load();
    QCOMPARE(r.report.result, LoadResult::Success);
    const QByteArray& memory = r.meter.logger().memory().image();
    QCOMPARE(r.report.received.left(memory.size()), memory);
    QCOMPARE(r.report.received.size() % 64, 0);
    if (checksumErrors < 0)
        QVERIFY(r.report.counters.checksumErrors > 0);
    else
        QCOMPARE(r.report.counters.checksumErrors, checksumErrors);
    QCOMPARE(r.report.counters.stalledBlocks, stalls);
}

void TestLoggerTransfer::failureLimitStopsTransfer()
{
    Rig r;
    LoggerFaults f;
    f.corruptEveryNthBlock = 1;
    r.setFaults(f);
    r.load();
    QCOMPARE(r.report.result, LoadResult::TransferIncomplete);
    const QByteArray sent = r.sentAfterLastStart();
    QCOMPARE(sent.count('n'), 21);
    QVERIFY(sent.endsWith('Q'));
    r.verifyLiveLinkBack();
}

// Exactly total bytes: no TransferStop, the end 3 s after the last block.
void TestLoggerTransfer::exactTransferEndsAfterSilence()
{
    Rig r;
    qint64 lastProgress = 0;
    QObject::connect(r.data.get(), &LoggerData::loadProgress, [&](qint64 received, qint64 total) {
        if (received == total && lastProgress == 0)
            lastProgress = r.clock.tickMs();
    });
    r.load();
    QCOMPARE(r.report.result, LoadResult::Success);
    QVERIFY(!r.sentAfterLastStart().contains('Q'));
    QVERIFY(lastProgress > 0);
    // The end wait, then the pause before the live link takes the device back.
    QVERIFY(r.clock.tickMs() - lastProgress >= 3000);
    QVERIFY2(r.clock.tickMs() - lastProgress <= 3000 + 1000 + 200,
        qPrintable(QString::number(r.clock.tickMs() - lastProgress)));
}

void TestLoggerTransfer::stopSendsTransferStopAndKeepsNothing()
{
    Rig r;
    r.load();
    const DataSetStore before = r.data->store();
    QVERIFY(r.data->startLoad());
    r.clock.advance(1500);
    r.data->stopLoad();
    r.runUntil([&r] { return !r.data->loading(); });
    QCOMPARE(r.report.failure, LoadReport::Failure::Stopped);
    QVERIFY(r.report.received.isEmpty());
    QVERIFY(r.sentAfterLastStart().endsWith('Q'));
    QVERIFY(r.data->store() == before);
    r.verifyLiveLinkBack();
}

void TestLoggerTransfer::fixErrorKeepsSetsBeforeBadOne()
{
    QTemporaryDir dir;
    Rig r(dir.path());
    LoggerFaults f;
    f.badEndMarkSet = 2;
    r.setFaults(f);
    r.load();
    QCOMPARE(r.report.result, LoadResult::DataError);
    QCOMPARE(r.report.decode.badSet, 1);
    QVERIFY(r.data->canFixError());
    const LoadReport fixed = r.data->fixError();
    QCOMPARE(fixed.result, LoadResult::Success);
    QCOMPARE(r.data->store().setCount(), 1);
    QVERIFY(fixed.fromDownload); // the meter's own sets, which nothing keeps yet
    QVERIFY(!r.data->canFixError());
    // The transfer file agrees with what is shown.
    DataSetStore reread;
    MemoryImage image;
    QCOMPARE(
        readCollectionFile(r.data->transferFile(), image).status, CollectionRead::Status::Read);
    QCOMPARE(decodeMemoryImage(image, r.clock.now(), reread).result, LoadResult::Success);
    QVERIFY(reread == r.data->store());
    // A second fix keeps its own copy of what came: the first one's stays.
    QVERIFY(QFile::exists(fixed.receivedImage));
    r.load();
    QVERIFY(r.data->canFixError());
    const LoadReport again = r.data->fixError();
    QVERIFY(QFile::exists(again.receivedImage));
    QVERIFY(again.receivedImage != fixed.receivedImage);
    QVERIFY(QFile::exists(fixed.receivedImage));
}

void TestLoggerTransfer::transferFileOnlyAfterGoodLoad()
{
    QTemporaryDir dir;
    Rig r(dir.path());
    QCOMPARE(r.data->transferFile(), dir.filePath(QStringLiteral("temp/DataSetsTemp.tmp")));
    r.load();
    QCOMPARE(r.report.failure, LoadReport::Failure::None);
    // The download drives DTR off and RTS on.
    QCOMPARE(r.session->comm2().lineSettings().dtr, LineState::Off);
    QCOMPARE(r.session->comm2().lineSettings().rts, LineState::On);
    {
        // A second program running at the same time keeps its own transfer file, and takes
        // it away when it ends.
        auto second = std::make_unique<LoggerData>(r.clock, *r.session, dir.path(), QString());
        const QString own = second->transferFile();
        QVERIFY(own != r.data->transferFile());
        QCOMPARE(QFileInfo(own).path(), dir.filePath(QStringLiteral("temp")));
        QVERIFY(
            second->receivedImagePath(r.clock.now()) != r.data->receivedImagePath(r.clock.now()));
        QVERIFY(second->openCollectionFile(r.data->transferFile()).loaded());
        QVERIFY(QFile::exists(own));
        QCOMPARE(second->collectionImage(), r.data->collectionImage());
        second.reset();
        QVERIFY(!QFile::exists(own));
    }
    QFile file(r.data->transferFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    file.close();
    // The image as received: the memory, then the rest of its last block.
    QCOMPARE(
        good.left(r.meter.logger().memory().image().size()), r.meter.logger().memory().image());
    QCOMPARE(good.size() % 64, 0);
    // A failed load leaves it as it was; so does a collection file that fails its checks.
    LoggerFaults f;
    f.corruptEveryNthBlock = 1;
    r.setFaults(f);
    r.load();
    QCOMPARE(r.report.result, LoadResult::TransferIncomplete);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), good);
    file.close();
    const QString bad = dir.filePath(QStringLiteral("bad.ch4"));
    QFile out(bad);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(good.left(300));
    out.close();
    QVERIFY(!r.data->openCollectionFile(bad).loaded());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), good);
}

void TestLoggerTransfer::setupCommands()
{
    Rig r;
    SetupCommand command(r.clock, *r.session);
    SetupReport report;
    bool done = false;
    QObject::connect(&command, &SetupCommand::finished, [&](const SetupReport& s) {
        report = s;
        done = true;
    });
    auto run = [&](SetupExchange exchange) {
        done = false;
        if (command.start(std::move(exchange)))
            r.runUntil([&] { return done; });
        QVERIFY(done);
        r.verifyLiveLinkBack();
        // The set-up exchanges leave the control lines at the driver's defaults.
        QCOMPARE(r.session->comm2().lineSettings().dtr, LineState::DriverDefault);
        QCOMPARE(r.session->comm2().lineSettings().rts, LineState::DriverDefault);
    };
    const QDateTime computer(QDate(2013, 4, 15), QTime(14, 5, 9));
    run(SetupExchange::setMeterClock(computer));
    QVERIFY(report.succeeded);
    QVERIFY(qAbs(r.meter.logger().time(r.clock.tickMs()).secsTo(computer)) < 10);
    run(SetupExchange::setRecordingInterval(0x01, 0x30));
    QVERIFY(report.succeeded);
    QCOMPARE(r.meter.logger().memory().intervalSeconds(), 90);
    run(SetupExchange::readLoggerInfo());
    QVERIFY(report.succeeded);
    const auto header = MemoryHeader::read(report.headerBlock);
    QVERIFY(header);
    QCOMPARE(int(header->setCount), r.meter.logger().memory().setCount());
    QCOMPARE(header->intervalMinutes, quint8(0x01));
    QCOMPARE(header->intervalSeconds, quint8(0x30));
    QVERIFY(report.timeReply);
    QCOMPARE(report.timeReply->bytes[1], quint8(0x13));
    run(SetupExchange::eraseLoggerMemory());
    QVERIFY(report.succeeded);
    QCOMPARE(r.meter.logger().memory().setCount(), 0);
}

void TestLoggerTransfer::setupFailsOnDoubleReady()
{
    Rig r;
    LoggerFaults f;
    f.doubleReady = true;
    r.setFaults(f);
    SetupCommand command(r.clock, *r.session);
    SetupReport report;
    bool done = false;
    QObject::connect(&command, &SetupCommand::finished, [&](const SetupReport& s) {
        report = s;
        done = true;
    });
    QVERIFY(command.start(SetupExchange::setMeterClock(r.clock.now())));
    r.runUntil([&] { return done; });
    QVERIFY(!report.succeeded);
    QCOMPARE(report.error, int(SetupExchange::kNotReady));
    r.verifyLiveLinkBack();
}

QTEST_GUILESS_MAIN(TestLoggerTransfer)
#include "tst_loggertransfer.moc"
