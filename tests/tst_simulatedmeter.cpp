#include "Clock.h"
#include "ManualClock.h"
#include "PtyMeterServer.h"
#include "SimulatedMeter.h"
#include "SimulatedSerialPort.h"

#include <QTest>

#include <cmath>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace tc4dl;

namespace {

// Decodes a reading the way the link does: signed 16-bit tenths, high byte first.
double decodeAt(const QByteArray& frame, int offset)
{
    const auto hi = static_cast<quint8>(frame.at(offset));
    const auto lo = static_cast<quint8>(frame.at(offset + 1));
    return static_cast<qint16>(static_cast<quint16>((hi << 8) | lo)) / 10.0;
}

quint8 byteAt(const QByteArray& frame, int offset)
{
    return static_cast<quint8>(frame.at(offset));
}

// Half a tenth, plus room for the float error of values such as 21.45.
constexpr double kTolerance = 0.05 + 1e-9;
constexpr int kCurrent = 7, kReference = 15, kMin = 23, kMax = 31;

bool near(double a, double b)
{
    return std::abs(a - b) <= kTolerance;
}

struct Recorder {
    QList<int> times;
    QList<int> sizes;
    QByteArray bytes;
    QList<PortError::Operation> errors;

    void attach(SimulatedSerialPort& port, const Clock& clock)
    {
        port.setOnRxChar([this, &port, &clock] {
            char buffer[256];
            const qint64 n = port.readBytes(buffer, sizeof buffer);
            times << static_cast<int>(clock.tickMs());
            sizes << static_cast<int>(n);
            bytes.append(buffer, n);
        });
        port.setOnError([this](const PortError& e) {
            errors << e.operation;
            return ErrorAction::Abort;
        });
    }
};

} // namespace

class TstSimulatedMeter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void frameCarriesTheDisplay_data();
    void frameCarriesTheDisplay();
    void driftFollowsSeedAndTime();
    void identifyAnswers_data();
    void identifyAnswers();
    void keysChangeStatus_data();
    void keysChangeStatus();
    void holdFreezesReadingsAndExtremes();
    void fahrenheitConvertsEveryReading_data();
    void fahrenheitConvertsEveryReading();
    void relativeKeepsReferences();
    void maxMinRunUntilReset();
    void openAndOverRangeChannels();
    void setterMarks();
    void otherDeviceAndJunk();
    void silenceSchedule_data();
    void silenceSchedule();
    void silentMeterIgnoresKeys();

    void portDeliveryTiming_data();
    void portDeliveryTiming();
    void unplugReportsOnceAndFails();
    void openingAndReading();

    void ptyRoundTrip();
};

void TstSimulatedMeter::frameCarriesTheDisplay_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<qint64>("timeMs");
    QTest::newRow("start") << 1u << qint64 { 0 };
    QTest::newRow("an hour on") << 1u << qint64 { 3'600'000 };
    QTest::newRow("other seed") << 77u << qint64 { 123'456 };
}

void TstSimulatedMeter::frameCarriesTheDisplay()
{
    QFETCH(quint32, seed);
    QFETCH(qint64, timeMs);
    SimulatedMeter meter(MeterOptions { .seed = seed });
    const QByteArray f = meter.frame(timeMs);
    QCOMPARE(f.size(), 45);
    QCOMPARE(byteAt(f, 0), 0x02);
    QCOMPARE(byteAt(f, 44), 0x03);
    QCOMPARE(f.mid(3, 4), QByteArray(4, '\0'));
    QCOMPARE(byteAt(f, 1), 0x80); // Celsius, nothing else
    QCOMPARE(f.mid(39, 5), QByteArray(5, '\0'));
    for (int ch = 0; ch < 4; ++ch) {
        const double value = *meter.reading(ch, timeMs);
        QVERIFY2(near(decodeAt(f, kCurrent + 2 * ch), value), qPrintable(QString::number(ch)));
        // The first frame starts MAX and MIN at the current reading.
        QVERIFY(near(decodeAt(f, kMax + 2 * ch), value));
        QVERIFY(near(decodeAt(f, kMin + 2 * ch), value));
        const bool warm = ch == 2;
        QVERIFY2(value > (warm ? 30.0 : 20.0) && value < (warm ? 45.0 : 25.0),
            qPrintable(QString::number(value)));
    }
}

