// The control panel's display of each decoded frame: the value texts, the marks refreshed on a
// change of the status bytes with the blink timers, the values the meter's mode shows, the
// HOLD latch, and a panel that comes later.

#include "LiveDecoder.h"
#include "MeterFrames.h"
#include "PanelDisplay.h"

#include <QTest>

#include <map>
#include <optional>

using tc4dl::LiveDecoder;
using tc4dl::Mark;
using tc4dl::MeterFrame;
using namespace tc4dl::testing;

namespace {

const QString kDash = QStringLiteral("-- -- -- --");

class RecordingPanel final : public tc4dl::PanelView {
public:
    void setMarkVisible(Mark m, bool visible) override
    {
        marks[m] = visible;
        ++markCalls;
    }
    void setValueText(int ch, const QString& text) override
    {
        values[ch] = text;
        ++valueCalls;
    }
    void setNoConnectionVisible(bool) override { }
    std::optional<bool> mark(Mark m) const
    {
        return marks.count(m) ? std::optional<bool>(marks.at(m)) : std::nullopt;
    }

    std::map<Mark, bool> marks;
    int markCalls = 0;
    QStringList values { kDash, kDash, kDash, kDash };
    int valueCalls = 0;
};

class RecordingTimers final : public tc4dl::BlinkTimers {
public:
    void setRecTimerEnabled(bool enabled) override
    {
        rec = enabled;
        ++calls;
    }
    void setMaxMinTimerEnabled(bool enabled) override
    {
        maxMin = enabled;
        ++calls;
    }
    std::optional<bool> rec, maxMin;
    int calls = 0;
};

const std::map<QString, Mark> kMarkNames = { { "Rec", Mark::Rec }, { "Hold", Mark::Hold },
    { "Rel", Mark::Rel }, { "Max", Mark::Max }, { "Min", Mark::Min }, { "AutoOff", Mark::AutoOff },
    { "Bat", Mark::Battery }, { "T1C", Mark::T1C }, { "T1F", Mark::T1F }, { "T2C", Mark::T2C },
    { "T2F", Mark::T2F }, { "T3C", Mark::T3C }, { "T3F", Mark::T3F }, { "T4C", Mark::T4C },
    { "T4F", Mark::T4F }, { "LblT3", Mark::LabelT3 }, { "LblT4", Mark::LabelT4 } };

// Four label texts separated by '|', "-" for a channel without value.
QStringList labels(const char* texts)
{
    QStringList list = QString::fromLatin1(texts).split('|');
    for (QString& t : list)
        t = t == "-" ? kDash : t;
    return list;
}

// A decoder and the panel's display with recording timers and, unless told otherwise, a
// recording panel: each frame decoded, then shown.
struct Rig {
    explicit Rig(bool withPanel = true)
    {
        if (withPanel)
            display.setPanel(&panel);
    }
    void decodeFrame(const MeterFrame& frame)
    {
        decoder.decodeFrame(frame);
        display.show(decoder.state().last);
    }
    RecordingTimers timers;
    RecordingPanel panel;
    tc4dl::PanelDisplay display { timers };
    LiveDecoder decoder;
};

// Checks every mark named in `names` (separated by spaces) against `expected`.
bool marksAre(const RecordingPanel& panel, const QString& names, std::optional<bool> expected)
{
    for (const QString& name : names.split(' ', Qt::SkipEmptyParts)) {
        if (panel.mark(kMarkNames.at(name)) != expected) {
            qWarning("mark %s is not as expected", qPrintable(name));
            return false;
        }
    }
    return true;
}

} // namespace

class TestPanelDisplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void valueText_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("whole truncates") << 123.5f << true << en << "123";
        QTest::newRow("whole truncates toward zero") << -12.7f << true << en << "-12";
        QTest::newRow("whole minus half") << -0.5f << true << en << "0";
        QTest::newRow("one decimal") << 23.4f << false << en << "23.4";
        QTest::newRow("negative keeps the decimal") << -5.0f << false << en << "-5.0";
        QTest::newRow("float error hidden") << 0.3f << false << en << "0.3";
        // 2.35f is 2.3499999: seven significant digits make it 2.35 before the one decimal.
        QTest::newRow("rounded to seven digits first") << 2.35f << false << en << "2.4";
        QTest::newRow("German separator") << 23.4f << false << de << "23,4";
        QTest::newRow("no thousands separator") << 1234.5f << false << en << "1234.5";
        QTest::newRow("no German thousands separator") << 1234.5f << false << de << "1234,5";
        QTest::newRow("highest") << 3276.7f << false << en << "3276.7";
        // Only the decimal separator is the locale's; the minus sign stays a hyphen-minus.
        QTest::newRow("Swedish negative")
            << -5.0f << false << QLocale(QLocale::Swedish, QLocale::Sweden) << "-5,0";
    }
    void valueText()
    {
        QFETCH(float, value);
        QFETCH(bool, whole);
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QCOMPARE(tc4dl::valueText(value, whole, locale), expected);
    }

    void marksRefreshOnlyWhenTheStatusPairChanges()
    {
        Rig rig;
        auto& [timers, panel, display, decoder] = rig;
        rig.decodeFrame(Frame(0, 0).current(0, 234)); // the pair starts as 0, 0
        QCOMPARE(panel.markCalls, 0);
        QCOMPARE(timers.calls, 0);
        QCOMPARE(decoder.state().last.unit(), tc4dl::Unit::Fahrenheit);
        QCOMPARE(panel.values.at(0), "23.4");

        rig.decodeFrame(Frame(kCelsius, 0));
        const int marks = panel.markCalls;
        const int timerCalls = timers.calls;
        QVERIFY(marks > 0 && timerCalls > 0);
        rig.decodeFrame(Frame(kCelsius, 0).current(0, 11));
        QCOMPARE(panel.markCalls, marks);
        QCOMPARE(timers.calls, timerCalls);
        QCOMPARE(panel.values.at(0), "1.1");

        rig.decodeFrame(Frame(kCelsius, kAutoOff)); // StatusB alone changes
        QCOMPARE(panel.mark(Mark::AutoOff), true);
        rig.decodeFrame(Frame(kCelsius | kBattery, kAutoOff)); // StatusA alone changes
        QCOMPARE(panel.mark(Mark::Battery), true);
    }

    // A panel opened again while the meter's state stays the same shows its marks at once.
    void panelGivenLaterShowsTheMarksAtOnce()
    {
        Rig rig(false);
        auto& [timers, panel, display, decoder] = rig;
        RecordingPanel early;
        display.setPanel(&early); // nothing decoded yet: nothing to show
        QCOMPARE(early.markCalls, 0);
        display.setPanel(nullptr);
        rig.decodeFrame(Frame(kCelsius, 0));
        rig.decodeFrame(Frame(kCelsius, 0).current(0, 11));
        display.setPanel(&panel);
        QVERIFY(marksAre(panel, "T1C T2C T3C T4C", true));
        QVERIFY(marksAre(panel, "T1F T2F T3F T4F", false));
    }

    void markRefresh_data()
    {
        QTest::addColumn<int>("statusA");
        QTest::addColumn<int>("statusB");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<QString>("untouched");
        QTest::addColumn<bool>("recTimer");
        QTest::addColumn<bool>("maxMinTimer");
        // clang-format off
        QTest::newRow("first frame, Celsius") << int(kCelsius) << 0
            << "T1C T2C T3C T4C LblT3 LblT4"
            << "T1F T2F T3F T4F Rec Hold Rel Max Min AutoOff Bat" << "" << false << false;
        QTest::newRow("Fahrenheit, battery low") << int(kBattery) << 0
            << "T1F T2F T3F T4F Bat LblT3 LblT4" << "T1C T2C T3C T4C" << "" << false << false;
        QTest::newRow("MAX with REL") << (kCelsius | kModeMax | kRel) << 0
            << "Max Rel" << "Min Hold" << "" << false << false;
        QTest::newRow("MIN") << (kCelsius | kModeMin) << 0
            << "Min" << "Max Rel" << "" << false << false;
        QTest::newRow("MAX and MIN blink") << (kCelsius | kModeBlink) << 0
            << "" << "" << "Max Min" << false << true;
        QTest::newRow("REC blinks") << (kCelsius | kRec) << int(kRecBlinks)
            << "" << "" << "Rec" << true << false;
        QTest::newRow("REC steady") << (kCelsius | kRec) << 0
            << "Rec" << "" << "" << false << false;
        QTest::newRow("HOLD, auto power-off") << (kCelsius | kHold) << int(kAutoOff)
            << "Hold AutoOff" << "Rec" << "" << false << false;
        QTest::newRow("T1-T2 Celsius") << (kCelsius | kDiff) << 0
            << "T1C T2C T4C" << "T3C T3F LblT3 LblT4 T1F T2F T4F" << "" << false << false;
        QTest::newRow("T1-T2 Fahrenheit") << int(kDiff) << 0
            << "T1F T2F T4F" << "T3C T3F LblT3 LblT4" << "" << false << false;
        QTest::newRow("unknown bits of StatusB") << int(kCelsius) << 0x7E
            << "T1C" << "AutoOff Rec" << "" << false << false;
        // clang-format on
    }
    void markRefresh()
    {
        QFETCH(int, statusA);
        QFETCH(int, statusB);
        QFETCH(QString, shown);
        QFETCH(QString, hidden);
        QFETCH(QString, untouched);
        QFETCH(bool, recTimer);
        QFETCH(bool, maxMinTimer);
        Rig rig;
        auto& [timers, panel, display, decoder] = rig;
        rig.decodeFrame(Frame(static_cast<quint8>(statusA), static_cast<quint8>(statusB)));
        QCOMPARE(decoder.state().last.celsius(), bool(statusA & kCelsius));
        QVERIFY(marksAre(panel, shown, true));
        QVERIFY(marksAre(panel, hidden, false));
        QVERIFY(marksAre(panel, untouched, std::nullopt));
        QCOMPARE(timers.rec, recTimer);
        QCOMPARE(timers.maxMin, maxMinTimer);
    }

    void shownValues_data()
    {
        QTest::addColumn<int>("statusA");
        QTest::addColumn<QByteArray>("noValue"); // bytes 39..42: current, reference, MAX, MIN
        QTest::addColumn<QStringList>("texts");
        const QByteArray m("\x08\x02\x04\x01", 4);
        const int c = kCelsius;
        // clang-format off
        QTest::newRow("normal") << c << m << labels("23.4|10.0|30.0|-");
        QTest::newRow("normal REL") << (c | kRel) << m << labels("20.0|-|25.0|-");
        QTest::newRow("REL, only the reference marked") << (c | kRel)
            << QByteArray("\x00\x02\x00\x00", 4) << labels("20.0|-|25.0|30.0");
        QTest::newRow("MAX") << (c | kModeMax) << m << labels("51.2|52.2|-|54.2");
        QTest::newRow("MAX REL") << (c | kModeMax | kRel) << m << labels("51.2|52.2|-|54.2");
        QTest::newRow("MIN") << (c | kModeMin) << m << labels("-|-2.2|-3.2|-4.2");
        QTest::newRow("MIN REL") << (c | kModeMin | kRel) << m << labels("-|-2.2|-3.2|-4.2");
        QTest::newRow("blinking") << (c | kModeBlink) << m << labels("23.4|10.0|30.0|-");
        QTest::newRow("blinking REL") << (c | kModeBlink | kRel) << m << labels("20.0|-|25.0|-");
        // clang-format on
    }
    void shownValues()
    {
        QFETCH(int, statusA);
        QFETCH(QByteArray, noValue);
        QFETCH(QStringList, texts);
        Frame f(static_cast<quint8>(statusA));
        const int current[4] = { 234, 100, 300, 400 };
        const int reference[4] = { 34, 20, 50, 100 };
        for (int ch = 0; ch < 4; ++ch) {
            f.current(ch, current[ch]).reference(ch, reference[ch]);
            f.minimum(ch, -12 - 10 * ch).maximum(ch, 512 + 10 * ch);
        }
        for (int i = 0; i < 4; ++i)
            f.noValue(i, noValue.at(i));
        Rig rig;
        auto& [timers, panel, display, decoder] = rig;
        rig.decodeFrame(f);
        QCOMPARE(panel.values, texts);
        // CurrentValues are the current readings whatever the panel shows.
        QCOMPARE(
            decoder.state().currentValues, (std::array<float, 4> { 23.4f, 10.0f, 30.0f, 40.0f }));
    }

    void valueLabels_data()
    {
        QTest::addColumn<int>("statusA");
        QTest::addColumn<QList<int>>("tenths"); // T1..T4
        QTest::addColumn<int>("noValue"); // byte 39
        QTest::addColumn<int>("whole"); // byte 43
        QTest::addColumn<QStringList>("texts");
        const int d = kCelsius | kDiff;
        const QList<int> v { 234, 100, 1235, -127 };
        const QList<int> w { 0, 0, -5, 0 };
        const QList<int> n { 100, 234, 0, 0 };
        const int c = kCelsius;
        // T1-T2 display
        // clang-format off
        QTest::newRow("difference") << d << v << 0 << 0 << labels("23.4|10.0|1 -- 2|13.4");
        QTest::newRow("T2 no value") << d << v << 2 << 0 << labels("23.4|-|1 -- 2|-");
        QTest::newRow("T1 no value") << d << v << 1 << 0 << labels("-|10.0|1 -- 2|-");
        QTest::newRow("T3 T4 unused") << d << v << 12 << 12 << labels("23.4|10.0|1 -- 2|13.4");
        QTest::newRow("whole by T2") << d << v << 0 << 2 << labels("23.4|10|1 -- 2|13");
        QTest::newRow("whole by T1") << d << v << 0 << 1 << labels("23|10.0|1 -- 2|13");
        QTest::newRow("negative whole") << d << n << 0 << 1 << labels("10|23.4|1 -- 2|-13");
        // T3 and T4
        QTest::newRow("T3 whole") << c << v << 0 << 4 << labels("23.4|10.0|123|-12.7");
        QTest::newRow("T3 whole, minus half") << c << w << 0 << 4 << labels("0.0|0.0|0|0.0");
        QTest::newRow("T4 whole") << c << v << 0 << 8 << labels("23.4|10.0|123.5|-12");
        QTest::newRow("high bits") << c << v << 0xF0 << 0xF0 << labels("23.4|10.0|123.5|-12.7");
        // clang-format on
    }
    void valueLabels()
    {
        QFETCH(int, statusA);
        QFETCH(QList<int>, tenths);
        QFETCH(int, noValue);
        QFETCH(int, whole);
        QFETCH(QStringList, texts);
        Frame f(static_cast<quint8>(statusA));
        for (int ch = 0; ch < 4; ++ch)
            f.current(ch, tenths.at(ch));
        Rig rig;
        auto& [timers, panel, display, decoder] = rig;
        rig.decodeFrame(f.noValue(0, noValue).whole(whole));
        QCOMPARE(panel.values, texts);
    }

    void valuesFollowTheDefaultLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Rig rig;
        auto& [timers, panel, display, decoder] = rig;
        rig.decodeFrame(Frame().current(0, 234).current(1, 12345));
        QCOMPARE(panel.values.at(0), "23,4");
        QCOMPARE(panel.values.at(1), "1234,5");
    }

    void holdLatch()
    {
        Rig rig;
        auto& [timers, panel, display, decoder] = rig;
        struct Step {
            bool hold;
            int tenths;
            const char* shown;
        };
        // The first HOLD frame still writes; the next HOLD frames and the first frame after
        // HOLD do not; the frame after that does.
        const Step steps[] = { { false, 100, "10.0" }, { true, 200, "20.0" }, { true, 300, "20.0" },
            { false, 400, "20.0" }, { false, 500, "50.0" }, { true, 600, "60.0" } };
        for (const Step& s : steps) {
            rig.decodeFrame(Frame(s.hold ? kCelsius | kHold : kCelsius).current(0, s.tenths));
            QCOMPARE(panel.values.at(0), QString::fromLatin1(s.shown));
            QCOMPARE(decoder.state().currentValues[0], s.tenths / 10.0f);
            QCOMPARE(display.holdLatched(), s.hold);
        }
    }

    void withoutPanel()
    {
        Rig rig(false);
        auto& [timers, panel, display, decoder] = rig;
        rig.decodeFrame(Frame(kCelsius | kHold | kModeBlink | kRec, kRecBlinks).current(3, -55));
        QCOMPARE(timers.rec, true);
        QCOMPARE(timers.maxMin, true);
        const tc4dl::LiveState& s = decoder.state();
        QVERIFY(s.last.celsius());
        QVERIFY(s.meterRecording);
        QCOMPARE(s.meterMode, tc4dl::MeterMode::MaxMinBlinking);
        QCOMPARE(s.currentValues[3], -5.5f);
        QVERIFY(display.holdLatched()); // latched even though no labels were written

        // A panel that appears later shows the marks of the meter's state at once, and keeps
        // its labels until HOLD is over and one more frame has passed.
        display.setPanel(&panel);
        QVERIFY(marksAre(panel, "Hold T1C T2C T3C T4C", true));
        QVERIFY(marksAre(panel, "T1F", false));
        const int marks = panel.markCalls;
        rig.decodeFrame(Frame(kCelsius | kHold | kModeBlink | kRec, kRecBlinks));
        QCOMPARE(panel.markCalls, marks);
        QCOMPARE(panel.valueCalls, 0);
        rig.decodeFrame(Frame(kCelsius | kModeBlink | kRec, kRecBlinks).current(0, 11));
        QVERIFY(marksAre(panel, "Hold", false));
        QCOMPARE(panel.valueCalls, 0);
        rig.decodeFrame(Frame(kCelsius | kModeBlink | kRec, kRecBlinks).current(0, 12));
        QCOMPARE(panel.values.at(0), "1.2");
    }
};

QTEST_GUILESS_MAIN(TestPanelDisplay)
#include "tst_paneldisplay.moc"
