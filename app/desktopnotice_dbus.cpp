// The freedesktop.org notification service on the session bus (Linux).
#include "desktopnotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace DesktopNotice {

bool viaNotificationService(const QString &title, const QString &text)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // application, id to replace, icon, summary, body, actions, hints, and
    // the server's own display time.
    call << QStringLiteral("kesto") << 0u << QStringLiteral("example.vrensk.kesto") << title << text << QStringList()
         << QVariantMap() << -1;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace DesktopNotice
