#include "AboutDialogTemplate.h"

#include <QCoreApplication>

#include "MainDialogTemplate.h"
#include "ResourceIds.h"

namespace tolvane {

DialogTemplate AboutDialogTemplate(const AboutCredits& credits) {
    using namespace ControlStyle;
    DialogTemplate dialog;
    dialog.id = IDD_ABOUTBOX;
    dialog.translationContext = kAboutDialogContext;
    // The caption names the translator, whose name is not translated: only its first part is.
    dialog.caption =
        QCoreApplication::translate("tolvane::CAboutDlg", "關於Tolvane  中文化：").toStdString() +
        credits.localiserName;
    dialog.width = 182;
    dialog.height = 81;
    dialog.font = MainDialogTemplate().font;
    dialog.style = DialogStyle::SystemMenu;
    // Static texts are shown as plain text, so the ampersand is written once. The texts are
    // the source texts of their translations in kAboutDialogContext. The right-aligned labels
    // end where the values begin and are just wide enough for their texts, in either language.
    dialog.controls = {
        {-1, ControlKind::StaticIcon, std::to_string(IDR_MAINFRAME), {7, 58, 20, 20}, None},
        {-1,
         ControlKind::StaticText,
         "Tolvane for Win9x & NT Version 1.03",
         {31, 6, 143, 8},
         Group},
        {1,
         ControlKind::PushButton,
         QT_TRANSLATE_NOOP("tolvane::CAboutDlg", "確定"),
         {140, 60, 32, 14},
         Group | TabStop},
        {-1,
         ControlKind::StaticText,
         QT_TRANSLATE_NOOP("tolvane::CAboutDlg", "作者:"),
         {41, 21, 28, 8},
         Group | AlignRight},
        {IDC_EMAIL_LINK, ControlKind::StaticText, credits.authorEmail, {71, 30, 73, 8}, Group},
        {IDC_AUTHOR_NAME, ControlKind::StaticText, credits.authorName, {71, 21, 27, 8}, Group},
        {-1,
         ControlKind::StaticText,
         QT_TRANSLATE_NOOP("tolvane::CAboutDlg", "電子郵件:"),
         {33, 30, 36, 8},
         Group | AlignRight},
        {-1,
         ControlKind::StaticText,
         QT_TRANSLATE_NOOP("tolvane::CAboutDlg", "首頁:"),
         {31, 40, 38, 8},
         Group | AlignRight},
        {IDC_HOMEPAGE_LINK, ControlKind::StaticText, credits.homePage, {71, 40, 88, 8}, Group},
    };
    return dialog;
}

}  // namespace tolvane
