#pragma once

#include <string>

#include "FileSystem.h"

namespace tolvane {

// Learns from a target folder itself what its file system's type does not tell: whether it
// matches names without regard to case, and how finely it keeps modification times. Where
// the folder may be written, an entry of this program's own is made, asked and removed;
// where not (a dry run, a read-only target), an entry already there is looked up with its
// case changed.
class FileSystemProbe {
  public:
    struct Findings {
        bool caseInsensitive = false;
        long timePrecisionNs = 1;  // 1 when the folder could not tell
    };

    FileSystemProbe(FileSystem& files, int folderFd) : m_files(files), m_folderFd(folderFd) {}

    // Asks the folder, making an entry in it only when mayCreate. A folder that can tell
    // nothing is taken to ignore case, the side on which no two names are ever merged.
    Findings Run(bool mayCreate);

    // The name of the probe's entry, which the walk treats as one of this program's own
    // temporary names.
    static const char* EntryName();

  private:
    int ProbeWithOwnEntry(Findings& findings);
    bool ProbeWithExistingEntry(Findings& findings);
    long ObservedTimePrecision(int fd);

    FileSystem& m_files;
    int m_folderFd;
};

// name with its ASCII letters in the other case.
std::string WithCaseSwapped(const char* name);

}  // namespace tolvane
