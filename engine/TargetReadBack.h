#pragma once

#include <sys/types.h>

#include "ContentComparer.h"
#include "FileSystem.h"

namespace tolvane {

// Compares a target file with its source, reading the target from the storage and not from
// the page cache that its copy filled: a stick that accepted writes it did not keep (fake
// capacity, worn flash, a flaky bridge) would otherwise read back as what was written.
//
// The target's data is flushed (fdatasync) and its cached pages dropped
// (POSIX_FADV_DONTNEED); mincore over a read-only mapping then shows that none is left, so
// every byte read next comes from the storage. Where pages stay (another process maps the
// file), the target is read with O_DIRECT instead, where its file system takes that. On
// tmpfs and ramfs the memory is the storage, and the file is read as it is.
class TargetReadBack {
  public:
    TargetReadBack(FileSystem& files, ContentComparer::AbandonQuery abandon);

    // Compares name in targetDir, read from the storage, with name in sourceDir. Returns 0
    // with equal set, or an errno value: ECANCELED when abandoned, and the error of the
    // O_DIRECT open where the cached pages would not go.
    int Compare(int sourceDir, int targetDir, const char* name, bool& equal);

  private:
    int OpenFromStorage(int targetDir, const char* name, bool& direct);
    bool CacheDropped(int fd, off_t size, bool flush);

    bool InMemory(int fd, dev_t device);

    FileSystem& m_files;
    ContentComparer m_comparer;
    dev_t m_device = 0;  // the device last asked about, and whether memory is its storage
    bool m_deviceKnown = false;
    bool m_deviceInMemory = false;
};

}  // namespace tolvane
