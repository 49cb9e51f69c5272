#pragma once

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DirectoryHandle.h"
#include "FileUpdater.h"
#include "WorkerPool.h"

namespace tolvane {

// Updates regular files on worker threads and hands what happened back to the walk's thread
// in the order the files were submitted, so that reports and counts come out exactly as a
// sequential walk gives them. Storage where each request waits on a round trip (a network
// share, a FUSE file system, a cold disk) then serves many requests at once.
class FileQueue {
  public:
    // One submitted file: its job, and, once done, what the rule did to it.
    struct Entry : FileReport {
        struct Item {
            enum class Kind { Action, Failure, Deletion, ReadBack, AttributesDropped };
            Kind kind = Kind::Action;
            WalkAction action = WalkAction::Skip;
            FailedOperation operation = FailedOperation::Copy;
            int error = 0;
            std::string reason;
            std::uint64_t bytes = 0;
            std::uint64_t resumed = 0;
            struct stat source {};
            struct stat target {};
            std::string linkText;  // of a link to delete
            bool written = false;  // of a read-back: this run wrote the target
        };

        void Action(WalkAction action, std::string_view reason, std::uint64_t bytes,
                    std::uint64_t resumed) override;
        void Failure(FailedOperation operation, int error, std::string_view reason) override;
        void Deletion(const struct stat& source, const struct stat& target) override;
        void ReadBack(const struct stat& source, const struct stat& target, bool written) override;
        void AttributesDropped() override;

        std::string name;
        std::string sourcePath;  // whole paths, as the walk had them for this entry
        std::string targetPath;
        // The entry's folders, kept open until it is reported; targetDir is null when the
        // target folder does not exist (only in a dry run).
        std::shared_ptr<DirectoryHandle> sourceDir;
        std::shared_ptr<DirectoryHandle> targetDir;
        FileJob job;              // job.source is read by the worker
        bool walkRecord = false;  // what the walk itself did, with nothing for a worker
        int statError = 0;        // the source could not be read (errno)
        bool regular = false;     // the source was still a regular file when read
        std::vector<Item> items;
        std::atomic<int> worker{-1};  // the worker that took it, once one has
        bool done = false;            // guarded by the queue's lock
    };

    // abandon is asked on the workers, between the chunks of their copies and comparisons.
    // inFolderOrder: workers take files in the order they were submitted, as a disk that
    // seeks wants them, instead of spreading over folders.
    FileQueue(size_t workers, const UpdateRequest& request, FileSystem& files,
              std::function<bool()> abandon, PartialIndex* partials, bool inFolderOrder = false);

    size_t Workers() const { return m_pool.Size(); }

    // Queues name (whose job holds everything but the source's status) for a worker.
    void Submit(const FileJob& job, const char* name, const std::string& sourcePath,
                const std::string& targetPath, const std::shared_ptr<DirectoryHandle>& sourceDir,
                const std::shared_ptr<DirectoryHandle>& targetDir);

    // Queues what the walk itself did to the entry at sourcePath, to be reported after the
    // files before it; the caller fills in its items.
    Entry& Record(const std::string& sourcePath, const std::string& targetPath);

    bool Empty() const { return m_entries.empty(); }

    // Hands the finished entries to replay, oldest first, waiting for the oldest while more
    // than keep are queued. While it waits, poll is called a few times a second with the
    // oldest entry, the bytes of the file its copy holds so far, and how many of them an
    // earlier run wrote.
    using Poll = std::function<void(const Entry&, std::uint64_t written, std::uint64_t resumed)>;
    void Settle(size_t keep, const std::function<void(Entry&)>& replay, const Poll& poll);

  private:
    void RunNext(size_t worker);
    void Run(Entry& entry, size_t worker);

    // The submitted files of one target folder that no worker has taken yet, and how many
    // of the folder's files workers have in hand.
    struct Group {
        const DirectoryHandle* folder;
        std::deque<Entry*> entries;
        int running;
    };

    FileSystem& m_files;
    std::function<bool()> m_abandon;
    const bool m_inFolderOrder;
    std::vector<std::unique_ptr<std::atomic<std::uint64_t>>> m_written;  // per worker
    std::vector<std::unique_ptr<std::atomic<std::uint64_t>>> m_resumed;  // per worker
    std::vector<std::unique_ptr<FileUpdater>> m_updaters;                // per worker
    std::deque<std::unique_ptr<Entry>> m_entries;  // the walk's thread's alone
    std::mutex m_lock;
    std::list<Group> m_waiting;  // guarded by m_lock, oldest folder first
    std::condition_variable m_doneChanged;
    size_t m_submitted = 0;                                // the walk's thread's alone
    size_t m_doneCount = 0;                                // guarded by m_lock
    size_t m_wakeAt = std::numeric_limits<size_t>::max();  // guarded by m_lock: a done count
    WorkerPool m_pool;  // last: its threads end before the members they use
};

}  // namespace tolvane
