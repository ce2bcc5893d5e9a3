#pragma once

#include "SerialPort.h"
#include "SimulatorCommandLine.h"

#include <memory>

namespace tc4dl {

class Clock;
class SimulatedMeter;

// Makes the ports of a program whose port list may hold the built-in simulated meter. Every
// port opened on the simulator's entry talks to the one meter this factory keeps, so the live
// link and a logger download that borrows the device see the same meter, with the same memory
// and clock, as they would on a cable. Other names get real serial ports.
class MeterPortFactory {
public:
    explicit MeterPortFactory(Clock& clock, SimulatorSettings settings = {});
    ~MeterPortFactory();
    MeterPortFactory(const MeterPortFactory&) = delete;
    MeterPortFactory& operator=(const MeterPortFactory&) = delete;

    [[nodiscard]] std::unique_ptr<SerialPort> makePort(const QString& deviceName);
    // The simulated meter, made on first use.
    [[nodiscard]] SimulatedMeter& meter();

private:
    Clock& m_clock;
    SimulatorSettings m_settings;
    std::unique_ptr<SimulatedMeter> m_meter;
};

} // namespace tc4dl
