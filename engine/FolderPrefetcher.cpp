#include "FolderPrefetcher.h"

#include <fcntl.h>

namespace tolvane {

namespace {

constexpr size_t kThreads = 4;
constexpr size_t kMostWaiting = 64;
constexpr size_t kBufferSize = size_t{32} << 10;  // as much as the walk's listing reads at once
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;

}  // namespace

FolderPrefetcher::FolderPrefetcher(FileSystem& files) : m_files(files), m_pool(kThreads) {
    for (size_t i = 0; i < m_pool.Size(); ++i) {
        m_buffers.push_back(std::make_unique_for_overwrite<char[]>(kBufferSize));
    }
}

FolderPrefetcher::~FolderPrefetcher() {
    m_closing.store(true, std::memory_order_relaxed);
}

void FolderPrefetcher::Prefetch(std::shared_ptr<DirectoryHandle> source,
                                std::shared_ptr<DirectoryHandle> target, std::string name) {
    if (m_pool.Size() == 0 || m_waiting.load(std::memory_order_relaxed) >= kMostWaiting) {
        return;
    }
    m_waiting.fetch_add(1, std::memory_order_relaxed);
    m_pool.Submit([this, source = std::move(source), target = std::move(target),
                   name = std::move(name)](size_t worker) {
        if (!m_closing.load(std::memory_order_relaxed)) {
            Read(worker, source->Fd(), target ? target->Fd() : -1, name.c_str());
        }
        m_waiting.fetch_sub(1, std::memory_order_relaxed);
    });
}

void FolderPrefetcher::Read(size_t worker, int sourceFd, int targetFd, const char* name) {
    const int fd = m_files.Open(sourceFd, name, kDirectoryFlags);
    if (fd >= 0) {
        m_files.ReadDirectory(fd, m_buffers[worker].get(), kBufferSize);
        m_files.Close(fd);
    }
    if (targetFd >= 0) {
        const int target = m_files.Open(targetFd, name, kDirectoryFlags);
        if (target >= 0) {
            m_files.Close(target);
        }
    }
}

}  // namespace tolvane
