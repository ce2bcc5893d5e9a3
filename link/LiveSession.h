#pragma once

#include "Clock.h"
#include "DeviceLease.h"
#include "LiveDecoder.h"
#include "LiveLink.h"
#include "RoutedSerialPort.h"
#include "TickPacer.h"

#include <QObject>

#include <functional>
#include <memory>

namespace tc4dl {

class Ticker;

// The live side of the meter link for as long as the program runs: the live port Comm1 and the
// borrower's port Comm2 on the same device, the frame reader, decoder and link, the main tick
// with its pacing and TickBusy. The desktop program and the command-line monitor each own one.
//
// The device has one owner at a time. borrowDevice() is the only way to take it from the live
// link; while a lease is held, everything here that would touch the live port refuses (keys,
// the port change, closing) or does nothing (a stray tick), and leaseHeld() tells the windows.
class LiveSession final : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickIntervalMs = 1000;
    static constexpr int kPortChangeWaitMs = 2500;
    static constexpr int kCloseWaitMs = 3000;

    // `liveTimers` false: the main tick never fires on its own; tests call mainTimerTimer().
    LiveSession(Clock& clock, LinkHost& host, RoutedSerialPort::Factory portFactory,
        LinkTexts texts, bool liveTimers, QObject* parent = nullptr);
    ~LiveSession() override;

    // Start-up: the identification scan, then the main tick.
    void start();
    // Starts or stops the main tick. While the device is lent, the choice takes effect when
    // it comes back.
    void setTicking(bool on);
    [[nodiscard]] bool ticking() const;

    // The main tick: the frame check, then the sampling point, then the poll and the pacing.
    // Does nothing while the device is lent or while a tick is already running.
    void mainTimerTimer();
    // A meter key: false, with nothing sent, while the device is lent or the meter is not
    // connected.
    bool sendKey(char byte);
    // The port list changed to `entry` (its index, or -1 for a typed name): Comm1 moves to
    // that device. False, with Comm1 left as it was, while the device is lent or when the
    // running tick does not finish within kPortChangeWaitMs.
    bool changePort(const QString& entry, int index);
    // The program ends: waits for the receive handler, stops the tick and closes Comm1; no
    // lease is given from then on. False, with nothing done, while the device is lent.
    bool shutDown();

    // Lends the device, or returns null when it cannot be had (lastRefusal() says why). Waits
    // first, processing events, for a running tick and a running receive handler, each within
    // its bound in `options`.
    [[nodiscard]] std::unique_ptr<DeviceLease> borrowDevice(const LeaseOptions& options = {});
    [[nodiscard]] LeaseRefusal lastRefusal() const { return m_lastRefusal; }
    // True from the moment a lease is asked for until the live link has the device again.
    [[nodiscard]] bool leaseHeld() const { return m_leaseHeld; }

    [[nodiscard]] bool tickBusy() const { return m_tickBusy; }
    [[nodiscard]] LiveLink& link() { return *m_link; }
    [[nodiscard]] const LiveLink& link() const { return *m_link; }
    [[nodiscard]] LiveDecoder& decoder() { return *m_decoder; }
    [[nodiscard]] const LiveDecoder& decoder() const { return *m_decoder; }
    [[nodiscard]] RoutedSerialPort& comm1() { return *m_comm1; }
    [[nodiscard]] RoutedSerialPort& comm2() { return *m_comm2; }
    [[nodiscard]] const Ticker& mainTimer() const { return *m_mainTimer; }

Q_SIGNALS:
    // Inside every tick that runs, while TickBusy is held, after the frame check and before
    // the poll: where real-time sampling takes its sample, with the values (and no-value marks)
    // of the last frame in `check`. `nowSerial` is the tick's local time as a date-time serial.
    void samplingPoint(const tc4dl::TickCheck& check, double nowSerial);
    void leaseHeldChanged(bool held);

private:
    friend class DeviceLease;
    void giveBack(const LeaseOptions& options);
    void endLease();
    bool reopenLent(int settleMs);
    std::unique_ptr<DeviceLease> refuse(LeaseRefusal why);
    void setLeaseHeld(bool held);
    bool waitWhileBusy(const std::function<bool()>& busy, int limitMs);

    Clock& m_clock;
    std::unique_ptr<RoutedSerialPort> m_comm1;
    std::unique_ptr<RoutedSerialPort> m_comm2;
    std::unique_ptr<LiveDecoder> m_decoder;
    std::unique_ptr<LiveLink> m_link;
    Ticker* m_mainTimer = nullptr;
    TickPacer m_pacer;
    bool m_tickBusy = false;
    bool m_leaseHeld = false;
    bool m_tickAfterLease = false;
    bool m_closed = false;
    LeaseRefusal m_lastRefusal = LeaseRefusal::None;
};

} // namespace tc4dl
