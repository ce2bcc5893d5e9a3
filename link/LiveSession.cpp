#include "LiveSession.h"

#include "BusyGuard.h"
#include "DateTimeSerial.h"
#include "Ticker.h"

namespace tc4dl {

LiveSession::LiveSession(Clock& clock, LinkHost& host, RoutedSerialPort::Factory portFactory,
    LinkTexts texts, bool liveTimers, QObject* parent)
    : QObject(parent),
      m_clock(clock)
{
    // The live link drives DTR for the meter's interface; the borrower's port takes the lines
    // each borrower asks for (LeaseOptions).
    m_comm1 = std::make_unique<RoutedSerialPort>(portFactory);
    m_comm1->setLineSettings(LineSettings { 9600, LineState::On, LineState::On });
    m_comm2 = std::make_unique<RoutedSerialPort>(std::move(portFactory));
    m_comm2->setLineSettings(LineSettings { 9600, LineState::Off, LineState::On });
    m_decoder = std::make_unique<LiveDecoder>();
    m_link = std::make_unique<LiveLink>(*m_comm1, m_clock, host, *m_decoder, std::move(texts));
    m_mainTimer = new Ticker(
        kTickIntervalMs, liveTimers, [this] { mainTimerTimer(); }, this);
}

LiveSession::~LiveSession()
{
    m_mainTimer->setEnabled(false);
    // The link goes before the port it listens on.
    m_link.reset();
    m_comm2->setOnRxChar({});
    m_comm2->setOnError({});
}

void LiveSession::start()
{
    m_link->runIdentificationScan();
    setTicking(true);
}

void LiveSession::setTicking(bool on)
{
    if (m_leaseHeld)
        m_tickAfterLease = on;
    else
        m_mainTimer->setEnabled(on);
}

bool LiveSession::ticking() const
{
    return m_leaseHeld ? m_tickAfterLease : m_mainTimer->isEnabled();
}

void LiveSession::mainTimerTimer()
{
    // A tick queued before the device was lent finds the live port closed; a tick arriving
    // inside a running one (through an event loop it runs) would clear TickBusy under it.
    if (m_leaseHeld || m_tickBusy)
        return;
    BusyGuard busy(m_tickBusy);
    const double now = toDateTimeSerial(m_clock.now());
    TickCheck check = m_link->checkFrameArrived();
    check.values = m_decoder->state().currentValues;
    check.noValueMarks = m_decoder->state().last.noValueMarks[0];
    Q_EMIT samplingPoint(check, now);
    m_link->sendPoll();
    m_mainTimer->setInterval(m_pacer.onTick(now, m_mainTimer->interval()));
}

bool LiveSession::sendKey(char byte)
{
    if (m_leaseHeld)
        return false;
    return m_link->sendKey(byte);
}

bool LiveSession::changePort(const QString& entry, int index)
{
    if (m_leaseHeld || m_closed)
        return false;
    // The running tick finishes its poll first. A lease taken while waiting wins.
    if (!waitWhileBusy([this] { return m_tickBusy; }, kPortChangeWaitMs) || m_leaseHeld)
        return false;
    (void)m_comm1->setActive(false);
    m_comm1->setDeviceName(ports::deviceNameFor(entry));
    (void)m_comm1->setActive(true);
    m_link->setLastConnectedPort(index);
    return true;
}

bool LiveSession::shutDown()
{
    if (m_leaseHeld)
        return false;
    waitWhileBusy([this] { return m_link->receiverBusy(); }, kCloseWaitMs);
    m_mainTimer->setEnabled(false);
    (void)m_comm1->setActive(false);
    m_closed = true;
    return true;
}

std::unique_ptr<DeviceLease> LiveSession::refuse(LeaseRefusal why)
{
    m_lastRefusal = why;
    return nullptr;
}

std::unique_ptr<DeviceLease> LiveSession::borrowDevice(const LeaseOptions& options)
{
    if (m_closed)
        return refuse(LeaseRefusal::Closed);
    if (m_leaseHeld)
        return refuse(LeaseRefusal::AlreadyLent);
    // From here on a tick that starts does nothing, so the wait is only for one already
    // running below this call.
    m_tickAfterLease = m_mainTimer->isEnabled();
    setLeaseHeld(true);
    if (!waitWhileBusy([this] { return m_tickBusy; }, options.tickWaitMs)) {
        endLease();
        return refuse(LeaseRefusal::TickBusy);
    }
    m_mainTimer->setEnabled(false);
    // Closing Comm1 under a receive handler that is still running would pull the port from
    // under its read.
    if (!waitWhileBusy([this] { return m_link->receiverBusy(); }, options.receiverWaitMs)) {
        endLease();
        return refuse(LeaseRefusal::ReceiverBusy);
    }
    m_comm1->setOnRxChar({});
    (void)m_comm1->setActive(false);
    (void)m_comm2->setActive(false);
    m_comm2->setOnRxChar({});
    m_comm2->setDeviceName(m_comm1->deviceName());
    m_comm2->setLineSettings(options.lines);
    // The lease exists before the port opens, so that the device goes back even when the
    // open fails.
    std::unique_ptr<DeviceLease> lease(new DeviceLease(*this, *m_comm2, options));
    if (options.settleMs > 0)
        m_clock.pause(options.settleMs);
    (void)m_comm2->setActive(true);
    if (!m_comm2->isActive()) {
        lease.reset();
        return refuse(LeaseRefusal::PortNotOpened);
    }
    m_lastRefusal = LeaseRefusal::None;
    return lease;
}

void LiveSession::giveBack(const LeaseOptions& options)
{
    // The borrower's handlers may reach into objects that end with the lease.
    m_comm2->setOnRxChar({});
    (void)m_comm2->setActive(false);
    m_comm2->setOnError({});
    if (options.returnPauseMs > 0)
        m_clock.pause(options.returnPauseMs);
    m_link->attachReceiveHandler();
    (void)m_comm1->setActive(true);
    if (m_comm1->isActive())
        (void)m_comm1->discardInput();
    endLease();
}

void LiveSession::endLease()
{
    m_mainTimer->setEnabled(m_tickAfterLease);
    setLeaseHeld(false);
}

bool LiveSession::reopenLent(int settleMs)
{
    (void)m_comm2->setActive(false);
    if (settleMs > 0)
        m_clock.pause(settleMs);
    (void)m_comm2->setActive(true);
    return m_comm2->isActive();
}

void LiveSession::setLeaseHeld(bool held)
{
    if (held == m_leaseHeld)
        return;
    m_leaseHeld = held;
    Q_EMIT leaseHeldChanged(held);
}

bool LiveSession::waitWhileBusy(const std::function<bool()>& busy, int limitMs)
{
    const qint64 start = m_clock.tickMs();
    while (busy() && m_clock.tickMs() - start < limitMs)
        m_clock.processEvents();
    return !busy();
}

} // namespace tc4dl
