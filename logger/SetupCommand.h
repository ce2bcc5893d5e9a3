#pragma once

#include "DeviceLease.h"
#include "ExchangeDriver.h"
#include "SetupExchange.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace tc4dl {

class Clock;
class LiveSession;

// How one set-up command ended.
struct SetupReport {
    SetupExchange::Command command = SetupExchange::Command::ReadLoggerInfo;
    bool succeeded = false;
    int error = SetupExchange::kNone; // the exchange's error code (kBorrowFailed: not lent)
    LeaseRefusal refusal = LeaseRefusal::None;
    bool portError = false; // the port failed during the exchange (silent abort)
    std::optional<TimeReply> timeReply;
    QByteArray headerBlock; // ReadLoggerInfo: the first memory block
};

// Runs one set-up exchange with a lease of its own: the device is borrowed for the one
// exchange (bounded 2.5 s waits for the tick and the receiver) and given back however it ends.
class SetupCommand final : public QObject {
    Q_OBJECT
public:
    SetupCommand(Clock& clock, LiveSession& session, QObject* parent = nullptr);
    ~SetupCommand() override;

    [[nodiscard]] static LeaseOptions leaseOptions(SetupExchange::Command command);

    // Starts the exchange; finished() reports its end, also when the device could not be
    // borrowed (then this returns false and the signal has already come).
    bool start(SetupExchange exchange);
    [[nodiscard]] bool running() const { return m_driver != nullptr; }

Q_SIGNALS:
    void finished(const tc4dl::SetupReport& report);

private:
    void onEnded(ExchangeDriver::Ending ending);

    Clock& m_clock;
    LiveSession& m_session;
    std::optional<SetupExchange> m_exchange;
    QPointer<ExchangeDriver> m_driver;
};

} // namespace tc4dl
