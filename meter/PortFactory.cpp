#include "PortFactory.h"

#include "QtSerialPort.h"
#include "SimulatedSerialPort.h"

namespace tc4dl {

std::unique_ptr<SerialPort> makeMeterPort(const QString& deviceName, Clock& clock)
{
    if (deviceName == QLatin1String(ports::kSimulatedMeter))
        return std::make_unique<SimulatedSerialPort>(clock);
    return std::make_unique<QtSerialPort>();
}

} // namespace tc4dl
