#include "DesktopNotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace tolvane {

void DesktopNotice::Send(const QString& title, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The title names the program and heads the notice; the icon and the desktop entry are the
    // installed ones (res/tolvane.desktop). 0 asks for a new notice, -1 for the service's
    // usual time on screen.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("tolvane")}};
    notify << title << 0u << QStringLiteral("tolvane") << title << body << QStringList() << hints
           << -1;
    bus.send(notify);
}

}  // namespace tolvane
