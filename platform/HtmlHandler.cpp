#include "HtmlHandler.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace tolvane {

namespace {

constexpr const char* kHtmlType = "text/html";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// An XDG folder variable, or fallback when it is unset or empty.
std::string FolderVariable(const char* name, const std::string& fallback) {
    const std::string value = Environment(name);
    return value.empty() ? fallback : value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            parts.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The folder list that starts with home and goes on with the colon-separated dirs.
std::vector<std::string> FolderList(const std::string& home, const std::string& dirs) {
    std::vector<std::string> folders{home};
    for (const std::string& folder : Split(dirs, ':')) {
        folders.push_back(folder);
    }
    return folders;
}

std::vector<std::string> ConfigFolders() {
    const std::string home = Environment("HOME");
    return FolderList(FolderVariable("XDG_CONFIG_HOME", home + "/.config"),
                      FolderVariable("XDG_CONFIG_DIRS", "/etc/xdg"));
}

std::vector<std::string> ApplicationFolders() {
    const std::string home = Environment("HOME");
    std::vector<std::string> folders =
        FolderList(FolderVariable("XDG_DATA_HOME", home + "/.local/share"),
                   FolderVariable("XDG_DATA_DIRS", "/usr/local/share:/usr/share"));
    for (std::string& folder : folders) {
        folder += "/applications";
    }
    return folders;
}

// The mimeapps.list files in order of precedence: in each folder, the ones named after the
// current desktops first, then the plain one; the configuration folders before the data ones.
std::vector<std::string> MimeAppsFiles() {
    std::vector<std::string> desktops;
    for (std::string desktop : Split(Environment("XDG_CURRENT_DESKTOP"), ':')) {
        for (char& c : desktop) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        desktops.push_back(desktop);
    }
    std::vector<std::string> folders = ConfigFolders();
    for (const std::string& folder : ApplicationFolders()) {
        folders.push_back(folder);
    }
    std::vector<std::string> files;
    for (const std::string& folder : folders) {
        for (const std::string& desktop : desktops) {
            files.push_back(folder + "/" + desktop + "-mimeapps.list");
        }
        files.push_back(folder + "/mimeapps.list");
    }
    return files;
}

// The value of key in group of a desktop-entry style file, trimmed; empty when absent.
std::optional<std::string> ReadKey(const std::string& path, const std::string& group,
                                   const std::string& key) {
    std::ifstream file(path);
    std::string line;
    bool inGroup = false;
    while (std::getline(file, line)) {
        line = Trim(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inGroup && equals != std::string::npos && Trim(line.substr(0, equals)) == key) {
            return Trim(line.substr(equals + 1));
        }
    }
    return std::nullopt;
}

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The .desktop file of a desktop-file id. An id stands for a path below an applications
// folder with its '/' written as '-', so "kde-foo.desktop" may also be "kde/foo.desktop".
std::optional<std::string> FindDesktopFile(const std::string& desktopId) {
    if (desktopId.empty() || desktopId.find('/') != std::string::npos) {
        return std::nullopt;
    }
    for (const std::string& folder : ApplicationFolders()) {
        std::string relative = desktopId;
        for (;;) {
            const std::string candidate = folder + "/" + relative;
            if (IsRegularFile(candidate)) {
                return candidate;
            }
            const std::size_t dash = relative.find('-');
            if (dash == std::string::npos) {
                break;
            }
            relative[dash] = '/';
        }
    }
    return std::nullopt;
}

// Undoes the escapes of a desktop-entry string value: \s \n \t \r and \\.
std::string Unescape(std::string_view value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                result += ' ';
                break;
            case 'n':
                result += '\n';
                break;
            case 't':
                result += '\t';
                break;
            case 'r':
                result += '\r';
                break;
            default:
                result += '\\';
                result += value[i];
                break;
        }
    }
    return result;
}

}  // namespace

std::optional<std::string> DefaultHtmlHandler() {
    for (const std::string& file : MimeAppsFiles()) {
        const std::optional<std::string> list = ReadKey(file, "Default Applications", kHtmlType);
        if (!list) {
            continue;
        }
        for (const std::string& id : Split(*list, ';')) {
            const std::string trimmed = Trim(id);
            if (FindDesktopFile(trimmed)) {
                return trimmed;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> HandlerOpenCommand(const std::string& desktopId) {
    const std::optional<std::string> file = FindDesktopFile(desktopId);
    if (!file) {
        return std::nullopt;
    }
    const std::optional<std::string> exec = ReadKey(*file, "Desktop Entry", "Exec");
    if (!exec || exec->empty()) {
        return std::nullopt;
    }
    return OpenCommandFromExec(Unescape(*exec));
}

std::string OpenCommandFromExec(std::string_view exec) {
    std::string command;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] != '%' || i + 1 == exec.size()) {
            command += exec[i];
            continue;
        }
        const char code = exec[++i];
        if (code == 'u' || code == 'U' || code == 'f' || code == 'F') {
            command += "\"%1\"";
        } else if (code == '%') {
            command += '%';
        }
        // Every other field code (%i, %c, %k and the deprecated ones) is dropped.
    }
    return command;
}

}  // namespace tolvane
