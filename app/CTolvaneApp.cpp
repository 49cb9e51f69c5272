#include "CTolvaneApp.h"

#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "CTolvaneDlg.h"
#include "Translations.h"
#include "Version.h"

namespace tolvane {

namespace {

constexpr int kUsageError = 2;

void PrintHelp(const char* program) {
    std::printf(
        "Usage: %s [OPTION]... [SOURCE [TARGET]]\n"
        "Open the Tolvane window, which brings a target folder tree up to date from a\n"
        "source folder tree. SOURCE and TARGET, when given, fill in the window's two\n"
        "folders; the update starts only when the run button is pressed.\n"
        "\n"
        "  -h, --help     display this help and exit\n"
        "  -V, --version  output version information and exit\n"
        "\n"
        "F1 in the window opens its help page. tolvane-update(1) does the same update\n"
        "from the command line.\n",
        program);
}

void PrintVersion() {
    std::printf("tolvane (%s) %s\n%s\n", version::kProductName, version::kVersion,
                version::kLicense);
}

void PrintTryHelp(const char* program) {
    std::fprintf(stderr, "Try '%s --help' for more information.\n", program);
}

// 0 when everything printed reached stdout; else says so and returns 1 (a full disk, say).
int StdoutStatus(const char* program) {
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) {
        return 0;
    }
    std::fprintf(stderr, "%s: write error: %s\n", program, std::strerror(errno));
    return 1;
}

// An absolute path ending with '/', as the folder picker returns folders. Without a working
// folder to resolve it against, a relative path is kept as given.
std::string FolderPath(const char* argument) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(argument, error);
    std::string path = error ? std::string(argument) : absolute.string();
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path;
}

}  // namespace

std::optional<int> ReadCommandLine(int argc, char** argv, StartFolders& folders) {
    static const option kOptions[] = {{"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'V'},
                                      {nullptr, 0, nullptr, 0}};
    const char* program = argv[0];
    for (int option; (option = getopt_long(argc, argv, "hV", kOptions, nullptr)) != -1;) {
        switch (option) {
            case 'h':
                PrintHelp(program);
                return StdoutStatus(program);
            case 'V':
                PrintVersion();
                return StdoutStatus(program);
            default:  // getopt_long has said what was wrong.
                PrintTryHelp(program);
                return kUsageError;
        }
    }
    if (argc - optind > 2) {
        std::fprintf(stderr, "%s: extra operand '%s'\n", program, argv[optind + 2]);
        PrintTryHelp(program);
        return kUsageError;
    }
    if (optind < argc) {
        folders.source = FolderPath(argv[optind]);
    }
    if (optind + 1 < argc) {
        folders.target = FolderPath(argv[optind + 1]);
    }
    return std::nullopt;
}

CTolvaneApp::CTolvaneApp(int& argc, char** argv, StartFolders folders)
    : QApplication(argc, argv), m_folders(std::move(folders)) {}

bool CTolvaneApp::InitInstance() {
    InstallTranslations(*this);
    CTolvaneDlg dialog(nullptr);
    if (!m_folders.source.empty()) {
        dialog.SetFolders(m_folders.source, m_folders.target);
    }
    dialog.exec();
    return false;
}

}  // namespace tolvane
