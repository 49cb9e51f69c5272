#pragma once

#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DeletionBatch.h"
#include "DirectoryHandle.h"
#include "DirectoryReader.h"
#include "FileQueue.h"
#include "FileUpdater.h"
#include "FolderPrefetcher.h"
#include "PartialIndex.h"
#include "RunRoots.h"
#include "StatusReader.h"
#include "TargetFileSystems.h"
#include "TargetNames.h"
#include "UpdateObserver.h"
#include "UpdateRequest.h"

namespace tolvane {

// One run of the tree update: walks the source tree depth first, mirrors every folder under
// the target, copies each file the target lacks or holds shorter, and, on request, deletes
// the source files the target holds. Works relative to open directory descriptors, so trees
// deeper than PATH_MAX work; the whole paths are kept only for the status line and reports.
// Symbolic links are never followed, and FIFOs, sockets and devices are never opened.
class TreeUpdater {
  public:
    TreeUpdater(const UpdateRequest& request, UpdateObserver& observer, FileSystem& files);

    WalkSummary Run();

    // The workers a local disk gets once the first source reads took averageRead each, on a
    // machine with cores, on a disk that says it spins when rotational.
    static unsigned LocalJobs(std::chrono::steady_clock::duration averageRead, bool rotational,
                              unsigned cores);

  private:
    // The folder pair of one level of the walk. The handles own the descriptors; pending
    // deletions share them, so a folder left by the walk stays open until they are done.
    // target is null (targetFd -1) when the target folder does not exist (only in a dry run).
    struct Level {
        std::shared_ptr<DirectoryHandle> source;
        std::shared_ptr<DirectoryHandle> target;
        int sourceFd = -1;
        int targetFd = -1;
        dev_t targetDevice = 0;
        std::optional<DirectoryReader> listing;
        size_t sourceBase = 0;  // path lengths of the folder itself, with its '/'
        size_t targetBase = 0;
        // What the target folder's file system keeps and shows.
        long timePrecisionNs = 1;
        bool targetOnOverlay = false;
        bool targetFolderNew = false;  // made by this run
        bool verify = false;           // targets are read back from the storage (see FileJob)
        // Set when the target folder matches names without regard to case.
        std::unique_ptr<TargetNames> targetNames;
        std::uint64_t id = 0;       // unique in the run, from 1
        size_t prefetchedFill = 0;  // the listing's last fill whose folders were prefetched
    };

    // Reports what the rule does to one file as it happens, on the walk's thread.
    class WalkFileReport : public FileReport {
      public:
        WalkFileReport(TreeUpdater& walk, Level& level, const char* name)
            : m_walk(walk), m_level(level), m_name(name) {}
        void Action(WalkAction action, std::string_view reason, std::uint64_t bytes,
                    std::uint64_t resumed) override;
        void Failure(FailedOperation operation, int error, std::string_view reason) override;
        void Deletion(const struct stat& source, const struct stat& target) override;
        void ReadBack(const struct stat& source, const struct stat& target, bool written) override;
        void AttributesDropped() override;

      private:
        TreeUpdater& m_walk;
        Level& m_level;
        const char* m_name;
    };

    bool OpenRoots();
    void EnterFolder(int sourceFd, int targetFd, dev_t targetDevice, bool targetFolderNew);
    void LeaveFolder();
    void Walk();
    void UpdateEntry(Level& level, const char* name, unsigned char type);
    void UpdateDirectory(Level& parent, const char* name);
    int OpenTargetDirectory(Level& level, const char* name, bool& made);
    void UpdateStatted(Level& level, const char* name, const struct stat& source, int error);
    void UpdateFile(Level& level, const char* name, const struct stat& source);
    void ReadAhead(const Level& level, const char* name);
    void EndReadAhead();
    bool ReadingAhead(const Level& level) const;
    void PrefetchFolders(Level& level);
    int StatTarget(const Level& level, FileJob& job);
    void StartWorkers();
    void StartQueue(unsigned jobs);

    static size_t MaxQueued(size_t workers);
    int StatSource(int dirFd, const char* name, struct stat& source);
    void SettleFiles(size_t keep);
    void ReplayFile(FileQueue::Entry& entry);
    Level LevelOf(const FileQueue::Entry& entry);
    FileQueue::Entry* DeferredRecord();
    void ShowProgress(std::string_view source, std::uint64_t written, std::uint64_t size,
                      std::uint64_t resumed);
    FileJob JobFor(Level& level, const char* name, const struct stat& source);
    void UpdateLink(Level& level, const char* name, const struct stat& source);
    void ScheduleDeletion(Level& level, const char* name, const struct stat& source,
                          const std::string& linkText, const struct stat& target,
                          DeletionBatch::Checks checks = {});
    DeletionBatch::Checks ReadBackChecks(bool written) const;
    bool VerifiesInto(int targetFd, dev_t targetDevice);

    bool StopRequested() { return m_observer.IsStopRequested(); }
    bool CopyInHandAbandoned(off_t written, off_t size, off_t resumed);
    void Report(WalkAction action, std::string_view reason = {}, std::uint64_t bytes = 0,
                std::uint64_t resumed = 0);
    void Fail(FailedOperation operation, int error, std::string_view reason = {});

    const UpdateRequest m_request;
    UpdateObserver& m_observer;
    FileSystem& m_files;
    const bool m_dryRun;
    WalkSummary m_summary;
    RunRoots m_roots;
    std::string m_sourcePath;  // whole path of the entry in hand; folders end with '/'
    std::string m_targetPath;
    struct stat m_sourceRoot {};
    struct stat m_targetRoot {};  // zero in a dry run whose target does not exist
    std::chrono::steady_clock::time_point m_lastProgress;
    size_t m_targetRootLength = 0;  // of m_targetPath, with its '/'
    std::vector<Level> m_levels;    // the folders being listed, outermost first
    PartialIndex m_partials;        // the resumable copies under the target root
    FileUpdater m_fileUpdater;
    std::unique_ptr<FileQueue> m_queue;  // regular files go to its workers when set
    size_t m_maxQueued = 0;
    bool m_replaying = false;  // reporting a queued entry: reports go out at once
    // Timing of the first source reads, while the engine may still choose to add workers.
    static constexpr int kProbeReads = 32;
    static constexpr std::chrono::microseconds kColdRead{50};
    static constexpr std::chrono::milliseconds kSeekRead{4};  // a disk that seeks
    int m_probeReads = 0;
    std::chrono::steady_clock::duration m_probeTime{};
    bool m_rotational = false;  // a root lies on a disk that says it spins
    bool m_seeking = false;     // and its first reads took as long as seeks: folder order
    bool m_copiesOnly = false;  // the workers take only files to copy
    TargetFileSystems m_targetFileSystems;
    DeletionBatch m_deletions;
    bool m_toldAttributesDropped = false;
    std::string m_linkText;
    std::string m_targetLinkText;
    // Reads the target statuses of the files next in a folder, where the workers take only
    // copies; its names lie in the listing of level m_aheadLevel's fill m_aheadFill.
    std::unique_ptr<StatusReader> m_statusReader;
    std::vector<const char*> m_aheadNames;
    std::uint64_t m_aheadLevel = 0;
    size_t m_aheadFill = 0;
    std::uint64_t m_lastLevelId = 0;
    // Reads the folders of a listing ahead where the cache is cold.
    std::unique_ptr<FolderPrefetcher> m_prefetcher;
};

}  // namespace tolvane
