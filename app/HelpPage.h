#pragma once

#include <QString>

class QWidget;

namespace tolvane {

// The program's help page: an HTML page installed beside the program (help/tolvane.html),
// or the one in the source tree for a program run from its build folder.
class HelpPage {
public:
    // The page's path, or an empty string when neither place holds it.
    static QString Path();
    // Opens the page with the desktop's handler; says so in a message box when it cannot.
    static void Show(QWidget* parent);
};

}  // namespace tolvane
