#include "HelpPageLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "InstallLayout.h"

namespace tolvane {

namespace {

const QString kPageName = QStringLiteral("tolvane.html");

// The page in folder dir, or an empty string when dir is empty or holds no page.
QString PageIn(const QString& dir) {
    if (dir.isEmpty()) {
        return {};
    }
    const QString page = QDir::cleanPath(dir + QLatin1Char('/') + kPageName);
    return QFileInfo::exists(page) ? page : QString();
}

// The folder named on the first line of the build folder's tolvane-help-dir file.
QString DirFromBuildFolderNote(const QString& programDir) {
    QFile note(programDir + QStringLiteral("/tolvane-help-dir"));
    if (!note.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QFile::decodeName(note.readLine().trimmed());
}

}  // namespace

QString HelpPagePath() {
    return HelpPagePathFor(QCoreApplication::applicationDirPath());
}

QString HelpPagePathFor(const QString& programDir) {
    const QString installedDir =
        programDir + QLatin1Char('/') + QString::fromUtf8(layout::kDataDirFromProgramDir);
    for (const QString& dir : {installedDir, QFile::decodeName(qgetenv("TOLVANE_HELP_DIR")),
                               DirFromBuildFolderNote(programDir)}) {
        if (const QString page = PageIn(dir); !page.isEmpty()) {
            return page;
        }
    }
    return {};
}

}  // namespace tolvane
