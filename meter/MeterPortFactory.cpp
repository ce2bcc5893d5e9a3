#include "MeterPortFactory.h"

#include "Clock.h"
#include "QtSerialPort.h"
#include "SimulatedSerialPort.h"

namespace tc4dl {

MeterPortFactory::MeterPortFactory(Clock& clock, SimulatorSettings settings)
    : m_clock(clock),
      m_settings(std::move(settings))
{
}

MeterPortFactory::~MeterPortFactory() = default;

SimulatedMeter& MeterPortFactory::meter()
{
    if (!m_meter)
        m_meter = std::make_unique<SimulatedMeter>(
            m_settings.makeMeter(m_clock.now(), m_clock.tickMs()));
    return *m_meter;
}

std::unique_ptr<SerialPort> MeterPortFactory::makePort(const QString& deviceName)
{
    if (deviceName != QLatin1String(ports::kSimulatedMeter))
        return std::make_unique<QtSerialPort>();
    auto port = std::make_unique<SimulatedSerialPort>(m_clock, meter());
    port->setPaced(m_settings.paced);
    port->setSplitChunk(m_settings.split);
    return port;
}

} // namespace tc4dl
