#include "AsyncOpen.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include "ShellOpen.h"

namespace tolvane {

void OpenInBackground(std::function<int()> open, QObject* context, OpenDone done) {
    // The result goes through the application object, which outlives every window: a call
    // queued to context itself could race with its destruction on the window's thread.
    // The pool finishes its work before the application object is gone.
    QPointer<QObject> receiver(context);
    QThreadPool::globalInstance()->start(
        [open = std::move(open), receiver, done = std::move(done)] {
            const int code = open();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [receiver, done, code] {
                    if (receiver) {
                        done(code);
                    }
                },
                Qt::QueuedConnection);
        });
}

void ShellOpenInBackground(const std::string& url, QObject* context, OpenDone done) {
    OpenInBackground([url] { return ShellOpen(url); }, context, std::move(done));
}

}  // namespace tolvane
