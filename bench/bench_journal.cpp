// What the real-time journal costs the program's sampling tick: the recorder with the real
// real-time graph window (offscreen), one sample a tick into a run of 99,999 points, its
// MAX/MIN bookkeeping, the statistic boxes and the chart's repaint that the sample asks for,
// with the journal against the same tick without it, as the main thread pays for it. The
// journal file lives in the system's temporary folder and its syncs (every ten ticks) run in
// the background as in the program. Ticks come a second apart in the program and a sync
// takes milliseconds, so a sync is over before the next tick: the bench lets it finish
// between ticks, outside the time measured. A second table times the recorder alone, with a
// window that draws nothing, where the journal's own cost shows most.

#include "FakeGraphServices.h"
#include "JournalWriter.h"
#include "LiveLink.h"
#include "RealTimeRecorder.h"
#include "TfrmGraph.h"
#include "TfrmSetupRealTime.h"
#include "WorkspaceRig.h"

#include <DateTimeSerial.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace tc4dl;
using tc4dl::testing::FakeGraphServices;
using tc4dl::testing::WorkspaceRig;

namespace {

constexpr int kTicks = 3000;
constexpr int kRounds = 3;

// The real-time window without a screen: the graph and the boxes' texts.
class BenchWindow final : public RealTimeWindow {
public:
    BenchWindow()
    {
        graph.setSubsets(4);
        graph.setPoints(100);
    }
    void setMaxText(int ch, const QString& t) override { boxes[ch] = t; }
    void setMinText(int ch, const QString& t) override { boxes[4 + ch] = t; }
    void setAvgText(int ch, const QString& t) override { boxes[8 + ch] = t; }
    void setDataNoText(const QString& t) override { dataNo = t; }
    void setStartTimeText(const QString& t) override { startTime = t; }
    chart::ChartModel& model() override { return graph; }
    void redraw() override { }
    void restore() override { }
    void setClearEnabled(bool) override { }
    int minutesIndex() const override { return 0; }
    int secondsIndex() const override { return 1; }
    void setRateIndexes(int, int) override { }
    void showSamplingRate(int) override { }
    void clear() override { }
    bool save() override { return true; }
    void focusPlot() override { }

    chart::ChartModel graph;
    std::array<QString, 12> boxes;
    QString dataNo;
    QString startTime;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct TickCost {
    double typical = 0; // the median tick, ns
    double mean = 0; // ns, with the ticks that follow a sync
};

// The ticks of one run of kTicks samples.
TickCost runOnce(const QString& journal, bool realWindow)
{
    FakeGraphServices services;
    WorkspaceRig rig(&services.manualClock);
    rig.report(LinkChange::ScanFound);
    Recording& recording = rig.recording();
    recording.setRate(1);
    RealTimeRecorder recorder(rig.ws(), services);
    if (!journal.isEmpty())
        recording.setJournal(journal);
    QMdiArea area;
    if (realWindow) {
        area.resize(1024, 768);
        auto* graph = new TfrmGraph(services);
        graph->setWindowTitle(TfrmGraph::realTimeCaption());
        graph->model().setSubsets(4);
        area.addSubWindow(graph)->showMaximized();
        graph->setRole(&recorder);
        area.show();
        QCoreApplication::processEvents();
    } else {
        recorder.attachWindow(std::make_unique<BenchWindow>());
    }
    services.prompts.dialogs = [](QDialog& dialog) {
        auto& setup = dynamic_cast<TfrmSetupRealTime&>(dialog);
        setup.samplesField()->setText(QStringLiteral("99999"));
        setup.minutesList()->setCurrentIndex(0);
        setup.secondsList()->setCurrentIndex(1);
        return int(QDialog::Accepted);
    };
    recorder.run();
    QElapsedTimer timer;
    timer.start();
    std::vector<double> ticks;
    ticks.reserve(kTicks);
    for (int i = 0; i < kTicks; ++i) {
        // A reading that moves, so that MAX and MIN change now and then as in a real run.
        const float v = 25.0f + 5.0f * float(std::sin(i / 50.0));
        const std::array<float, 4> values { v, v + 1.0f, v - 1.0f, v * 2.0f };
        services.manualClock.advance(1000);
        const double now = toDateTimeSerial(services.manualClock.now());
        const qint64 before = timer.nsecsElapsed();
        recording.onSamplingPoint(TickCheck { true, false, values }, now);
        // The repaint the sample asked for, as the event loop does it after the tick.
        if (realWindow)
            QCoreApplication::processEvents();
        ticks.push_back(double(timer.nsecsElapsed() - before));
        if (const journal::JournalWriter* w = recording.journal())
            w->syncer().drain();
    }
    TickCost cost;
    for (const double t : ticks)
        cost.mean += t / kTicks;
    cost.typical = median(ticks);
    if (recording.sampleCount() != kTicks)
        std::fprintf(stderr, "only %d samples\n", recording.sampleCount());
    recorder.stop();
    recording.discardJournal();
    return cost;
}

void compare(const QString& journal, bool realWindow, const char* title)
{
    std::vector<double> typicalWithout, typicalWith, meanWithout, meanWith;
    for (int round = 0; round < kRounds; ++round) {
        const TickCost a = runOnce(QString(), realWindow);
        const TickCost b = runOnce(journal, realWindow);
        typicalWithout.push_back(a.typical);
        meanWithout.push_back(a.mean);
        typicalWith.push_back(b.typical);
        meanWith.push_back(b.mean);
    }
    const double ta = median(typicalWithout), tb = median(typicalWith);
    const double ma = median(meanWithout), mb = median(meanWith);
    std::printf("%s\n", title);
    std::printf(
        "  median tick: without journal %8.0f ns, with %8.0f ns, ratio %.3f\n", ta, tb, tb / ta);
    std::printf(
        "  mean tick:   without journal %8.0f ns, with %8.0f ns, ratio %.3f\n", ma, mb, mb / ma);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    QTemporaryDir dir;
    const QString journal = dir.filePath(QStringLiteral("realtime.journal"));
    compare(journal, true, "The program's tick (real graph window, chart repaint included):");
    compare(journal, false, "The recorder alone (a window that draws nothing):");
    std::printf("(target <= 1.1; the mean carries the first write after each sync)\n");
    return 0;
}
