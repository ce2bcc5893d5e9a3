#pragma once

#include <optional>

namespace tc4dl::report {

// Mean kinetic temperature: the one constant temperature that would age a product as much as
// the readings did, by Arrhenius:
//   T = (ΔH/R) / (−ln((1/n) Σ exp(−ΔH/(R·Tᵢ))))
// with the temperatures in kelvin, every reading weighted alike. All in double precision.
inline constexpr double kGasConstant = 8.314462618; // J/(mol·K)
inline constexpr double kDefaultActivationEnergy = 83.144; // kJ/mol
inline constexpr double kLeastActivationEnergy = 60.0;
inline constexpr double kMostActivationEnergy = 120.0;

// Degrees Celsius or Fahrenheit to kelvin, and back.
[[nodiscard]] double toKelvin(double degrees, bool celsius);
[[nodiscard]] double fromKelvin(double kelvin, bool celsius);

class MeanKineticTemperature {
public:
    // `activationEnergy` ΔH in kJ/mol.
    explicit MeanKineticTemperature(double activationEnergy = kDefaultActivationEnergy);

    // One reading in kelvin. One at or below absolute zero (only damaged data holds one) makes
    // the result nothing: it has no Arrhenius factor.
    void add(double kelvin);

    // In kelvin; nothing without a reading.
    [[nodiscard]] std::optional<double> kelvin() const;

private:
    double m_ratio; // ΔH/R in kelvin
    // The mean of the exponentials as a shifted sum: Σ exp(xᵢ − m), m the largest xᵢ, so that no
    // term underflows however cold the readings.
    double m_largest = 0.0;
    double m_sum = 0.0;
    long long m_count = 0;
    bool m_invalid = false;
};

} // namespace tc4dl::report
