// What the real-time journal costs the recorder: the sampling tick (one sample a tick into a
// graph of 99,999 points, its MAX/MIN bookkeeping, the statistic boxes) with the journal
// against the same tick without it. The journal file lives in the system's temporary folder;
// its syncs run in the background as in the program. Runs offscreen.

#include "FakeGraphServices.h"
#include "JournalWriter.h"
#include "LiveLink.h"
#include "RealTimeRecorder.h"
#include "TfrmSetupRealTime.h"

#include <DateTimeSerial.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace tc4dl;
using tc4dl::testing::FakeGraphServices;
using tc4dl::testing::FakeRecorderHost;

namespace {

constexpr int kTicks = 20000;
constexpr int kRounds = 9;

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

// Nanoseconds per tick of one run of kTicks samples.
double runOnce(const QString& journal)
{
    FakeGraphServices services;
    FakeRecorderHost host;
    host.connected = true;
    host.rate = 1;
    RealTimeRecorder recorder(host, services);
    if (!journal.isEmpty())
        recorder.setJournal(journal);
    auto window = std::make_unique<BenchWindow>();
    recorder.attachWindow(std::move(window));
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
    for (int i = 0; i < kTicks; ++i) {
        // A reading that moves, so that MAX and MIN change now and then as in a real run.
        const float v = 25.0f + 5.0f * float(std::sin(i / 50.0));
        host.values = {v, v + 1.0f, v - 1.0f, v * 2.0f};
        services.manualClock.advance(1000);
        recorder.onTick(TickCheck{true, false}, toDateTimeSerial(services.manualClock.now()));
    }
    const double ns = double(timer.nsecsElapsed()) / kTicks;
    if (recorder.sampleCount() != kTicks)
        std::fprintf(stderr, "only %d samples\n", recorder.sampleCount());
    recorder.stop();
    recorder.discardJournal();
    return ns;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    QTemporaryDir dir;
    const QString journal = dir.filePath(QStringLiteral("realtime.journal"));
    std::vector<double> without;
    std::vector<double> with;
    for (int round = 0; round < kRounds; ++round) {
        without.push_back(runOnce(QString()));
        with.push_back(runOnce(journal));
    }
    const double a = median(without);
    const double b = median(with);
    std::printf("recorder tick without journal: %8.0f ns\n", a);
    std::printf("recorder tick with journal:    %8.0f ns\n", b);
    std::printf("ratio with/without: %.3f (target <= 1.1)\n", b / a);
    return 0;
}
