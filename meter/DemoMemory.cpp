#include "DemoMemory.h"

#include <QRandomGenerator>

#include <cmath>
#include <numbers>

namespace tc4dl {

namespace {

// An open thermocouple reads as the largest value, far beyond the 3000-degree limit.
constexpr qint16 kOpenChannel = 0x7FFF;

qint16 tenths(double degrees)
{
    return static_cast<qint16>(std::lround(degrees * 10.0));
}

// Small measurement noise, the same every time.
class Noise {
public:
    explicit Noise(quint32 seed)
        : m_random(seed)
    {
    }
    double operator()(double amplitude) { return amplitude * (m_random.generateDouble() * 2 - 1); }

private:
    QRandomGenerator m_random;
};

QList<LoggerMemory::Sample> coldRoom(Noise& noise)
{
    constexpr int kSamples = 14 * 12; // 18:30 to 08:30, every 5 minutes
    QList<LoggerMemory::Sample> samples;
    for (int j = 0; j < kSamples; ++j) {
        const double hours = j / 12.0;
        // The compressor cycles every 40 minutes; a defrost runs from 02:00 to 02:30; the door
        // stands open from 07:45.
        const double cycle = 1.2 * std::sin(2 * std::numbers::pi * hours / (40.0 / 60.0));
        const bool defrost = hours >= 7.5 && hours < 8.0;
        const double door = hours >= 13.25 ? 6.0 * (1 - std::exp(-(hours - 13.25) * 3)) : 0.0;
        const double air = 36.0 + cycle + (defrost ? 7.5 : 0.0) + door + noise(0.15);
        const double product
            = 37.4 + 0.1 * cycle + (defrost ? 0.6 : 0.0) + 0.2 * door + noise(0.05);
        const double coil = defrost ? 48.0 + noise(1.0) : 24.5 + 2 * cycle + noise(0.3);
        const double doorway = 39.5 + 0.5 * cycle + 2.2 * door + noise(0.2);
        samples << LoggerMemory::Sample { tenths(air), tenths(product), tenths(coil),
            tenths(doorway) };
    }
    return samples;
}

QList<LoggerMemory::Sample> ovenWarmUp(Noise& noise)
{
    constexpr int kSamples = 360; // one hour, every 10 seconds
    constexpr double kAmbient = 21.5;
    const auto approach = [](double target, double tauS, double t) {
        return kAmbient + (target - kAmbient) * (1 - std::exp(-t / tauS));
    };
    QList<LoggerMemory::Sample> samples;
    for (int j = 0; j < kSamples; ++j) {
        const double t = j * 10.0;
        // Top and bottom air follow the heater; the product core lags; the casing warms a bit.
        const double swing = t > 900 ? 2.5 * std::sin(2 * std::numbers::pi * t / 240.0) : 0.0;
        samples << LoggerMemory::Sample { tenths(approach(182.0, 420.0, t) + swing + noise(0.3)),
            tenths(approach(176.0, 520.0, t) + 0.6 * swing + noise(0.3)),
            tenths(approach(121.0, 1500.0, t) + noise(0.1)),
            tenths(approach(38.0, 1200.0, t) + noise(0.1)) };
    }
    return samples;
}

QList<LoggerMemory::Sample> probeTest(Noise& noise)
{
    constexpr int kSamples = 120; // two minutes, every second
    QList<LoggerMemory::Sample> samples;
    for (int j = 0; j < kSamples; ++j) {
        // A minute in ice water, then into boiling water.
        const double boil = j < 60 ? 0.0 : 1 - std::exp(-(j - 60) / 4.0);
        const double t1 = 0.0 + 99.8 * boil + noise(0.1);
        const double t2 = 0.2 + 99.5 * (j < 60 ? 0.0 : 1 - std::exp(-(j - 60) / 6.0)) + noise(0.1);
        samples << LoggerMemory::Sample { tenths(t1), tenths(t2), kOpenChannel,
            tenths(22.4 + noise(0.1)) };
    }
    return samples;
}

} // namespace

LoggerMemory demoLoggerMemory(const QDateTime& now)
{
    Noise noise(20130415);
    LoggerMemory memory;
    const QDate today = now.date();
    memory.appendSet(QDateTime(today.addDays(-2), QTime(18, 30, 0)), 300, false, coldRoom(noise));
    memory.appendSet(QDateTime(today.addDays(-1), QTime(9, 12, 5)), 10, true, ovenWarmUp(noise));
    const QDateTime probe = now.addSecs(-2 * 3600);
    memory.appendSet(QDateTime(probe.date(), QTime(probe.time().hour(), probe.time().minute())), 1,
        true, probeTest(noise));
    return memory;
}

} // namespace tc4dl
