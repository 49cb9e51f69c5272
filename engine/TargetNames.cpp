#include "TargetNames.h"

#include <dirent.h>
#include <fcntl.h>

#include <cstring>

namespace tolvane {

namespace {

// ASCII case folding: what every such file system agrees on. A name that folds otherwise
// (accented letters) is still caught when the folder answers to a spelling it never listed.
std::string Folded(const std::string& name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

}  // namespace

TargetNames::TargetNames(FileSystem& files, int folderFd) {
    const int fd = files.Open(folderFd, ".", O_RDONLY | O_DIRECTORY);
    DIR* dir = nullptr;
    if (fd < 0 || files.OpenDirStream(fd, dir) != 0) {
        if (fd >= 0) {
            files.Close(fd);
        }
        return;
    }
    const dirent* entry = nullptr;
    while (files.ReadDir(dir, entry) == 0 && entry != nullptr) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            m_byFolded.emplace(Folded(entry->d_name), entry->d_name);
        }
    }
    files.CloseDirStream(dir);
}

std::string TargetNames::Claim(const std::string& name, bool found) {
    const auto [it, inserted] = m_byFolded.emplace(Folded(name), name);
    if (!inserted) {
        return it->second == name ? std::string() : it->second;
    }
    if (found) {
        m_byFolded.erase(it);
        return "another spelling";
    }
    return {};
}

}  // namespace tolvane
