#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tc4dl::journal {

// What one sync covers: an open file.
struct SyncTarget {
    int descriptor = -1;
};

// Forces a journal's written bytes onto the disk. On a busy or sleeping disk that takes from
// milliseconds to a good part of a second, which the main tick must not wait for: in the
// background mode one worker thread does it, and a request while one runs is folded into the
// next. Inline does it at once, for tests.
class JournalSyncer {
public:
    enum class Mode { Inline, Background };

    explicit JournalSyncer(Mode mode);
    ~JournalSyncer();
    JournalSyncer(const JournalSyncer&) = delete;
    JournalSyncer& operator=(const JournalSyncer&) = delete;

    // Syncs `target` (now, or soon in the background).
    void request(const SyncTarget& target);
    // Returns once no sync is waiting or running, so that the file may be unmapped and closed.
    void drain() const;
    // Syncs finished so far.
    [[nodiscard]] int completed() const;

private:
    void work();

    const Mode m_mode;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    mutable std::condition_variable m_idle;
    std::thread m_worker;
    SyncTarget m_pending;
    bool m_busy = false;
    bool m_quit = false;
    int m_completed = 0;
};

// The system's sync of the file's data; false when it failed.
bool syncToDisk(const SyncTarget& target);

} // namespace tc4dl::journal
