#pragma once

#include <QString>

namespace tolvane {

// Where the program's help page, tolvane.html, is: installed in share/doc/tolvane/ (found
// relative to the program, so an installed tree may move), or, for a program run from its
// build folder, in the source tree. Empty when neither place holds it.
QString HelpPagePath();
QString HelpPagePathFor(const QString& programDir);

}  // namespace tolvane
