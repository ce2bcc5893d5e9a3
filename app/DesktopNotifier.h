#pragma once

#include <QDBusConnection>
#include <QString>

#include <optional>

namespace tc4dl {

// Where a raised alarm is told outside the program's window.
class AlarmNotifier {
public:
    virtual ~AlarmNotifier() = default;
    virtual void notify(const QString& title, const QString& body) = 0;
};

// A desktop notification through the freedesktop notification service on the session bus. The
// call is sent without waiting for its answer: where no bus or no such service runs, nothing
// is shown, nothing waits and nothing fails.
class DesktopNotifier final : public AlarmNotifier {
public:
    // The session bus, reached at the first notification (a main window without alarms never
    // touches it).
    DesktopNotifier() = default;
    explicit DesktopNotifier(QDBusConnection bus);
    void notify(const QString& title, const QString& body) override;

private:
    std::optional<QDBusConnection> m_bus;
};

} // namespace tc4dl
