#include "RoutedSerialPort.h"

namespace tc4dl {

RoutedSerialPort::RoutedSerialPort(Factory factory)
    : m_factory(std::move(factory))
{
}

RoutedSerialPort::~RoutedSerialPort() = default;

bool RoutedSerialPort::setDeviceName(const QString& name)
{
    if (isActive())
        return false;
    m_deviceName = name;
    return true;
}

void RoutedSerialPort::setLineSettings(const LineSettings& settings)
{
    m_settings = settings;
    if (m_impl)
        m_impl->setLineSettings(settings);
}

bool RoutedSerialPort::setActive(bool active)
{
    if (active == isActive())
        return true;
    if (!active)
        return m_impl->setActive(false);
    if (!m_impl || m_implName != m_deviceName) {
        m_impl = m_factory(m_deviceName);
        m_implName = m_deviceName;
        m_impl->setDeviceName(m_deviceName);
        m_impl->setOnRxChar(m_onRxChar);
        m_impl->setOnError(m_onError);
    }
    m_impl->setLineSettings(m_settings);
    return m_impl->setActive(true);
}

bool RoutedSerialPort::notOpen(PortError::Operation op)
{
    if (m_onError)
        m_onError(PortError { op, 0, QStringLiteral("port is not open") });
    return false;
}

qint64 RoutedSerialPort::readBytes(char* buffer, qint64 length)
{
    if (!m_impl) {
        notOpen(PortError::Operation::Read);
        return -1;
    }
    return m_impl->readBytes(buffer, length);
}

bool RoutedSerialPort::writeBytes(const char* data, qint64 length)
{
    return m_impl ? m_impl->writeBytes(data, length) : notOpen(PortError::Operation::Write);
}

bool RoutedSerialPort::discardInput()
{
    return m_impl ? m_impl->discardInput() : notOpen(PortError::Operation::Discard);
}

bool RoutedSerialPort::discardOutput()
{
    return m_impl ? m_impl->discardOutput() : notOpen(PortError::Operation::Discard);
}

void RoutedSerialPort::setOnRxChar(RxHandler handler)
{
    m_onRxChar = std::move(handler);
    if (m_impl)
        m_impl->setOnRxChar(m_onRxChar);
}

void RoutedSerialPort::setOnError(ErrorHandler handler)
{
    m_onError = std::move(handler);
    if (m_impl)
        m_impl->setOnError(m_onError);
}

} // namespace tc4dl
