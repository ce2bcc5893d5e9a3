#pragma once

#include "DataOrigin.h"
#include "JournalFormat.h"
#include "JournalSyncer.h"
#include "Unit.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace tc4dl {

namespace journal {
class JournalWriter;
struct JournalContents;
} // namespace journal

class Clock;
struct Settings;
struct TickCheck;

// The real-time recording as the program knows it, whatever window shows it: whether a run is
// active, how many samples it asked for and took, at what rate, in which unit, the samples
// themselves, whether they are saved, and the journal that keeps them through a crash. Fed by
// the sampling point of every main tick, it decides which tick takes a sample.
class Recording final : public QObject {
    Q_OBJECT
public:
    using Sample = journal::JournalSample;

    // `settings` holds the rate (`RealTimeRate`), which is read and set through it.
    Recording(Clock& clock, Settings& settings, QObject* parent = nullptr);
    ~Recording() override;

    [[nodiscard]] bool active() const { return m_active; }
    // Samples taken into the run on show (the real-time graph's count).
    [[nodiscard]] int sampleCount() const { return m_sampleCount; }
    [[nodiscard]] int samplesAsked() const { return m_samplesAsked; }
    [[nodiscard]] double startSerial() const { return m_startSerial; }
    [[nodiscard]] Unit unit() const { return m_unit; }
    [[nodiscard]] const std::vector<Sample>& samples() const { return m_samples; }
    [[nodiscard]] const DataOrigin& origin() const { return m_origin; }
    // Seconds between two samples (the Settings' RealTimeRate).
    [[nodiscard]] int rate() const;
    void setRate(int seconds);

    // A sample was taken since the user last answered the save question.
    [[nodiscard]] bool unsaved() const { return m_unsaved; }
    // The samples are kept (a save that wrote them, or a person who let them go).
    void setUnsaved(bool unsaved);

    // Keeps every run in a journal file at `path` (none when empty), so that a recording
    // outlives a crash. The file goes when the run's graph is saved after the run, cleared or
    // closed, or by discardJournal(); an Exit leaves it for the next start.
    void setJournal(const QString& path,
        journal::JournalSyncer::Mode mode = journal::JournalSyncer::Mode::Background);
    [[nodiscard]] QString journalPath() const { return m_journalPath; }
    [[nodiscard]] const journal::JournalWriter* journal() const { return m_journal.get(); }
    void discardJournal();

    // A run of `samples` begins now, in `unit`, on `device`.
    void begin(int samples, Unit unit, const QString& device);
    // The sampling half of a main tick, after its frame check, with the values of the last
    // frame; `nowSerial` is the tick's time. A due tick with a frame takes a sample; the last
    // sample stops the run.
    void onSamplingPoint(const TickCheck& check, double nowSerial);
    // The run stops now (Stop, or its last sample).
    void stop();
    // The run ends without the stop's processing: a new rate starts the graph again.
    void interrupt();
    // The graph was cleared: no samples on show, the journal gone.
    void cleared();
    // The window went: the run ends, nothing on show, the journal gone; unless `keepJournal`
    // (the window went without its close, with the program: the next start offers it back).
    void end(bool keepJournal = false);
    // A journal's run back as a stopped run, unsaved.
    void restore(const journal::JournalContents& contents);
    // Takes over a recording's bookkeeping as it stands (a run going, samples on show), so
    // that tests can start from any point of a run.
    void assumeRecording(bool running, int samples);

Q_SIGNALS:
    void started();
    void sampleTaken(const tc4dl::Recording::Sample& sample, bool full);
    void stopped(double endSerial);
    void interrupted();
    void ended();
    void restored();
    void unsavedChanged(bool unsaved);

private:
    void take(const Sample& sample);

    Clock& m_clock;
    Settings& m_settings;
    std::unique_ptr<journal::JournalWriter> m_journal;
    QString m_journalPath;
    bool m_active = false;
    bool m_unsaved = false;
    int m_sampleCount = 0;
    int m_samplesAsked = 0;
    int m_ticksSinceSample = 0;
    double m_startSerial = 0.0;
    Unit m_unit = Unit::Celsius;
    std::vector<Sample> m_samples;
    DataOrigin m_origin;
};

} // namespace tc4dl
