#include "SimulatedMeter.h"

#include "DemoMemory.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tc4dl {

namespace {

constexpr int kCurrentOffset = 7;
constexpr int kReferenceOffset = 15;
constexpr int kMinOffset = 23;
constexpr int kMaxOffset = 31;
constexpr int kCurrentMarks = 39;
constexpr int kReferenceMarks = 40;
constexpr int kMaxMarks = 41;
constexpr int kMinMarks = 42;
constexpr int kWholeDegreeMarks = 43;

// A port with something else behind it: plenty of bytes for an identification attempt to
// examine, none of them a model code or a frame start.
const QByteArray kOtherDeviceAnswer = QByteArrayLiteral("ERR:CMD\n");

// How each channel drifts: three probes near room temperature and one on something warm, each
// following a slow sine of its own period, so that a graph of a few minutes shows movement.
struct Drift {
    double baseC;
    double amplitudeC;
    double periodS;
};
constexpr std::array<Drift, SimulatedMeter::kChannels> kDrift { {
    { 22.0, 0.5, 610.0 },
    { 22.8, 0.4, 890.0 },
    { 38.0, 2.5, 300.0 }, // a warm process, inside the default graph scale
    { 23.4, 0.6, 730.0 },
} };
constexpr double kSeedOffsetC = 0.3; // the seed shifts each channel by up to this much
constexpr double kNoiseC = 0.06; // measurement noise, changing every kNoiseStepMs
constexpr qint64 kNoiseStepMs = 500;

// A stateless mixer, so that the temperature is a pure function of seed, channel and time.
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Uniform in [-1, 1].
double signedUnit(quint64 hash)
{
    return static_cast<double>(hash >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

void put(QByteArray& frame, int offset, const QByteArray& bytes)
{
    frame.replace(offset, bytes.size(), bytes);
}

quint8 bit(int channel)
{
    return static_cast<quint8>(1u << channel);
}

} // namespace

SimulatedMeter::SimulatedMeter(MeterOptions options)
    : m_options(std::move(options)),
      m_random(m_options.seed),
      m_logger(initialMemory(m_options), m_options.clockAtZero)
{
    m_logger.setFaults(m_options.loggerFaults);
}

LoggerMemory SimulatedMeter::initialMemory(const MeterOptions& options)
{
    if (!options.memoryImage.isEmpty())
        return LoggerMemory::fromImage(options.memoryImage).value_or(LoggerMemory {});
    if (!options.demoMemory)
        return {};
    return demoLoggerMemory(
        options.clockAtZero.isValid() ? options.clockAtZero : SimulatedLogger::kFactoryTime);
}

void SimulatedMeter::setOptions(MeterOptions options)
{
    m_options = std::move(options);
    m_random.seed(m_options.seed);
    m_identifications = 0;
    m_logger.setFaults(m_options.loggerFaults);
}

void SimulatedMeter::catchUp(qint64 nowMs)
{
    m_lastMs = std::max(m_lastMs, nowMs);
    m_logger.recordDue(
        nowMs, [this](qint64 atMs, bool celsius) { return loggerSample(atMs, celsius); });
}

void SimulatedMeter::setRecording(bool on, qint64 nowMs)
{
    catchUp(nowMs);
    if (on == isRecording())
        return;
    if (!on) {
        m_logger.stopRecording();
        return;
    }
    m_logger.startRecording(nowMs, m_celsius,
        [this](qint64 atMs, bool celsius) { return loggerSample(atMs, celsius); });
}

LoggerMemory::Sample SimulatedMeter::loggerSample(qint64 atMs, bool celsius) const
{
    LoggerMemory::Sample sample {};
    for (int ch = 0; ch < kChannels; ++ch) {
        const std::optional<double> c = isChannelOpen(ch) ? std::nullopt
            : m_held                                      ? (*m_held)[ch]
                                                          : measuredC(ch, atMs);
        // An open probe is stored as the largest reading, which every reader shows as OL.
        if (!c)
            sample[static_cast<size_t>(ch)] = kOverRangeTenths;
        else
            sample[static_cast<size_t>(ch)] = toTenths(celsius ? *c : *c * 9.0 / 5.0 + 32.0);
    }
    return sample;
}

bool SimulatedMeter::isSilent() const
{
    const int after = m_options.silentAfterPolls;
    const int resume = m_options.resumeAfterPolls;
    const bool scheduled
        = after >= 0 && m_polls > after && (resume < 0 || m_polls <= after + resume);
    return m_silent || scheduled;
}

QByteArray SimulatedMeter::receive(char byte, qint64 nowMs)
{
    m_received.append(byte);
    if (byte == kPollByte)
        ++m_polls;
    catchUp(nowMs);
    if (isSilent())
        return {};
    if (m_options.otherDevice)
        return kOtherDeviceAnswer;
    if (m_logger.claims(byte, nowMs))
        return m_logger.receive(byte, nowMs);
    return receiveLive(byte, nowMs);
}

QByteArray SimulatedMeter::receiveLive(char byte, qint64 nowMs)
{
    switch (byte) {
    case kIdentifyByte:
        return identifyAnswer();
    case kPollByte:
        if (m_options.looseChannels != 0) {
            m_looseOpen = !m_looseOpen;
            for (int ch = 0; ch < kChannels; ++ch) {
                if (m_options.looseChannels & bit(ch))
                    setChannelOpen(ch, m_looseOpen);
            }
        }
        return junk(m_options.junkBetweenFrames) + frame(nowMs);
    default:
        pressKey(byte, nowMs);
        return {};
    }
}

QByteArray SimulatedMeter::identifyAnswer()
{
    const QList<QByteArray>& answers = m_options.identifyAnswers;
    if (answers.isEmpty())
        return QByteArray::number(m_options.model) + "\r\n";
    const qsizetype index = std::min<qsizetype>(m_identifications, answers.size() - 1);
    ++m_identifications;
    return answers.at(index);
}

QByteArray SimulatedMeter::junk(int count)
{
    QByteArray bytes;
    bytes.reserve(std::max(count, 0));
    while (bytes.size() < count) {
        const char c = static_cast<char>(m_random.bounded(256));
        // A start byte inside the junk could pair with a stray end byte in the frame that
        // follows and fake a frame; real line noise is rarely so unlucky.
        if (c != static_cast<char>(kFrameStart))
            bytes.append(c);
    }
    return bytes;
}

void SimulatedMeter::pressKey(char key, qint64 nowMs)
{
    switch (key) {
    case kHoldKey:
        setHold(!isHeld(), nowMs);
        break;
    case kRecordKey:
        setRecording(!isRecording(), nowMs);
        break;
    case kUnitKey:
        m_celsius = !m_celsius;
        break;
    case kDifferenceKey:
        m_difference = !m_difference;
        break;
    case kMaxMinKey:
        // MAX, MIN, then both blinking, then round again; normal display only through 'N'.
        switch (m_mode) {
        case MeterMode::Normal:
        case MeterMode::MaxMinBlinking:
            m_mode = MeterMode::Max;
            break;
        case MeterMode::Max:
            m_mode = MeterMode::Min;
            break;
        case MeterMode::Min:
            m_mode = MeterMode::MaxMinBlinking;
            break;
        }
        break;
    case kMaxMinExitKey:
        m_mode = MeterMode::Normal;
        resetMaxMin();
        break;
    default:
        break; // the meter ignores bytes it does not know
    }
}

quint8 SimulatedMeter::statusA() const
{
    quint8 a = static_cast<quint8>(m_mode);
    if (isRecording())
        a |= kRecording;
    if (m_difference)
        a |= kDifference;
    if (m_relative)
        a |= kRelative;
    if (isHeld())
        a |= kHold;
    if (m_batteryLow)
        a |= kBatteryLow;
    if (m_celsius)
        a |= kCelsius;
    return a;
}

quint8 SimulatedMeter::statusB() const
{
    quint8 b = 0;
    if (isRecording())
        b |= kRecordBlink;
    if (m_autoPowerOff)
        b |= kAutoPowerOff;
    return b;
}

QByteArray SimulatedMeter::frame(qint64 nowMs)
{
    catchUp(nowMs);
    for (int ch = 0; ch < kChannels; ++ch) {
        const std::optional<double> c = m_held ? (*m_held)[ch] : measuredC(ch, nowMs);
        // An open probe has nothing to compare; an over-range one is the highest reading
        // there is, so MAX shows over range until MAX/MIN is reset, as on the meter.
        if (!c)
            continue;
        if (!m_max[ch] || *c > *m_max[ch])
            m_max[ch] = c;
        if (!m_min[ch] || *c < *m_min[ch])
            m_min[ch] = c;
    }

    QByteArray f(kFrameLength, '\0');
    f[0] = static_cast<char>(kFrameStart);
    f[1] = static_cast<char>(statusA());
    f[2] = static_cast<char>(statusB());
    quint8 marks[4] = { 0, 0, 0, 0 }; // current, reference, MAX, MIN
    const auto encode = [&](int offset, int markIndex, int ch, const std::optional<double>& v) {
        if (v)
            put(f, offset + 2 * ch, encodeTenths(toTenths(*v)));
        if (!v || isChannelOpen(ch))
            marks[markIndex] |= bit(ch);
    };
    for (int ch = 0; ch < kChannels; ++ch) {
        encode(kCurrentOffset, 0, ch, reading(ch, nowMs));
        const std::optional<double> ref = referenceValue(ch);
        if (ref || m_relative)
            encode(kReferenceOffset, 1, ch, ref);
        else if (isChannelOpen(ch))
            marks[1] |= bit(ch);
        encode(kMaxOffset, 2, ch, maxValue(ch));
        encode(kMinOffset, 3, ch, minValue(ch));
    }
    f[kCurrentMarks] = static_cast<char>(marks[0]);
    f[kReferenceMarks] = static_cast<char>(marks[1]);
    f[kMaxMarks] = static_cast<char>(marks[2]);
    f[kMinMarks] = static_cast<char>(marks[3]);
    f[kWholeDegreeMarks] = static_cast<char>(m_wholeDegrees);
    f[kFrameLength - 1] = static_cast<char>(kFrameEnd);
    return f;
}

void SimulatedMeter::setHold(bool on, qint64 nowMs)
{
    if (on == isHeld())
        return;
    if (!on) {
        m_held.reset();
        return;
    }
    Channels held;
    for (int ch = 0; ch < kChannels; ++ch)
        held[ch] = measuredC(ch, nowMs);
    m_held = held;
}

void SimulatedMeter::setRelative(bool on, qint64 nowMs)
{
    m_relative = on;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!on)
            m_reference[ch].reset();
        else
            m_reference[ch] = m_held ? (*m_held)[ch] : measuredC(ch, nowMs);
    }
}

