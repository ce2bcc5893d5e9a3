#pragma once

#include <QString>

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace tc4dl::alarm {

inline constexpr int kChannels = 4;

// What a rule watches: the reading itself, or its rate of change in degrees per minute.
enum class Quantity { Value, RatePerMinute };
// `Above`: raised when the watched quantity goes above the limit; `Below`: below it.
enum class Direction { Above, Below };

// One alarm limit on one channel, in the unit in use (degrees, or degrees per minute).
struct AlarmRule {
    int channel = 0; // 0..3 (T1..T4)
    Quantity quantity = Quantity::Value;
    Direction direction = Direction::Above;
    double limit = 0.0;
    // The command line's form: "T1>150", "T3<-5.5", "T2/min>5" (shortest decimal, point).
    [[nodiscard]] QString specText() const;
    bool operator==(const AlarmRule&) const = default;
};

// Parses a command-line SPEC: T1..T4, optional "/min", '>' or '<', a number with an optional
// point decimal (no comma, no exponent, no unit). Nothing when it is not one.
[[nodiscard]] std::optional<AlarmRule> parseAlarmSpec(const QString& spec);

// What the user set for one channel (kept in the Settings).
struct ChannelSettings {
    static constexpr int kMaxNameLength = 24;
    QString name; // empty: the channel's own name "T1".."T4"
    bool highOn = false;
    double high = 0.0;
    bool lowOn = false;
    double low = 0.0;
    bool rateOn = false; // "rises faster than" `rate` degrees per minute
    double rate = 0.0;
    double hysteresis = 1.0; // degrees (degrees per minute for the rate)
    [[nodiscard]] bool anyLimitOn() const { return highOn || lowOn || rateOn; }
    bool operator==(const ChannelSettings&) const = default;
};
using ChannelSet = std::array<ChannelSettings, kChannels>;

// The name a person reads: the user's name, or "T1".."T4".
[[nodiscard]] QString channelName(const ChannelSet& channels, int channel);
// The rules the settings switch on.
[[nodiscard]] std::vector<AlarmRule> rulesOf(const ChannelSet& channels);
// Limits, rates and hysteresis carried over to the other unit (°C to °F and back).
[[nodiscard]] ChannelSet convertUnit(const ChannelSet& channels, bool toCelsius);
// One rule's limit carried over likewise (a value limit x 9/5 + 32, a rate limit x 9/5).
[[nodiscard]] AlarmRule convertRule(const AlarmRule& rule, bool toCelsius);
// A difference of degrees (a hysteresis, a rate) carried over: x 9/5, or x 5/9 back.
[[nodiscard]] double convertDifference(double difference, bool toCelsius);

// What happened at one reading.
struct AlarmEvent {
    enum class Kind { Raised, Cleared, ProbeOpen, ProbeClosed, LinkLost, LinkBack };
    Kind kind = Kind::Raised;
    int channel = -1; // -1 for the link
    std::optional<AlarmRule> rule; // with Raised and Cleared
    double value = 0.0; // the reading (or rate) that raised or cleared it
    double serial = 0.0; // the reading's time
};

// Rate of change in degrees per minute: least-squares slope over the samples of the last
// `windowSeconds` (not the difference of two points). "OL" samples are left out.
// The least-squares slope, in degrees per minute, of the points `visit` hands over: `visit(f)`
// calls f(seconds, value) once per point and is called twice (two passes about the means keep
// the precision). Nothing with fewer than two points or without any spread in time.
template <typename Visit> [[nodiscard]] std::optional<double> slopePerMinute(const Visit& visit)
{
    double n = 0.0;
    double sumT = 0.0;
    double sumV = 0.0;
    visit([&](double seconds, double value) {
        n += 1.0;
        sumT += seconds;
        sumV += value;
    });
    if (n < 2.0)
        return std::nullopt;
    const double meanT = sumT / n;
    const double meanV = sumV / n;
    double sxx = 0.0;
    double sxy = 0.0;
    visit([&](double seconds, double value) {
        const double dt = seconds - meanT;
        sxx += dt * dt;
        sxy += dt * (value - meanV);
    });
    if (!(sxx > 0.0))
        return std::nullopt;
    return sxy / sxx * 60.0;
}

class RateOfChange {
public:
    explicit RateOfChange(double windowSeconds = 60.0);
    void add(double serial, const std::array<float, kChannels>& values);
    void clear();
    // Nothing with fewer than two samples in the window on that channel.
    [[nodiscard]] std::optional<double> perMinute(int channel) const;
    // The samples kept carried over to the other unit, so a unit switch keeps the rate known
    // (a slope scales by 9/5; the offset drops out).
    void convertUnit(bool toCelsius);

private:
    struct Sample {
        double serial = 0.0;
        std::array<float, kChannels> values {};
    };
    void dropOld();
    void recompute();
    double m_windowSeconds;
    // A ring of the samples in the window; it grows to the largest window seen and then stays.
    std::vector<Sample> m_ring;
    std::size_t m_first = 0;
    std::size_t m_count = 0;
    std::array<std::optional<double>, kChannels> m_perMinute {};
};

// The alarm state machine: fed readings and time, it raises a rule's alarm once when the
// quantity crosses the limit and clears it only after it came back by the hysteresis. An "OL"
// reading (isOverLimit) is a probe-open alarm on its channel while any rule is set; a lost link
// likewise for the meter. A reading is never changed.
// - Probe open: only on a channel that has a rule (an unplugged channel nobody watches is no
//   alarm). It suspends that channel's rules and closes (ProbeClosed) at the channel's next
//   reading within the limits; what was raised before stays raised and clears by the hysteresis.
// - Link lost: once while any rule is set, until linkBack.
// - A rate rule reads the channel's hysteresis as degrees per minute, and neither raises nor
//   clears while the rate is unknown.
class AlarmMonitor {
public:
    // `hysteresis` per channel, in the rule's unit. Setting new rules clears every raised
    // alarm without events.
    void setRules(std::vector<AlarmRule> rules, std::array<double, kChannels> hysteresis);
    // One reading (T1..T4 as the meter measured, tenths already applied) at `serial`.
    std::vector<AlarmEvent> feed(double serial, const std::array<float, kChannels>& values);
    std::vector<AlarmEvent> linkLost(double serial);
    std::vector<AlarmEvent> linkBack(double serial);
    [[nodiscard]] bool anyRaised() const;
    [[nodiscard]] bool channelRaised(int channel) const;
    // Whether rules()[index] is raised now.
    [[nodiscard]] bool ruleRaised(std::size_t index) const;
    // The rates of change last computed (degrees per minute), nothing while too few samples.
    [[nodiscard]] std::optional<double> rate(int channel) const;
    // The meter switched its unit: the rules, the hysteresis and the rate window follow, and the
    // alarms raised stay raised (the temperature did not change).
    void convertUnit(bool toCelsius);
    [[nodiscard]] const std::vector<AlarmRule>& rules() const { return m_rules; }
    [[nodiscard]] bool probeOpen(int channel) const;
    [[nodiscard]] bool linkIsLost() const { return m_linkLost; }

private:
    void feedChannel(int channel, double serial, float value, std::vector<AlarmEvent>& events);
    std::vector<AlarmRule> m_rules;
    std::vector<char> m_raised; // one per rule
    std::array<double, kChannels> m_hysteresis {};
    std::array<bool, kChannels> m_watched {}; // any rule on the channel
    std::array<bool, kChannels> m_probeOpen {};
    bool m_linkLost = false;
    RateOfChange m_rate;
};

// A crossing found in a stored run: a rule's alarm raised at sample `sample`.
struct Crossing {
    int sample = 0;
    double serial = 0.0;
    AlarmRule rule;
    double value = 0.0;
};
// Runs the monitor over a stored run (T1..T4 of each sample one after another, as the data
// set store keeps them), sample j at start + j * interval seconds.
[[nodiscard]] std::vector<Crossing> crossingsInRun(std::span<const float> values, double start,
    double intervalSeconds, const std::vector<AlarmRule>& rules,
    std::array<double, kChannels> hysteresis);

} // namespace tc4dl::alarm
