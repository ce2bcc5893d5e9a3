#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace tc4dl {

// How a modem control line is set when the port opens.
enum class LineState { DriverDefault, On, Off };

// Line settings of a port: the meter always talks 9600 baud, 8 data bits, no parity, 1 stop bit;
// only the control lines differ between the live link and the logger ports.
struct LineSettings {
    qint32 baudRate = 9600;
    LineState dtr = LineState::On;
    LineState rts = LineState::On;
};

// What a failing port operation reports to the port's error handler.
struct PortError {
    enum class Operation { Open, Close, Read, Write, Discard, Hangup };
    Operation operation;
    int code = 0; // the system's or the port library's error code
    QString text; // its text, for logs and for people
};

// The answer of an error handler. Abort turns the error into a silent abort of the running
// operation (the program never shows serial errors); Fail also leaves a warning in the log.
enum class ErrorAction { Fail, Abort };

// One serial port, as the meter link sees it. Two implementations: the real port (QSerialPort)
// and the in-process simulated meter; a simulated meter served on a pseudo-terminal is reached
// through the real one. Every operation runs on the GUI thread and returns at once; a failing
// operation is offered to the error handler and returns false (or -1), and the caller skips
// the rest of its operation.
class SerialPort {
public:
    using RxHandler = std::function<void()>;
    using ErrorHandler = std::function<ErrorAction(const PortError&)>;

    virtual ~SerialPort() = default;

    // Active: true while the device is open. Opening discards pending input and output,
    // applies the line settings and starts receive events; setting the present state does
    // nothing and succeeds.
    [[nodiscard]] virtual bool isActive() const = 0;
    [[nodiscard]] virtual bool setActive(bool active) = 0;

    [[nodiscard]] virtual QString deviceName() const = 0;
    // Changed only while closed; returns false (and changes nothing) while open.
    virtual bool setDeviceName(const QString& name) = 0;

    virtual void setLineSettings(const LineSettings& settings) = 0;
    [[nodiscard]] virtual LineSettings lineSettings() const = 0;

    // Received bytes waiting to be read; 0 while closed.
    [[nodiscard]] virtual qint64 waitingCount() const = 0;
    // Takes up to `length` waiting bytes into `buffer`; the number taken, or -1 on failure.
    [[nodiscard]] virtual qint64 readBytes(char* buffer, qint64 length) = 0;
    // Queues the bytes and returns at once; a later write goes out after this one.
    [[nodiscard]] virtual bool writeBytes(const char* data, qint64 length) = 0;
    virtual bool discardInput() = 0;
    virtual bool discardOutput() = 0;

    // OnRxChar: called whenever bytes have arrived, and again by a posted event while bytes
    // still wait after a call that read some, so a handler may take a bounded amount per call.
    // An empty handler detaches it.
    virtual void setOnRxChar(RxHandler handler) = 0;
    // OnError: offered every failure; without a handler failures abort silently.
    virtual void setOnError(ErrorHandler handler) = 0;

    // Convenience for the one-byte commands of the meter protocol.
    bool writeByte(char byte) { return writeBytes(&byte, 1); }
};

// Names of the serial ports as the link uses them.
namespace ports {

// The port list entry of the built-in simulated meter (listed when started with --demo).
inline constexpr const char* kSimulatedMeter = "SIMULATOR";

// The device name for a port list entry: on Windows "\\.\" followed by the entry; elsewhere
// the entry itself when it is an absolute path, else "/dev/" followed by it. The simulated
// meter's entry is its own device name.
[[nodiscard]] QString deviceNameFor(const QString& entry);

// The port list: the system's serial ports, then the paths of TC4DL_EXTRA_PORTS (split at
// the platform's path-list separator), then, with `withSimulator`, the simulated meter.
[[nodiscard]] QStringList listPorts(bool withSimulator);

} // namespace ports

} // namespace tc4dl
