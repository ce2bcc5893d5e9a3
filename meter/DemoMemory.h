#pragma once

#include "LoggerMemory.h"

#include <QDateTime>

namespace tc4dl {

// The logger memory a new simulated meter comes with, so that a person without hardware sees
// real downloads: a cold room overnight (°F, 5-minute interval, a defrost cycle and the door
// opened in the morning), an oven warming up (°C, 10 s) and a probe test in ice and boiling
// water with channel 3 open (°C, 1 s), recorded in that order over the two days before `now`.
// The same `now` gives the same bytes.
[[nodiscard]] LoggerMemory demoLoggerMemory(const QDateTime& now);

} // namespace tc4dl
