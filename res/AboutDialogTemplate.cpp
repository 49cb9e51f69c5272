#include "AboutDialogTemplate.h"

#include "MainDialogTemplate.h"
#include "ResourceIds.h"

namespace tolvane {

DialogTemplate AboutDialogTemplate(const AboutCredits& credits) {
    using namespace ControlStyle;
    DialogTemplate dialog;
    dialog.id = IDD_ABOUTBOX;
    dialog.caption = "關於Tolvane  中文化：" + credits.localiserName;
    dialog.width = 182;
    dialog.height = 81;
    dialog.font = MainDialogTemplate().font;
    dialog.style = DialogStyle::SystemMenu;
    // Static texts are shown as plain text, so the ampersand is written once.
    dialog.controls = {
        {-1, ControlKind::StaticIcon, std::to_string(IDR_MAINFRAME), {7, 58, 20, 20}, None},
        {-1,
         ControlKind::StaticText,
         "Tolvane for Win9x & NT Version 1.03",
         {31, 6, 143, 8},
         Group},
        {1, ControlKind::PushButton, "確定", {140, 60, 32, 14}, Group | TabStop},
        {-1, ControlKind::StaticText, "作者:", {45, 21, 24, 8}, Group | AlignRight},
        {IDC_EMAIL_LINK, ControlKind::StaticText, credits.authorEmail, {71, 30, 73, 8}, Group},
        {IDC_AUTHOR_NAME, ControlKind::StaticText, credits.authorName, {71, 21, 27, 8}, Group},
        {-1, ControlKind::StaticText, "電子郵件:", {47, 30, 22, 8}, Group | AlignRight},
        {-1, ControlKind::StaticText, "首頁:", {31, 40, 38, 8}, Group | AlignRight},
        {IDC_HOMEPAGE_LINK, ControlKind::StaticText, credits.homePage, {71, 40, 88, 8}, Group},
    };
    return dialog;
}

}  // namespace tolvane
