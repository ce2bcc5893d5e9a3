#include "JournalSyncer.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <utility>

namespace tc4dl::journal {

bool syncToDisk(const SyncTarget& target)
{
#ifdef Q_OS_WIN
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(target.descriptor));
    return FlushFileBuffers(handle) != 0;
#elif defined(Q_OS_LINUX)
    // The file's length was set when the run began and is synced with the header, so the
    // records' data is all there is to force out: no inode times to commit with every sync.
    return ::fdatasync(target.descriptor) == 0;
#else
    return ::fsync(target.descriptor) == 0;
#endif
}

JournalSyncer::JournalSyncer(Mode mode)
    : m_mode(mode)
{
}

JournalSyncer::~JournalSyncer()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void JournalSyncer::request(const SyncTarget& target)
{
    if (target.descriptor < 0)
        return;
    if (m_mode == Mode::Inline) {
        syncToDisk(target);
        std::lock_guard lock(m_mutex);
        ++m_completed;
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_pending = target;
        if (!m_worker.joinable())
            m_worker = std::thread([this] { work(); });
    }
    m_wake.notify_one();
}

void JournalSyncer::drain() const
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending.descriptor < 0 && !m_busy; });
}

int JournalSyncer::completed() const
{
    std::lock_guard lock(m_mutex);
    return m_completed;
}

void JournalSyncer::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_pending.descriptor >= 0; });
        if (m_pending.descriptor < 0) // quitting with nothing left to do
            return;
        const SyncTarget target = std::exchange(m_pending, SyncTarget {});
        m_busy = true;
        lock.unlock();
        syncToDisk(target);
        lock.lock();
        m_busy = false;
        ++m_completed;
        m_idle.notify_all();
    }
}

} // namespace tc4dl::journal
