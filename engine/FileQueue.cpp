#include "FileQueue.h"

#include <algorithm>
#include <cerrno>

namespace tolvane {

void FileQueue::Entry::Action(WalkAction action, std::string_view reason, std::uint64_t bytes,
                              std::uint64_t resumed) {
    Item item;
    item.kind = Item::Kind::Action;
    item.action = action;
    item.reason = reason;
    item.bytes = bytes;
    item.resumed = resumed;
    items.push_back(std::move(item));
}

void FileQueue::Entry::Failure(FailedOperation operation, int error, std::string_view reason) {
    Item item;
    item.kind = Item::Kind::Failure;
    item.operation = operation;
    item.error = error;
    item.reason = reason;
    items.push_back(std::move(item));
}

void FileQueue::Entry::Deletion(const struct stat& source, const struct stat& target) {
    Item item;
    item.kind = Item::Kind::Deletion;
    item.source = source;
    item.target = target;
    items.push_back(std::move(item));
}

void FileQueue::Entry::ReadBack(const struct stat& source, const struct stat& target,
                                bool written) {
    Deletion(source, target);
    items.back().kind = Item::Kind::ReadBack;
    items.back().written = written;
}

void FileQueue::Entry::AttributesDropped() {
    Item item;
    item.kind = Item::Kind::AttributesDropped;
    items.push_back(std::move(item));
}

FileQueue::FileQueue(size_t workers, const UpdateRequest& request, FileSystem& files,
                     std::function<bool()> abandon, PartialIndex* partials, bool inFolderOrder)
    : m_files(files),
      m_abandon(std::move(abandon)),
      m_inFolderOrder(inFolderOrder),
      m_pool(workers) {
    // Filled before any task is submitted, so before any worker looks at them.
    for (size_t i = 0; i < workers; ++i) {
        auto* written =
            m_written.emplace_back(std::make_unique<std::atomic<std::uint64_t>>(0)).get();
        auto* resumed =
            m_resumed.emplace_back(std::make_unique<std::atomic<std::uint64_t>>(0)).get();
        m_updaters.push_back(std::make_unique<FileUpdater>(
            request, files,
            [this, written, resumed](off_t done, off_t, off_t kept) {
                written->store(static_cast<std::uint64_t>(done), std::memory_order_relaxed);
                resumed->store(static_cast<std::uint64_t>(kept), std::memory_order_relaxed);
                return m_abandon();
            },
            m_abandon, partials));
    }
}

void FileQueue::Submit(const FileJob& job, const char* name, const std::string& sourcePath,
                       const std::string& targetPath,
                       const std::shared_ptr<DirectoryHandle>& sourceDir,
                       const std::shared_ptr<DirectoryHandle>& targetDir) {
    auto entry = std::make_unique<Entry>();
    entry->name = name;
    entry->sourcePath = sourcePath;
    entry->targetPath = targetPath;
    entry->sourceDir = sourceDir;
    entry->targetDir = targetDir;
    entry->job = job;
    entry->job.name = entry->name.c_str();
    // The same path, in the entry's own copy of the walk's.
    entry->job.relativePath =
        std::string_view(entry->targetPath).substr(targetPath.size() - job.relativePath.size());
    Entry* raw = entry.get();
    m_entries.push_back(std::move(entry));
    {
        std::lock_guard guard(m_lock);
        const DirectoryHandle* folder =
            raw->targetDir ? raw->targetDir.get() : raw->sourceDir.get();
        auto group = std::find_if(m_waiting.rbegin(), m_waiting.rend(),
                                  [folder](const Group& g) { return g.folder == folder; });
        if (group == m_waiting.rend()) {
            m_waiting.push_back({folder, {}, 0});
            group = m_waiting.rbegin();
        }
        group->entries.push_back(raw);
    }
    ++m_submitted;
    m_pool.Submit([this](size_t worker) { RunNext(worker); });
}

// On a worker: takes a waiting file from the folder with the fewest files in workers' hands
// (the oldest such folder first). Creating and renaming in one folder wait on each other (the
// kernel locks the folder for each), so files of several folders at once keep every worker
// busy on a share. In folder order, the oldest waiting file comes first.
void FileQueue::RunNext(size_t worker) {
    Entry* entry = nullptr;
    std::list<Group>::iterator group;
    {
        std::lock_guard guard(m_lock);
        group = m_inFolderOrder
                    ? std::find_if(m_waiting.begin(), m_waiting.end(),
                                   [](const Group& g) { return !g.entries.empty(); })
                    : std::min_element(
                          m_waiting.begin(), m_waiting.end(), [](const Group& a, const Group& b) {
                              return (a.entries.empty() ? 1 : 0) < (b.entries.empty() ? 1 : 0) ||
                                     ((a.entries.empty() == b.entries.empty()) &&
                                      a.running < b.running);
                          });
        entry = group->entries.front();
        group->entries.pop_front();
        ++group->running;
    }
    Run(*entry, worker);
    {
        std::lock_guard guard(m_lock);
        if (--group->running == 0 && group->entries.empty()) {
            m_waiting.erase(group);
        }
    }
}

FileQueue::Entry& FileQueue::Record(const std::string& sourcePath, const std::string& targetPath) {
    auto entry = std::make_unique<Entry>();
    entry->sourcePath = sourcePath;
    entry->targetPath = targetPath;
    entry->walkRecord = true;
    entry->done = true;  // no worker ever sees it
    return *m_entries.emplace_back(std::move(entry));
}

// On a worker: reads the source's status (a request that may wait as long as any other),
// unless the walk has, and, if it is still a regular file, applies the rule.
void FileQueue::Run(Entry& entry, size_t worker) {
    m_written[worker]->store(0, std::memory_order_relaxed);
    m_resumed[worker]->store(0, std::memory_order_relaxed);
    entry.worker.store(static_cast<int>(worker), std::memory_order_relaxed);
    if (!entry.job.statted) {
        entry.statError = -m_files.StatAt(entry.job.sourceFd, entry.name.c_str(), entry.job.source);
    }
    entry.regular = entry.statError == 0 && S_ISREG(entry.job.source.st_mode);
    if (entry.regular) {
        m_updaters[worker]->Update(entry.job, entry);
    }
    bool wake = false;
    {
        std::lock_guard guard(m_lock);
        entry.done = true;
        wake = ++m_doneCount >= m_wakeAt;
    }
    if (wake) {
        m_doneChanged.notify_all();
    }
}

void FileQueue::Settle(size_t keep, const std::function<void(Entry&)>& replay, const Poll& poll) {
    constexpr auto kPollInterval = std::chrono::milliseconds(100);
    while (!m_entries.empty()) {
        Entry& oldest = *m_entries.front();
        std::unique_lock lock(m_lock);
        while (!oldest.done) {
            if (m_entries.size() <= keep) {
                return;
            }
            // Woken only once several files are done, so that handing files over does not
            // cost a wake-up for each (the workers go on with those still queued); few
            // enough that a stop request is still seen soon.
            constexpr size_t kWakeEvery = 16;
            m_wakeAt =
                m_doneCount +
                std::clamp<size_t>(keep / 4, 1, std::min(kWakeEvery, m_submitted - m_doneCount));
            const bool woken = m_doneChanged.wait_for(
                lock, kPollInterval, [&] { return oldest.done && m_doneCount >= m_wakeAt; });
            m_wakeAt = oldest.done ? std::numeric_limits<size_t>::max() : m_doneCount + 1;
            if (!woken) {
                lock.unlock();
                const int worker = oldest.worker.load(std::memory_order_relaxed);
                const auto load = [worker](const auto& counts) -> std::uint64_t {
                    return worker < 0 ? 0
                                      : counts[static_cast<size_t>(worker)]->load(
                                            std::memory_order_relaxed);
                };
                poll(oldest, load(m_written), load(m_resumed));
                lock.lock();
            }
        }
        lock.unlock();
        replay(oldest);
        m_entries.pop_front();
    }
}

}  // namespace tolvane
