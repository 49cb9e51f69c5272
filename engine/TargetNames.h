#pragma once

#include <string>
#include <unordered_map>

#include "FileSystem.h"

namespace tolvane {

// The names of one target folder that does not tell case apart, so that a source name is
// only ever matched with a target entry of exactly its spelling. Holds the folder's entries
// and the names this run gave it, keyed by their case-folded form.
class TargetNames {
  public:
    // Lists the folder folderFd (the descriptor stays the caller's).
    TargetNames(FileSystem& files, int folderFd);

    // Claims name for a source entry. found says whether the target folder answered to the
    // name. Returns an empty string when the name is the entry's own, else the spelling it
    // is confused with (or "another spelling" when the folder matched a name it never listed).
    std::string Claim(const std::string& name, bool found);

  private:
    std::unordered_map<std::string, std::string> m_byFolded;
};

}  // namespace tolvane