bool SimulatedMeter::validChannel(int channel)
{
    return channel >= 0 && channel < kChannels;
}

void SimulatedMeter::setWholeDegrees(int channel, bool on)
{
    if (validChannel(channel))
        m_wholeDegrees = on ? (m_wholeDegrees | bit(channel)) : (m_wholeDegrees & ~bit(channel));
}

bool SimulatedMeter::isChannelOpen(int channel) const
{
    return validChannel(channel) && (m_open & bit(channel)) != 0;
}

void SimulatedMeter::setChannelOpen(int channel, bool open)
{
    if (validChannel(channel))
        m_open = open ? (m_open | bit(channel)) : (m_open & ~bit(channel));
}

bool SimulatedMeter::isOverRange(int channel) const
{
    return validChannel(channel) && (m_overRange & bit(channel)) != 0;
}

void SimulatedMeter::setOverRange(int channel, bool over)
{
    if (validChannel(channel))
        m_overRange = over ? (m_overRange | bit(channel)) : (m_overRange & ~bit(channel));
}

void SimulatedMeter::setTemperature(int channel, double celsius)
{
    if (validChannel(channel))
        m_pinned[channel] = celsius;
}

void SimulatedMeter::clearTemperature(int channel)
{
    if (validChannel(channel))
        m_pinned[channel].reset();
}

