#pragma once

#include "LiveDecoder.h"
#include "SimulatedLogger.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>

#include <array>
#include <optional>

namespace tc4dl {

// How a simulated meter behaves beyond its display state.
struct MeterOptions {
    int model = 740;
    // Answers to successive IdentifyBytes, the last one repeating; empty: the model code
    // followed by "\r\n". An empty entry is an identification that goes unanswered.
    QList<QByteArray> identifyAnswers {};
    // Drives the temperature drift and the junk bytes: the same seed, the same meter.
    quint32 seed = 1;
    // A port that answers something else: every byte gets a reply that is not the meter's.
    bool otherDevice = false;
    // Random bytes sent before each MeterFrame; they never hold a frame start byte.
    int junkBetweenFrames = 0;
    // A bit per channel (T1 = 1): a loose thermocouple, open in the answer to every other poll
    // (the first one included), so that a probe alarm is raised and cleared over and over.
    int looseChannels = 0;
    // After this many polls the meter stops answering anything (negative: never) ...
    int silentAfterPolls = -1;
    // ... and answers again after this many further polls (negative: stays silent).
    int resumeAfterPolls = -1;
    // The meter's date and time at tick 0; invalid: SimulatedLogger::kFactoryTime. Ports made
    // with a Clock set it from the clock, so that the meter's clock shows the local time.
    QDateTime clockAtZero {};
    // The logger memory at first: this image when given (a collection file is one; an image
    // too short for the header gives an erased memory), else a few recorded data sets when
    // demoMemory is set, else an erased memory.
    QByteArray memoryImage {};
    bool demoMemory = true;
    LoggerFaults loggerFaults {};
};

// The meter's side of the serial protocol as a pure model: it is handed the PC's bytes one at
// a time together with the time, and returns the bytes the meter sends back. No timers and no
// I/O, so that in-process ports, the pseudo-terminal server and tests all drive the same model.
// The display holds four drifting channels, the status marks, running MAX/MIN and the REL
// reference; setters reach every state so that a test or a demo can show anything the real
// meter can.
class SimulatedMeter {
public:
    static constexpr int kChannels = 4;
    static constexpr int kFrameLength = 45;
    static constexpr char kIdentifyByte = 'K';
    static constexpr char kPollByte = 'A';
    static constexpr char kHoldKey = 'H';
    static constexpr char kRecordKey = 'E';
    static constexpr char kUnitKey = 'C';
    static constexpr char kDifferenceKey = 'T';
    static constexpr char kMaxMinKey = 'M';
    static constexpr char kMaxMinExitKey = 'N';
    // What an over-range channel reads: the largest reading, far beyond the 3000 degree limit.
    static constexpr qint16 kOverRangeTenths = 0x7FFF;

    // StatusA bits.
    static constexpr quint8 kRecording = 0x01;
    static constexpr quint8 kDifference = 0x08;
    static constexpr quint8 kRelative = 0x10;
    static constexpr quint8 kHold = 0x20;
    static constexpr quint8 kBatteryLow = 0x40;
    static constexpr quint8 kCelsius = 0x80;
    // StatusB bits.
    static constexpr quint8 kRecordBlink = 0x01;
    static constexpr quint8 kAutoPowerOff = 0x80;

    explicit SimulatedMeter(MeterOptions options = {});

    [[nodiscard]] const MeterOptions& options() const { return m_options; }
    // Replaces the options; the identification sequence and the junk generator start again and
    // the logger faults change. The logger memory and the meter's clock stay.
    void setOptions(MeterOptions options);

    // The logger memory, the meter's clock, the transfer and the set-up exchanges.
    [[nodiscard]] SimulatedLogger& logger() { return m_logger; }
    [[nodiscard]] const SimulatedLogger& logger() const { return m_logger; }
    // Brings the logger up to now: a recording takes the samples that fell due meanwhile, each
    // with the readings of its own moment. Every byte and every frame does this first.
    void catchUp(qint64 nowMs);

    // One byte from the PC; returns the meter's reply (often nothing).
    QByteArray receive(char byte, qint64 nowMs);
    // One MeterFrame of the present display. Updates the running MAX and MIN first, as the
    // meter does at every measurement it reports.
    QByteArray frame(qint64 nowMs);

    // Every byte that reached the meter, silent or not, in order.
    [[nodiscard]] QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    [[nodiscard]] int pollCount() const { return m_polls; }

    // An unplugged or switched-off meter: nothing is answered and keys have no effect.
    [[nodiscard]] bool isSilent() const;
    void setSilent(bool silent) { m_silent = silent; }

    // The status bytes of the next frame.
    [[nodiscard]] quint8 statusA() const;
    [[nodiscard]] quint8 statusB() const;

