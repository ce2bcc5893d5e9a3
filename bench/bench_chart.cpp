// Redraw cost of the charting component: a full replot of a 1600 x 1000 graph with 4 x 65,535
// points against 4 x 1,000 points, split and shared, and the real-time tick (append one point,
// rebuild, repaint) on a 65,535-point graph against a 100-point graph. Runs offscreen.

#include "ChartModel.h"
#include "ChartQcp.h"
#include "ChartView.h"

#include <DateTimeSerial.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using tc4dl::chart::ChartModel;
using tc4dl::chart::ChartView;
using tc4dl::chart::ScaleControl;

namespace {

constexpr double kSecond = 1.0 / 86400.0;
const double kStart = tc4dl::toDateTimeSerial(QDateTime(QDate(2026, 1, 5), QTime(8, 0, 0)));

// The median: the two cores are shared, and a single descheduling must not decide the figure.
double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double sample(int subset, int point)
{
    const double t = point * 2.0;
    return 25.0 + 8.0 * subset + 6.0 * std::sin(t / 600.0 + subset)
        + 0.4 * std::sin(t * 1.3 + subset * 2.0);
}

// `points` slots, the first `filled` of them holding samples two seconds apart.
void fill(ChartModel& m, int points, int filled, bool split)
{
    m.setSubsets(4);
    m.setPoints(points);
    std::vector<double> xs(static_cast<size_t>(points) * 4, 0.0);
    std::vector<float> ys(static_cast<size_t>(points) * 4, m.nullY());
    for (int p = 0; p < filled; ++p)
        for (int s = 0; s < 4; ++s) {
            xs[static_cast<size_t>(p) * 4 + static_cast<size_t>(s)] = kStart + 2.0 * p * kSecond;
            ys[static_cast<size_t>(p) * 4 + static_cast<size_t>(s)]
                = static_cast<float>(sample(s, p));
        }
    m.setAllX(xs.data(), static_cast<qsizetype>(xs.size()));
    m.setAllY(ys.data(), static_cast<qsizetype>(ys.size()));
    m.look.subsetColors = { 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF };
    m.look.subsetLabels = { QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3"),
        QStringLiteral("T4") };
    m.look.xScale = { ScaleControl::ManualMinAndMax, kStart, kStart + 2.0 * points * kSecond };
    m.setMultiAxesSubsets(-1, 0);
    m.setMultiAxesProportions(-1, 0);
    if (split) {
        for (int k = 0; k < 4; ++k) {
            m.setMultiAxesSubsets(k, 1);
            m.setMultiAxesProportions(k, 0.25);
        }
    } else {
        m.setMultiAxesProportions(0, 1.0);
    }
    for (int a = 0; a < 4; ++a) {
        m.setWorkingAxis(a);
        m.setYScale({ ScaleControl::ManualMinAndMax, -10.0, 70.0 });
    }
    m.setWorkingAxis(0);
}

// Median milliseconds per full replot, the picture drawn into an image as the screen would get it.
double redrawMs(int points, bool split)
{
    ChartModel m;
    fill(m, points, points, split);
    ChartView view(m);
    view.resize(1600, 1000);
    view.show();
    view.reinitAndReset();
    view.invalidateImage();
    QImage target(1600, 1000, QImage::Format_ARGB32_Premultiplied);
    constexpr int kRounds = 21;
    std::vector<double> ms;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.plot()->replot(QCustomPlot::rpImmediateRefresh);
        view.plot()->render(&target);
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

// Median milliseconds per real-time tick: write the next sample, resetImage, invalidateImage (which
// replots).
double tickMs(int points)
{
    ChartModel m;
    fill(m, points, points - 60, true);
    m.look.xScale = { ScaleControl::ManualMinAndMax, kStart, kStart + 2.0 * points * kSecond };
    ChartView view(m);
    view.resize(1600, 1000);
    view.show();
    view.reinitAndReset();
    view.invalidateImage();
    constexpr int kTicks = 51;
    std::vector<double> ms;
    for (int i = 0; i < kTicks; ++i) {
        QElapsedTimer timer;
        timer.start();
        const int p = points - 60 + i;
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, kStart + 2.0 * p * kSecond);
            m.setY(s, p, sample(s, p));
        }
        view.resetImage();
        view.invalidateImage();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    for (const bool split : { true, false }) {
        redrawMs(1000, split); // warm-up: fonts, caches
        const double small = redrawMs(1000, split);
        const double large = redrawMs(65535, split);
        std::printf("%-6s redraw  4 x 1000: %7.2f ms   4 x 65535: %7.2f ms   ratio %.2f\n",
            split ? "split" : "shared", small, large, large / small);
    }
    tickMs(100);
    const double smallTick = tickMs(100);
    const double largeTick = tickMs(65535);
    std::printf(
        "tick   append+redraw  100 points: %7.2f ms   65535 points: %7.2f ms   ratio %.2f\n",
        smallTick, largeTick, largeTick / smallTick);
    return 0;
}
