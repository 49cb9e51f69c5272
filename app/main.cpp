#include "CTolvaneApp.h"

int main(int argc, char** argv) {
    tolvane::StartFolders folders;
    if (const std::optional<int> status = tolvane::ReadCommandLine(argc, argv, folders)) {
        return *status;
    }
    tolvane::CTolvaneApp app(argc, argv, std::move(folders));
    app.InitInstance();
    return 0;
}
