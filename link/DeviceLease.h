#pragma once

#include "SerialPort.h"

#include <QPointer>

namespace tc4dl {

class LiveSession;
class SerialPort;

// How a borrower wants the meter's device lent and given back.
struct LeaseOptions {
    // Longest waits for a running main tick and a running receive handler. A borrower asking
    // from inside either would wait for itself, so the lease is refused when a wait runs out.
    int tickWaitMs = 2500;
    int receiverWaitMs = 3000;
    // Pause between closing the live port and opening the borrower's, so that the device
    // settles before a new exchange starts on it.
    int settleMs = 500;
    // Pause after the borrower's port closes, before the live link opens the device again: the
    // meter needs a moment after a logger transfer before it answers polls again.
    int returnPauseMs = 0;
    // The borrower's port's control lines: the download drives DTR off and RTS on; the set-up
    // exchanges leave both at the driver's defaults.
    LineSettings lines { 9600, LineState::Off, LineState::On };
};

// Why the device could not be lent.
enum class LeaseRefusal {
    None, // lent
    AlreadyLent, // another lease holds it (or is being set up)
    Closed, // the session has closed its port for good
    TickBusy, // the running tick did not finish within tickWaitMs
    ReceiverBusy, // the receive handler did not finish within receiverWaitMs
    PortNotOpened, // the borrower's port did not open; the live link has the device again
};

// The meter's device, lent by the live session to one borrower (the logger download, a set-up
// command). While it lives the main tick is stopped, the live port is closed and port() is
// open on the same device, with no receive handler but the borrower's own. Its end, however
// the borrower ends (return, exception, the silent abort after a port error), gives the
// device back: port() closed, the asked pause, the live port open with its receive handler,
// its input discarded, the tick running again. A lease must end before its session; one that
// outlives it gives nothing back.
class DeviceLease {
public:
    ~DeviceLease();
    DeviceLease(const DeviceLease&) = delete;
    DeviceLease& operator=(const DeviceLease&) = delete;

    // The borrowed port. The borrower may set its own receive and error handlers; both are
    // removed when the lease ends.
    [[nodiscard]] SerialPort& port() const { return *m_port; }
    [[nodiscard]] const LeaseOptions& options() const { return m_options; }

    // A fresh start on the device after a failed exchange: closes the port, pauses `settleMs`
    // and opens it again. False when it did not open.
    bool reopen(int settleMs);

private:
    friend class LiveSession;
    DeviceLease(LiveSession& session, SerialPort& port, const LeaseOptions& options);

    QPointer<LiveSession> m_session;
    SerialPort* m_port;
    LeaseOptions m_options;
};

} // namespace tc4dl
