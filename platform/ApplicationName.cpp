#include "ApplicationName.h"

#include <QCoreApplication>

namespace tolvane {

QString ApplicationName() {
    return ApplicationNameFromPath(QCoreApplication::applicationFilePath());
}

QString ApplicationNameFromPath(const QString& executablePath) {
    QString name = executablePath.mid(executablePath.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0) {
        name.truncate(dot);
    }
    return name;
}

}  // namespace tolvane
