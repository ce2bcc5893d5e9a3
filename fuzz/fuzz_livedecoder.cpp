// The live decoder and the panel's display fed hostile frames, one after another, with the
// panel's value texts.
// Rules:
// - every reading lies within what two bytes of tenths can say (±3276.8);
// - the panel gets four value texts per frame (none while HOLD was latched by the frame
//   before), each a number that stands for the value shown, a no-value mark or "1 -- 2";
// - a number text has one decimal (or none for whole degrees), no "-0.0", and only its
//   separator changes with the locale;
// - marks change only when the status bytes do, and never show °C and °F together.

#include "FuzzRule.h"
#include "LiveDecoder.h"
#include "PanelDisplay.h"

#include <QRegularExpression>

#include <cmath>
#include <map>
#include <vector>

using namespace tc4dl;

namespace {

struct Timers : BlinkTimers {
    void setRecTimerEnabled(bool) override { ++calls; }
    void setMaxMinTimerEnabled(bool) override { ++calls; }
    int calls = 0;
};

struct Panel : PanelView {
    void setMarkVisible(Mark mark, bool visible) override
    {
        marks[mark] = visible;
        ++markCalls;
    }
    void setValueText(int channel, const QString& text) override
    {
        channels.push_back(channel);
        texts.push_back(text);
    }
    void setNoConnectionVisible(bool) override { }
    std::map<Mark, bool> marks;
    int markCalls = 0;
    std::vector<int> channels;
    std::vector<QString> texts;
};

void checkNumberText(const QString& text, float value, bool wholeDegrees)
{
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+[.,][0-9]$"));
    static const QRegularExpression whole(QStringLiteral("^-?[0-9]+$"));
    FUZZ_RULE((wholeDegrees ? whole : decimal).match(text).hasMatch());
    FUZZ_RULE(text != QStringLiteral("-0.0") && text != QStringLiteral("-0,0"));
    bool ok = false;
    const double shown = QString(text).replace(u',', u'.').toDouble(&ok);
    FUZZ_RULE(ok);
    if (wholeDegrees)
        FUZZ_RULE(shown == std::trunc(static_cast<double>(value)));
    else
        FUZZ_RULE(std::fabs(shown - static_cast<double>(value)) <= 0.05 + 1e-4);
}

void checkValueTexts(float value)
{
    static const QLocale plain = QLocale::c();
    static const QLocale german(QLocale::German, QLocale::Germany);
    const QString c = valueText(value, false, plain);
    checkNumberText(c, value, false);
    FUZZ_RULE(valueText(value, false, german) == QString(c).replace(u'.', u','));
    checkNumberText(valueText(value, true, plain), value, true);
}

void checkReading(const MeterFrame& f, const LiveReading& r)
{
    FUZZ_RULE(static_cast<int>(r.meterMode) == (f[1] & 0x06));
    for (int n = 0; n < 4; ++n) {
        for (float v : { r.current[n], r.minValues[n], r.maxValues[n] }) {
            FUZZ_RULE(std::fabs(v) <= 3276.8f);
            checkValueTexts(v);
        }
        FUZZ_RULE(r.current[n] == readingDegrees(f[7 + 2 * n], f[8 + 2 * n]));
    }
}

// The four texts of one frame against the values the display says it shows.
void checkPanelTexts(const Panel& panel, const PanelDisplay& s, const LiveReading& r)
{
    FUZZ_RULE(panel.channels == (std::vector<int> { 0, 1, 2, 3 }));
    const quint8 whole = r.wholeDegreeMarks;
    for (int n = 0; n < 4; ++n) {
        const QString& text = panel.texts[static_cast<std::size_t>(n)];
        if (text == kNoValueText)
            continue;
        if (r.t1MinusT2() && n == 2) {
            FUZZ_RULE(text == QStringLiteral("1 -- 2"));
        } else if (r.t1MinusT2() && n == 3) {
            checkNumberText(text, s.shownValues()[0] - s.shownValues()[1], whole & 0x03);
        } else {
            FUZZ_RULE(!(s.shownMarks() & (1 << n)));
            checkNumberText(text, s.shownValues()[static_cast<std::size_t>(n)], whole & (1 << n));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    Timers timers;
    LiveDecoder decoder;
    PanelDisplay display(timers);
    Panel panel;
    display.setPanel(&panel);
    bool holdBefore = false;
    quint8 statusA = 0, statusB = 0;

    for (std::size_t at = 0; at + kFrameLength <= size; at += kFrameLength) {
        MeterFrame f;
        std::copy(data + at, data + at + kFrameLength, f.begin());
        const LiveReading r = decodeLiveReading(f);
        checkReading(f, r);

        panel = Panel();
        timers.calls = 0;
        decoder.decodeFrame(f);
        display.show(decoder.state().last);
        const LiveState& s = decoder.state();
        FUZZ_RULE(s.last.unit() == r.unit());
        FUZZ_RULE(s.currentValues == r.current);
        FUZZ_RULE(s.meterRecording == r.recording());

        const bool statusChanged = r.statusA != statusA || r.statusB != statusB;
        FUZZ_RULE(statusChanged || (panel.markCalls == 0 && timers.calls == 0));
        FUZZ_RULE(!(panel.marks[Mark::T1C] && panel.marks[Mark::T1F]));
        FUZZ_RULE(!(panel.marks[Mark::T3C] && panel.marks[Mark::T3F]));
        statusA = r.statusA;
        statusB = r.statusB;

        if (holdBefore)
            FUZZ_RULE(panel.texts.empty());
        else
            checkPanelTexts(panel, display, r);
        holdBefore = r.hold();
    }
    return 0;
}
