#pragma once

#include "Alarm.h"
#include "ChannelConfig.h"
#include "Clock.h"
#include "MessageTable.h"

#include <QLocale>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace tc4dl {

class AlarmNotifier;

// Where a live alarm is shown; every part may be left empty.
struct AlarmOutputs {
    std::function<void(const QString& text)> status; // the raised alarms; empty: none
    std::function<void(int channel, bool raised)> markChannel;
    std::function<void(int channel, const QString& text)> showRate; // empty: no rate yet
    std::function<void()> alert; // the main window asks for attention
    std::function<void()> beep;
    // A note at the alarm's moment in the real-time graph (the owner decides whether a run is on).
    std::function<void(double serial, double y, const QString& text)> annotate;
    AlarmNotifier* notifier = nullptr;
};

// The alarms on the live readings while the meter is connected, recording or not: fed once per
// main tick, it runs the alarm monitor over the channel settings in use and shows each raised
// alarm (status bar, the channel's mark on the control panel, the window's alert, a desktop
// notification, a note in the graph) and a sound repeated until acknowledged. The rate of change
// of each channel is shown beside its reading. When the meter's unit changes, the limits follow.
class LiveAlarms final : public QObject {
    Q_OBJECT
public:
    static constexpr int kBeepIntervalMs = 2000;

    LiveAlarms(Clock& clock, alarm::ChannelConfig& config, AlarmOutputs outputs, QLocale locale,
        bool celsius, QObject* parent = nullptr);

    // The sound repeated until acknowledged; off: one beep per alarm.
    void setSound(bool on) { m_soundOn = on; }
    [[nodiscard]] bool sound() const { return m_soundOn; }

    // One main tick: `frameArrived` with the readings of that frame, `linkLost` when the link was
    // lost in this tick. `celsius` is the unit the readings are in.
    void onTick(bool frameArrived, bool linkLost, double nowSerial,
        const std::array<float, alarm::kChannels>& values, bool celsius);

    // The person saw it: the sound stops (the alarms stay shown while they last).
    void acknowledge();
    [[nodiscard]] bool sounding() const { return m_sounding; }

    // The text of a raised rule as a person reads it: "Ofen > 150,0", "T2/min > 5,0".
    [[nodiscard]] QString ruleText(const alarm::AlarmRule& rule) const;
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] const alarm::AlarmMonitor& monitor() const { return m_monitor; }

private:
    void applyRules();
    void handle(const alarm::AlarmEvent& event, const std::array<float, alarm::kChannels>& values);
    void raise(const QString& key, const QString& text, double serial, double y);
    void drop(const QString& key);
    void showStatus();
    void showRates();
    void beepRound(int generation);
    QString number(double value) const;

    Clock& m_clock;
    alarm::ChannelConfig& m_config;
    AlarmOutputs m_out;
    QLocale m_locale;
    MessageTable m_texts;
    alarm::AlarmMonitor m_monitor;
    bool m_celsius = true;
    bool m_converting = false;
    bool m_linkLost = false;
    bool m_soundOn = true;
    bool m_sounding = false;
    int m_beepGeneration = 0;
    std::array<float, alarm::kChannels> m_lastGood {};
    // The alarms raised now, in the order they came: a key and the text shown.
    std::vector<std::pair<QString, QString>> m_active;
};

} // namespace tc4dl
