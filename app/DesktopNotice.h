#pragma once

#include <QString>

namespace tolvane {

// A desktop notification, sent to the notification service on the session bus (the
// freedesktop notification interface) without waiting for its answer. Where there is no
// session bus or no service, nothing is shown and nothing fails.
class DesktopNotice {
  public:
    // title: the program's name, shown as the notice's heading; body: plain text.
    static void Send(const QString& title, const QString& body);
};

}  // namespace tolvane
