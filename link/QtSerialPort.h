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
    // Received bytes the port holds at most. Beyond it the rest waits in the system's driver
    // (which drops or holds back as the device does), so a flooding device cannot make the
    // program grow; several seconds of the meter's 960 bytes a second fit.
    static constexpr qint64 kReadBufferSize = 4096;

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
    void onPostedRx();
    void onErrorOccurred(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_deviceName = QStringLiteral("COM1");
    LineSettings m_settings;
    RxHandler m_onRxChar;
    ErrorHandler m_onError;
    bool m_inRxHandler = false;
    bool m_rxMissed = false; // a readyRead came while the handler ran
    bool m_rxPosted = false; // a queued receive event is on its way
    quint64 m_readCalls = 0; // reads that took bytes, to see whether a handler read
};

} // namespace tc4dl
