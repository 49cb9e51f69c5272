#pragma once

#include <QLocale>

class QCoreApplication;

namespace tolvane {

// Where the compiled translations are embedded: ":/i18n/tolvane_<language>.qm".
inline constexpr const char* kTranslationsFolder = ":/i18n";

// Installs into app the program's translation for the first of locale's user-interface
// languages that has one. The texts of the windows are written in Traditional Chinese; a user
// whose language has no translation (Chinese, or "C") sees them as written. Qt's own texts
// (standard buttons) follow the same language. Returns whether a translation was installed.
bool InstallTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());

}  // namespace tolvane
