#include "LiveDecoder.h"

#include <cmath>

namespace tc4dl {

float readingDegrees(quint8 high, quint8 low)
{
    return static_cast<float>(static_cast<long double>(decodeReading(high, low)) * 0.1L);
}

LiveReading decodeLiveReading(const MeterFrame& f)
{
    LiveReading r;
    r.statusA = f[1];
    r.statusB = f[2];
    r.meterMode = f[1] & 0x06;
    for (int n = 0; n < 4; ++n) {
        const int o = 2 * n;
        r.current[n] = readingDegrees(f[7 + o], f[8 + o]);
        const float reference = readingDegrees(f[15 + o], f[16 + o]);
        r.relative[n] = static_cast<float>(static_cast<long double>(r.current[n]) - reference);
        r.minValues[n] = readingDegrees(f[23 + o], f[24 + o]);
        r.maxValues[n] = readingDegrees(f[31 + o], f[32 + o]);
    }
    r.noValueMarks = { f[39], f[40], f[41], f[42] };
    r.wholeDegreeMarks = f[43];
    return r;
}

QString valueText(float value, bool wholeDegrees, const QLocale& locale)
{
    const double v = value;
    if (wholeDegrees)
        return QString::number(static_cast<qint64>(std::trunc(v)));
    // Seven significant digits first, then one decimal.
    double rounded = QString::number(v, 'g', 7).toDouble();
    if (std::fabs(rounded) < 0.05)
        rounded = 0.0; // no "-0.0"
    // Only the decimal separator comes from the locale: digits and the minus sign stay plain,
    // as on the meter's own display.
    QString text = QString::number(rounded, 'f', 1);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

LiveDecoder::LiveDecoder(BlinkTimers& timers)
    : m_timers(timers)
{
}

void LiveDecoder::setPanel(PanelView* panel)
{
    m_panel = panel;
    if (m_panel && m_decoded)
        refreshMarks(m_state.last);
}

void LiveDecoder::decodeFrame(const MeterFrame& frame)
{
    const LiveReading r = decodeLiveReading(frame);
    m_decoded = true;
    m_state.last = r;
    m_state.meterRecording = r.recording();
    m_state.meterMode = r.meterMode;
    m_state.cfDegree = r.celsius() ? 1 : 0;

    if (r.statusA != m_state.lastStatusA || r.statusB != m_state.lastStatusB) {
        m_state.lastStatusA = r.statusA;
        m_state.lastStatusB = r.statusB;
        refreshMarks(r);
    }

    m_state.currentValues = r.current;
    switch (r.meterMode) {
    case 2:
        m_state.shownValues = r.maxValues;
        m_state.shownMarks = r.noValueMarks[2];
        break;
    case 4:
        m_state.shownValues = r.minValues;
        m_state.shownMarks = r.noValueMarks[3];
        break;
    default:
        m_state.shownValues = r.rel() ? r.relative : r.current;
        m_state.shownMarks = r.rel() ? (r.noValueMarks[0] | r.noValueMarks[1]) : r.noValueMarks[0];
        break;
    }

    if (m_panel && !m_state.holdLatched)
        writeValues(r);
    m_state.holdLatched = r.hold();
}

void LiveDecoder::refreshMarks(const LiveReading& r)
{
    PanelView* p = m_panel;
    auto show = [p](Mark m, bool visible) {
        if (p)
            p->setMarkVisible(m, visible);
    };
    if (r.recBlinks()) {
        m_timers.setRecTimerEnabled(true);
    } else {
        m_timers.setRecTimerEnabled(false);
        show(Mark::Rec, r.recording());
    }
    show(Mark::Hold, r.hold());
    show(Mark::Rel, r.rel());
    switch (r.meterMode) {
    case 0:
        show(Mark::Max, false);
        show(Mark::Min, false);
        m_timers.setMaxMinTimerEnabled(false);
        break;
    case 2:
        show(Mark::Max, true);
        show(Mark::Min, false);
        m_timers.setMaxMinTimerEnabled(false);
        break;
    case 4:
        show(Mark::Max, false);
        show(Mark::Min, true);
        m_timers.setMaxMinTimerEnabled(false);
        break;
    default:
        m_timers.setMaxMinTimerEnabled(true);
        break;
    }
    show(Mark::AutoOff, r.autoPowerOff());
    const bool c = r.celsius();
    for (Mark m : { Mark::T1C, Mark::T2C, Mark::T4C })
        show(m, c);
    for (Mark m : { Mark::T1F, Mark::T2F, Mark::T4F })
        show(m, !c);
    show(Mark::Battery, r.batteryLow());
    if (r.t1MinusT2()) {
        for (Mark m : { Mark::T3C, Mark::T3F, Mark::LabelT3, Mark::LabelT4 })
            show(m, false);
    } else {
        show(Mark::T3C, c);
        show(Mark::T3F, !c);
        show(Mark::LabelT3, true);
        show(Mark::LabelT4, true);
    }
}

void LiveDecoder::writeValues(const LiveReading& r)
{
    const quint8 m = m_state.shownMarks;
    const quint8 w = r.wholeDegreeMarks;
    const auto& v = m_state.shownValues;
    auto channelText
        = [&](int n) { return (m & (1 << n)) ? kNoValueText : valueText(v[n], w & (1 << n)); };
    m_panel->setValueText(0, channelText(0));
    m_panel->setValueText(1, channelText(1));
    if (r.t1MinusT2()) {
        m_panel->setValueText(2, QStringLiteral("1 -- 2"));
        if (m & 0x03) {
            m_panel->setValueText(3, kNoValueText);
        } else {
            const float d = v[0] - v[1];
            m_panel->setValueText(3, valueText(d, w & 0x03));
        }
    } else {
        m_panel->setValueText(2, channelText(2));
        m_panel->setValueText(3, channelText(3));
    }
}

} // namespace tc4dl
