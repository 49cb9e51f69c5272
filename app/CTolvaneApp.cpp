#include "CTolvaneApp.h"

#include "CTolvaneDlg.h"

namespace tolvane {

CTolvaneApp::CTolvaneApp(int& argc, char** argv) : QApplication(argc, argv) {}

bool CTolvaneApp::InitInstance() {
    CTolvaneDlg dialog(nullptr);
    dialog.exec();
    return false;
}

}  // namespace tolvane
