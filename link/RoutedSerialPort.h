#pragma once

#include "SerialPort.h"

#include <memory>

namespace tc4dl {

// A serial port whose implementation is chosen by its device name when it opens: the built-in
// simulated meter for its own entry, a real port for everything else. The live link and the
// logger ports hold one of these, so changing the port list entry may change the transport.
class RoutedSerialPort final : public SerialPort {
public:
    // Makes the implementation for a device name; never returns null.
    using Factory = std::function<std::unique_ptr<SerialPort>(const QString& deviceName)>;

    explicit RoutedSerialPort(Factory factory);
    ~RoutedSerialPort() override;

    bool isActive() const override { return m_impl && m_impl->isActive(); }
    bool setActive(bool active) override;
    QString deviceName() const override { return m_deviceName; }
    bool setDeviceName(const QString& name) override;
    void setLineSettings(const LineSettings& settings) override;
    LineSettings lineSettings() const override { return m_settings; }
    qint64 waitingCount() const override { return m_impl ? m_impl->waitingCount() : 0; }
    qint64 readBytes(char* buffer, qint64 length) override;
    bool writeBytes(const char* data, qint64 length) override;
    bool discardInput() override;
    bool discardOutput() override;
    void setOnRxChar(RxHandler handler) override;
    void setOnError(ErrorHandler handler) override;

    // The implementation in use (null before the first open), for diagnostics and tests.
    [[nodiscard]] SerialPort* implementation() const { return m_impl.get(); }

private:
    bool notOpen(PortError::Operation op);

    Factory m_factory;
    std::unique_ptr<SerialPort> m_impl;
    QString m_implName;
    QString m_deviceName = QStringLiteral("COM1");
    LineSettings m_settings;
    RxHandler m_onRxChar;
    ErrorHandler m_onError;
};

} // namespace tc4dl
