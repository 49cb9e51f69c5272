// Opens the folder picker the way the main window does and prints what it returns, for
// trying it by hand: picker_harness [--folders-only] [initial-folder]
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "MessageBoxCodes.h"
#include "SelectFolderDialog.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    bool showFiles = true;
    std::string initialFolder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--folders-only") == 0) {
            showFiles = false;
        } else {
            initialFolder = argv[i];
        }
    }
    tolvane::CSelectFolderDialog picker(showFiles, initialFolder,
                                        showFiles ? "All Files(*.*)|*.*||" : nullptr, nullptr);
    if (picker.DoModal() != tolvane::IDOK) {
        std::puts("cancelled");
        return 1;
    }
    std::printf("%s\n", picker.GetSelectedPath().c_str());
    return 0;
}
