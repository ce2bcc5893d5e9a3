#include "QtSerialPort.h"

#include <QLoggingCategory>

namespace tc4dl {

Q_LOGGING_CATEGORY(lcPort, "tc4dl.port")

QtSerialPort::QtSerialPort(QObject* parent)
    : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onErrorOccurred);
    m_port.setReadBufferSize(kReadBufferSize);
}

QtSerialPort::~QtSerialPort()
{
    m_onRxChar = nullptr;
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::fail(PortError::Operation op, int code, const QString& text)
{
    const PortError error { op, code, text };
    const ErrorAction action = m_onError ? m_onError(error) : ErrorAction::Abort;
    if (action == ErrorAction::Fail)
        qCWarning(lcPort) << m_deviceName << text;
    m_port.clearError();
    return false;
}

bool QtSerialPort::setDeviceName(const QString& name)
{
    if (m_port.isOpen())
        return false;
    m_deviceName = name;
    return true;
}

bool QtSerialPort::applyLine(LineState state, bool (QSerialPort::*setter)(bool))
{
    if (state == LineState::DriverDefault)
        return true;
    if ((m_port.*setter)(state == LineState::On))
        return true;
    // A pseudo-terminal has no modem lines; that does not make the port unusable.
    const bool unsupported = m_port.error() == QSerialPort::UnsupportedOperationError;
    m_port.clearError();
    return unsupported;
}

bool QtSerialPort::setActive(bool active)
{
    if (active == m_port.isOpen())
        return true;
    if (!active) {
        // Bytes still in the write buffer would be dropped by close(): the last byte of a
        // command frame would never reach the meter, which then waits for it and takes the
        // next program's bytes as the rest of its frame.
        if (m_port.bytesToWrite() > 0)
            m_port.flush();
        m_port.close();
        return true;
    }
    m_port.setPortName(m_deviceName);
    m_port.setBaudRate(m_settings.baudRate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return fail(PortError::Operation::Open, m_port.error(), m_port.errorString());
    if (!applyLine(m_settings.dtr, &QSerialPort::setDataTerminalReady)
        || !applyLine(m_settings.rts, &QSerialPort::setRequestToSend)) {
        const QString text = m_port.errorString();
        m_port.close();
        return fail(PortError::Operation::Open, m_port.error(), text);
    }
    m_port.clear(QSerialPort::AllDirections);
    m_port.readAll();
    return true;
}

qint64 QtSerialPort::waitingCount() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

qint64 QtSerialPort::readBytes(char* buffer, qint64 length)
{
    if (!m_port.isOpen()) {
        fail(PortError::Operation::Read, QSerialPort::NotOpenError,
            QStringLiteral("port is not open"));
        return -1;
    }
    const qint64 n = m_port.read(buffer, length);
    if (n < 0) {
        fail(PortError::Operation::Read, m_port.error(), m_port.errorString());
        return -1;
    }
    if (n > 0)
        ++m_readCalls;
    return n;
}

bool QtSerialPort::writeBytes(const char* data, qint64 length)
{
    if (!m_port.isOpen())
        return fail(PortError::Operation::Write, QSerialPort::NotOpenError,
            QStringLiteral("port is not open"));
    if (m_port.write(data, length) != length)
        return fail(PortError::Operation::Write, m_port.error(), m_port.errorString());
    return true;
}

bool QtSerialPort::discardInput()
{
    if (!m_port.isOpen())
        return fail(PortError::Operation::Discard, QSerialPort::NotOpenError,
            QStringLiteral("port is not open"));
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
    return true;
}

bool QtSerialPort::discardOutput()
{
    if (!m_port.isOpen())
        return fail(PortError::Operation::Discard, QSerialPort::NotOpenError,
            QStringLiteral("port is not open"));
    m_port.clear(QSerialPort::Output);
    return true;
}

void QtSerialPort::onReadyRead()
{
    // A handler that pauses may let another readyRead through; it is not called again from
    // inside itself, and the bytes that readyRead announced are left for the receive event
    // posted below.
    if (!m_onRxChar)
        return;
    if (m_inRxHandler) {
        m_rxMissed = true;
        return;
    }
    m_inRxHandler = true;
    m_rxMissed = false;
    const quint64 readsBefore = m_readCalls;
    const RxHandler handler = m_onRxChar;
    handler();
    m_inRxHandler = false;

    // Handlers take a bounded amount per call, and readyRead comes only with new bytes, so a
    // device that delivers more per notification than a handler takes would leave a backlog
    // that grows with every notification. While bytes wait, the next receive event is posted
    // (a queued call, so other events and timers run in between, and nothing loops here). A
    // handler that read nothing is not called again until new bytes come: nothing spins.
    const bool wanted = m_readCalls != readsBefore || m_rxMissed;
    if (wanted && !m_rxPosted && m_onRxChar && m_port.isOpen() && m_port.bytesAvailable() > 0) {
        m_rxPosted = true;
        QMetaObject::invokeMethod(this, &QtSerialPort::onPostedRx, Qt::QueuedConnection);
    }
}

void QtSerialPort::onPostedRx()
{
    m_rxPosted = false;
    if (m_port.isOpen() && m_port.bytesAvailable() > 0)
        onReadyRead();
}

void QtSerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // The other end hung up or the adapter was unplugged. Qt keeps reporting it until the port
    // is closed, so close once and report once; the running operation aborts silently.
    if (!m_port.isOpen())
        return;
    const QString text = m_port.errorString();
    m_port.close();
    fail(PortError::Operation::Hangup, error, text);
}

} // namespace tc4dl
