#include "TargetNames.h"

#include <fcntl.h>

#include <cstring>

#include "DirectoryReader.h"

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
    // A descriptor of its own: listing moves the descriptor's position.
    const int fd = files.Open(folderFd, ".", O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return;
    }
    DirectoryReader reader(files, fd);
    const char* name = nullptr;
    unsigned char type = 0;
    while (reader.Next(name, type) == 0 && name != nullptr) {
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
            m_byFolded.emplace(Folded(name), name);
        }
    }
    files.Close(fd);
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
