#pragma once

#include "SerialPort.h"

#include <memory>

namespace tc4dl {

class Clock;

// The transport behind a device name: the built-in simulated meter for its own port list
// entry (paced like the real line, so it behaves like a meter on a cable), a real serial port
// for everything else. The simulated meter of the program keeps its state while the port is
// closed and opened again, as a meter does; but each call makes a meter of its own, so a
// second port on the same device (a logger download) needs MeterPortFactory, whose ports share
// one meter.
[[nodiscard]] std::unique_ptr<SerialPort> makeMeterPort(const QString& deviceName, Clock& clock);

} // namespace tc4dl
