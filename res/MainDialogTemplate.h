#pragma once

#include "DialogTemplate.h"

namespace tolvane {

// Template 102: the main window with its fifteen controls.
const DialogTemplate& MainDialogTemplate();

}  // namespace tolvane
