#include "DemoMemory.h"
#include "LoggerMemory.h"
#include "ManualClock.h"
#include "MeterPortFactory.h"
#include "SimulatedMeter.h"
#include "SimulatedSerialPort.h"
#include "SimulatorCommandLine.h"

#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QTest>

using namespace tc4dl;

namespace {

using Sample = LoggerMemory::Sample;

const QDateTime kStart(QDate(2013, 4, 15), QTime(14, 5, 9));

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// Two sets: two samples in °C at 60 s, then an empty one in °F at 1 s.
LoggerMemory twoSets()
{
    LoggerMemory m;
    m.appendSet(
        kStart, 60, true, { Sample { 234, -1, -200, 1000 }, Sample { 32767, -32768, 0, 1 } });
    m.appendSet(kStart.addDays(-400), 1, false, {});
    return m;
}

quint8 checksum(const QByteArray& data)
{
    quint8 sum = 0;
    for (const char c : data)
        sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    return sum;
}

MeterOptions quietMeter(LoggerMemory memory = twoSets())
{
    MeterOptions o;
    o.memoryImage = memory.image();
    o.clockAtZero = kStart;
    return o;
}

// What the meter sends back to each byte of `bytes`, all at `nowMs`.
QList<QByteArray> feed(SimulatedMeter& meter, const QByteArray& bytes, qint64 nowMs = 0)
{
    QList<QByteArray> replies;
    for (const char b : bytes)
        replies << meter.receive(b, nowMs);
    return replies;
}

} // namespace

Q_DECLARE_METATYPE(tc4dl::LoggerFaults)

class TstSimulatedLogger : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void memoryLayoutByteForByte();
    void memoryLimits_data();
    void memoryLimits();
    void imagesFromFiles_data();
    void imagesFromFiles();
    void demoMemoryIsWellFormed();

    void transferSendsTheWholeMemory();
    void transferFaults_data();
    void transferFaults();
    void faultsThatChangeWhatTheMemorySays();

    void recKeyRecordsASet_data();
    void recKeyRecordsASet();
    void fullMemoryEndsRecording();

    void setupExchanges_data();
    void setupExchanges();
    void clockCommandSetsTheMeterClock();
    void readInfoGivesTimeThenHeader();

    void portPacesBlocksAndHangsUp();
    void factoryPortsShareOneMeter();
    void commandLine_data();
    void commandLine();
};

void TstSimulatedLogger::memoryLayoutByteForByte()
{
    const LoggerMemory m = twoSets();
    QByteArray header(256, '\0');
    header.replace(8, 7,
        hex("0002"
            "00012f"
            "0002")); // 2 sets, last 0x12F, interval 00:02
    const QByteArray first = hex("a55a00130415140509003c010002" // header: 60 s, °C, n = 2
                                 "00eaffffff3803e8" // 23.4, -0.1, -20.0, 100.0
                                 "7fff800000000001" // the extremes
                                 "5aa5");
    // 400 days earlier: 2012-03-11, same time.
    const QByteArray second = hex("a55a00120311140509"
                                  "0001"
                                  "00"
                                  "0000"
                                  "5aa5");
    QCOMPARE(m.image().toHex(), (header + first + second).toHex());
    QCOMPARE(m.setCount(), 2);
    QCOMPARE(m.lastAddress(), 0x12F);
    QCOMPARE(m.setEnd(0), std::optional<qint64> { 287 });
    QCOMPARE(m.setEnd(1), std::optional<qint64> { 303 });
    QVERIFY(!m.setEnd(2));

    // Recording sample by sample gives the same bytes, consistent at every step.
    LoggerMemory live;
    QVERIFY(live.beginSet(kStart, 60, true));
    QCOMPARE(live.image().mid(256),
        hex("a55a00130415140509003c010000"
            "5aa5"));
    QVERIFY(live.appendSample(Sample { 234, -1, -200, 1000 }));
    QVERIFY(live.appendSample(Sample { 32767, -32768, 0, 1 }));
    live.endSet();
    QVERIFY(!live.appendSample(Sample {}));
    QCOMPARE(live.image(),
        header.left(8)
            + hex("0001"
                  "00011f"
                  "0002")
            + header.mid(15) + first);

    LoggerMemory erased = m;
    erased.setIntervalBcd(0x59, 0x59);
    erased.erase();
    QCOMPARE(erased.image().toHex(),
        (header.left(8)
            + hex("0000"
                  "0000ff"
                  "5959")
            + header.mid(15))
            .toHex());
}

