#include "Alarm.h"

#include "MeterValues.h"

#include <cmath>

namespace tc4dl::alarm {

namespace {

bool beyond(const AlarmRule& rule, double quantity)
{
    return rule.direction == Direction::Above ? quantity > rule.limit : quantity < rule.limit;
}

bool backByHysteresis(const AlarmRule& rule, double quantity, double hysteresis)
{
    return rule.direction == Direction::Above ? quantity <= rule.limit - hysteresis
                                              : quantity >= rule.limit + hysteresis;
}

} // namespace

void AlarmMonitor::setRules(std::vector<AlarmRule> rules, std::array<double, kChannels> hysteresis)
{
    // A rule on a channel the meter does not have can never be judged; it is left out.
    std::erase_if(
        rules, [](const AlarmRule& r) { return r.channel < 0 || r.channel >= kChannels; });
    m_rules = std::move(rules);
    m_raised.assign(m_rules.size(), 0);
    for (double& h : hysteresis) {
        // A negative band would let an alarm clear while still beyond its limit and raise again
        // at the next reading.
        if (!(h >= 0.0) || !std::isfinite(h))
            h = 0.0;
    }
    m_hysteresis = hysteresis;
    m_watched = {};
    for (const AlarmRule& r : m_rules)
        m_watched[static_cast<std::size_t>(r.channel)] = true;
    m_probeOpen = {};
    m_linkLost = false;
}

std::vector<AlarmEvent> AlarmMonitor::feed(
    double serial, const std::array<float, kChannels>& values)
{
    m_rate.add(serial, values);
    std::vector<AlarmEvent> events;
    if (m_rules.empty())
        return events;
    for (int c = 0; c < kChannels; ++c) {
        if (m_watched[static_cast<std::size_t>(c)])
            feedChannel(c, serial, values[static_cast<std::size_t>(c)], events);
    }
    return events;
}

// An "OL" reading opens the channel's probe alarm and suspends its rules (there is no reading to
// judge them by); the next reading inside the limits closes it, and the rules go on from there.
// Alarms raised before stay raised while the probe is open: they still clear only by the
// hysteresis, so an open probe neither hides nor repeats them.
void AlarmMonitor::feedChannel(
    int channel, double serial, float value, std::vector<AlarmEvent>& events)
{
    const auto ch = static_cast<std::size_t>(channel);
    if (isOverLimit(value)) {
        if (!m_probeOpen[ch]) {
            m_probeOpen[ch] = true;
            events.push_back({ AlarmEvent::Kind::ProbeOpen, channel, std::nullopt, value, serial });
        }
        return;
    }
    if (m_probeOpen[ch]) {
        m_probeOpen[ch] = false;
        events.push_back({ AlarmEvent::Kind::ProbeClosed, channel, std::nullopt, value, serial });
    }
    const std::optional<double> rate = m_rate.perMinute(channel);
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        const AlarmRule& rule = m_rules[i];
        if (rule.channel != channel)
            continue;
        double quantity = value;
        if (rule.quantity == Quantity::RatePerMinute) {
            if (!rate)
                continue; // too few samples yet: nothing raised, nothing cleared
            quantity = *rate;
        }
        if (!m_raised[i] && beyond(rule, quantity)) {
            m_raised[i] = 1;
            events.push_back({ AlarmEvent::Kind::Raised, channel, rule, quantity, serial });
        } else if (m_raised[i] && backByHysteresis(rule, quantity, m_hysteresis[ch])) {
            m_raised[i] = 0;
            events.push_back({ AlarmEvent::Kind::Cleared, channel, rule, quantity, serial });
        }
    }
}

std::vector<AlarmEvent> AlarmMonitor::linkLost(double serial)
{
    std::vector<AlarmEvent> events;
    if (m_rules.empty() || m_linkLost)
        return events;
    m_linkLost = true;
    events.push_back({ AlarmEvent::Kind::LinkLost, -1, std::nullopt, 0.0, serial });
    return events;
}

std::vector<AlarmEvent> AlarmMonitor::linkBack(double serial)
{
    std::vector<AlarmEvent> events;
    if (!m_linkLost)
        return events;
    m_linkLost = false;
    events.push_back({ AlarmEvent::Kind::LinkBack, -1, std::nullopt, 0.0, serial });
    return events;
}

bool AlarmMonitor::anyRaised() const
{
    if (m_linkLost)
        return true;
    for (int c = 0; c < kChannels; ++c) {
        if (channelRaised(c))
            return true;
    }
    return false;
}

bool AlarmMonitor::channelRaised(int channel) const
{
    if (channel < 0 || channel >= kChannels)
        return false;
    if (m_probeOpen[static_cast<std::size_t>(channel)])
        return true;
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        if (m_raised[i] && m_rules[i].channel == channel)
            return true;
    }
    return false;
}

bool AlarmMonitor::ruleRaised(std::size_t index) const
{
    return index < m_raised.size() && m_raised[index] != 0;
}

bool AlarmMonitor::probeOpen(int channel) const
{
    return channel >= 0 && channel < kChannels && m_probeOpen[static_cast<std::size_t>(channel)];
}

std::optional<double> AlarmMonitor::rate(int channel) const
{
    return m_rate.perMinute(channel);
}

void AlarmMonitor::convertUnit(bool toCelsius)
{
    for (AlarmRule& r : m_rules)
        r = convertRule(r, toCelsius);
    for (double& h : m_hysteresis)
        h = convertDifference(h, toCelsius);
    m_rate.convertUnit(toCelsius);
}

std::vector<Crossing> crossingsInRun(std::span<const float> values, double start,
    double intervalSeconds, const std::vector<AlarmRule>& rules,
    std::array<double, kChannels> hysteresis)
{
    std::vector<Crossing> crossings;
    AlarmMonitor monitor;
    monitor.setRules(rules, hysteresis);
    const std::size_t samples = values.size() / kChannels;
    std::array<float, kChannels> reading {};
    for (std::size_t j = 0; j < samples; ++j) {
        for (std::size_t c = 0; c < kChannels; ++c)
            reading[c] = values[j * kChannels + c];
        const double serial = start + static_cast<double>(j) * intervalSeconds / kSecondsPerDay;
        for (const AlarmEvent& e : monitor.feed(serial, reading)) {
            if (e.kind == AlarmEvent::Kind::Raised)
                crossings.push_back({ static_cast<int>(j), serial, *e.rule, e.value });
        }
    }
    return crossings;
}

} // namespace tc4dl::alarm
