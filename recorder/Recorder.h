#pragma once

#include "MeterState.h"
#include "RecorderSetup.h"
#include "RunCommitter.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

namespace tc4dl {
class Clock;
}

namespace tc4dl::recorder {

class AlarmActions;
class MeterRecorder;
class MeterState;
class MqttPublisher;
class RunStore;

// `tc4dl-cli record` below its command line: every meter named, each on its own port and live
// session; their runs through the journal into the store; their state, alarms and readings out
// to MQTT and to the alarm's command and web address. One beat a second drives the commits and
// the journals' syncs. Everything it has to say goes out as sentences through said().
class Recorder final : public QObject {
    Q_OBJECT
public:
    // At stop, alarm commands and web deliveries under way get this long to finish.
    static constexpr int kActionsGraceMs = 30000;

    enum class Outcome {
        Stopped, // stop() was asked (a signal)
        CountReached, // every meter kept --count readings
        JournalFailed, // a journal could not be written (a full disk)
    };

    struct Parts {
        Clock* clock = nullptr;
        RunStore* store = nullptr; // null: the readings are not stored (--no-archive)
        QString journalFolder;
        QString mqttUser; // from --mqtt-auth
        QString mqttPassword;
    };

    Recorder(RecorderSetup setup, Parts parts, QObject* parent = nullptr);
    ~Recorder() override;

    // Stores what the journals of an earlier run hold; then opens every port. False with the
    // sentence in `error` when a port cannot be opened (nothing is recording then).
    bool start(QString* error);
    // Ends every run, stores what it can, says offline, and emits finished(). Only the first
    // call counts.
    void stop(Outcome outcome);

    [[nodiscard]] std::vector<MeterState*> meters() const;
    [[nodiscard]] const RecorderSetup& setup() const { return m_setup; }
    // Readings not yet in the store and the journals that keep them.
    [[nodiscard]] qint64 unstored() const;
    [[nodiscard]] QStringList keptJournals() const;
    [[nodiscard]] bool stopped() const { return m_stopped; }

Q_SIGNALS:
    void said(const QString& sentence);
    // An alarm raised or cleared, as its line for the standard error.
    void alarmLine(const QString& line);
    void finished(tc4dl::recorder::Recorder::Outcome outcome);

private:
    void recoverJournals();
    void beat();
    void wireMeter(MeterRecorder& meter);

    RecorderSetup m_setup;
    Parts m_parts;
    std::unique_ptr<RunCommitter> m_committer;
    std::vector<std::unique_ptr<MeterRecorder>> m_meters;
    MqttPublisher* m_mqtt = nullptr;
    AlarmActions* m_actions = nullptr;
    QTimer m_beat;
    bool m_stopped = false;
};

// The standard error's line of an alarm: alarm,TIME,METER,ALARM,VALUE,STATE.
[[nodiscard]] QString alarmLineText(const AlarmNotice& notice);

} // namespace tc4dl::recorder