void TstSimulatedMeter::driftFollowsSeedAndTime()
{
    SimulatedMeter a, b, other(MeterOptions { .seed = 2 });
    QCOMPARE(a.frame(5000), b.frame(5000));
    QVERIFY(a.frame(5000).mid(7, 8) != other.frame(5000).mid(7, 8));
    QVERIFY(a.frame(5000).mid(7, 8) != a.frame(125'000).mid(7, 8));
}

void TstSimulatedMeter::identifyAnswers_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("740 by default")
        << 740 << QList<QByteArray> {} << QList<QByteArray> { "740\r\n", "740\r\n", "740\r\n" };
    QTest::newRow("735 by default")
        << 735 << QList<QByteArray> {} << QList<QByteArray> { "735\r\n", "735\r\n", "735\r\n" };
    QTest::newRow("sequence, last repeats") << 740 << QList<QByteArray> { "xx74", "0\r\n" }
                                            << QList<QByteArray> { "xx74", "0\r\n", "0\r\n" };
    QTest::newRow("first unanswered") << 740 << QList<QByteArray> { "", "735\r\n" }
                                      << QList<QByteArray> { "", "735\r\n", "735\r\n" };
}

void TstSimulatedMeter::identifyAnswers()
{
    QFETCH(int, model);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QList<QByteArray>, expected);
    SimulatedMeter meter(MeterOptions { .model = model, .identifyAnswers = answers });
    for (const QByteArray& want : expected) {
        QCOMPARE(meter.receive('K', 0), want);
        // A poll between identifications does not move the sequence on.
        QCOMPARE(meter.receive('A', 0).size(), 45);
    }
}

void TstSimulatedMeter::keysChangeStatus_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<int>("statusA");
    QTest::addColumn<int>("statusB");
    QTest::newRow("HOLD") << QByteArray("H") << 0xA0 << 0x00;
    QTest::newRow("HOLD twice") << QByteArray("HH") << 0x80 << 0x00;
    QTest::newRow("REC blinks") << QByteArray("E") << 0x81 << 0x01;
    QTest::newRow("REC twice") << QByteArray("EE") << 0x80 << 0x00;
    QTest::newRow("Fahrenheit") << QByteArray("C") << 0x00 << 0x00;
    QTest::newRow("T1-T2") << QByteArray("T") << 0x88 << 0x00;
    QTest::newRow("MAX") << QByteArray("M") << 0x82 << 0x00;
    QTest::newRow("MIN") << QByteArray("MM") << 0x84 << 0x00;
    QTest::newRow("MAX and MIN") << QByteArray("MMM") << 0x86 << 0x00;
    QTest::newRow("round to MAX") << QByteArray("MMMM") << 0x82 << 0x00;
    QTest::newRow("leave MAX/MIN") << QByteArray("MMN") << 0x80 << 0x00;
    QTest::newRow("leave in normal") << QByteArray("N") << 0x80 << 0x00;
    QTest::newRow("unknown bytes") << QByteArray("Zhm\x7F") << 0x80 << 0x00;
    QTest::newRow("all at once") << QByteArray("HETCM") << 0x2B << 0x01;
}

void TstSimulatedMeter::keysChangeStatus()
{
    QFETCH(QByteArray, keys);
    QFETCH(int, statusA);
    QFETCH(int, statusB);
    SimulatedMeter meter;
    for (const char key : keys)
        QVERIFY(meter.receive(key, 0).isEmpty());
    QCOMPARE(meter.received(), keys);
    const QByteArray f = meter.frame(0);
    QCOMPARE(byteAt(f, 1), statusA);
    QCOMPARE(byteAt(f, 2), statusB);
}

