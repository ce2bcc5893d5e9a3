#pragma once

#include <QString>

namespace tc4dl {

// The unit the meter measures in, switched on the meter itself. The live readings carry it;
// every stored set keeps the unit it was recorded in.
enum class Unit : quint8 { Celsius, Fahrenheit };

[[nodiscard]] constexpr Unit unitOf(bool celsius)
{
    return celsius ? Unit::Celsius : Unit::Fahrenheit;
}

[[nodiscard]] constexpr bool isCelsius(Unit unit)
{
    return unit == Unit::Celsius;
}

// The Settings' `CF_Degree`: 1 degrees Celsius, 0 degrees Fahrenheit.
[[nodiscard]] constexpr int cfDegreeOf(Unit unit)
{
    return isCelsius(unit) ? 1 : 0;
}
[[nodiscard]] constexpr Unit unitOfCfDegree(int cfDegree)
{
    return cfDegree != 0 ? Unit::Celsius : Unit::Fahrenheit;
}

// "C" or "F", as the files for scripts write the unit.
[[nodiscard]] inline QString unitLetter(Unit unit)
{
    return isCelsius(unit) ? QStringLiteral("C") : QStringLiteral("F");
}

} // namespace tc4dl
