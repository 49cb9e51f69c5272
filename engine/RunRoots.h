#pragma once

#include <sys/stat.h>

#include <string>

#include "FileSystem.h"
#include "UpdateRequest.h"
#include "WalkReport.h"

namespace tolvane {

// The two roots of one run, checked, opened and locked. Every check that can refuse the pair
// runs before anything is created, so a refused run has changed nothing on disk. While the
// object lives, it holds an exclusive advisory lock on both root folders: a second run that
// meets either root locked is refused.
class RunRoots {
  public:
    explicit RunRoots(FileSystem& files) : m_files(files) {}
    RunRoots(const RunRoots&) = delete;
    RunRoots& operator=(const RunRoots&) = delete;
    ~RunRoots();

    // Opens both roots, creating a missing target with its missing parents (in a dry run it
    // is only checked that it could be). Returns None, or why the pair is refused with the
    // errno behind it in error.
    RootRefusal Open(const UpdateRequest& request, int& error);

    // Descriptors owned by this object; the target's is -1 when a dry run met no target.
    int SourceFd() const { return m_sourceFd; }
    int TargetFd() const { return m_targetFd; }
    const struct stat& Source() const { return m_source; }
    const struct stat& Target() const { return m_target; }
    // True when this run created the target root.
    bool MadeTarget() const { return m_madeTarget; }

  private:
    RootRefusal OpenSource(const std::string& path, int& error);
    RootRefusal OpenTarget(const std::string& path, bool dryRun, int& error);
    RootRefusal CreateTarget(const std::string& path, bool dryRun, int& error);
    int Lock(int fd);

    FileSystem& m_files;
    int m_sourceFd = -1;
    int m_targetFd = -1;
    struct stat m_source {};
    struct stat m_target {};
    bool m_madeTarget = false;
};

}  // namespace tolvane
