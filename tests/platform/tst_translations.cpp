#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QtTest>

#include "AboutDialogTemplate.h"
#include "DialogBuilder.h"
#include "MainDialogTemplate.h"
#include "Translations.h"

using namespace tolvane;

Q_DECLARE_METATYPE(tolvane::DialogTemplate)

namespace {

bool HasChinese(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff) {
            return true;
        }
    }
    return false;
}

// The text a control shows and the width it needs for it.
std::pair<QString, int> ShownText(QWidget* control) {
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        return {box->text(), box->sizeHint().width()};
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return {button->text(), button->fontMetrics().horizontalAdvance(button->text())};
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return {label->text(), label->fontMetrics().horizontalAdvance(label->text())};
    }
    return {};
}

}  // namespace

// The windows in the user's language: no translation for Chinese and "C", whose users see the
// designed texts with Qt's own buttons in Chinese, and an English text for every one of them,
// fitting its control.
class TranslationsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void noTranslationKeepsTheDesignedTexts_data();
    void noTranslationKeepsTheDesignedTexts();
    void englishLocaleTranslatesEveryText_data();
    void englishLocaleTranslatesEveryText();
};

void TranslationsTest::initTestCase() {
    QVERIFY(InstallTranslations(*QCoreApplication::instance(), QLocale(QStringLiteral("en_US"))));
}

void TranslationsTest::noTranslationKeepsTheDesignedTexts_data() {
    QTest::addColumn<QString>("locale");
    QTest::newRow("Traditional Chinese") << "zh_TW";
    QTest::newRow("C") << "C";
}

void TranslationsTest::noTranslationKeepsTheDesignedTexts() {
    QFETCH(QString, locale);
    QVERIFY(!InstallTranslations(*QCoreApplication::instance(), QLocale(locale)));
    // Qt's standard buttons join the designed texts instead of staying English.
    QVERIFY(HasChinese(QMessageBox(QMessageBox::Information, {}, {}, QMessageBox::Ok)
                           .button(QMessageBox::Ok)
                           ->text()));
}

void TranslationsTest::englishLocaleTranslatesEveryText_data() {
    QTest::addColumn<DialogTemplate>("dialogTemplate");
    QTest::newRow("main window") << MainDialogTemplate();
    QTest::newRow("About box") << AboutDialogTemplate(
        {"Author", "a@example.org", "https://x/", "Translator"});
}

void TranslationsTest::englishLocaleTranslatesEveryText() {
    QFETCH(DialogTemplate, dialogTemplate);
    QDialog dialog;
    DialogBuilder::Build(dialogTemplate, &dialog);
    QVERIFY(!HasChinese(dialog.windowTitle()));
    for (QWidget* control : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const auto [text, width] = ShownText(control);
        QVERIFY2(!HasChinese(text), qPrintable(text));
        QVERIFY2(width <= control->contentsRect().width(), qPrintable(text));
        QVERIFY2(!HasChinese(control->accessibleName()), qPrintable(control->accessibleName()));
    }
}

QTEST_MAIN(TranslationsTest)
#include "tst_translations.moc"
