#pragma once

#include "GraphRole.h"
#include "RealTimeSampler.h"
#include "RealTimeWindow.h"
#include "Recording.h"

#include <QObject>

#include <functional>
#include <memory>

class QWidget;

namespace tc4dl {

namespace journal {
struct JournalContents;
} // namespace journal

class GraphServices;
class Workspace;

// The real-time graph window's role: Run and Stop with their questions, the graph that shows
// the workspace's recording as it grows (its samples, MAX and MIN, the stop's averages), the
// save question, Clear and the sampling-rate lists. Whether a run is going, its samples and
// rate are the workspace's Recording; the recorder asks it, and reaches its window only
// through RealTimeWindow.
class RealTimeRecorder final : public QObject, public GraphRole {
    Q_OBJECT
public:
    // `makeWindow` makes the real-time graph window when Run finds none (the window attaches
    // itself); `dialogParent` is the parent of the set-up dialog.
    RealTimeRecorder(Workspace& workspace, GraphServices& services,
        std::function<void()> makeWindow = {}, QWidget* dialogParent = nullptr,
        QObject* parent = nullptr);
    ~RealTimeRecorder() override;

    // Run: asks whether to save a graph that holds samples, makes the window again when it was
    // closed, asks for the samples and the rate, and starts the run.
    void run();
    // Stop from the toolbar or the menu: lets a running tick finish first.
    void stop();

    [[nodiscard]] Recording& recording() { return m_recording; }
    [[nodiscard]] bool hasWindow() const { return m_window != nullptr; }
    // How far the graph's time axis grows past a new sample (a fraction of a day).
    [[nodiscard]] double xExtendStep() const { return m_xExtendStep; }

    // At start-up: a journal left by a session that ended without closing is offered back
    // in one question; Yes puts it into the real-time graph, No deletes it. A journal with
    // nothing usable in it goes without a question.
    void offerJournal();
    // Puts a journal's samples into the real-time graph as a stopped run, unsaved.
    void restoreJournal(const journal::JournalContents& contents);

    // Records into `window` from now on (tests give their own; attach() gives the real one).
    void attachWindow(std::unique_ptr<RealTimeWindow> window);

    // GraphRole
    void attach(TfrmGraph& window) override;
    bool closeQuery() override;
    void closed() override;
    void save() override;
    // The unit of the run on show, or of the live readings before it holds a sample.
    [[nodiscard]] std::optional<bool> dataCelsius() const override;
    [[nodiscard]] bool ratesOfLatestMinute() const override { return true; }
    void cleared() override;
    void samplingRateChanged(int seconds) override;

private:
    [[nodiscard]] bool askToSaveFirst();
    [[nodiscard]] int askForSamples();
    void startRun(int samples);
    void onSampleTaken(const Recording::Sample& sample);
    void onStopped(double endSerial);
    void showClear();
    [[nodiscard]] bool saveGraph();
    // Samples every `seconds` from now on, the time axis growing to match.
    void useRate(int seconds);

    Workspace& m_workspace;
    Recording& m_recording;
    GraphServices& m_services;
    std::function<void()> m_makeWindow;
    QWidget* m_dialogParent;
    std::unique_ptr<RealTimeWindow> m_window;
    std::unique_ptr<RealTimeSampler> m_sampler;
    // One tenth of a minute, as a fraction of a day rounded to single precision.
    double m_xExtendStep = static_cast<double>(1.0f / 8640.0f);
};

} // namespace tc4dl
