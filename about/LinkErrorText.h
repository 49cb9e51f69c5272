#pragma once

#include <QString>

namespace tolvane {

// The text a link shows when it cannot be opened: "Unable to open hyperlink:" and a blank line,
// then the meaning of the shell or loader code.
QString LinkErrorText(int code);

}  // namespace tolvane
