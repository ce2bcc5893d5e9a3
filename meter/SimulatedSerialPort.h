#pragma once

#include "ReplyPacer.h"
#include "SerialPort.h"
#include "SimulatedMeter.h"

#include <QObject>

#include <memory>

namespace tc4dl {

class Clock;

// A serial port with a simulated meter on the other end, in the same process: the built-in
// demo meter, and the meter of every link test. Written bytes reach the meter at once; its
// replies come back through the Clock at the line's pace (or at once, unpaced), so tests
// drive a whole exchange with a ManualClock. Faults on demand: replies split over several
// deliveries, junk before frames, silence and the logger's faults (through the meter), an
// unplugged cable and a device that cannot be opened. A meter that hangs up in a transfer
// drops the line as an unplugged cable does, but may be opened again at once.
class SimulatedSerialPort final : public QObject, public SerialPort {
    Q_OBJECT
public:
    // With a meter of its own; its clock shows the clock's local time unless the options set it.
    explicit SimulatedSerialPort(
        Clock& clock, MeterOptions options = {}, QObject* parent = nullptr);
    // With a meter that outlives the port, shared with whoever set it up.
    SimulatedSerialPort(Clock& clock, SimulatedMeter& meter, QObject* parent = nullptr);
    ~SimulatedSerialPort() override;

    [[nodiscard]] SimulatedMeter& meter() { return *m_meter; }
    [[nodiscard]] const SimulatedMeter& meter() const { return *m_meter; }

    // Paced at 960 bytes a second (the default) or handed over at the next turn of the clock.
    [[nodiscard]] bool isPaced() const { return m_pacer.isPaced(); }
    void setPaced(bool paced) { m_pacer.setPaced(paced); }
    // Replies arrive `bytes` at a time, each part with its own receive event; 0: whole.
    void setSplitChunk(int bytes) { m_pacer.setChunkSize(bytes); }

    // The cable is pulled: an open port reports one Hangup and closes; opening fails until
    // the cable is back.
    void unplug();
    void replug() { m_plugged = true; }
    [[nodiscard]] bool isPlugged() const { return m_plugged; }
    // Every open fails while set, as with a device held by another program.
    void setOpenFails(bool fails) { m_openFails = fails; }

    bool isActive() const override { return m_active; }
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
    bool failNotOpen(PortError::Operation op);
    void onDelivered(const QByteArray& bytes);

    Clock& m_clock;
    std::unique_ptr<SimulatedMeter> m_ownMeter;
    SimulatedMeter* m_meter;
    ReplyPacer m_pacer;
    QString m_deviceName = QLatin1String(ports::kSimulatedMeter);
    LineSettings m_settings;
    QByteArray m_input;
    RxHandler m_onRxChar;
    ErrorHandler m_onError;
    bool m_active = false;
    bool m_plugged = true;
    bool m_openFails = false;
    bool m_inRxHandler = false;
};

} // namespace tc4dl
