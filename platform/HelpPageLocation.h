#pragma once

#include <QString>

namespace tolvane {

// Where the program's help page, tolvane.html, is. Looked for in order:
//  1. installed: share/tolvane/ beside the program's bin/ folder (found relative to the
//     program, so an installed tree may move);
//  2. the folder named by the environment variable TOLVANE_HELP_DIR (set by scripts/run and
//     the tests for programs run from the build folder);
//  3. the folder named on the first line of the file tolvane-help-dir beside the program,
//     which the build writes next to the program in its build folder and never installs.
// No path is built into the program, so builds in different folders give the same program.
// Empty when no place holds the page.
QString HelpPagePath();
QString HelpPagePathFor(const QString& programDir);

}  // namespace tolvane
