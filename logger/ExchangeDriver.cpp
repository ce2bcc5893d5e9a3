#include "ExchangeDriver.h"

#include "Clock.h"
#include "DeviceLease.h"
#include "SerialPort.h"

#include <QByteArray>

#include <algorithm>

namespace tc4dl {

ExchangeDriver::ExchangeDriver(
    Clock& clock, std::unique_ptr<DeviceLease> lease, ExchangeMachine machine, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_lease(std::move(lease)),
      m_machine(std::move(machine))
{
}

ExchangeDriver::~ExchangeDriver()
{
    // A driver dropped while running still gives the device back (without its signal).
    m_done = true;
    m_lease.reset();
}

void ExchangeDriver::start()
{
    if (m_started || !m_lease)
        return;
    m_started = true;
    SerialPort& port = m_lease->port();
    port.setOnRxChar([this] { onDataReady(); });
    port.setOnError([this](const PortError&) {
        // Called from inside a port operation: the end comes once that operation has returned.
        if (!m_finishing)
            end(Ending::PortError);
        return ErrorAction::Abort;
    });
    apply(m_machine.start(m_clock.tickMs()));
    // Bytes may already be waiting (an answer quicker than the start).
    if (!m_finishing && port.waitingCount() > 0)
        onDataReady();
}

void ExchangeDriver::stop()
{
    if (!m_started || m_finishing)
        return;
    if (m_machine.cancel)
        apply(m_machine.cancel(m_clock.tickMs()));
    if (!m_finishing)
        end(Ending::Stopped);
    else if (m_ending == Ending::Finished)
        m_ending = Ending::Stopped;
}

void ExchangeDriver::onDataReady()
{
    if (m_finishing)
        return;
    SerialPort& port = m_lease->port();
    const qint64 waiting = port.waitingCount();
    if (waiting <= 0)
        return;
    // Never more at once than a few blocks: what is left comes with the next notification.
    QByteArray bytes(static_cast<qsizetype>(std::min<qint64>(waiting, 4096)), Qt::Uninitialized);
    const qint64 got = port.readBytes(bytes.data(), bytes.size());
    if (m_finishing || got <= 0)
        return;
    bytes.truncate(static_cast<qsizetype>(got));
    apply(m_machine.feed(bytes, m_clock.tickMs()));
    if (!m_finishing && port.waitingCount() > 0)
        m_clock.callAfter(0, this, [this] { onDataReady(); });
}

void ExchangeDriver::onTimer(qint64 due)
{
    if (due == m_armedAt)
        m_armedAt = -1;
    if (m_finishing || m_wakeAt < 0)
        return;
    if (m_clock.tickMs() >= m_wakeAt)
        apply(m_machine.wake(m_clock.tickMs()));
    else
        arm(m_wakeAt);
}

void ExchangeDriver::apply(const ExchangeStep& step)
{
    if (m_finishing)
        return;
    SerialPort& port = m_lease->port();
    for (const PortAction& action : step.actions) {
        bool ok = true;
        switch (action.kind) {
        case PortAction::Kind::Write:
            ok = port.writeByte(action.byte);
            break;
        case PortAction::Kind::DiscardInput:
            ok = port.discardInput();
            break;
        case PortAction::Kind::DiscardOutput:
            ok = port.discardOutput();
            break;
        }
        if (!ok || m_finishing) {
            if (!m_finishing)
                end(Ending::PortError);
            return;
        }
    }
    Q_EMIT stepped();
    if (step.finished || step.wakeAtMs < 0) {
        end(Ending::Finished);
        return;
    }
    arm(step.wakeAtMs);
}

void ExchangeDriver::arm(qint64 wakeAtMs)
{
    m_wakeAt = wakeAtMs;
    // A timer due no later than this one is still to come: it re-arms when it fires.
    if (m_armedAt >= 0 && m_armedAt <= wakeAtMs)
        return;
    m_armedAt = wakeAtMs;
    const qint64 delay = std::max<qint64>(0, wakeAtMs - m_clock.tickMs());
    m_clock.callAfter(static_cast<int>(std::min<qint64>(delay, 60'000)), this,
        [this, wakeAtMs] { onTimer(wakeAtMs); });
}

void ExchangeDriver::end(Ending ending)
{
    m_finishing = true;
    m_ending = ending;
    // Never give the port back from inside one of its own handlers: the handler being run
    // would be destroyed under itself.
    m_clock.callAfter(0, this, [this] { release(); });
}

void ExchangeDriver::release()
{
    if (m_done)
        return;
    m_done = true;
    if (m_lease) {
        m_lease->port().setOnRxChar({});
        m_lease->port().setOnError({});
    }
    m_lease.reset();
    Q_EMIT finished(m_ending);
}

} // namespace tc4dl
