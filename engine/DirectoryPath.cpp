#include "DirectoryPath.h"

#include <sys/stat.h>

#include <cerrno>

namespace tolvane {

int MakeDirectoryPath(const std::string& path) {
    std::string prefix;
    prefix.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/' && i > 0 && path[i - 1] != '/') {
            if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
                return errno;
            }
            struct stat st {};
            if (::stat(prefix.c_str(), &st) != 0) {
                return errno;
            }
            if (!S_ISDIR(st.st_mode)) {
                return ENOTDIR;
            }
        }
        prefix.push_back(path[i]);
    }
    return 0;
}

}  // namespace tolvane
