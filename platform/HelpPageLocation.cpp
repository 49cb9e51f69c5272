#include "HelpPageLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tolvane {

QString HelpPagePath() {
    return HelpPagePathFor(QCoreApplication::applicationDirPath());
}

QString HelpPagePathFor(const QString& programDir) {
    const QString installed = QDir::cleanPath(programDir + QLatin1Char('/') +
                                              QStringLiteral(TOLVANE_INSTALLED_HELP_PAGE));
    if (QFileInfo::exists(installed)) {
        return installed;
    }
    const QString inSources = QStringLiteral(TOLVANE_SOURCE_HELP_PAGE);
    return QFileInfo::exists(inSources) ? inSources : QString();
}

}  // namespace tolvane