void TstSimulatedLogger::memoryLimits_data()
{
    QTest::addColumn<int>("sets");
    QTest::addColumn<int>("samplesInLast");
    QTest::addColumn<bool>("nextSetFits");
    QTest::addColumn<qint64>("lastAddress");
    // One set filling the memory: (131072 - 256 - 16) / 8 samples, ending 8 bytes short of it.
    QTest::newRow("one full set") << 1 << 16350 << false << qint64 { 131071 };
    QTest::newRow("4000 empty sets") << 4000 << 0 << false << qint64 { 255 + 4000 * 16 };
    QTest::newRow("3999 empty sets") << 3999 << 0 << true << qint64 { 255 + 3999 * 16 };
}

void TstSimulatedLogger::memoryLimits()
{
    QFETCH(int, sets);
    QFETCH(int, samplesInLast);
    QFETCH(bool, nextSetFits);
    QFETCH(qint64, lastAddress);
    LoggerMemory m;
    for (int k = 0; k < sets; ++k)
        QVERIFY(m.beginSet(kStart, 1, true));
    int taken = 0;
    while (samplesInLast > 0 && m.appendSample(Sample { 1, 2, 3, 4 }))
        ++taken;
    QCOMPARE(taken, samplesInLast);
    m.endSet();
    QCOMPARE(m.lastAddress(), lastAddress);
    QCOMPARE(m.image().size(), lastAddress + 1);
    QCOMPARE(m.setCount(), sets);
    const QByteArray before = m.image();
    QCOMPARE(m.beginSet(kStart, 1, true), nextSetFits);
    if (!nextSetFits)
        QCOMPARE(m.image(), before);
    QVERIFY(!LoggerMemory(m).appendSet(kStart, 1, true, QList<Sample>(16351)));
}

void TstSimulatedLogger::imagesFromFiles_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("shorter than the header") << qint64 { 255 } << false;
    QTest::newRow("the header alone") << qint64 { 256 } << true;
    QTest::newRow("the largest address") << qint64 { 1 << 24 } << true;
    QTest::newRow("beyond the addresses") << qint64 { (1 << 24) + 1 } << false;
}

void TstSimulatedLogger::imagesFromFiles()
{
    QFETCH(qint64, size);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("memory.ch4"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray image(size, '\x11');
    QVERIFY(file.write(image) == size);
    file.close();
    QString error;
    const std::optional<LoggerMemory> m = LoggerMemory::fromFile(path, &error);
    QCOMPARE(m.has_value(), accepted);
    QCOMPARE(error.isEmpty(), accepted);
    if (!accepted)
        return;
    QCOMPARE(m->image(), image);
    // A header claiming far more than the image holds: beginning a set is refused instead of
    // padding the memory out to the claim.
    LoggerMemory claimed = *m;
    QVERIFY(!claimed.beginSet(kStart, 1, true));
    QCOMPARE(claimed.byteAt(size), LoggerMemory::kBlank);
}

void TstSimulatedLogger::demoMemoryIsWellFormed()
{
    const QDateTime now(QDate(2024, 1, 1), QTime(0, 30)); // the probe test began yesterday
    const LoggerMemory m = demoLoggerMemory(now);
    QCOMPARE(m.setCount(), 3);
    QCOMPARE(m.setEnd(2), std::optional<qint64> { m.lastAddress() });
    QCOMPARE(m.image().size(), m.lastAddress() + 1);
    QCOMPARE(demoLoggerMemory(now).image(), m.image());
    qint64 s = 256;
    const QList<QByteArray> expected = { hex("a55a00231230183000012c00"), // 2023-12-30 18:30, °F
        hex("a55a00231231091205000a01"), hex("a55a00231231223000000101") };
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(m.bytes(s, 12).toHex(), expected.at(k).toHex());
        s = *m.setEnd(k) + 1;
    }
    // The probe test's third channel is open throughout.
    const qint64 probe = *m.setEnd(1) + 1;
    QCOMPARE(m.bytes(probe + 14 + 4, 2), hex("7fff"));
    QCOMPARE(m.bytes(probe + 14 + 8 * 119 + 4, 2), hex("7fff"));
}