    [[nodiscard]] bool isHeld() const { return m_held.has_value(); }
    void setHold(bool on, qint64 nowMs);
    // REC: recording a data set into the logger memory, at the logger interval, of the
    // readings as displayed, in the unit shown when it started. Switching it on when the memory
    // is full leaves it off; a memory that fills up ends it.
    [[nodiscard]] bool isRecording() const { return m_logger.isRecording(); }
    void setRecording(bool on, qint64 nowMs);
    // At the last moment the meter was told of.
    void setRecording(bool on) { setRecording(on, m_lastMs); }
    [[nodiscard]] bool isCelsius() const { return m_celsius; }
    void setCelsius(bool on) { m_celsius = on; }
    [[nodiscard]] bool isDifferenceDisplay() const { return m_difference; }
    void setDifferenceDisplay(bool on) { m_difference = on; }
    // 0 normal, 2 MAX, 4 MIN, 6 MAX and MIN blinking; other values are masked to these.
    [[nodiscard]] MeterMode maxMinMode() const { return m_mode; }
    void setMaxMinMode(MeterMode mode) { m_mode = mode; }
    // Switching REL on takes the present readings as the references.
    [[nodiscard]] bool isRelative() const { return m_relative; }
    void setRelative(bool on, qint64 nowMs);
    [[nodiscard]] bool isBatteryLow() const { return m_batteryLow; }
    void setBatteryLow(bool on) { m_batteryLow = on; }
    [[nodiscard]] bool isAutoPowerOff() const { return m_autoPowerOff; }
    void setAutoPowerOff(bool on) { m_autoPowerOff = on; }
    [[nodiscard]] quint8 wholeDegreeMarks() const { return m_wholeDegrees; }
    void setWholeDegrees(int channel, bool on);
    [[nodiscard]] bool isChannelOpen(int channel) const;
    void setChannelOpen(int channel, bool open);
    [[nodiscard]] bool isOverRange(int channel) const;
    void setOverRange(int channel, bool over);

    // Pins a channel to a temperature (degrees Celsius); clearing it lets the channel drift.
    void setTemperature(int channel, double celsius);
    void clearTemperature(int channel);
    // The probe's temperature in degrees Celsius, whatever the display shows.
    [[nodiscard]] double temperatureC(int channel, qint64 nowMs) const;

    // What the display reports, in its present unit: the current reading (the frozen one while
    // HOLD is on), the running MAX and MIN and the REL reference. An open channel, and a MAX,
    // MIN or reference not taken yet, has none; an over-range channel reads +infinity, which
    // the frame carries as the largest reading.
    [[nodiscard]] std::optional<double> reading(int channel, qint64 nowMs) const;
    [[nodiscard]] std::optional<double> maxValue(int channel) const;
    [[nodiscard]] std::optional<double> minValue(int channel) const;
    [[nodiscard]] std::optional<double> referenceValue(int channel) const;
    // Forgets the running MAX and MIN; the next frame starts them again.
    void resetMaxMin();

    // A reading as the frame carries it: signed 16-bit tenths of a degree, high byte first.
    [[nodiscard]] static QByteArray encodeTenths(qint16 tenths);
    [[nodiscard]] static qint16 toTenths(double degrees);

private:
    QByteArray receiveLive(char byte, qint64 nowMs);
    QByteArray identifyAnswer();
    QByteArray junk(int count);
    void pressKey(char key, qint64 nowMs);
    // The measured value of a channel in degrees Celsius, or none when it has no reading.
    [[nodiscard]] std::optional<double> measuredC(int channel, qint64 nowMs) const;
    [[nodiscard]] double toDisplayUnit(double celsius) const;
    [[nodiscard]] std::optional<double> inDisplayUnit(const std::optional<double>& celsius) const;
    [[nodiscard]] static bool validChannel(int channel);
    // The four channels at a moment as the logger stores them.
    [[nodiscard]] LoggerMemory::Sample loggerSample(qint64 atMs, bool celsius) const;
    [[nodiscard]] static LoggerMemory initialMemory(const MeterOptions& options);

    MeterOptions m_options;
    QRandomGenerator m_random;
    SimulatedLogger m_logger;
    qint64 m_lastMs = 0; // the latest moment the meter was told of
    QByteArray m_received;
    int m_identifications = 0;
    int m_polls = 0;
    bool m_silent = false;

    bool m_celsius = true;
    bool m_difference = false;
    MeterMode m_mode = MeterMode::Normal;
    bool m_relative = false;
    bool m_batteryLow = false;
    bool m_autoPowerOff = false;
    quint8 m_wholeDegrees = 0;
    quint8 m_open = 0;
    bool m_looseOpen = false; // the loose channels are open in the answer to this poll
    quint8 m_overRange = 0;

    using Channels = std::array<std::optional<double>, kChannels>;
    Channels m_pinned; // pinned temperatures, Celsius
    std::optional<Channels> m_held; // the frozen readings while HOLD is on, Celsius
    Channels m_reference; // REL references, Celsius
    Channels m_max; // running MAX, Celsius
    Channels m_min; // running MIN, Celsius
};

} // namespace tc4dl
