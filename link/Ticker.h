#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace tc4dl {

// A timer of the main window or of the live session. In the program it is a QTimer; in tests it
// only records whether it is enabled and its interval, and the test calls the handler itself, so no
// tick ever arrives on its own in the middle of a test.
class Ticker final : public QObject {
    Q_OBJECT
public:
    Ticker(int intervalMs, bool live, std::function<void()> onTick, QObject* parent)
        : QObject(parent),
          m_live(live),
          m_onTick(std::move(onTick))
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { m_onTick(); });
    }

    void setEnabled(bool enabled)
    {
        if (enabled == m_enabled)
            return;
        m_enabled = enabled;
        if (!m_live)
            return;
        if (enabled)
            m_timer.start();
        else
            m_timer.stop();
    }
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    void setInterval(int ms) { m_timer.setInterval(ms); }
    [[nodiscard]] int interval() const { return m_timer.interval(); }

private:
    QTimer m_timer;
    bool m_live;
    bool m_enabled = false;
    std::function<void()> m_onTick;
};

} // namespace tc4dl