void TstSimulatedLogger::transferSendsTheWholeMemory()
{
    SimulatedMeter meter(quietMeter());
    const QByteArray image = meter.logger().memory().image();
    QByteArray received;
    QList<QByteArray> replies = feed(meter, "Pyyyy");
    for (const QByteArray& block : replies) {
        QCOMPARE(block.size(), 65);
        QCOMPARE(static_cast<quint8>(block.at(64)), checksum(block.left(64)));
        received += block.left(64);
    }
    // 304 bytes in five blocks; the rest of the last block is blank memory.
    QCOMPARE(received.left(304), image);
    QCOMPARE(received.mid(304), QByteArray(16, '\xFF'));
    QVERIFY(meter.logger().isTransferring());
    // The accept of the last block ends the transfer; repeats of it are ignored keys.
    QCOMPARE(feed(meter, "yyy"), QList<QByteArray>(3));
    QVERIFY(!meter.logger().isTransferring());
    QCOMPARE(meter.receive('A', 0).size(), 45);

    // A repeat, a restart and a stop.
    replies = feed(meter, "PynnPQy");
    QCOMPARE(replies.at(1), replies.at(2));
    QCOMPARE(replies.at(1), replies.at(3));
    QCOMPARE(replies.at(4), replies.at(0));
    QVERIFY(replies.at(5).isEmpty() && replies.at(6).isEmpty());
    // A poll in the middle of a transfer ends it: the PC has gone back to the live link.
    replies = feed(meter, "PyAy");
    QCOMPARE(replies.at(2).size(), 45);
    QVERIFY(replies.at(3).isEmpty());
}

void TstSimulatedLogger::transferFaults_data()
{
    QTest::addColumn<LoggerFaults>("faults");
    QTest::addColumn<QByteArray>("bytes");
    // Per byte: "B<i>" block i whole and good, "X<i>" with a wrong checksum, "H<i>" its first
    // half only, "F" a live frame, "-" nothing.
    QTest::addColumn<QStringList>("replies");
    QTest::newRow("no faults") << LoggerFaults {} << QByteArray("Pyny")
                               << QStringList { "B0", "B1", "B1", "B2" };
    QTest::newRow("every 2nd checksum") << LoggerFaults { .corruptEveryNthBlock
        = 2 } << QByteArray("Pynyn") << QStringList { "B0", "X1", "B1", "X2", "B2" };
    QTest::newRow("every checksum") << LoggerFaults { .corruptEveryNthBlock = 1 }
                                    << QByteArray("Pnn") << QStringList { "X0", "X0", "X0" };
    QTest::newRow("block 2 stalls once") << LoggerFaults { .stallBlock = 2 } << QByteArray("PynyPy")
                                         << QStringList { "B0", "H1", "B1", "B2", "B0", "H1" };
    QTest::newRow("hang-up after 2") << LoggerFaults { .hangUpAfterBlocks
        = 2 } << QByteArray("PyyyA") << QStringList { "B0", "B1", "-", "-", "F" };
    QTest::newRow("first start unanswered") << LoggerFaults { .unansweredStarts
        = 1 } << QByteArray("PyPy") << QStringList { "-", "-", "B0", "B1" };
    QTest::newRow("no start answered") << LoggerFaults { .unansweredStarts
        = -1 } << QByteArray("PPPPA") << QStringList { "-", "-", "-", "-", "F" };
}

