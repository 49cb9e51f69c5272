#include "Translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace tolvane {

bool InstallTranslations(QCoreApplication& app, const QLocale& locale) {
    auto* translator = new QTranslator(&app);
    // Tries each of the locale's languages in the user's order, from the most specific name
    // ("tolvane_en_US") to the language alone ("tolvane_en").
    if (!translator->load(locale, QStringLiteral("tolvane"), QStringLiteral("_"),
                          QString::fromLatin1(kTranslationsFolder))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace tolvane
