#include "HelpPage.h"

#include <QFile>

#include "AppMessageBox.h"
#include "HelpPageLocation.h"
#include "ShellOpen.h"
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
    if (ShellOpen(QFile::encodeName(path).toStdString()) <= SE_ERR_DLLNOTFOUND) {
        AppMessageBox(parent, QStringLiteral("The help page %1 cannot be opened.").arg(path));
    }
}

}  // namespace tolvane
