#include "CTolvaneApp.h"

#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
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
        "Qt's own options, such as -style, -platform and -reverse, are passed to Qt.\n"
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

// Qt's own options, which QApplication reads: those marked take a value, as the next argument
// or after '='. Qt also takes them with two dashes.
struct QtOption {
    std::string_view name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"-style", true},           {"-stylesheet", true},
    {"-platform", true},        {"-platformpluginpath", true},
    {"-platformtheme", true},   {"-plugin", true},
    {"-qwindowgeometry", true}, {"-qwindowicon", true},
    {"-qwindowtitle", true},    {"-geometry", true},
    {"-display", true},         {"-session", true},
    {"-qmljsdebugger", true},   {"-widgetcount", false},
    {"-reverse", false},        {"-nograb", false},
    {"-dograb", false},         {"-sync", false},
};

// The Qt option that argument names, alone or with "=value"; null when it names none.
const QtOption* FindQtOption(std::string_view argument) {
    if (argument.starts_with("--")) {
        argument.remove_prefix(1);
    }
    const std::string_view name = argument.substr(0, argument.find('='));
    for (const QtOption& option : kQtOptions) {
        if (option.name == name && (option.takesValue || name.size() == argument.size())) {
            return &option;
        }
    }
    return nullptr;
}

// Moves Qt's own options (with their values) from arguments to qtArguments, which keeps the
// program name first. Options after "--" are operands. False, after saying so, when an option
// lacks its value.
bool SeparateQtOptions(std::vector<char*>& arguments, std::vector<char*>& qtArguments) {
    std::vector<char*> ours{arguments.front()};
    qtArguments = {arguments.front()};
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--") {
            ours.insert(ours.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.end());
            break;
        }
        const QtOption* option = FindQtOption(argument);
        if (option == nullptr) {
            ours.push_back(arguments[i]);
            continue;
        }
        qtArguments.push_back(arguments[i]);
        if (option->takesValue && argument.find('=') == std::string_view::npos) {
            if (++i == arguments.size()) {
                std::fprintf(stderr, "%s: option '%s' requires an argument\n", arguments.front(),
                             arguments[i - 1]);
                return false;
            }
            qtArguments.push_back(arguments[i]);
        }
    }
    arguments = std::move(ours);
    return true;
}

}  // namespace

std::optional<int> ReadCommandLine(int argc, char** argv, StartFolders& folders,
                                   std::vector<char*>& qtArguments) {
    static const option kOptions[] = {{"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'V'},
                                      {nullptr, 0, nullptr, 0}};
    const char* program = argv[0];
    std::vector<char*> arguments(argv, argv + argc);
    if (!SeparateQtOptions(arguments, qtArguments)) {
        PrintTryHelp(program);
        return kUsageError;
    }
    argc = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    argv = arguments.data();
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
    // A file manager passes every folder dropped on the menu entry: the window still opens.
    for (int extra = optind + 2; extra < argc; ++extra) {
        std::fprintf(stderr, "%s: ignoring extra operand '%s'\n", program, argv[extra]);
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
