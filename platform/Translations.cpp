#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tolvane {

namespace {

// Loads into app the translation called name for locale from folder; null when there is none.
const QTranslator* InstallTranslator(QCoreApplication& app, const QLocale& locale,
                                     const QString& name, const QString& folder) {
    auto* translator = new QTranslator(&app);
    // Tries each of the locale's languages in the user's order, from the most specific name
    // ("tolvane_en_US") to the language alone ("tolvane_en").
    if (!translator->load(locale, name, QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace

bool InstallTranslations(QCoreApplication& app, const QLocale& locale) {
    const QTranslator* translation = InstallTranslator(app, locale, QStringLiteral("tolvane"),
                                                       QString::fromLatin1(kTranslationsFolder));
    // Qt's own texts (OK, Yes, No, Show Details...) speak the language the windows speak, so a
    // Chinese window never shows English buttons. Without Qt's translations installed they stay
    // English.
    const QLocale windowsLocale =
        translation != nullptr
            ? QLocale(translation->language())
            : QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);
    InstallTranslator(app, windowsLocale, QStringLiteral("qtbase"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return translation != nullptr;
}

}  // namespace tolvane
