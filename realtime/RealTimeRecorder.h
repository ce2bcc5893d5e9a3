#pragma once

#include "GraphRole.h"
#include "JournalSyncer.h"
#include "RealTimeSampler.h"
#include "RealTimeWindow.h"

#include <QObject>

#include <memory>

namespace tc4dl {

namespace journal {
class JournalWriter;
struct JournalContents;
struct JournalNote;
} // namespace journal

class GraphServices;
class RecorderHost;
struct TickCheck;

// Real-time recording: Run and Stop, the sampling on the main tick, whether a run is going and
// how many samples the graph holds, and the real-time graph window's role (its save question,
// Clear and its sampling-rate lists). It reaches the window only through RealTimeWindow.
class RealTimeRecorder final : public QObject, public GraphRole {
    Q_OBJECT
public:
    RealTimeRecorder(RecorderHost& host, GraphServices& services, QObject* parent = nullptr);
    ~RealTimeRecorder() override;

    // Run: asks whether to save a graph that holds samples, makes the window again when it was
    // closed, asks for the samples and the rate, and starts the run.
    void run();
    // Stop from the toolbar or the menu: lets a running tick finish first.
    void stop();
    // The sampling half of a main tick, after its frame check, with the values of the last
    // frame; `nowSerial` is the tick's time. Connected to the live session's sampling point.
    void onTick(const TickCheck& check, double nowSerial);

    [[nodiscard]] bool running() const { return m_running; }
    [[nodiscard]] int sampleCount() const { return m_sampleCount; }
    // A sample was added since the user last answered the save question.
    [[nodiscard]] bool unsaved() const { return m_unsaved; }
    void setUnsaved(bool unsaved) { m_unsaved = unsaved; }
    [[nodiscard]] bool hasWindow() const { return m_window != nullptr; }
    // How far the graph's time axis grows past a new sample (a fraction of a day).
    [[nodiscard]] double xExtendStep() const { return m_xExtendStep; }

    // Takes over a recording's bookkeeping as it stands (a run going, samples in the graph),
    // so that tests can start from any point of a run.
    void assumeRecording(bool running, int samples)
    {
        m_running = running;
        m_sampleCount = samples;
    }
    // Keeps every run in a journal file at `path` (none when empty), so that a recording
    // outlives a crash. The file goes when the run's graph is saved after the run, cleared or
    // closed, or by discardJournal(); an Exit leaves it for the next start.
    void setJournal(const QString& path,
        journal::JournalSyncer::Mode mode = journal::JournalSyncer::Mode::Background);
    [[nodiscard]] QString journalPath() const { return m_journalPath; }
    [[nodiscard]] const journal::JournalWriter* journal() const { return m_journal.get(); }
    // At start-up: a journal left by a session that ended without closing is offered back
    // in one question; Yes puts it into the real-time graph, No deletes it. A journal with
    // nothing usable in it goes without a question.
    void offerJournal();
    // Puts a journal's samples into the real-time graph as a stopped run, unsaved.
    void restoreJournal(const journal::JournalContents& contents);
    // The program closes normally, its questions answered: the journal has served.
    void discardJournal();

    // An alarm's note at its moment in the running run's graph, kept in the run's journal too,
    // so that a restored run shows it again. Alarms raised by one reading share one note, a
    // line each. False (and nothing written) while no run records.
    bool addAlarmNote(double serial, double y, const QString& text, quint32 color);

    // Records into `window` from now on (tests give their own; attach() gives the real one).
    void attachWindow(std::unique_ptr<RealTimeWindow> window);

    // GraphRole
    void attach(TfrmGraph& window) override;
    bool closeQuery() override;
    void closed() override;
    void save() override;
    // The meter's live unit: the samples are taken in it.
    [[nodiscard]] std::optional<bool> dataCelsius() const override;
    [[nodiscard]] bool ratesOfLatestMinute() const override { return true; }
    void cleared() override;
    void samplingRateChanged(int seconds) override;

private:
    [[nodiscard]] bool askToSaveFirst();
    [[nodiscard]] int askForSamples();
    void startRun(int samples);
    void takeSample(const std::array<float, 4>& values, double nowSerial);
    void stopRecording(bool insideTick);
    [[nodiscard]] double nowSerial() const;
    [[nodiscard]] bool saveGraph();
    // Samples every `seconds` from now on, the time axis growing to match.
    void useRate(int seconds);
    // Writes an alarm note into the graph, joining the note of the same moment.
    void placeNote(const journal::JournalNote& note);

    RecorderHost& m_host;
    GraphServices& m_services;
    std::unique_ptr<RealTimeWindow> m_window;
    std::unique_ptr<RealTimeSampler> m_sampler;
    std::unique_ptr<journal::JournalWriter> m_journal;
    QString m_journalPath;
    bool m_running = false;
    int m_sampleCount = 0;
    bool m_unsaved = false;
    int m_ticksSinceSample = 0;
    // The alarm note written last: notes of the same moment join it.
    struct LastNote {
        int index = -1;
        double serial = 0.0;
    } m_lastNote;
    // One tenth of a minute, as a fraction of a day rounded to single precision.
    double m_xExtendStep = static_cast<double>(1.0f / 8640.0f);
};

} // namespace tc4dl
