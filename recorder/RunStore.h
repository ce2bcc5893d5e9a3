#pragma once

#include <QString>

namespace tc4dl::recorder {

class LiveRun;

// What a store answered to one commit.
struct StoreOutcome {
    bool ok = false;
    QString error; // why not, one sentence without its full stop
};

// Where the runs of the recorder are kept. A commit hands over a run as it stands, with every
// sample so far: the store replaces what it held of that run (the same meter and start) by it,
// so committing again, after a crash or a failed attempt, stores each reading once. A store may
// fail for a while (a server away, a locked file); the recorder's journal keeps the readings
// meanwhile and the commit is tried again.
class RunStore {
public:
    virtual ~RunStore() = default;
    [[nodiscard]] virtual StoreOutcome commit(const LiveRun& run) = 0;
    // Where the runs go, for people ("the archive /var/lib/tc4dl/archive.sqlite").
    [[nodiscard]] virtual QString description() const = 0;
};

} // namespace tc4dl::recorder
