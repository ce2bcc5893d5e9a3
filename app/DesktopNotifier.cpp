#include "DesktopNotifier.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace tc4dl {

DesktopNotifier::DesktopNotifier(QDBusConnection bus)
    : m_bus(std::move(bus))
{
}

void DesktopNotifier::notify(const QString& title, const QString& body)
{
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    if (!m_bus->isConnected())
        return;
    QDBusMessage call
        = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // An alarm stays until the person closes it: urgency critical, no expiry of our own.
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(2));
    call << QStringLiteral("TC4DL") << uint(0) << QStringLiteral("dialog-warning") << title << body
         << QStringList() << hints << int(-1);
    // Never started on demand: a desktop without the service simply shows nothing.
    call.setAutoStartService(false);
    m_bus->send(call);
}

} // namespace tc4dl
