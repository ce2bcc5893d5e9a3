#pragma once

#include "LiveLink.h"

namespace tc4dl {

// The live link's host where there are no windows (the command-line tool, benchmarks, tests):
// nothing to enable, show or beep; only the connection itself is followed. Open for a
// subclass that wants to watch one of the calls.
class QuietLinkHost : public LinkHost {
public:
    void connectionChanged(const ConnectionReport&) override { }
    void selectPortEntry(int) override { }
    void beep() override { }
};

} // namespace tc4dl
