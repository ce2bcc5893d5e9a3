// What the alarm and rate checks add to the real-time tick at 65,535 points: the tick (append
// one sample, rebuild, repaint) with the alarm monitor fed that sample and the rates of the
// latest minute worked out (as the graph's RATE boxes show them), against the same tick
// without them; and the tick with the rate curves shown ("°/min": brought up to date and drawn
// as the graph window does) against the same tick without them. Several runs, alternating,
// each printing its ratios; the median ratios last. Runs offscreen.

#include "Alarm.h"
#include "ChartModel.h"
#include "ChartView.h"
#include "GraphRates.h"

#include <DateTimeSerial.h>

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using tc4dl::chart::ChartModel;
using tc4dl::chart::ChartView;
using tc4dl::chart::ScaleControl;

namespace {

constexpr int kPoints = 65535;
constexpr double kSecond = 1.0 / 86400.0;
const double kStart = tc4dl::toDateTimeSerial(QDateTime(QDate(2026, 1, 5), QTime(8, 0, 0)));

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

float sample(int subset, int point)
{
    const double t = point * 2.0;
    return static_cast<float>(25.0 + 8.0 * subset + 6.0 * std::sin(t / 600.0 + subset)
        + 0.4 * std::sin(t * 1.3 + subset * 2.0));
}

// A split 4 x 65,535 graph recorded up to 60 points before its end, two seconds apart.
void fill(ChartModel& m)
{
    const int filled = kPoints - 60;
    m.setSubsets(4);
    m.setPoints(kPoints);
    std::vector<double> xs(static_cast<size_t>(kPoints) * 4, 0.0);
    std::vector<float> ys(static_cast<size_t>(kPoints) * 4, m.nullY());
    for (int p = 0; p < filled; ++p)
        for (int s = 0; s < 4; ++s) {
            xs[static_cast<size_t>(p) * 4 + static_cast<size_t>(s)] = kStart + 2.0 * p * kSecond;
            ys[static_cast<size_t>(p) * 4 + static_cast<size_t>(s)] = sample(s, p);
        }
    m.setAllX(xs.data(), static_cast<qsizetype>(xs.size()));
    m.setAllY(ys.data(), static_cast<qsizetype>(ys.size()));
    m.look.subsetColors = { 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF };
    m.look.xScale = { ScaleControl::ManualMinAndMax, kStart, kStart + 2.0 * kPoints * kSecond };
    for (int k = 0; k < 4; ++k) {
        m.setMultiAxesSubsets(k, 1);
        m.setMultiAxesProportions(k, 0.25);
    }
    for (int a = 0; a < 4; ++a) {
        m.setWorkingAxis(a);
        m.setYScale({ ScaleControl::ManualMinAndMax, -10.0, 70.0 });
    }
    m.setWorkingAxis(0);
}

enum class Extra { None, Checks, Curves };

// Median milliseconds per tick over 51 ticks.
double tickMs(Extra extra)
{
    const bool checks = extra == Extra::Checks;
    ChartModel m;
    fill(m);
    ChartView view(m);
    view.resize(1600, 1000);
    view.show();
    view.reinitAndReset();
    view.invalidateImage();
    tc4dl::alarm::AlarmMonitor monitor;
    std::vector<tc4dl::alarm::AlarmRule> rules;
    for (int c = 0; c < 4; ++c) {
        rules.push_back({ c, tc4dl::alarm::Quantity::Value, tc4dl::alarm::Direction::Above, 60.0 });
        rules.push_back(
            { c, tc4dl::alarm::Quantity::RatePerMinute, tc4dl::alarm::Direction::Above, 5.0 });
    }
    monitor.setRules(rules, { 1.0, 1.0, 1.0, 1.0 });
    tc4dl::chart::RateCurves curves;
    if (extra == Extra::Curves) {
        (void)curves.update(m);
        view.setOverlayCurves(curves.curves(), QStringLiteral("°/min"));
        view.resetImage();
        view.invalidateImage();
    }
    double sink = 0.0;
    std::vector<double> ms;
    for (int i = 0; i < 51; ++i) {
        QElapsedTimer timer;
        timer.start();
        const int p = kPoints - 60 + i;
        const double t = kStart + 2.0 * p * kSecond;
        std::array<float, 4> values {};
        for (int s = 0; s < 4; ++s) {
            values[static_cast<size_t>(s)] = sample(s, p);
            m.setX(s, p, t);
            m.setY(s, p, values[static_cast<size_t>(s)]);
        }
        if (checks) {
            sink += static_cast<double>(monitor.feed(t, values).size());
            const tc4dl::chart::ChannelRates rates = tc4dl::chart::latestRates(m);
            sink += rates[0].value_or(0.0);
        }
        if (extra == Extra::Curves && curves.update(m) != tc4dl::chart::RateCurves::Change::None)
            view.appendToOverlayCurves(curves.curves(), curves.appendedFrom());
        view.resetImage();
        view.invalidateImage();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    if (sink == 12345.678)
        std::printf(" ");
    return median(ms);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tickMs(Extra::None); // warm-up: fonts, caches
    std::vector<double> checkRatios;
    std::vector<double> curveRatios;
    for (int run = 0; run < 5; ++run) {
        const double plain = tickMs(Extra::None);
        const double checked = tickMs(Extra::Checks);
        const double curved = tickMs(Extra::Curves);
        checkRatios.push_back(checked / plain);
        curveRatios.push_back(curved / plain);
        std::printf("run %d  tick at 65535 points: %7.3f ms   with alarm and rate checks: %7.3f ms"
                    " (ratio %.3f)   with the rate curves shown: %7.3f ms (ratio %.3f)\n",
            run + 1, plain, checked, checked / plain, curved, curved / plain);
    }
    std::printf("median ratio with the checks %.3f (goal <= 1.02)\n", median(checkRatios));
    std::printf("median ratio with the rate curves %.3f (goal <= 1.10)\n", median(curveRatios));
    return 0;
}