void TstSimulatedLogger::transferFaults()
{
    QFETCH(LoggerFaults, faults);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, replies);
    MeterOptions options = quietMeter();
    options.loggerFaults = faults;
    SimulatedMeter meter(options);
    const SimulatedLogger reference(twoSets());
    const QList<QByteArray> got = feed(meter, bytes);
    for (int i = 0; i < replies.size(); ++i) {
        const QString& want = replies.at(i);
        const QByteArray reply = got.at(i);
        const QString where = QStringLiteral("byte %1 '%2'").arg(i).arg(QLatin1Char(bytes.at(i)));
        if (want == QLatin1String("-")) {
            QVERIFY2(reply.isEmpty(), qPrintable(where));
            continue;
        }
        if (want == QLatin1String("F")) {
            QCOMPARE(reply.size(), 45);
            continue;
        }
        const QByteArray good = reference.block(want.mid(1).toInt());
        if (want.startsWith(u'B'))
            QVERIFY2(reply == good, qPrintable(where));
        else if (want.startsWith(u'H'))
            QVERIFY2(reply == good.left(32), qPrintable(where));
        else
            QVERIFY2(
                reply.left(64) == good.left(64) && reply.at(64) != good.at(64), qPrintable(where));
    }
    QCOMPARE(meter.logger().memory().image(), twoSets().image()); // line faults only
}

void TstSimulatedLogger::faultsThatChangeWhatTheMemorySays()
{
    MeterOptions options = quietMeter();
    options.loggerFaults.reportedSize = 131073;
    options.loggerFaults.badEndMarkSet = 1;
    SimulatedMeter meter(options);
    const QList<QByteArray> blocks = feed(meter, "Pyyyy");
    const QByteArray good = twoSets().image() + QByteArray(16, '\xFF');
    for (int b = 0; b < 5; ++b) {
        QByteArray want = good.mid(b * 64, 64);
        if (b == 0)
            want.replace(10, 3, hex("020000")); // LastAddress 131072
        if (b == 4)
            want[287 - 256] = '\x5A'; // the first set's last end mark byte, inverted
        QCOMPARE(blocks.at(b).left(64).toHex(), want.toHex());
        // The damage is in what the memory says, so the checksums agree with it.
        QCOMPARE(static_cast<quint8>(blocks.at(b).at(64)), checksum(want));
    }
    QCOMPARE(meter.logger().memory().image(), twoSets().image());
}

void TstSimulatedLogger::recKeyRecordsASet_data()
{
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<QByteArray>("setHeader");
    QTest::addColumn<QByteArray>("sample");
    // Interval 00:10; REC at 1 s after 14:05:09; samples at 1, 11, 21 and 31 s.
    QTest::newRow("Celsius") << false << hex("a55a00130415140510000a010004")
                             << hex("00c8"
                                    "03e8"
                                    "7fff"
                                    "7fff");
    QTest::newRow("Fahrenheit") << true << hex("a55a00130415140510000a000004")
                                << hex("02a8"
                                       "0848"
                                       "7fff"
                                       "7fff");
}

