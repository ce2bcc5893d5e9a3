// The logger set-up exchanges fed hostile bytes and time (see ExchangeScript.h for the script
// and the rules every exchange keeps). The first byte picks the command; the rest is the
// script. Their own rules: the error is one of the known codes, a read header block is whole,
// and a time reply is only had by a command that asks for one.

#include "ExchangeScript.h"
#include "SetupExchange.h"

#include <QDate>
#include <QTime>

using namespace tc4dl;

namespace {

SetupExchange exchangeFor(unsigned char pick)
{
    switch (pick % 4) {
    case 0:
        return SetupExchange::setMeterClock(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    case 1:
        return SetupExchange::setRecordingInterval(0x01, 0x30);
    case 2:
        return SetupExchange::eraseLoggerMemory();
    default:
        return SetupExchange::readLoggerInfo();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (size < 1)
        return 0;
    SetupExchange exchange = exchangeFor(data[0]);
    auto check = [&exchange] {
        FUZZ_RULE(exchange.error() >= SetupExchange::kNone
            && exchange.error() <= SetupExchange::kNoMemoryHeader);
        FUZZ_RULE(exchange.error() == SetupExchange::kNone || exchange.finished());
        FUZZ_RULE(exchange.headerBlock().isEmpty()
            || exchange.headerBlock().size() == HeaderQuery::kBlockSize);
        if (exchange.command() == SetupExchange::Command::EraseLoggerMemory
            || exchange.command() == SetupExchange::Command::SetRecordingInterval)
            FUZZ_RULE(!exchange.timeReply().has_value());
    };
    fuzz::ExchangeScript script({
        [&](qint64 now) { return exchange.start(now); },
        [&](QByteArrayView b, qint64 now) { return exchange.feed(b, now); },
        [&](qint64 now) { return exchange.wake(now); },
        {},
        [&] { return exchange.finished(); },
        check,
    });
    script.run(data + 1, size - 1);
    return 0;
}
