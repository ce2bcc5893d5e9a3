#include "Mkt.h"

#include <cmath>

namespace tc4dl::report {

namespace {
constexpr double kZeroCelsius = 273.15;
} // namespace

double toKelvin(double degrees, bool celsius)
{
    return celsius ? degrees + kZeroCelsius : (degrees - 32.0) * 5.0 / 9.0 + kZeroCelsius;
}

double fromKelvin(double kelvin, bool celsius)
{
    return celsius ? kelvin - kZeroCelsius : (kelvin - kZeroCelsius) * 9.0 / 5.0 + 32.0;
}

MeanKineticTemperature::MeanKineticTemperature(double activationEnergy)
    : m_ratio(activationEnergy * 1000.0 / kGasConstant)
{
}

void MeanKineticTemperature::add(double kelvin)
{
    if (!(kelvin > 0.0) || !std::isfinite(kelvin)) {
        m_invalid = true;
        return;
    }
    const double x = -m_ratio / kelvin;
    if (m_count == 0) {
        m_largest = x;
        m_sum = 1.0;
    } else if (x > m_largest) {
        m_sum = m_sum * std::exp(m_largest - x) + 1.0;
        m_largest = x;
    } else {
        m_sum += std::exp(x - m_largest);
    }
    ++m_count;
}

std::optional<double> MeanKineticTemperature::kelvin() const
{
    if (m_count == 0 || m_invalid)
        return std::nullopt;
    // ln((1/n) Σ exp(xᵢ)) = m + ln(Σ exp(xᵢ − m) / n)
    const double logMean = m_largest + std::log(m_sum / static_cast<double>(m_count));
    return m_ratio / -logMean;
}

} // namespace tc4dl::report
