#pragma once

#include <string>

namespace tolvane {

// Creates every missing folder of path up to its last '/', with mode 0777 before the umask,
// as "make sure this directory path exists" does: "a/b/c" creates a and a/b, "a/b/c/" also c.
// Returns 0 when every folder on the way exists afterwards, else the errno of the first
// folder that could not be created.
int MakeDirectoryPath(const std::string& path);

}  // namespace tolvane
