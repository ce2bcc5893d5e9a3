#pragma once

#include "LiveRun.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <optional>

namespace tc4dl::recorder {

// One kept reading of one meter: the time it came, its unit and the four channels as the meter
// measured them ("OL" and no value kept apart).
struct KeptReading {
    QDateTime time; // local wall clock
    bool celsius = true;
    SampleCodes codes {};

    // The channel in degrees; nothing for "OL" and for no value.
    [[nodiscard]] std::optional<double> value(int channel) const;
    [[nodiscard]] bool overLimit(int channel) const;
    [[nodiscard]] bool noValue(int channel) const;
};

// The alarm a lost link raises, beside the channels' own.
inline constexpr char kLinkLostAlarm[] = "link lost";

// An alarm raised or cleared on one meter.
struct AlarmNotice {
    QString meter;
    QDateTime time;
    QString alarm; // "T1>150", "T2/min>5", "T3 OL", "link lost"
    std::optional<double> value; // the reading or rate; nothing for an open probe or the link
    bool raised = true;
};

// What the recorder knows of one meter at this moment, for everything that shows it (the
// status lines, MQTT, a live page): its name, the link, the last kept reading, the rates of
// change, the alarms in force, the channels' names and the readings of the last day. Written
// only by the meter's recorder; readers follow the signals.
class MeterState final : public QObject {
    Q_OBJECT
public:
    // The history reaches back this far, at most this many readings.
    static constexpr qint64 kHistorySeconds = 24 * 3600;

    MeterState(QString name, std::array<QString, 4> channelNames, int everySeconds,
        QObject* parent = nullptr);

    [[nodiscard]] const QString& name() const { return m_name; }
    [[nodiscard]] bool connected() const { return m_connected; }
    // The unit of the last reading (the meter's display); Celsius before the first.
    [[nodiscard]] bool celsius() const { return m_last ? m_last->celsius : true; }
    [[nodiscard]] const std::optional<KeptReading>& lastReading() const { return m_last; }
    // Degrees per minute over the last 60 s (least squares), per channel; nothing while unknown.
    [[nodiscard]] const std::array<std::optional<double>, 4>& rates() const { return m_rates; }
    // The alarms raised and not cleared, in the order they were raised.
    [[nodiscard]] const QStringList& alarmsInForce() const { return m_alarms; }
    // The name a person reads for channel 0..3: the one given, or "T1".."T4".
    [[nodiscard]] QString channelName(int channel) const;
    [[nodiscard]] const std::array<QString, 4>& channelNames() const { return m_channelNames; }
    // Kept readings, oldest first, of the last kHistorySeconds.
    [[nodiscard]] const std::deque<KeptReading>& history() const { return m_history; }
    // Readings kept into the current run and into the store since the start.
    [[nodiscard]] qint64 keptCount() const { return m_kept; }
    [[nodiscard]] qint64 storedCount() const { return m_stored; }

    // The meter's recorder tells what happened.
    void setConnected(bool connected);
    void keep(const KeptReading& reading, const std::array<std::optional<double>, 4>& rates);
    void notice(const AlarmNotice& notice);
    void addStored(qint64 readings);

Q_SIGNALS:
    void connectionChanged(bool connected);
    void readingKept(const tc4dl::recorder::KeptReading& reading);
    void alarmNoticed(const tc4dl::recorder::AlarmNotice& notice);
    void unitChanged(bool celsius);

private:
    QString m_name;
    std::array<QString, 4> m_channelNames;
    std::size_t m_historyLimit;
    bool m_connected = false;
    std::optional<KeptReading> m_last;
    std::array<std::optional<double>, 4> m_rates {};
    QStringList m_alarms;
    std::deque<KeptReading> m_history;
    qint64 m_kept = 0;
    qint64 m_stored = 0;
};

} // namespace tc4dl::recorder
