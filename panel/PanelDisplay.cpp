#include "PanelDisplay.h"

#include <cmath>

namespace tc4dl {

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

PanelDisplay::PanelDisplay(BlinkTimers& timers)
    : m_timers(timers)
{
}

void PanelDisplay::setPanel(PanelView* panel)
{
    m_panel = panel;
    if (m_panel && m_shown)
        refreshMarks(m_last);
}

void PanelDisplay::show(const LiveReading& r)
{
    m_shown = true;
    m_last = r;
    if (r.statusA != m_lastStatusA || r.statusB != m_lastStatusB) {
        m_lastStatusA = r.statusA;
        m_lastStatusB = r.statusB;
        refreshMarks(r);
    }

    switch (r.meterMode) {
    case MeterMode::Max:
        m_shownValues = r.maxValues;
        m_shownMarks = r.noValueMarks[2];
        break;
    case MeterMode::Min:
        m_shownValues = r.minValues;
        m_shownMarks = r.noValueMarks[3];
        break;
    case MeterMode::Normal:
    case MeterMode::MaxMinBlinking:
        m_shownValues = r.rel() ? r.relative : r.current;
        m_shownMarks = r.rel() ? (r.noValueMarks[0] | r.noValueMarks[1]) : r.noValueMarks[0];
        break;
    }

    if (m_panel && !m_holdLatched)
        writeValues(r);
    m_holdLatched = r.hold();
}

void PanelDisplay::refreshMarks(const LiveReading& r)
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
    case MeterMode::Normal:
        show(Mark::Max, false);
        show(Mark::Min, false);
        m_timers.setMaxMinTimerEnabled(false);
        break;
    case MeterMode::Max:
        show(Mark::Max, true);
        show(Mark::Min, false);
        m_timers.setMaxMinTimerEnabled(false);
        break;
    case MeterMode::Min:
        show(Mark::Max, false);
        show(Mark::Min, true);
        m_timers.setMaxMinTimerEnabled(false);
        break;
    case MeterMode::MaxMinBlinking: // the timer blinks both marks together
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

void PanelDisplay::writeValues(const LiveReading& r)
{
    const quint8 m = m_shownMarks;
    const quint8 w = r.wholeDegreeMarks;
    const auto& v = m_shownValues;
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
