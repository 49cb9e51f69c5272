#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "DirectoryHandle.h"
#include "FileSystem.h"
#include "WorkerPool.h"

namespace tolvane {

// Reads folders that the walk will list soon, on threads of their own, so that the disk has
// their blocks in flight at once. On a cold cache the walk lists one folder at a time, and
// each listing waits on the disk two or three times: that wait, not the files, bounds a run.
class FolderPrefetcher {
  public:
    explicit FolderPrefetcher(FileSystem& files);
    FolderPrefetcher(const FolderPrefetcher&) = delete;
    FolderPrefetcher& operator=(const FolderPrefetcher&) = delete;
    // Drops the readings not yet started.
    ~FolderPrefetcher();

    // Reads the first part of the listing of folder name in source, and opens name in target
    // (null when there is none), unless many readings wait already. Nothing is changed and
    // nothing is reported: the walk reads the folder again, from the cache.
    void Prefetch(std::shared_ptr<DirectoryHandle> source, std::shared_ptr<DirectoryHandle> target,
                  std::string name);

  private:
    void Read(size_t worker, int sourceFd, int targetFd, const char* name);

    FileSystem& m_files;
    std::atomic<size_t> m_waiting{0};
    std::atomic<bool> m_closing{false};
    std::vector<std::unique_ptr<char[]>> m_buffers;  // one per thread
    WorkerPool m_pool;                               // last: its threads end before the rest goes
};

}  // namespace tolvane
