#pragma once

#include <QString>

#include "MessageBoxCodes.h"

class QWidget;

namespace tolvane {

// Shows a modal message box over parent, captioned with the application's name.
// type combines one button set (MB_OK, MB_YESNO) with one icon (MB_ICONHAND,
// MB_ICONQUESTION, MB_ICONEXCLAMATION); a type without an icon gets the exclamation icon.
// The text is shown as plain text, never as markup. Returns IDOK for MB_OK; for MB_YESNO,
// IDYES or IDNO, or IDCANCEL when the question was put aside with Esc or the close box.
// Non-empty details are offered behind a "Show Details" button.
int AppMessageBox(QWidget* parent, const QString& text, unsigned type = MB_OK | MB_ICONEXCLAMATION,
                  const QString& details = {});

}  // namespace tolvane