void TstSimulatedLogger::recKeyRecordsASet()
{
    QFETCH(bool, fahrenheit);
    QFETCH(QByteArray, setHeader);
    QFETCH(QByteArray, sample);
    SimulatedMeter meter(quietMeter(LoggerMemory {}));
    meter.setTemperature(0, 20.0);
    meter.setTemperature(1, 100.0);
    meter.setOverRange(2, true);
    meter.setChannelOpen(3, true);
    // The interval through its set-up exchange.
    feed(meter, QByteArray("int\x00\x10\0\0\0\0\0\0", 11));
    if (fahrenheit)
        meter.receive('C', 0);
    QVERIFY(meter.receive('E', 1000).isEmpty());
    QVERIFY(meter.isRecording());
    QCOMPARE(static_cast<quint8>(meter.frame(1000).at(1)) & 0x01, 0x01);
    QCOMPARE(meter.logger().memory().setCount(), 1);
    meter.receive('A', 35'000); // the samples due meanwhile are taken now
    meter.setTemperature(0, 500.0); // after the last sample: not recorded
    meter.receive('E', 40'000);
    QVERIFY(!meter.isRecording());
    const LoggerMemory& m = meter.logger().memory();
    QCOMPARE(m.bytes(256, 14).toHex(), setHeader.toHex());
    QCOMPARE(m.lastAddress(), 256 + 16 + 4 * 8 - 1);
    for (int j = 0; j < 4; ++j)
        QCOMPARE(m.bytes(256 + 14 + 8 * j, 8).toHex(), sample.toHex());
    QCOMPARE(m.bytes(256 + 14 + 32, 2), hex("5aa5"));
    // A second REC starts a second set behind the first.
    meter.receive('E', 60'000);
    QCOMPARE(m.setCount(), 2);
    QCOMPARE(m.bytes(256 + 48, 9), hex("a55a00130415140609"));
}

void TstSimulatedLogger::fullMemoryEndsRecording()
{
    LoggerMemory nearlyFull;
    // Room for the new set's header and end mark and two samples.
    QVERIFY(nearlyFull.appendSet(kStart, 1, true, QList<Sample>(16350 - 2 - 2)));
    SimulatedMeter meter(quietMeter(nearlyFull));
    meter.setRecording(true, 0);
    QVERIFY(meter.isRecording());
    meter.frame(2000); // the interval is 2 s
    QVERIFY(meter.isRecording());
    meter.frame(4000); // the third sample does not fit
    QVERIFY(!meter.isRecording());
    QCOMPARE(static_cast<quint8>(meter.frame(5000).at(2)) & 0x01, 0); // REC no longer blinks
    const LoggerMemory& m = meter.logger().memory();
    QCOMPARE(m.setCount(), 2);
    QCOMPARE(m.bytes(*m.setEnd(0) + 1 + 12, 2), hex("0002"));
    QCOMPARE(m.setEnd(1), std::optional<qint64> { m.lastAddress() });
    QVERIFY(m.lastAddress() <= 131071);
    // Full: REC does not come on again.
    meter.receive('E', 6000);
    QVERIFY(!meter.isRecording());
    QCOMPARE(m.setCount(), 2);
}

void TstSimulatedLogger::setupExchanges_data()
{
    QTest::addColumn<bool>("doubleReady");
    QTest::addColumn<QByteArray>("bytes"); // command byte and frame
    QTest::addColumn<QByteArray>("ready");
    QTest::addColumn<int>("setCount"); // two stored, one being recorded
    QTest::addColumn<QByteArray>("interval");
    const QByteArray zeros(6, '\0');
    QTest::newRow("interval 00:01")
        << false << "int" + hex("0001") + zeros << QByteArray("r") << 3 << hex("0001");
    QTest::newRow("interval 59:59")
        << false << "int" + hex("5959") + zeros << QByteArray("r") << 3 << hex("5959");
    QTest::newRow("interval 60:60")
        << false << "int" + hex("6060") + zeros << QByteArray("r") << 3 << hex("6060");
    QTest::newRow("interval 00:00 ignored")
        << false << "int" + hex("0000") + zeros << QByteArray("r") << 3 << hex("0002");
    QTest::newRow("interval 61:00 ignored")
        << false << "int" + hex("6100") + zeros << QByteArray("r") << 3 << hex("0002");
    QTest::newRow("boot confirmation")
        << false << "boot" + hex("59") + zeros << QByteArray("r") << 3 << hex("0002");
    QTest::newRow("erase") << false << "era" + QByteArray(8, '\0') << QByteArray("r") << 0
                           << hex("0002");
    QTest::newRow("erase, two ready bytes")
        << true << "era" + QByteArray(8, '\0') << QByteArray("rr") << 0 << hex("0002");
    QTest::newRow("a frame cut short does nothing")
        << false << "era" + QByteArray(7, '\0') << QByteArray("r") << 3 << hex("0002");
}

void TstSimulatedLogger::setupExchanges()
{
    QFETCH(bool, doubleReady);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, ready);
    QFETCH(int, setCount);
    QFETCH(QByteArray, interval);
    MeterOptions options = quietMeter();
    options.loggerFaults.doubleReady = doubleReady;
    SimulatedMeter meter(options);
    meter.setRecording(true, 0);
    QList<QByteArray> replies;
    for (int i = 0; i < bytes.size(); ++i)
        replies << meter.receive(bytes.at(i), 50 * i); // a byte every 50 ms
    QCOMPARE(replies.takeFirst(), ready);
    QCOMPARE(replies, QList<QByteArray>(bytes.size() - 1)); // nothing else is said
    const LoggerMemory& m = meter.logger().memory();
    QCOMPARE(m.setCount(), setCount);
    QCOMPARE(m.bytes(13, 2).toHex(), interval.toHex());
    if (setCount == 0) {
        QCOMPARE(m.lastAddress(), 255);
        QVERIFY(!meter.isRecording());
    }
    // The meter is back on the live link, also after a frame that never ended.
    QCOMPARE(meter.receive('A', 10'000).size(), 45);
}

void TstSimulatedLogger::clockCommandSetsTheMeterClock()
{
    MeterOptions options = quietMeter();
    options.clockAtZero = QDateTime(QDate(2020, 1, 1), QTime(0, 0));
    SimulatedMeter meter(options);
    // 2013-04-15 14:05:09, a Monday.
    const QByteArray clockFrame = "rtc" + hex("0013020415140509");
    QCOMPARE(feed(meter, clockFrame, 5000).first(), QByteArray("r"));
    QCOMPARE(meter.logger().time(5000), kStart);
    QCOMPARE(meter.logger().lastCommand(), clockFrame);
    const QByteArray check = "ti" + QByteArray(9, '\0');
    const QList<QByteArray> replies = feed(meter, check, 5000 + 61'000);
    QCOMPARE(replies.first(), QByteArray("r"));
    QCOMPARE(replies.last().toHex(), hex("0013020415140610").toHex()); // a minute later
    // An impossible date is ignored.
    feed(meter, "rtc" + hex("0013021315140509"), 70'000);
    QCOMPARE(meter.logger().time(70'000), kStart.addMSecs(65'000));
    // A poll where the frame should start: the PC gave up, the poll is answered.
    QCOMPARE(meter.receive('r', 80'000), QByteArray("r"));
    QCOMPARE(meter.receive('A', 80'000).size(), 45);
}

void TstSimulatedLogger::readInfoGivesTimeThenHeader()
{
    SimulatedMeter meter(quietMeter());
    const QList<QByteArray> replies = feed(meter, "tic" + hex("0002010428165408"));
    QCOMPARE(replies.last().toHex(), hex("0013020415140509").toHex());
    const QByteArray block = meter.receive('P', 0);
    QCOMPARE(block.mid(8, 7).toHex(),
        hex("0002"
            "00012f"
            "0002")
            .toHex());
    QVERIFY(meter.receive('Q', 0).isEmpty());
    QVERIFY(!meter.logger().isTransferring());
}

void TstSimulatedLogger::portPacesBlocksAndHangsUp()
{
    ManualClock clock;
    MeterOptions options = quietMeter();
    options.clockAtZero = {};
    options.loggerFaults.hangUpAfterBlocks = 1;
    SimulatedSerialPort port(clock, options);
    QCOMPARE(port.meter().logger().time(0), clock.now());
    QList<PortError::Operation> errors;
    port.setOnError([&errors](const PortError& e) {
        errors << e.operation;
        return ErrorAction::Abort;
    });
    QVERIFY(port.setActive(true));
    QVERIFY(port.writeByte('P'));
    clock.advance(67);
    QCOMPARE(port.waitingCount(), 0);
    clock.advance(1); // 65 bytes at 960 a second
    QCOMPARE(port.waitingCount(), 65);
    QVERIFY(port.writeByte('y'));
    QCOMPARE(errors, QList<PortError::Operation> { PortError::Operation::Hangup });
    QVERIFY(!port.isActive());
    QVERIFY(port.setActive(true)); // the line can be opened again at once
    QVERIFY(port.writeByte('A'));
    clock.advance(100);
    QCOMPARE(port.waitingCount(), 45);
}

void TstSimulatedLogger::factoryPortsShareOneMeter()
{
    ManualClock clock;
    SimulatorSettings settings;
    settings.paced = false;
    settings.meter.demoMemory = false;
    MeterPortFactory factory(clock, settings);
    const auto live = factory.makePort(QLatin1String(ports::kSimulatedMeter));
    QVERIFY(live->setActive(true));
    QVERIFY(live->writeByte('E')); // REC on through the live link ...
    QVERIFY(live->setActive(false));
    clock.advance(10'000);
    // ... and a second port on the same device, as a download borrows it, finds the set.
    const auto borrowed = factory.makePort(QLatin1String(ports::kSimulatedMeter));
    QVERIFY(borrowed->setActive(true));
    QVERIFY(borrowed->writeByte('P'));
    clock.runDue();
    QByteArray block(65, '\0');
    QCOMPARE(borrowed->readBytes(block.data(), 65), 65);
    QCOMPARE(block.mid(8, 2), hex("0001"));
    QCOMPARE(factory.meter().logger().time(clock.tickMs()), clock.now());
    QVERIFY(factory.makePort(QStringLiteral("/dev/ttyUSB0")) != nullptr);
}

void TstSimulatedLogger::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error"); // a part of it; empty: accepted
    QTest::addColumn<QString>("check");
    QTest::newRow("defaults") << QStringList {} << QString() << "demo";
    QTest::newRow("logger faults") << QStringList { "--corrupt-every", "3", "--stall-block", "2",
        "--hang-up-after", "40", "--report-size", "131073", "--unanswered-starts", "2",
        "--double-ready", "--bad-end-mark", "3" }
                                   << QString() << "faults";
    QTest::newRow("no size answer")
        << QStringList { "--no-size-answer" } << QString() << "no-answer";
    QTest::newRow("clock, empty memory, recording")
        << QStringList { "--clock", "2013-04-15T14:05:09", "--empty-memory", "--recording" }
        << QString() << "clock";
    QTest::newRow("memory file") << QStringList { "--memory", "@" } << QString() << "memory";
    QTest::newRow("missing memory file")
        << QStringList { "--memory", "/nonexistent/x.ch4" } << "cannot read" << QString();
    QTest::newRow("stall block 0")
        << QStringList { "--stall-block", "0" } << "--stall-block" << QString();
    QTest::newRow("size beyond 24 bits")
        << QStringList { "--report-size", "16777217" } << "--report-size" << QString();
    QTest::newRow("bad clock") << QStringList { "--clock", "tomorrow" } << "--clock" << QString();
}

void TstSimulatedLogger::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(QString, check);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sets.ch4"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(twoSets().image());
    }
    args.replaceInStrings(QStringLiteral("@"), file);
    QCommandLineParser parser;
    SimulatorCommandLine::addOptions(parser);
    QVERIFY(parser.parse(QStringList { QStringLiteral("tc4dl-meter") } + args));
    QString message;
    const std::optional<SimulatorSettings> s = SimulatorCommandLine::read(parser, &message);
    QCOMPARE(s.has_value(), error.isEmpty());
    QVERIFY2(message.contains(error), qPrintable(message));
    if (!s)
        return;
    const QDateTime now(QDate(2024, 5, 6), QTime(7, 8, 9));
    SimulatedMeter meter = s->makeMeter(now, 1000);
    const LoggerFaults& f = meter.logger().faults();
    if (check == QLatin1String("demo")) {
        QCOMPARE(meter.logger().memory().image(), demoLoggerMemory(now.addSecs(-1)).image());
        QCOMPARE(meter.logger().time(1000), now);
        QVERIFY(s->paced && !meter.isRecording());
    } else if (check == QLatin1String("faults")) {
        QCOMPARE(f.corruptEveryNthBlock, 3);
        QCOMPARE(f.stallBlock, 2);
        QCOMPARE(f.hangUpAfterBlocks, 40);
        QCOMPARE(f.reportedSize, 131073);
        QCOMPARE(f.unansweredStarts, 2);
        QVERIFY(f.doubleReady);
        QCOMPARE(f.badEndMarkSet, 3);
    } else if (check == QLatin1String("no-answer")) {
        QCOMPARE(f.unansweredStarts, -1);
    } else if (check == QLatin1String("clock")) {
        QCOMPARE(meter.logger().time(1000), kStart.addSecs(1));
        QVERIFY(meter.isRecording());
        QCOMPARE(meter.logger().memory().setCount(), 1);
    } else if (check == QLatin1String("memory")) {
        QCOMPARE(meter.logger().memory().image(), twoSets().image());
    }
}

QTEST_GUILESS_MAIN(TstSimulatedLogger)
#include "tst_simulatedlogger.moc"
