#pragma once

#include "SerialPort.h"

#include <QObject>
#include <QSerialPort>

namespace tc4dl {

// A real serial port through QSerialPort: a meter on a COM port or USB adapter, or a
// simulated meter served on a pseudo-terminal.
class QtSerialPort final : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    bool isActive() const override { return m_port.isOpen(); }
    bool setActive(bool active) override;
    QString deviceName() const override { return m_deviceName; }
    bool setDeviceName(const QString& name) override;
    void setLineSettings(const LineSettings& settings) override { m_settings = settings; }
    LineSettings lineSettings() const override { return m_settings; }
    qint64 waitingCount() const override;
    qint64 readBytes(char* buffer, qint64 length) override;
    bool writeBytes(const char* data, qint64 length) override;
    bool discardInput() override;
    bool discardOutput() override;
    void setOnRxChar(RxHandler handler) override { m_onRxChar = std::move(handler); }
    void setOnError(ErrorHandler handler) override { m_onError = std::move(handler); }

private:
    bool fail(PortError::Operation op, int code, const QString& text);
    bool applyLine(LineState state, bool (QSerialPort::*setter)(bool));
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_deviceName = QStringLiteral("COM1");
    LineSettings m_settings;
    RxHandler m_onRxChar;
    ErrorHandler m_onError;
    bool m_inRxHandler = false;
};

} // namespace tc4dl
