#pragma once

#include <QString>

class QWidget;

namespace tolvane {

// The program's help page, tolvane.html: where it is installed (share/tolvane/ beside the
// program's bin/ folder), or, for a program run from its build folder, the source tree's copy
// that the run time names (see HelpPageLocation.h).
class HelpPage {
  public:
    // The page's path for this program, or an empty string when no place holds it.
    static QString Path();
    // The same for a program in programDir.
    static QString PathFor(const QString& programDir);
    // Opens the page with the desktop's handler; says so in a message box when it cannot.
    static void Show(QWidget* parent);
};

}  // namespace tolvane
