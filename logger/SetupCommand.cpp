#include "SetupCommand.h"

#include "LiveSession.h"

namespace tc4dl {

SetupCommand::SetupCommand(Clock& clock, LiveSession& session, QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_session(session)
{
}

SetupCommand::~SetupCommand()
{
    delete m_driver.data();
}

LeaseOptions SetupCommand::leaseOptions(SetupExchange::Command command)
{
    LeaseOptions options;
    options.tickWaitMs = 2500;
    options.receiverWaitMs = 2500;
    // The read-out starts at once; the other commands let the device settle first.
    options.settleMs = command == SetupExchange::Command::ReadLoggerInfo ? 0 : 500;
    options.returnPauseMs = 0;
    // The set-up exchanges do not touch the control lines.
    options.lines.dtr = LineState::DriverDefault;
    options.lines.rts = LineState::DriverDefault;
    return options;
}

bool SetupCommand::start(SetupExchange exchange)
{
    if (running())
        return false;
    const SetupExchange::Command command = exchange.command();
    std::unique_ptr<DeviceLease> lease = m_session.borrowDevice(leaseOptions(command));
    if (!lease) {
        SetupReport report;
        report.command = command;
        report.error = SetupExchange::kBorrowFailed;
        report.refusal = m_session.lastRefusal();
        Q_EMIT finished(report);
        return false;
    }
    m_exchange.emplace(std::move(exchange));
    auto* driver
        = new ExchangeDriver(m_clock, std::move(lease), ExchangeMachine::of(*m_exchange), this);
    m_driver = driver;
    connect(driver, &ExchangeDriver::finished, this, &SetupCommand::onEnded);
    driver->start();
    return true;
}

void SetupCommand::onEnded(ExchangeDriver::Ending ending)
{
    m_driver->deleteLater();
    m_driver.clear();
    SetupReport report;
    report.command = m_exchange->command();
    report.portError = ending != ExchangeDriver::Ending::Finished;
    report.succeeded = !report.portError && m_exchange->succeeded();
    report.error = m_exchange->error();
    report.timeReply = m_exchange->timeReply();
    report.headerBlock = m_exchange->headerBlock();
    m_exchange.reset();
    Q_EMIT finished(report);
}

} // namespace tc4dl
