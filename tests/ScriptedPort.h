#pragma once

#include "Clock.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstring>
#include <functional>

// A serial port driven by the test: which devices open, what each device answers to which
// written byte and when (on the test's clock), and a log of everything written. Bytes that
// arrive while the port is open wait in its input and, like a real port, call the receive
// handler.
class ScriptedPort final : public tc4dl::SerialPort {
public:
    explicit ScriptedPort(tc4dl::Clock& clock)
        : m_clock(clock)
    {
    }

    // A device that can be opened (or, with `opens` false, one that fails to open). Devices
    // never added fail to open as well.
    void addDevice(const QString& name, bool opens = true) { m_devices[name].opens = opens; }
    // The next `byte` written to `device` is answered with `bytes`, `delayMs` later.
    void answer(const QString& device, char byte, const QByteArray& bytes, int delayMs = 0)
    {
        m_devices[device].answers[byte].append({ bytes, delayMs });
    }
    void setWriteFails(const QString& device, bool fails) { m_devices[device].writeFails = fails; }
    void setReadFails(bool fails) { m_readFails = fails; }

    // Bytes arriving on the open device; lost while closed.
    void receive(const QByteArray& bytes, bool notify = true)
    {
        if (!m_active)
            return;
        m_input += bytes;
        if (notify)
            this->notify();
    }
    // A receive event for the bytes already waiting.
    void notify()
    {
        if (m_rx)
            m_rx();
    }

    [[nodiscard]] QByteArray written(const QString& device) const
    {
        return m_devices.value(device).written;
    }
    [[nodiscard]] bool hasRxHandler() const { return static_cast<bool>(m_rx); }
    [[nodiscard]] int failures() const { return m_failures; }

    // "open NAME", "close NAME", "discard NAME", "write NAME X" in order.
    QStringList log;
    // Runs after each written byte has been logged and its answer scheduled.
    std::function<void(char)> onWrite;

    bool isActive() const override { return m_active; }
    bool setActive(bool active) override
    {
        if (active == m_active)
            return true;
        if (!active) {
            m_active = false;
            m_input.clear();
            log << QStringLiteral("close ") + m_name;
            return true;
        }
        const auto it = m_devices.find(m_name);
        if (it == m_devices.end() || !it->opens)
            return fail(tc4dl::PortError::Operation::Open);
        m_active = true;
        m_input.clear();
        log << QStringLiteral("open ") + m_name;
        return true;
    }
    QString deviceName() const override { return m_name; }
    bool setDeviceName(const QString& name) override
    {
        if (m_active)
            return false;
        m_name = name;
        return true;
    }
    void setLineSettings(const tc4dl::LineSettings& settings) override { m_settings = settings; }
    tc4dl::LineSettings lineSettings() const override { return m_settings; }
    qint64 waitingCount() const override { return m_active ? m_input.size() : 0; }
    qint64 readBytes(char* buffer, qint64 length) override
    {
        if (!m_active || m_readFails) {
            fail(tc4dl::PortError::Operation::Read);
            return -1;
        }
        const qint64 n = std::min<qint64>(length, m_input.size());
        std::memcpy(buffer, m_input.constData(), static_cast<size_t>(n));
        m_input.remove(0, n);
        return n;
    }
    bool writeBytes(const char* data, qint64 length) override
    {
        if (!m_active || m_devices.value(m_name).writeFails)
            return fail(tc4dl::PortError::Operation::Write);
        Device& device = m_devices[m_name];
        for (qint64 i = 0; i < length; ++i) {
            const char byte = data[i];
            device.written += byte;
            log << QStringLiteral("write %1 %2").arg(m_name, QString(QLatin1Char(byte)));
            QList<Answer>& queue = device.answers[byte];
            if (!queue.isEmpty()) {
                const Answer a = queue.takeFirst();
                const QString name = m_name;
                m_clock.callAfter(a.delayMs, &m_context, [this, name, bytes = a.bytes] {
                    if (m_name == name)
                        receive(bytes);
                });
            }
            if (onWrite)
                onWrite(byte);
        }
        return true;
    }
    bool discardInput() override
    {
        if (!m_active)
            return fail(tc4dl::PortError::Operation::Discard);
        m_input.clear();
        log << QStringLiteral("discard ") + m_name;
        return true;
    }
    bool discardOutput() override { return m_active || fail(tc4dl::PortError::Operation::Discard); }
    void setOnRxChar(RxHandler handler) override { m_rx = std::move(handler); }
    void setOnError(ErrorHandler handler) override { m_onError = std::move(handler); }

private:
    struct Answer {
        QByteArray bytes;
        int delayMs = 0;
    };
    struct Device {
        bool opens = false;
        bool writeFails = false;
        QByteArray written;
        QMap<char, QList<Answer>> answers;
    };

    bool fail(tc4dl::PortError::Operation operation)
    {
        ++m_failures;
        if (m_onError)
            m_onError(tc4dl::PortError { operation, 5, QStringLiteral("scripted failure") });
        return false;
    }

    tc4dl::Clock& m_clock;
    QObject m_context; // drops answers still on their way when the port goes
    QHash<QString, Device> m_devices;
    QString m_name = QStringLiteral("COM1");
    bool m_active = false;
    bool m_readFails = false;
    QByteArray m_input;
    tc4dl::LineSettings m_settings;
    RxHandler m_rx;
    ErrorHandler m_onError;
    int m_failures = 0;
};
