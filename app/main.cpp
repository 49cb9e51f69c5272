#include "CTolvaneApp.h"

int main(int argc, char** argv) {
    tolvane::StartFolders folders;
    std::vector<char*> qtArguments;
    if (const std::optional<int> status =
            tolvane::ReadCommandLine(argc, argv, folders, qtArguments)) {
        return *status;
    }
    // QApplication sees only its own options, so a folder named like one stays a folder.
    int qtArgc = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    tolvane::CTolvaneApp app(qtArgc, qtArguments.data(), std::move(folders));
    app.InitInstance();
    return 0;
}
