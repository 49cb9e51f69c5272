#include "HelpPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "AppMessageBox.h"
#include "ShellOpen.h"
#include "ShellResultCodes.h"

namespace tolvane {

QString HelpPage::Path() {
    return PathFor(QCoreApplication::applicationDirPath());
}

QString HelpPage::PathFor(const QString& programDir) {
    const QString installed = QDir::cleanPath(programDir + QLatin1Char('/') +
                                              QStringLiteral(TOLVANE_INSTALLED_HELP_PAGE));
    if (QFileInfo::exists(installed)) {
        return installed;
    }
    const QString inSources = QStringLiteral(TOLVANE_SOURCE_HELP_PAGE);
    return QFileInfo::exists(inSources) ? inSources : QString();
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
