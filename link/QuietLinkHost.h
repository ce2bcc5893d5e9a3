#pragma once

#include "LiveDecoder.h"
#include "LiveLink.h"

namespace tc4dl {

// The live link's host where there are no windows (the command-line tool, benchmarks, tests):
// nothing to enable, show, blink or beep; only the connection itself is followed. Open for a
// subclass that wants to watch one of the calls.
class QuietLinkHost : public LinkHost, public BlinkTimers {
public:
    void setRunEnabled(bool) override { }
    void setStopEnabled(bool) override { }
    void setDataLoggerEnabled(bool) override { }
    void setStatusText(const QString&, const QString&) override { }
    void setNoConnectionVisible(bool) override { }
    void setClearEnabled(bool) override { }
    void selectPortEntry(int) override { }
    [[nodiscard]] bool realTimeRunning() const override { return false; }
    void beep() override { }
    void setRecTimerEnabled(bool) override { }
    void setMaxMinTimerEnabled(bool) override { }
};

} // namespace tc4dl
