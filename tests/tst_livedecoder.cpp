// The live reading decoder: two bytes as a reading, the value limits, and the state each frame
// leaves (what the control panel shows of it is the panel display's test).

#include "LiveDecoder.h"
#include "MeterFrames.h"

#include <QTest>

#include <cmath>
#include <limits>

using tc4dl::LiveDecoder;
using tc4dl::MeterFrame;
using namespace tc4dl::testing;

class TestLiveDecoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void decodeReading_data()
    {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("tenths");
        QTest::addColumn<float>("degrees");
        QTest::newRow("23.4") << 0x00 << 0xEA << 234 << 23.4f;
        QTest::newRow("minus one tenth") << 0xFF << 0xFF << -1 << -0.1f;
        QTest::newRow("minus 20") << 0xFF << 0x38 << -200 << -20.0f;
        QTest::newRow("lowest") << 0x80 << 0x00 << -32768 << -3276.8f;
        QTest::newRow("highest") << 0x7F << 0xFF << 32767 << 3276.7f;
        QTest::newRow("low byte above 0x7f") << 0x01 << 0x80 << 384 << 38.4f;
    }
    void decodeReading()
    {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(int, tenths);
        QFETCH(float, degrees);
        const auto h = static_cast<quint8>(high);
        const auto l = static_cast<quint8>(low);
        QCOMPARE(tc4dl::decodeReading(h, l), tenths);
        QCOMPARE(tc4dl::readingDegrees(h, l), degrees);
    }

    void isOverLimit_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<bool>("over");
        QTest::newRow("3000") << 3000.0f << false;
        QTest::newRow("3000.1") << 3000.1f << true;
        QTest::newRow("-3000") << -3000.0f << false;
        QTest::newRow("-3000.1") << -3000.1f << true;
        QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << true;
        QTest::newRow("0") << 0.0f << false;
    }
    void isOverLimit()
    {
        QFETCH(float, value);
        QFETCH(bool, over);
        QCOMPARE(tc4dl::isOverLimit(value), over);
    }

    // The state every frame leaves, whatever a panel shows of it.
    void stateOfTheLastFrame_data()
    {
        QTest::addColumn<int>("statusA");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<tc4dl::MeterMode>("mode");
        QTest::addColumn<tc4dl::Unit>("unit");
        QTest::newRow("normal, Celsius")
            << int(kCelsius) << false << tc4dl::MeterMode::Normal << tc4dl::Unit::Celsius;
        QTest::newRow("MAX, Fahrenheit")
            << int(kModeMax) << false << tc4dl::MeterMode::Max << tc4dl::Unit::Fahrenheit;
        QTest::newRow("MIN, recording") << (kCelsius | kModeMin | kRec) << true
                                        << tc4dl::MeterMode::Min << tc4dl::Unit::Celsius;
        QTest::newRow("blinking, HOLD")
            << (kModeBlink | kHold) << false << tc4dl::MeterMode::MaxMinBlinking
            << tc4dl::Unit::Fahrenheit;
    }
    void stateOfTheLastFrame()
    {
        QFETCH(int, statusA);
        LiveDecoder decoder;
        decoder.decodeFrame(Frame(static_cast<quint8>(statusA)).current(3, -55));
        const tc4dl::LiveState& s = decoder.state();
        QTEST(s.meterRecording, "recording");
        QTEST(s.meterMode, "mode");
        QTEST(s.last.unit(), "unit");
        QCOMPARE(s.currentValues[3], -5.5f);
        QCOMPARE(s.last.statusA, quint8(statusA));
    }
};

QTEST_GUILESS_MAIN(TestLiveDecoder)
#include "tst_livedecoder.moc"