double SimulatedMeter::temperatureC(int channel, qint64 nowMs) const
{
    if (!validChannel(channel))
        return 0.0;
    if (m_pinned[channel])
        return *m_pinned[channel];
    const Drift& d = kDrift[static_cast<size_t>(channel)];
    const quint64 channelSeed
        = mix((quint64 { m_options.seed } << 2) | static_cast<quint64>(channel));
    const double offset = kSeedOffsetC * signedUnit(mix(channelSeed));
    const double phase = std::numbers::pi * (signedUnit(mix(channelSeed + 1)) + 1.0);
    const double t = static_cast<double>(nowMs) / 1000.0;
    const double wave = d.amplitudeC * std::sin(2.0 * std::numbers::pi * t / d.periodS + phase);
    const quint64 step = static_cast<quint64>(std::max<qint64>(nowMs, 0) / kNoiseStepMs);
    const double noise = kNoiseC * signedUnit(mix(channelSeed ^ (step * 0x2545F4914F6CDD1DULL)));
    return d.baseC + offset + wave + noise;
}

std::optional<double> SimulatedMeter::measuredC(int channel, qint64 nowMs) const
{
    if (isChannelOpen(channel))
        return std::nullopt;
    if (isOverRange(channel))
        return std::numeric_limits<double>::infinity();
    return temperatureC(channel, nowMs);
}

