#include "SimulatedSerialPort.h"

#include "Clock.h"

#include <QLoggingCategory>
#include <QSerialPort>

#include <algorithm>
#include <cstring>

namespace tc4dl {

Q_LOGGING_CATEGORY(lcSimulatedPort, "tc4dl.port.simulated")

namespace {

MeterOptions withClock(MeterOptions options, const Clock& clock)
{
    if (!options.clockAtZero.isValid())
        options.clockAtZero = clock.now().addMSecs(-clock.tickMs());
    return options;
}

} // namespace

SimulatedSerialPort::SimulatedSerialPort(Clock& clock, MeterOptions options, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_ownMeter(std::make_unique<SimulatedMeter>(withClock(std::move(options), clock))),
      m_meter(m_ownMeter.get()),
      m_pacer(clock, this, [this](const QByteArray& bytes) { onDelivered(bytes); })
{
}

SimulatedSerialPort::SimulatedSerialPort(Clock& clock, SimulatedMeter& meter, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_meter(&meter),
      m_pacer(clock, this, [this](const QByteArray& bytes) { onDelivered(bytes); })
{
}

SimulatedSerialPort::~SimulatedSerialPort()
{
    // Deliveries still scheduled are dropped with this object (it is their context).
    m_onRxChar = nullptr;
    m_onError = nullptr;
}

bool SimulatedSerialPort::fail(PortError::Operation op, int code, const QString& text)
{
    // The same error codes as the real port's, so that handlers cannot tell the two apart.
    const ErrorAction action
        = m_onError ? m_onError(PortError { op, code, text }) : ErrorAction::Abort;
    if (action == ErrorAction::Fail)
        qCWarning(lcSimulatedPort) << m_deviceName << text;
    return false;
}

bool SimulatedSerialPort::failNotOpen(PortError::Operation op)
{
    return fail(op, QSerialPort::NotOpenError, QStringLiteral("port is not open"));
}

bool SimulatedSerialPort::setActive(bool active)
{
    if (active == m_active)
        return true;
    m_input.clear();
    m_pacer.clear();
    if (!active) {
        m_active = false;
        return true;
    }
    if (!m_plugged)
        return fail(PortError::Operation::Open, QSerialPort::DeviceNotFoundError,
            QStringLiteral("no meter is plugged in at %1").arg(m_deviceName));
    if (m_openFails)
        return fail(PortError::Operation::Open, QSerialPort::PermissionError,
            QStringLiteral("%1 is in use").arg(m_deviceName));
    m_active = true;
    return true;
}

bool SimulatedSerialPort::setDeviceName(const QString& name)
{
    if (m_active)
        return false;
    m_deviceName = name;
    return true;
}

void SimulatedSerialPort::unplug()
{
    m_plugged = false;
    if (!m_active)
        return;
    m_active = false;
    m_input.clear();
    m_pacer.clear();
    fail(PortError::Operation::Hangup, QSerialPort::ResourceError,
        QStringLiteral("the meter was unplugged"));
}

qint64 SimulatedSerialPort::waitingCount() const
{
    return m_active ? m_input.size() : 0;
}

qint64 SimulatedSerialPort::readBytes(char* buffer, qint64 length)
{
    if (!m_active) {
        failNotOpen(PortError::Operation::Read);
        return -1;
    }
    const qint64 n = std::clamp<qint64>(length, 0, m_input.size());
    if (n > 0) {
        std::memcpy(buffer, m_input.constData(), static_cast<size_t>(n));
        m_input.remove(0, n);
    }
    return n;
}

bool SimulatedSerialPort::writeBytes(const char* data, qint64 length)
{
    if (!m_active)
        return failNotOpen(PortError::Operation::Write);
    for (qint64 i = 0; i < length; ++i) {
        const QByteArray reply = m_meter->receive(data[i], m_clock.tickMs());
        m_pacer.send(reply);
        if (m_meter->logger().takeHangUp()) {
            // The meter dropped the line: the port sees what a pulled cable gives, and can be
            // opened again at once.
            unplug();
            replug();
            break;
        }
    }
    return true;
}

bool SimulatedSerialPort::discardInput()
{
    if (!m_active)
        return failNotOpen(PortError::Operation::Discard);
    // Only what has arrived: bytes still on their way come in afterwards, as on a real line.
    m_input.clear();
    return true;
}

bool SimulatedSerialPort::discardOutput()
{
    if (!m_active)
        return failNotOpen(PortError::Operation::Discard);
    // Written bytes reach the meter at once, so nothing is ever left unsent.
    return true;
}

void SimulatedSerialPort::onDelivered(const QByteArray& bytes)
{
    if (!m_active)
        return;
    m_input.append(bytes);
    // Like the real port's ready-read: a handler that waits and lets more bytes in is not
    // called again from inside itself; it finds the new bytes waiting when it reads.
    if (!m_onRxChar || m_inRxHandler)
        return;
    m_inRxHandler = true;
    const RxHandler handler = m_onRxChar;
    handler();
    m_inRxHandler = false;
}

} // namespace tc4dl
