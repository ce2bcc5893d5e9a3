#pragma once

#include <cmath>

namespace tc4dl::chart {

// The shares of an axis range, from its lower and from its upper end, in which a ticker writes
// no label: a label there would reach past the end of the axis, onto a neighbour or out of the
// plot.
class TickGuards {
public:
    // True when that changed.
    bool setGuards(double lower, double upper)
    {
        const bool same
            = std::abs(m_guardLower - lower) < 1e-6 && std::abs(m_guardUpper - upper) < 1e-6;
        m_guardLower = lower;
        m_guardUpper = upper;
        return !same;
    }

protected:
    double m_guardLower = 0.0;
    double m_guardUpper = 0.0;
};

} // namespace tc4dl::chart