double SimulatedMeter::toDisplayUnit(double celsius) const
{
    return m_celsius ? celsius : celsius * 9.0 / 5.0 + 32.0;
}

std::optional<double> SimulatedMeter::inDisplayUnit(const std::optional<double>& celsius) const
{
    if (!celsius)
        return std::nullopt;
    return toDisplayUnit(*celsius);
}

std::optional<double> SimulatedMeter::reading(int channel, qint64 nowMs) const
{
    if (!validChannel(channel))
        return std::nullopt;
    // An open probe shows as open even on a held display: the marks follow the probe.
    if (isChannelOpen(channel))
        return std::nullopt;
    return inDisplayUnit(m_held ? (*m_held)[channel] : measuredC(channel, nowMs));
}

std::optional<double> SimulatedMeter::maxValue(int channel) const
{
    return validChannel(channel) ? inDisplayUnit(m_max[channel]) : std::nullopt;
}

std::optional<double> SimulatedMeter::minValue(int channel) const
{
    return validChannel(channel) ? inDisplayUnit(m_min[channel]) : std::nullopt;
}

std::optional<double> SimulatedMeter::referenceValue(int channel) const
{
    return validChannel(channel) ? inDisplayUnit(m_reference[channel]) : std::nullopt;
}

void SimulatedMeter::resetMaxMin()
{
    m_max.fill(std::nullopt);
    m_min.fill(std::nullopt);
}

QByteArray SimulatedMeter::encodeTenths(qint16 tenths)
{
    const auto u = static_cast<quint16>(tenths);
    QByteArray bytes(2, '\0');
    bytes[0] = static_cast<char>(u >> 8);
    bytes[1] = static_cast<char>(u & 0xFF);
    return bytes;
}

qint16 SimulatedMeter::toTenths(double degrees)
{
    if (std::isnan(degrees))
        return 0;
    const double tenths = std::round(degrees * 10.0);
    // Beyond the 16 bits the meter saturates, which is how an over-range probe reads.
    const double clamped = std::clamp(tenths, double { std::numeric_limits<qint16>::min() },
        double { std::numeric_limits<qint16>::max() });
    return static_cast<qint16>(clamped);
}

} // namespace tc4dl
