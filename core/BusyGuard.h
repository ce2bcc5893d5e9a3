#pragma once

namespace tc4dl {

// Sets a busy flag for the life of an operation and clears it however the operation ends
// (return, early exit or exception). The flags keep operations that process events while they
// wait from cutting into the frame reader and the tick.
class BusyGuard {
public:
    explicit BusyGuard(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~BusyGuard() { m_flag = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace tc4dl
