#include "MainDialogTemplate.h"

#include <QtGlobal>

#include "ResourceIds.h"

namespace tolvane {

namespace {

using namespace ControlStyle;

// What the two "..." buttons do, for screen readers.
const char* const kOpensPicker =
    QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "開啟資料夾選擇對話方塊");

DialogTemplate MakeMainDialogTemplate() {
    DialogTemplate dialog;
    dialog.id = IDD_MAIN;
    dialog.translationContext = kMainDialogContext;
    dialog.caption = "Tolvane";
    dialog.width = 175;
    dialog.height = 144;
    dialog.font = {{"新細明體", "AR PL UMing TW", "Noto Sans CJK TC"}, 9, 400, false};
    dialog.style = DialogStyle::SystemMenu | DialogStyle::MinimizeBox | DialogStyle::AppWindow;
    const std::string icon = std::to_string(IDR_MAINFRAME);
    // The texts are the source texts of their translations in kMainDialogContext.
    // clang-format off
    dialog.controls = {
        {-1, ControlKind::StaticText,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "目錄:"), {14, 17, 33, 8}, Group},
        {-1, ControlKind::StaticText,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "目錄:"), {14, 57, 33, 8}, Group},
        {IDC_BROWSE_SOURCE, ControlKind::PushButton, "...", {48, 16, 14, 10}, TabStop,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "選擇來源目錄"), kOpensPicker},
        {IDC_BROWSE_TARGET, ControlKind::PushButton, "...", {48, 56, 14, 10}, TabStop,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "選擇目標目錄"), kOpensPicker},
        {IDC_SOURCE_PATH, ControlKind::StaticText,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "統計"), {14, 27, 148, 10}, Group | SunkenEdge},
        {IDC_TARGET_PATH, ControlKind::StaticText,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "統計"), {14, 67, 148, 10}, Group | SunkenEdge},
        {IDC_STATUS, ControlKind::StaticText,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "(準備好)"), {7, 127, 161, 10},
         NoWordWrap | Group | SunkenEdge},
        {IDC_DELETE_FROM_SOURCE, ControlKind::CheckBox,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "由來源刪除更新檔案"), {7, 115, 118, 10},
         TabStop},
        {-1, ControlKind::GroupBox,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "更新如果它"), {7, 87, 121, 25}, None},
        {IDC_LARGER, ControlKind::CheckBox,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "長的"), {13, 98, 39, 10}, TabStop | Disabled},
        {IDC_NEWER, ControlKind::CheckBox,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "較新的"), {85, 98, 37, 10}, TabStop | Disabled},
        {IDC_RUN, ControlKind::PushButton,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "執行"), {134, 109, 34, 14}, TabStop},
        {-1, ControlKind::GroupBox,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "來源"), {7, 7, 161, 36}, None},
        {-1, ControlKind::GroupBox,
         QT_TRANSLATE_NOOP("tolvane::CTolvaneDlg", "目標"), {7, 47, 161, 35}, None},
        {IDC_ABOUT_ICON, ControlKind::StaticIcon, icon, {152, 87, 20, 20}, None},
    };
    // clang-format on
    return dialog;
}

}  // namespace

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate dialog = MakeMainDialogTemplate();
    return dialog;
}

}  // namespace tolvane
