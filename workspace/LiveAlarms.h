#pragma once

#include "Alarm.h"
#include "ChannelConfig.h"
#include "Clock.h"
#include "MessageTable.h"
#include "Unit.h"

#include <QLocale>
#include <QObject>
#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace tc4dl {

struct TickCheck;

// The alarms on the live readings while the meter is connected, recording or not: fed once per
// main tick with the sampling point's readings, it runs the alarm monitor over the channel
// settings in use and reports each raised alarm, the alarms standing, each channel's mark and
// its rate of change, and a sound repeated until acknowledged. When the meter's unit changes,
// the limits follow. Where each report is shown is the windows' choice.
class LiveAlarms final : public QObject {
    Q_OBJECT
public:
    static constexpr int kBeepIntervalMs = 2000;

    LiveAlarms(Clock& clock, alarm::ChannelConfig& config, QLocale locale, Unit unit,
        QObject* parent = nullptr);

    // The sound repeated until acknowledged; off: one beep per alarm.
    void setSound(bool on) { m_soundOn = on; }
    [[nodiscard]] bool sound() const { return m_soundOn; }

    // One main tick: `check.frameArrived` with the readings of that frame and their no-value
    // marks (a channel marked without a value reads "OL", whatever bytes stand in its place),
    // `check.linkLost` when the link was lost in this tick. `unit` is the unit the readings are
    // in.
    void onTick(const TickCheck& check, double nowSerial, Unit unit);

    // The person saw it: the sound stops (the alarms stay shown while they last).
    void acknowledge();
    [[nodiscard]] bool sounding() const { return m_sounding; }

    // The text of a raised rule as a person reads it: "Ofen > 150,0", "T2/min > 5,0".
    [[nodiscard]] QString ruleText(const alarm::AlarmRule& rule) const;
    // The alarms standing, "; " between them.
    [[nodiscard]] QString statusText() const;
    // The title a notification of a raised alarm carries.
    [[nodiscard]] QString notificationTitle() const;
    [[nodiscard]] const alarm::AlarmMonitor& monitor() const { return m_monitor; }

Q_SIGNALS:
    // One alarm was raised at `serial`, the channel's reading (its last one within the limits
    // when it has none) `y`: "Ofen > 150,0".
    void raised(double serial, double y, const QString& text);
    // The status text of the alarms standing and the sound; empty: none.
    void statusChanged(const QString& text);
    void channelMarked(int channel, bool raised);
    // A channel's rate of change as it stands beside the reading; empty: none yet.
    void rateShown(int channel, const QString& text);
    void beep();
    // Every raising and clearing as the alarm monitor names it (a rule, an open probe, the
    // lost link), for whatever tells it beyond the window: the live page, a command, a web
    // address.
    void noticed(const tc4dl::alarm::AlarmEvent& event);

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
