#include "LauncherEntry.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace tolvane {

namespace {

// The desktop entry the package installs (res/tolvane.desktop), as the signal names it.
const QString kApplicationUri = QStringLiteral("application://tolvane.desktop");

}  // namespace

void LauncherEntry::ShowProgress(int percent) {
    if (percent < 0) {
        percent = -1;
    }
    if (percent == shown) {
        return;
    }
    shown = percent;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QVariantMap properties{{QStringLiteral("progress-visible"), percent >= 0}};
    if (percent >= 0) {
        properties.insert(QStringLiteral("progress"), percent / 100.0);
    }
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/tolvane"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << kApplicationUri << properties;
    bus.send(update);
}

}  // namespace tolvane
