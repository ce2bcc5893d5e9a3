#include "SessionSamples.h"

#include "MeterValues.h"

namespace tc4dl::live {

LiveSample sampleOf(double serial, const LiveReading& reading)
{
    LiveSample s;
    s.serial = serial;
    s.celsius = reading.celsius();
    for (std::size_t c = 0; c < kChannels; ++c) {
        s.values[c] = reading.current[c];
        if (reading.noValueMarks[0] & (1u << c))
            s.states[c] = ChannelState::NoValue;
        else if (isOverLimit(reading.current[c]))
            s.states[c] = ChannelState::OverLimit;
        else
            s.states[c] = ChannelState::Value;
    }
    return s;
}

std::optional<AlarmChange> alarmChangeOf(const alarm::AlarmEvent& event)
{
    using Kind = alarm::AlarmEvent::Kind;
    AlarmChange change;
    change.serial = event.serial;
    switch (event.kind) {
    case Kind::Raised:
    case Kind::Cleared:
        if (!event.rule)
            return std::nullopt;
        change.alarm = event.rule->specText();
        change.value = event.value;
        change.raised = event.kind == Kind::Raised;
        return change;
    case Kind::ProbeOpen:
    case Kind::ProbeClosed:
        change.alarm = QStringLiteral("T%1 OL").arg(event.channel + 1);
        change.raised = event.kind == Kind::ProbeOpen;
        return change;
    case Kind::LinkLost:
    case Kind::LinkBack:
        break;
    }
    return std::nullopt;
}

std::array<float, kChannels> monitoredValues(const LiveSample& sample)
{
    std::array<float, kChannels> values = sample.values;
    for (std::size_t c = 0; c < kChannels; ++c) {
        if (sample.states[c] == ChannelState::NoValue)
            values[c] = kNullValue;
    }
    return values;
}

} // namespace tc4dl::live
