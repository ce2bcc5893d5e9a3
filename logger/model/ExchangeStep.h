#pragma once

#include <QtGlobal>

#include <vector>

namespace tc4dl {

// One thing a logger exchange asks its driver to do to the port, in order.
struct PortAction {
    enum class Kind { Write, DiscardInput, DiscardOutput };
    Kind kind = Kind::Write;
    char byte = 0; // for Write: one byte per write, as the meter expects its commands

    static PortAction write(char b) { return { Kind::Write, b }; }
    static PortAction discardInput() { return { Kind::DiscardInput, 0 }; }
    static PortAction discardOutput() { return { Kind::DiscardOutput, 0 }; }
    bool operator==(const PortAction&) const = default;
};

// What a logger exchange wants after being started, fed bytes or woken: the port actions to
// carry out now, in order, and the monotonic time (milliseconds, same clock as the inputs) at
// which it must be woken at the latest if no byte arrives first. A finished exchange wants
// nothing more; its result is read from the exchange.
//
// A driver is thus: on start, on every data-ready notification (read all waiting bytes and
// feed them) and when its single-shot timer fires, carry out the actions and re-arm the timer
// for wakeAtMs.
struct ExchangeStep {
    std::vector<PortAction> actions;
    qint64 wakeAtMs = -1; // -1 when finished
    bool finished = false;
};

} // namespace tc4dl
