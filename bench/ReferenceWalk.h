#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tolvane::bench {

// The least work the update rule needs, as a yardstick for the real walk: a depth-first walk
// relative to open directory descriptors that mirrors every folder and copies a file when
// the target copy is missing or shorter (contents by copy_file_range, then permission bits
// and modification time). With deletion on, the target file system is flushed with one
// syncfs and each source file is deleted after a status check of both copies.
// It reports nothing per entry, keeps no whole paths and polls no stop flag.
class ReferenceWalk {
  public:
    explicit ReferenceWalk(bool deleteFromSource) : m_deleteFromSource(deleteFromSource) {}
    ~ReferenceWalk();

    // Returns 0 when every entry was handled, 1 otherwise.
    int Run(const char* source, const char* target);

    std::uint64_t Copies() const { return m_copies; }
    std::uint64_t Deletions() const { return m_deletions; }
    std::uint64_t Failures() const { return m_failures; }

  private:
    // A source file to delete once the target has reached the disk.
    struct Pending {
        size_t folder;  // index into m_folders
        std::string name;
        off_t size;
        timespec modified;
    };
    // A folder pair kept open for the deletion pass.
    struct FolderPair {
        int sourceFd;
        int targetFd;
    };

    void Walk(int sourceFd, int targetFd);
    void Directory(int sourceFd, int targetFd, const char* name);
    void File(int sourceFd, int targetFd, const char* name, size_t& folder);
    bool Copy(int sourceFd, int targetFd, const char* name, const struct stat& source,
              bool targetExists);
    void DeletePending(int targetRootFd);

    const bool m_deleteFromSource;
    std::uint64_t m_copies = 0;
    std::uint64_t m_deletions = 0;
    std::uint64_t m_failures = 0;
    std::vector<FolderPair> m_folders;
    std::vector<Pending> m_pending;
};

}  // namespace tolvane::bench
