#pragma once

#include "Alarm.h"
#include "MeterState.h"
#include "QuietLinkHost.h"
#include "RecorderSetup.h"
#include "RunKeeper.h"

#include <QObject>

#include <memory>

namespace tc4dl {
class Clock;
class LiveSession;
class MeterPortFactory;
} // namespace tc4dl

namespace tc4dl::recorder {

// One meter of the recorder: its own port and live session at the one-second poll (the
// program's own link, as `monitor` uses it), its alarms, its runs and journal, and its state.
// Every frame updates the state and is judged by the alarms; every `every` seconds one is kept.
class MeterRecorder final : public QObject, private QuietLinkHost {
    Q_OBJECT
public:
    MeterRecorder(Clock& clock, MeterSetup setup, int everySeconds, QString journalFolder,
        RunKeeper::Events runEvents, QObject* parent = nullptr);
    ~MeterRecorder() override;

    // Opens the port and looks for the meter; false with the sentence in `error` when the port
    // cannot be opened. A meter that does not answer yet is polled until it does.
    bool start(QString* error);
    // Stops polling, gives the port back and ends the run in progress.
    void stop();
    // The clock moved on (the recorder's one-second beat).
    void timePassed(qint64 tickMs);

    [[nodiscard]] MeterState& state() { return m_state; }
    [[nodiscard]] const MeterSetup& setup() const { return m_setup; }
    [[nodiscard]] RunKeeper& runs() { return m_runs; }
    [[nodiscard]] LiveSession& session() { return *m_session; }
    [[nodiscard]] bool answered() const { return m_answered; }

private:
    void connectionChanged(const ConnectionReport& report) override;
    void onFrame(const LiveReading& reading);
    void judge(const QDateTime& now, const LiveReading& reading);
    void publishAlarms(const std::vector<alarm::AlarmEvent>& events, const QDateTime& now);

    Clock& m_clock;
    MeterSetup m_setup;
    std::unique_ptr<MeterPortFactory> m_ports;
    std::unique_ptr<LiveSession> m_session;
    MeterState m_state;
    RunKeeper m_runs;
    alarm::AlarmMonitor m_alarms;
    std::optional<bool> m_celsius;
    bool m_answered = false;
    bool m_stopped = false;
};

} // namespace tc4dl::recorder
