#pragma once

#include "DialogTemplate.h"

namespace tolvane {

// The translation context of the main window's texts, its template's included.
inline constexpr const char* kMainDialogContext = "tolvane::CTolvaneDlg";

// Template 102: the main window with its fifteen controls.
const DialogTemplate& MainDialogTemplate();

}  // namespace tolvane
