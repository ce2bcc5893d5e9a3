#pragma once

#include "ReplyPacer.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace tc4dl {

class Clock;
class SimulatedMeter;

// Serves a simulated meter on a pseudo-terminal, so that the program and the command-line
// tool reach it through their real serial port code, as they would a meter on a USB adapter.
// The terminal is raw from the start and the server keeps its own handle on the device, so
// clients may close and open it again at will. A terminal delivers bytes as fast as they are
// written, so the replies are paced at the meter's 960 bytes a second unless told otherwise.
// Only on POSIX systems; elsewhere start() fails and says why.
class PtyMeterServer final : public QObject {
    Q_OBJECT
public:
    PtyMeterServer(Clock& clock, SimulatedMeter& meter, QObject* parent = nullptr);
    ~PtyMeterServer() override;

    [[nodiscard]] static bool isSupported();

    // Opens the pseudo-terminal; false with errorString() when it cannot.
    [[nodiscard]] bool start();
    void stop();
    [[nodiscard]] bool isRunning() const { return m_master >= 0; }
    // The device a client opens, e.g. /dev/pts/3; empty while stopped.
    [[nodiscard]] QString devicePath() const { return m_devicePath; }
    [[nodiscard]] QString errorString() const { return m_errorString; }

    [[nodiscard]] bool isPaced() const { return m_pacer.isPaced(); }
    void setPaced(bool paced) { m_pacer.setPaced(paced); }
    // Replies go out `bytes` at a time with a short gap between the parts; 0: whole.
    void setSplitChunk(int bytes);

Q_SIGNALS:
    // Something went wrong with the terminal; the server goes on where it can.
    void errorOccurred(const QString& text);
    // Bytes a client sent, before the meter answered them.
    void bytesReceived(const QByteArray& bytes);

private:
    void reportError(const QString& text);
    void onReadable();
    void onWritable();
    void writeOut(const QByteArray& bytes);
    void flushOutput();

    Clock& m_clock;
    SimulatedMeter& m_meter;
    ReplyPacer m_pacer;
    int m_master = -1;
    int m_slave = -1; // held so that the terminal outlives its clients
    QString m_devicePath;
    QString m_errorString;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_output; // replies the terminal did not take yet
};

} // namespace tc4dl
