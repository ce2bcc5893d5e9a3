#pragma once

#include "Alarm.h"
#include "ConfigText.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <array>
#include <optional>
#include <vector>

namespace tc4dl::recorder {

// One meter the recorder reads.
struct MeterSetup {
    QString device; // as given: "ttyUSB0", "/dev/ttyUSB0", "COM3", a pty, or the simulated meter
    QString name; // [A-Za-z0-9_-], 1..kMaxNameLength; MQTT topics, files and HA ids carry it
    std::vector<alarm::AlarmRule> alarms; // its own and those given for every meter
    double hysteresis = 1.0;
    std::array<QString, alarm::kChannels> channelNames; // empty: "T1".."T4"
};

// The broker, as --mqtt and its companions give it.
struct MqttSetup {
    QString host;
    quint16 port = 0;
    bool tls = false;
    QString prefix = QStringLiteral("tc4dl");
    QString authFile; // empty: no user and password
    QString caFile; // empty: the system's certificate authorities
    [[nodiscard]] bool enabled() const { return !host.isEmpty(); }
};

// Everything `tc4dl-cli record` was told, by its command line and its settings file alike.
struct RecorderSetup {
    static constexpr int kMaxMeters = 16;
    static constexpr int kMaxNameLength = 32;
    static constexpr int kMaxEvery = 3600;
    static constexpr int kMaxAlarmsPerMeter = 64;

    std::vector<MeterSetup> meters;
    int every = 1; // seconds between kept readings
    qint64 count = -1; // readings per meter, -1 without end
    QString archive; // empty: the desktop program's archive
    bool noArchive = false;
    QString journalFolder; // empty: the default
    MqttSetup mqtt;
    QString onAlarm; // the command, split like a command line, run without a shell
    QUrl webhook;
};

// The settings before they are checked: what the command line or the file said, key by key, in
// order. Keys are the long options' names. A group's entries belong to the meter it names.
class SetupBuilder {
public:
    // Adds one setting; false with the reason in `error()` (naming `origin`, e.g. "line 4" or
    // "--every") when the key is unknown or its value cannot be what the key needs.
    bool add(const QString& group, const QString& key, const QString& value, const QString& origin);
    // Adds a file's entries; false at the first refused one.
    bool addConfig(const ConfigText& text, const QString& fileName);
    // The checked setup: every meter named once, every alarm's meter known, at least one meter.
    [[nodiscard]] std::optional<RecorderSetup> build();
    [[nodiscard]] const QString& error() const { return m_error; }

    // The keys a settings file may hold at its top and inside a [meter NAME] group.
    [[nodiscard]] static QStringList topKeys();
    [[nodiscard]] static QStringList meterKeys();

private:
    bool fail(const QString& origin, const QString& why);
    bool addMeterSetting(
        const QString& group, const QString& key, const QString& value, const QString& origin);
    // An alarm or a channel's name for `meter` (empty: every meter) from `text`.
    bool addRuleOrName(const QString& meter, const QString& key, const QString& text,
        const QString& value, const QString& origin);
    MeterSetup& group(const QString& name);

    RecorderSetup m_setup;
    // [meter NAME] groups and --port DEVICE=NAME, in order; their alarms come with them.
    std::vector<MeterSetup> m_meters;
    std::vector<std::pair<QString, alarm::AlarmRule>> m_namedAlarms;
    std::vector<alarm::AlarmRule> m_allAlarms;
    std::vector<std::pair<QString, std::pair<int, QString>>> m_namedChannels;
    std::optional<double> m_hysteresis;
    std::vector<std::pair<QString, double>> m_meterHysteresis;
    bool m_demo = false;
    QString m_error;
};

// A name a meter may have: 1..kMaxNameLength of letters, digits, '_' and '-'.
[[nodiscard]] bool validMeterName(const QString& name);
// The name a device gets when none is given: its base name, other characters as '_'.
[[nodiscard]] QString defaultMeterName(const QString& device);
// --mqtt's URL: mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (8883); nothing, with the
// reason, for anything else (a user or password in it among them).
[[nodiscard]] std::optional<MqttSetup> parseMqttUrl(const QString& text, QString* error);
// An MQTT topic prefix: one or more levels, no wildcard, no empty level.
[[nodiscard]] bool validTopicPrefix(const QString& prefix);

} // namespace tc4dl::recorder
