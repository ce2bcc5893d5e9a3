#include "ManualClock.h"

#include <QCoreApplication>

#include <algorithm>

namespace tc4dl {

ManualClock::ManualClock(QDateTime start)
    : m_start(std::move(start))
{
}

void ManualClock::pause(int ms)
{
    // Like the real pause: "more than ms" has passed when it returns.
    advance(ms + 1);
}

void ManualClock::processEvents()
{
    QCoreApplication::processEvents();
    // A wait that spins on a flag would never end if time stood still.
    advance(1);
}

void ManualClock::waitWhile(const std::function<bool()>& busy, int limitMs)
{
    // Nothing can clear the flag while no events run, so the wait lasts its whole limit.
    if (busy())
        m_tick += limitMs;
}

void ManualClock::callAfter(int ms, QObject* context, std::function<void()> fn)
{
    m_pending.push_back(
        { m_tick + std::max(ms, 0), m_order++, context, context != nullptr, std::move(fn) });
}

bool ManualClock::runNext(qint64 limit)
{
    auto it = std::min_element(
        m_pending.begin(), m_pending.end(), [](const Pending& a, const Pending& b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
    if (it == m_pending.end() || it->due > limit)
        return false;
    Pending p = std::move(*it);
    m_pending.erase(it);
    m_tick = std::max(m_tick, p.due);
    if (!p.hadContext || p.context)
        p.fn();
    QCoreApplication::processEvents();
    return true;
}

void ManualClock::advance(qint64 ms)
{
    const qint64 target = m_tick + ms;
    while (runNext(target)) { }
    m_tick = target;
    QCoreApplication::processEvents();
}

void ManualClock::runDue()
{
    while (runNext(m_tick)) { }
}

} // namespace tc4dl
