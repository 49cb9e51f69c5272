#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tolvane {

// What the OK step needs from outside: the file system and a way to ask and tell the user.
// Paths are the file system's bytes.
struct FolderOkServices {
    std::function<bool(const std::string& path)> exists;
    // Creates every missing folder of path up to its last '/'.
    std::function<void(const std::string& path)> makeDirectoryPath;
    // Shows text in a modal box of the given MB_* type and returns IDOK, IDYES, IDNO or,
    // for a question put aside, IDCANCEL.
    std::function<int(const std::string& text, unsigned type)> messageBox;
};

// True when path names an existing file or folder (access with F_OK).
bool PathExists(const std::string& path);

// text with a leading "~" (alone or before a '/') standing for home, the user's home folder.
// Any other text, "~user" among them, is returned unchanged.
std::string ExpandHomeFolder(const std::string& text, const std::string& home);

// Checks the text of the folder field when the user presses OK. An empty text stands for
// currentFolder, the folder the dialog shows ("" when that place has no file-system path).
// A missing folder is offered for creation. Returns the accepted folder ending in exactly
// one '/', or nothing when the dialog must stay open: the user has then been told why, or put
// the creation question aside (IDCANCEL), which creates and chooses nothing.
std::optional<std::string> RunFolderOkStep(const std::string& fieldText,
                                           const std::string& currentFolder,
                                           const FolderOkServices& services);

}  // namespace tolvane
