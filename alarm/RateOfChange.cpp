#include "Alarm.h"

#include "MeterValues.h"

#include <cmath>

namespace tc4dl::alarm {

namespace {
// Serials of the same second may differ in their last bits; a sample exactly one window old
// still counts.
constexpr double kSlackSeconds = 1e-3;

// Seconds from the newest sample, to the millisecond: no clock here is finer, and a serial of
// some 46,000 days carries about a microsecond of rounding that would otherwise tilt the slope.
double secondsBefore(double serial, double newest)
{
    return std::round((serial - newest) * kSecondsPerDay * 1000.0) / 1000.0;
}
} // namespace

RateOfChange::RateOfChange(double windowSeconds)
    : m_windowSeconds(windowSeconds > 0.0 ? windowSeconds : 0.0)
{
}

void RateOfChange::clear()
{
    m_first = 0;
    m_count = 0;
    m_perMinute = {};
}

void RateOfChange::add(double serial, const std::array<float, kChannels>& values)
{
    // A clock set back would put the new sample before the window; what was kept no longer
    // belongs to the same time line.
    if (m_count > 0) {
        const double newest = m_ring[(m_first + m_count - 1) % m_ring.size()].serial;
        if (!(serial >= newest))
            clear();
    }
    if (m_count == m_ring.size()) {
        // Full: grow, unrolling the ring so that the oldest comes first again. Happens only
        // while the window fills the first time (or the sampling gets faster).
        std::vector<Sample> grown;
        grown.reserve(m_ring.size() * 2 + 8);
        for (std::size_t i = 0; i < m_count; ++i)
            grown.push_back(m_ring[(m_first + i) % m_ring.size()]);
        grown.resize(grown.capacity());
        m_ring.swap(grown);
        m_first = 0;
    }
    m_ring[(m_first + m_count) % m_ring.size()] = { serial, values };
    ++m_count;
    dropOld();
    recompute();
}

void RateOfChange::dropOld()
{
    const double newest = m_ring[(m_first + m_count - 1) % m_ring.size()].serial;
    while (m_count > 1) {
        const double age = (newest - m_ring[m_first].serial) * kSecondsPerDay;
        if (age <= m_windowSeconds + kSlackSeconds)
            break;
        m_first = (m_first + 1) % m_ring.size();
        --m_count;
    }
}

// The least-squares slope per channel over the samples in the window.
void RateOfChange::recompute()
{
    const std::size_t size = m_ring.size();
    const double newest = m_ring[(m_first + m_count - 1) % size].serial;
    for (int c = 0; c < kChannels; ++c) {
        const auto ch = static_cast<std::size_t>(c);
        m_perMinute[ch] = slopePerMinute([&](const auto& point) {
            for (std::size_t i = 0; i < m_count; ++i) {
                const Sample& s = m_ring[(m_first + i) % size];
                const float v = s.values[ch];
                if (!isOverLimit(v))
                    point(secondsBefore(s.serial, newest), static_cast<double>(v));
            }
        });
    }
}

std::optional<double> RateOfChange::perMinute(int channel) const
{
    if (channel < 0 || channel >= kChannels)
        return std::nullopt;
    return m_perMinute[static_cast<std::size_t>(channel)];
}

void RateOfChange::convertUnit(bool toCelsius)
{
    for (std::size_t i = 0; i < m_count; ++i) {
        Sample& s = m_ring[(m_first + i) % m_ring.size()];
        for (float& v : s.values) {
            if (isOverLimit(v))
                continue;
            v = static_cast<float>(toCelsius ? (v - 32.0) * 5.0 / 9.0 : v * 9.0 / 5.0 + 32.0);
        }
    }
    if (m_count > 0)
        recompute();
}

} // namespace tc4dl::alarm
