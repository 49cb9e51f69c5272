#include "CTolvaneApp.h"

int main(int argc, char** argv) {
    tolvane::CTolvaneApp app(argc, argv);
    app.InitInstance();
    return 0;
}
