#pragma once

#include <QApplication>
#include <optional>
#include <string>
#include <vector>

namespace tolvane {

// The folders named on the command line, `tolvane [SOURCE [TARGET]]`; empty when not given.
struct StartFolders {
    std::string source;
    std::string target;
};

// Reads the command line before any window or QApplication exists, so that --help, --version
// and usage errors work without a display. Prints what they ask for and returns the exit
// status (0, or 2 for a usage error); returns nothing when the window should open, with the
// named folders in `folders` as absolute paths ending with '/', as the folder picker gives them,
// and in `qtArguments` the program name and Qt's own options (-style, -platform...) for
// QApplication. Folders beyond the second are ignored with a warning.
std::optional<int> ReadCommandLine(int argc, char** argv, StartFolders& folders,
                                   std::vector<char*>& qtArguments);

// The application: runs the main window modally and lets the process end when it closes.
// There are no settings and no single-instance lock; every start begins with the window's
// defaults and the folders from the command line.
class CTolvaneApp : public QApplication {
    Q_OBJECT

  public:
    CTolvaneApp(int& argc, char** argv, StartFolders folders);

    // Runs the main window until it closes. Always returns false: there is no message loop
    // to run after it.
    bool InitInstance();

  private:
    StartFolders m_folders;
};

}  // namespace tolvane
