#include "FolderOkStep.h"

#include <unistd.h>

#include <QCoreApplication>

#include <climits>

#include "MessageBoxCodes.h"

namespace tolvane {

namespace {

// The longest accepted folder, its trailing '/' included, that still fits a path buffer
// with its terminator.
constexpr size_t kMaxFolderBytes = PATH_MAX - 1;

// Two separators in a row are refused: the folder would be spelt in more than one way.
// An embedded NUL would make the file system see a shorter path than the one accepted.
bool IsRefusedText(const std::string& text) {
    return text.empty() || text.find("//") != std::string::npos ||
           text.find('\0') != std::string::npos;
}

std::string WithTrailingSeparator(const std::string& folder) {
    return folder == "/" ? folder : folder + '/';
}

// The messages, in the picker's translation context.
const char* const kInvalidFolder =
    QT_TRANSLATE_NOOP("tolvane::CSelectFolderDialog", "Invalid Folder");
const char* const kCreateQuestion = QT_TRANSLATE_NOOP(
    "tolvane::CSelectFolderDialog", "\n\nThis path does not exist. Do you want to create it?");
const char* const kCannotCreate =
    QT_TRANSLATE_NOOP("tolvane::CSelectFolderDialog", "Could not create folder:\n");

// A message in the user's language, as UTF-8 bytes that a path's bytes can be joined to.
std::string Tr(const char* text) {
    return QCoreApplication::translate("tolvane::CSelectFolderDialog", text).toStdString();
}

}  // namespace

std::string ExpandHomeFolder(const std::string& text, const std::string& home) {
    if (text == "~" || text.starts_with("~/")) {
        return home + text.substr(1);
    }
    return text;
}

bool PathExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

std::optional<std::string> RunFolderOkStep(const std::string& fieldText,
                                           const std::string& currentFolder,
                                           const FolderOkServices& services) {
    std::string folder = fieldText.empty() ? currentFolder : fieldText;
    if (IsRefusedText(folder)) {
        services.messageBox(Tr(kInvalidFolder), MB_OK | MB_ICONHAND);
        return std::nullopt;
    }
    // One trailing separator is allowed and dropped; the root keeps its only one.
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    const std::string accepted = WithTrailingSeparator(folder);
    if (accepted.size() > kMaxFolderBytes) {
        services.messageBox(Tr(kInvalidFolder), MB_OK | MB_ICONHAND);
        return std::nullopt;
    }
    if (!services.exists(folder)) {
        const int answer =
            services.messageBox(folder + Tr(kCreateQuestion), MB_YESNO | MB_ICONQUESTION);
        if (answer == IDCANCEL) {
            return std::nullopt;
        }
        if (answer == IDYES) {
            // Whether the creation worked is judged by the folder being there afterwards.
            services.makeDirectoryPath(accepted);
            if (!services.exists(folder)) {
                services.messageBox(Tr(kCannotCreate) + folder, MB_OK | MB_ICONEXCLAMATION);
                return std::nullopt;
            }
        }
    }
    return accepted;
}

}  // namespace tolvane
