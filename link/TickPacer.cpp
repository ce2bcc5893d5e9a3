#include "TickPacer.h"

#include <cmath>

namespace tc4dl {

int TickPacer::onTick(double nowSerial, int currentIntervalMs)
{
    if (!m_started) {
        m_started = true;
        m_previous = nowSerial;
        return currentIntervalMs;
    }
    // Milliseconds by which the gap since the previous tick exceeded one second.
    double late = (nowSerial * 86400.0 - m_previous * 86400.0 - 1.0) * 1000.0;
    // Serials of today carry about a microsecond of rounding noise; without this, a tick
    // exactly on time would come out a hair late and lose a millisecond to the truncation.
    late = std::round(late * 1000.0) / 1000.0;
    m_previous = nowSerial;
    const double v = std::trunc(static_cast<double>(currentIntervalMs) - late);
    if (!(v > kMinimumIntervalMs))
        return kMinimumIntervalMs;
    // The local clock set back (daylight saving, a manual change) would otherwise stretch the
    // interval by the whole jump and stop the polling for as long.
    return v > kMaximumIntervalMs ? kMaximumIntervalMs : static_cast<int>(v);
}

} // namespace tc4dl
