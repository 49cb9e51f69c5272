#include "HelpPage.h"

#include <QFile>
#include <QWidget>

#include "AppMessageBox.h"
#include "AsyncOpen.h"
#include "HelpPageLocation.h"
#include "ShellResultCodes.h"

namespace tolvane {

QString HelpPage::Path() {
    return HelpPagePath();
}

QString HelpPage::PathFor(const QString& programDir) {
    return HelpPagePathFor(programDir);
}

void HelpPage::Show(QWidget* parent) {
    const QString path = Path();
    if (path.isEmpty()) {
        AppMessageBox(parent, QStringLiteral("The help page tolvane.html cannot be found."));
        return;
    }
    // The opener can take seconds to answer; the window keeps working meanwhile, and a failure
    // is reported when the answer comes (not at all if the window is gone by then).
    ShellOpenInBackground(QFile::encodeName(path).toStdString(), parent, [parent, path](int code) {
        if (code <= SE_ERR_DLLNOTFOUND) {
            AppMessageBox(parent, QStringLiteral("The help page %1 cannot be opened.").arg(path));
        }
    });
}

}  // namespace tolvane