void TstSimulatedMeter::holdFreezesReadingsAndExtremes()
{
    SimulatedMeter meter;
    meter.setTemperature(0, 20.0);
    meter.frame(0);
    meter.receive('H', 1000);
    const QByteArray held = meter.frame(1000);
    meter.setTemperature(0, 30.0);
    const QByteArray later = meter.frame(600'000);
    QCOMPARE(later.mid(kCurrent, 8), held.mid(kCurrent, 8)); // drifting channels too
    QVERIFY(near(decodeAt(later, kCurrent), 20.0));
    QVERIFY(near(decodeAt(later, kMax), 20.0));
    meter.receive('H', 600'000);
    const QByteArray released = meter.frame(600'000);
    QVERIFY(near(decodeAt(released, kCurrent), 30.0));
    QVERIFY(near(decodeAt(released, kMax), 30.0));
}

void TstSimulatedMeter::fahrenheitConvertsEveryReading_data()
{
    QTest::addColumn<double>("celsius");
    QTest::addColumn<double>("fahrenheit");
    QTest::newRow("freezing") << 0.0 << 32.0;
    QTest::newRow("boiling") << 100.0 << 212.0;
    QTest::newRow("equal scales") << -40.0 << -40.0;
    QTest::newRow("room") << 21.5 << 70.7;
    QTest::newRow("cold end") << -200.0 << -328.0;
    QTest::newRow("hot end") << 1370.0 << 2498.0;
}

void TstSimulatedMeter::fahrenheitConvertsEveryReading()
{
    QFETCH(double, celsius);
    QFETCH(double, fahrenheit);
    SimulatedMeter meter;
    meter.setTemperature(0, celsius);
    meter.frame(0);
    meter.setRelative(true, 0);
    meter.receive('C', 0);
    const QByteArray f = meter.frame(0);
    QCOMPARE(byteAt(f, 1) & 0x80, 0);
    for (const int offset : { kCurrent, kReference, kMin, kMax })
        QVERIFY2(near(decodeAt(f, offset), fahrenheit), qPrintable(QString::number(offset)));
    meter.receive('C', 0);
    QVERIFY(near(decodeAt(meter.frame(0), kMax), celsius));
}

void TstSimulatedMeter::relativeKeepsReferences()
{
    SimulatedMeter meter;
    meter.setChannelOpen(3, true);
    meter.setTemperature(0, 25.0);
    meter.setRelative(true, 0);
    meter.setTemperature(0, 27.3);
    QByteArray f = meter.frame(1000);
    QCOMPARE(byteAt(f, 1), 0x90);
    QVERIFY(near(decodeAt(f, kCurrent), 27.3));
    QVERIFY(near(decodeAt(f, kReference), 25.0));
    QVERIFY(near(decodeAt(f, kReference + 2), *meter.reading(1, 0)));
    QCOMPARE(byteAt(f, 40), 0x08); // the open channel has no reference
    meter.setRelative(false, 2000);
    f = meter.frame(2000);
    QCOMPARE(byteAt(f, 1), 0x80);
    QCOMPARE(f.mid(kReference, 6), QByteArray(6, '\0'));
}

void TstSimulatedMeter::maxMinRunUntilReset()
{
    SimulatedMeter meter;
    for (const double t : { 20.0, 25.0, 15.0, 18.0 }) {
        meter.setTemperature(0, t);
        meter.frame(0);
    }
    meter.receive('M', 0); // choosing a view keeps the extremes
    QByteArray f = meter.frame(0);
    QVERIFY(near(decodeAt(f, kMax), 25.0));
    QVERIFY(near(decodeAt(f, kMin), 15.0));
    meter.receive('N', 0);
    f = meter.frame(0);
    QVERIFY(near(decodeAt(f, kMax), 18.0));
    QVERIFY(near(decodeAt(f, kMin), 18.0));
}

void TstSimulatedMeter::openAndOverRangeChannels()
{
    SimulatedMeter meter;
    meter.setChannelOpen(1, true);
    meter.setTemperature(2, 100.0);
    meter.frame(0);
    meter.setOverRange(2, true);
    QByteArray f = meter.frame(0);
    for (int offset = 39; offset <= 42; ++offset)
        QCOMPARE(byteAt(f, offset), 0x02);
    QCOMPARE(f.mid(kCurrent + 4, 2), QByteArray("\x7F\xFF"));
    QVERIFY(decodeAt(f, kCurrent + 4) > 3000.0);
    meter.receive('C', 0);
    QCOMPARE(meter.frame(0).mid(kCurrent + 4, 2), QByteArray("\x7F\xFF"));
    meter.receive('C', 0);
    // Back in range: MAX remembers the overload until reset, MIN the real low.
    meter.setOverRange(2, false);
    f = meter.frame(0);
    QVERIFY(near(decodeAt(f, kCurrent + 4), 100.0));
    QVERIFY(decodeAt(f, kMax + 4) > 3000.0);
    QVERIFY(near(decodeAt(f, kMin + 4), 100.0));
    meter.setChannelOpen(1, false);
    QCOMPARE(meter.frame(0).mid(39, 4), QByteArray(4, '\0'));
}

void TstSimulatedMeter::setterMarks()
{
    SimulatedMeter meter;
    meter.setBatteryLow(true);
    meter.setAutoPowerOff(true);
    meter.setWholeDegrees(0, true);
    meter.setWholeDegrees(3, true);
    meter.setMaxMinMode(MeterMode::MaxMinBlinking);
    const QByteArray f = meter.frame(0);
    QCOMPARE(byteAt(f, 1), 0xC6);
    QCOMPARE(byteAt(f, 2), 0x80);
    QCOMPARE(byteAt(f, 43), 0x09);
}

void TstSimulatedMeter::otherDeviceAndJunk()
{
    SimulatedMeter other(MeterOptions { .otherDevice = true });
    for (const char byte : { 'K', 'A', 'H' }) {
        const QByteArray reply = other.receive(byte, 0);
        QVERIFY(reply.size() >= 4);
        QVERIFY(!reply.contains("740") && !reply.contains("735") && !reply.contains('\x02'));
    }
    SimulatedMeter noisy(MeterOptions { .junkBetweenFrames = 50 });
    for (int poll = 0; poll < 3; ++poll) {
        const QByteArray reply = noisy.receive('A', 0);
        QCOMPARE(reply.size(), 95);
        QVERIFY(!reply.left(50).contains('\x02'));
        QCOMPARE(reply.mid(50), noisy.frame(0));
    }
}

void TstSimulatedMeter::silenceSchedule_data()
{
    QTest::addColumn<int>("silentAfter");
    QTest::addColumn<int>("resumeAfter");
    QTest::addColumn<QString>("answered"); // one character per poll
    QTest::newRow("always answers") << -1 << -1 << "11111111";
    QTest::newRow("stops after 3") << 3 << -1 << "11100000";
    QTest::newRow("back after 2 more") << 3 << 2 << "11100111";
    QTest::newRow("silent at first") << 0 << 1 << "01111111";
}

void TstSimulatedMeter::silenceSchedule()
{
    QFETCH(int, silentAfter);
    QFETCH(int, resumeAfter);
    QFETCH(QString, answered);
    SimulatedMeter meter(
        MeterOptions { .silentAfterPolls = silentAfter, .resumeAfterPolls = resumeAfter });
    QString got;
    for (int poll = 0; poll < answered.size(); ++poll)
        got += meter.receive('A', poll * 1000).isEmpty() ? u'0' : u'1';
    QCOMPARE(got, answered);
}

void TstSimulatedMeter::silentMeterIgnoresKeys()
{
    SimulatedMeter meter;
    meter.setSilent(true);
    for (const char byte : { 'K', 'A', 'H', 'C' })
        QVERIFY(meter.receive(byte, 0).isEmpty());
    QCOMPARE(meter.received(), QByteArray("KAHC"));
    meter.setSilent(false);
    QCOMPARE(byteAt(meter.receive('A', 0), 1), 0x80);
}

void TstSimulatedMeter::portDeliveryTiming_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<int>("split");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QList<int>>("times"); // of each receive event, ms
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("paced frame") << true << 0 << QByteArray("A") << QList<int> { 47 }
                                 << QList<int> { 45 };
    QTest::newRow("unpaced frame")
        << false << 0 << QByteArray("A") << QList<int> { 0 } << QList<int> { 45 };
    QTest::newRow("paced split") << true << 20 << QByteArray("A") << QList<int> { 21, 42, 47 }
                                 << QList<int> { 20, 20, 5 };
    QTest::newRow("unpaced split")
        << false << 20 << QByteArray("A") << QList<int> { 0, 0, 0 } << QList<int> { 20, 20, 5 };
    QTest::newRow("polls queue on the line")
        << true << 0 << QByteArray("AKA") << QList<int> { 47, 53, 99 } << QList<int> { 45, 5, 45 };
    QTest::newRow("keys get nothing")
        << true << 0 << QByteArray("HECTMN") << QList<int> {} << QList<int> {};
}

void TstSimulatedMeter::portDeliveryTiming()
{
    QFETCH(bool, paced);
    QFETCH(int, split);
    QFETCH(QByteArray, written);
    QFETCH(QList<int>, times);
    QFETCH(QList<int>, sizes);
    ManualClock clock;
    SimulatedSerialPort port(clock);
    port.setPaced(paced);
    port.setSplitChunk(split);
    Recorder rec;
    rec.attach(port, clock);
    QVERIFY(port.setActive(true));
    QVERIFY(port.writeBytes(written.constData(), written.size()));
    QCOMPARE(port.meter().received(), written); // at once, before any reply
    QCOMPARE(port.waitingCount(), 0);
    clock.advance(500);
    QCOMPARE(rec.times, times);
    QCOMPARE(rec.sizes, sizes);
    QVERIFY(rec.errors.isEmpty());
    if (!sizes.isEmpty())
        QCOMPARE(rec.bytes.left(45), port.meter().frame(0));
}

void TstSimulatedMeter::unplugReportsOnceAndFails()
{
    ManualClock clock;
    SimulatedSerialPort port(clock);
    Recorder rec;
    rec.attach(port, clock);
    QVERIFY(port.setActive(true));
    QVERIFY(port.writeByte('A'));
    port.unplug();
    port.unplug();
    clock.advance(500);
    QCOMPARE(rec.errors, QList<PortError::Operation> { PortError::Operation::Hangup });
    QVERIFY(!port.isActive());
    QVERIFY(rec.sizes.isEmpty()); // the frame on its way is lost
    char buffer[8];
    QCOMPARE(port.readBytes(buffer, sizeof buffer), -1);
    QVERIFY(!port.writeByte('A'));
    QVERIFY(!port.setActive(true));
    using Op = PortError::Operation;
    QCOMPARE(rec.errors, (QList<Op> { Op::Hangup, Op::Read, Op::Write, Op::Open }));
    port.replug();
    QVERIFY(port.setActive(true));
    QVERIFY(port.writeByte('A'));
    clock.advance(500);
    QCOMPARE(rec.sizes, QList<int> { 45 });
    QCOMPARE(rec.errors.size(), 4);
}

void TstSimulatedMeter::openingAndReading()
{
    ManualClock clock;
    SimulatedSerialPort port(clock);
    port.setPaced(false);
    port.setOpenFails(true);
    QVERIFY(!port.setActive(true));
    QVERIFY(!port.isActive());
    port.setOpenFails(false);
    QVERIFY(port.setActive(true));
    QVERIFY(!port.setDeviceName(QStringLiteral("COM3")));
    QCOMPARE(port.deviceName(), QLatin1String(ports::kSimulatedMeter));

    // Opening again drops what arrived and what was on its way.
    QVERIFY(port.writeBytes("AA", 2));
    clock.runDue();
    QCOMPARE(port.waitingCount(), 90);
    QVERIFY(port.writeByte('A'));
    QVERIFY(port.setActive(false));
    QCOMPARE(port.waitingCount(), 0);
    QVERIFY(port.setActive(true));
    clock.runDue();
    QCOMPARE(port.waitingCount(), 0);

    QVERIFY(port.writeByte('A'));
    clock.runDue();
    char buffer[64];
    QCOMPARE(port.readBytes(buffer, 10), 10);
    QCOMPARE(port.waitingCount(), 35);
    QCOMPARE(port.readBytes(buffer, sizeof buffer), 35);
    QCOMPARE(port.readBytes(buffer, sizeof buffer), 0);
    QVERIFY(port.writeByte('A'));
    clock.runDue();
    QVERIFY(port.discardInput());
    QCOMPARE(port.waitingCount(), 0);
}

void TstSimulatedMeter::ptyRoundTrip()
{
#ifndef Q_OS_UNIX
    QSKIP("no pseudo-terminals on this system");
#else
    SystemClock clock;
    SimulatedMeter meter;
    PtyMeterServer server(clock, meter);
    if (!server.start())
        QSKIP(qPrintable(server.errorString()));
    const QByteArray path = server.devicePath().toLocal8Bit();
    // Twice: a client that closes and comes back finds the meter still there.
    for (int round = 0; round < 2; ++round) {
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY2(fd >= 0, path.constData());
        QCOMPARE(::write(fd, "A", 1), ssize_t { 1 });
        QByteArray got;
        const auto readSome = [&] {
            char buffer[128];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
            return got.size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(readSome() >= 45, 5000);
        ::close(fd);
        QCOMPARE(got.size(), 45);
        QCOMPARE(byteAt(got, 0), 0x02);
        QCOMPARE(byteAt(got, 44), 0x03);
    }
    QCOMPARE(meter.received(), QByteArray("AA"));
#endif
}

QTEST_GUILESS_MAIN(TstSimulatedMeter)
#include "tst_simulatedmeter.moc"
