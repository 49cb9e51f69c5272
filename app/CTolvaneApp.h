#pragma once

#include <QApplication>

namespace tolvane {

// The application: runs the main window modally and lets the process end when it closes.
// There is no command line of its own, no settings and no single-instance lock; every start
// begins with the window's defaults.
class CTolvaneApp : public QApplication {
    Q_OBJECT

public:
    CTolvaneApp(int& argc, char** argv);

    // Runs the main window until it closes. Always returns false: there is no message loop
    // to run after it.
    bool InitInstance();
};

}  // namespace tolvane
