#include "TreeUpdater.h"

#include <fcntl.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <thread>

#include "BlockDevice.h"
#include "DirectoryPath.h"

namespace tolvane {

namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Reports name folders without their trailing '/', as they are shown on the status line.
std::string_view Shown(const std::string& path) {
    std::string_view view(path);
    if (view.size() > 1 && view.back() == '/') {
        view.remove_suffix(1);
    }
    return view;
}

void EnsureTrailingSlash(std::string& path) {
    if (!path.empty() && path.back() != '/') {
        path.push_back('/');
    }
}

}  // namespace

TreeUpdater::TreeUpdater(const UpdateRequest& request, UpdateObserver& observer, FileSystem& files)
    : m_request(request),
      m_observer(observer),
      m_files(files),
      m_dryRun(request.dryRun),
      m_roots(files),
      m_partials(files),
      m_fileUpdater(
          m_request, m_files,
          [this](off_t written, off_t size, off_t resumed) {
              return CopyInHandAbandoned(written, size, resumed);
          },
          [this] { return m_observer.IsAbandonRequested(); },
          request.dryRun ? nullptr : &m_partials),
      m_targetFileSystems(m_files, !request.dryRun),
      m_deletions(m_files, observer, m_summary) {}

WalkSummary TreeUpdater::Run() {
    if (OpenRoots()) {
        // Descriptors of the walk's own, so that the roots' locks outlive every deletion.
        const int sourceFd = m_files.Open(m_roots.SourceFd(), ".", kDirectoryFlags);
        const int targetFd =
            m_roots.TargetFd() < 0 ? -1 : m_files.Open(m_roots.TargetFd(), ".", kDirectoryFlags);
        if (sourceFd < 0 || targetFd < -1) {
            Fail(FailedOperation::Read, sourceFd < 0 ? -sourceFd : -targetFd);
            for (const int fd : {sourceFd, targetFd}) {
                if (fd >= 0) {
                    m_files.Close(fd);
                }
            }
        } else {
            if (!m_dryRun) {
                m_partials.Open(m_roots.SourceFd(), m_roots.TargetFd());
            }
            StartWorkers();
            EnterFolder(sourceFd, targetFd, m_targetRoot.st_dev, m_roots.MadeTarget());
            Walk();
            SettleFiles(0);
            m_queue.reset();
            if (!m_dryRun) {
                m_partials.Close(!StopRequested());
            }
        }
        if (!m_observer.IsAbandonRequested()) {
            m_deletions.Flush();
        }
        m_summary.stopped = StopRequested();
    }
    return m_summary;
}

// Workers where the request or the storage asks for them; none for one job. Left to itself,
// the engine takes many on a share, where every request waits on a round trip; on a local
// disk the walk first times its first source reads alone (see StatSource).
void TreeUpdater::StartWorkers() {
    constexpr unsigned kRemoteJobs = 32;
    unsigned jobs = m_request.jobs;
    if (jobs == 0) {
        const bool hasTarget = m_roots.TargetFd() >= 0;
        const bool remote =
            m_targetFileSystems.IsRemote(m_roots.SourceFd(), m_sourceRoot.st_dev) ||
            (hasTarget && m_targetFileSystems.IsRemote(m_roots.TargetFd(), m_targetRoot.st_dev));
        if (!remote) {
            m_probeReads = kProbeReads;
            m_rotational = BlockDevice(m_sourceRoot.st_dev).Rotational() ||
                           (hasTarget && BlockDevice(m_targetRoot.st_dev).Rotational());
            return;
        }
        jobs = kRemoteJobs;
    }
    StartQueue(jobs);
}

void TreeUpdater::StartQueue(unsigned jobs) {
    if (jobs > 1) {
        m_queue = std::make_unique<FileQueue>(
            jobs, m_request, m_files, [this] { return m_observer.IsAbandonRequested(); },
            m_dryRun ? nullptr : &m_partials, m_seeking);
        m_maxQueued = MaxQueued(m_queue->Workers());
        if (m_queue->Workers() == 0) {
            m_queue.reset();
        } else {
            m_summary.workers = static_cast<unsigned>(m_queue->Workers());
        }
    }
}

// The workers a local disk gets once the first reads are timed: two copies in flight keep a
// disk and a second core busy while the walk lists and reports; reads that wait on the disk
// (a cold cache: tens of microseconds each, against a few) get many, so that the disk sees
// many requests at once, except on a disk that seeks (several milliseconds a read), where
// more requests only make it seek more. Virtual disks say they spin whatever backs them
// (virtio's default), so the saying alone does not cap the workers: the reads must be slow
// as a seek too.
unsigned TreeUpdater::LocalJobs(std::chrono::steady_clock::duration averageRead, bool rotational,
                                unsigned cores) {
    constexpr unsigned kWarmJobs = 2;
    constexpr unsigned kColdJobs = 16;
    if (averageRead <= kColdRead) {
        return std::min(kWarmJobs, std::max(1U, cores));
    }
    return rotational && averageRead >= kSeekRead ? kWarmJobs : kColdJobs;
}

// How many entries may wait to be reported: enough to keep files of many folders in workers'
// hands, and few enough that the folders they hold open (two descriptors each, at most one
// folder per entry) take at most a quarter of the descriptors the process may open.
size_t TreeUpdater::MaxQueued(size_t workers) {
    constexpr size_t kPerWorker = 64;
    size_t bound = workers * kPerWorker;
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        bound = std::min<size_t>(bound, limit.rlim_cur / 8);
    }
    return std::max<size_t>(bound, workers);
}

// Reads the status of a source entry, timing the first reads of a run whose number of jobs
// the engine chooses on a local disk: the rest of the run has the workers LocalJobs gives.
// A large file ends the timing early: its copy costs more than all the reads, and a tree of
// a few large files would otherwise be copied one file at a time.
int TreeUpdater::StatSource(int dirFd, const char* name, struct stat& source) {
    constexpr off_t kLargeFile = off_t{1} << 20;
    if (m_probeReads == 0) {
        return m_files.StatAt(dirFd, name, source);
    }
    const auto start = std::chrono::steady_clock::now();
    const int result = m_files.StatAt(dirFd, name, source);
    m_probeTime += std::chrono::steady_clock::now() - start;
    const int timed = kProbeReads - --m_probeReads;
    if (result == 0 && S_ISREG(source.st_mode) && source.st_size >= kLargeFile) {
        m_probeReads = 0;
    }
    if (m_probeReads == 0) {
        const auto averageRead = m_probeTime / timed;
        // Cached statuses cost less to read than to hand over: the walk reads them itself
        // and the workers take only the copies.
        m_copiesOnly = averageRead <= kColdRead;
        m_seeking = m_rotational && averageRead >= kSeekRead;
        StartQueue(LocalJobs(averageRead, m_rotational, std::thread::hardware_concurrency()));
        try {
            if (m_copiesOnly && m_queue) {
                m_statusReader = std::make_unique<StatusReader>(m_files);
            } else if (m_queue && !m_seeking) {
                m_prefetcher = std::make_unique<FolderPrefetcher>(m_files);
            }
        } catch (const std::system_error&) {
            // No thread to spare: the walk reads every status and folder itself.
        }
    }
    return result;
}

// Checks, opens and locks the roots; a refusal ends the run before anything is changed.
bool TreeUpdater::OpenRoots() {
    m_summary.refusal = m_roots.Open(m_request, m_summary.refusalError);
    if (m_summary.refusal != RootRefusal::None) {
        return false;
    }
    m_sourcePath = m_request.source;
    m_targetPath = m_request.target;
    EnsureTrailingSlash(m_sourcePath);
    EnsureTrailingSlash(m_targetPath);
    m_sourcePath.reserve(4096);
    m_targetPath.reserve(4096);
    m_targetRootLength = m_targetPath.size();
    m_sourceRoot = m_roots.Source();
    m_targetRoot = m_roots.Target();
    if (m_roots.MadeTarget() || (m_dryRun && m_roots.TargetFd() < 0)) {
        Report(WalkAction::MakeDir);
    }
    return true;
}

// Starts listing the folder of level and makes it the innermost level of the walk. Takes
// over level's descriptors. The stop request is polled first.
void TreeUpdater::EnterFolder(int sourceFd, int targetFd, dev_t targetDevice,
                              bool targetFolderNew) {
    Level level;
    level.source = std::make_shared<DirectoryHandle>(m_files, sourceFd, m_sourcePath);
    if (targetFd >= 0) {
        level.target = std::make_shared<DirectoryHandle>(m_files, targetFd, m_targetPath);
    }
    if (StopRequested()) {
        return;
    }
    level.sourceFd = sourceFd;
    level.targetFd = targetFd;
    level.targetDevice = targetDevice;
    level.targetFolderNew = targetFolderNew;
    level.listing.emplace(m_files, sourceFd);
    if (targetFd >= 0) {
        const TargetFileSystems::Traits& traits = m_targetFileSystems.Of(targetFd, targetDevice);
        level.timePrecisionNs = traits.timePrecisionNs;
        level.targetOnOverlay = traits.overlay;
        level.verify = VerifiesInto(targetFd, targetDevice);
    }
    if (targetFd >= 0 && m_targetFileSystems.FoldsCase(targetFd, targetDevice)) {
        level.targetNames = std::make_unique<TargetNames>(m_files, targetFd);
    }
    level.sourceBase = m_sourcePath.size();
    level.targetBase = m_targetPath.size();
    level.id = ++m_lastLevelId;
    m_levels.push_back(std::move(level));
}

void TreeUpdater::LeaveFolder() {
    if (m_aheadLevel != 0 && m_aheadLevel == m_levels.back().id) {
        EndReadAhead();  // before the folder its thread reads in may be closed
    }
    m_levels.pop_back();
}

// Reports the files the workers have done, in the order they were submitted, until at most
// keep are left in hand.
void TreeUpdater::SettleFiles(size_t keep) {
    if (!m_queue || m_queue->Empty()) {
        return;
    }
    m_queue->Settle(
        keep, [this](FileQueue::Entry& entry) { ReplayFile(entry); },
        [this](const FileQueue::Entry& entry, std::uint64_t written, std::uint64_t resumed) {
            ShowProgress(Shown(entry.sourcePath), written, entry.job.source.st_size, resumed);
            // Asked while a worker's long copy is waited for too, so that the observer can
            // say at once that a stop was seen; the walk acts on it after the file.
            StopRequested();
        });
}

// Reports one entry, a file a worker has done or what the walk did, as if the walk had just
// done it: the walk's paths name the entry meanwhile, and its folders are the entry's own.
void TreeUpdater::ReplayFile(FileQueue::Entry& entry) {
    m_replaying = true;
    std::swap(m_sourcePath, entry.sourcePath);
    std::swap(m_targetPath, entry.targetPath);
    Level level = LevelOf(entry);
    const char* name = entry.name.c_str();
    if (!entry.walkRecord && !entry.regular) {
        if (entry.statError == 0 && S_ISDIR(entry.job.source.st_mode)) {
            Report(WalkAction::Skip, "it changed while the update ran");
        } else {
            UpdateStatted(level, name, entry.job.source, entry.statError);
        }
    }
    for (const FileQueue::Entry::Item& item : entry.items) {
        using Kind = FileQueue::Entry::Item::Kind;
        WalkFileReport report(*this, level, name);
        switch (item.kind) {
            case Kind::Action:
                report.Action(item.action, item.reason, item.bytes, item.resumed);
                break;
            case Kind::Failure:
                report.Failure(item.operation, item.error, item.reason);
                break;
            case Kind::Deletion:
                ScheduleDeletion(level, name, item.source, item.linkText, item.target);
                break;
            case Kind::ReadBack:
                ScheduleDeletion(level, name, item.source, {}, item.target,
                                 ReadBackChecks(item.written));
                break;
            case Kind::AttributesDropped:
                report.AttributesDropped();
                break;
        }
    }
    std::swap(m_sourcePath, entry.sourcePath);
    std::swap(m_targetPath, entry.targetPath);
    m_replaying = false;
}

// The folders of a queued entry, as a level of the walk (without its listing).
TreeUpdater::Level TreeUpdater::LevelOf(const FileQueue::Entry& entry) {
    Level level;
    level.source = entry.sourceDir;
    level.target = entry.targetDir;
    level.sourceFd = entry.sourceDir ? entry.sourceDir->Fd() : -1;
    level.targetFd = entry.targetDir ? entry.targetDir->Fd() : -1;
    level.targetDevice = entry.job.targetDevice;
    level.timePrecisionNs = entry.job.timePrecisionNs;
    level.targetOnOverlay = entry.job.targetOnOverlay;
    level.verify = entry.job.verify;
    return level;
}

// While files before it are still in a worker's hands, what the walk does is queued behind
// them, so that it is reported in walk order.
FileQueue::Entry* TreeUpdater::DeferredRecord() {
    if (!m_queue || m_replaying || m_queue->Empty()) {
        return nullptr;
    }
    return &m_queue->Record(m_sourcePath, m_targetPath);
}

// Depth first over the levels on the stack (a heap stack, not recursion, so that no depth
// of tree can exhaust the thread's stack). The stop request is polled before every entry,
// which also covers the points right after a listing starts and after a subfolder ends.
void TreeUpdater::Walk() {
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        m_sourcePath.resize(level.sourceBase);
        m_targetPath.resize(level.targetBase);
        if (StopRequested()) {
            LeaveFolder();
            continue;
        }
        const char* name = nullptr;
        unsigned char type = DT_UNKNOWN;
        const int readError = -level.listing->Next(name, type);
        if (readError != 0) {
            Fail(FailedOperation::Read, readError);
        }
        if (name == nullptr || readError != 0) {
            LeaveFolder();
            continue;
        }
        if (IsDotOrDotDot(name)) {
            continue;
        }
        m_sourcePath.append(name);
        m_targetPath.append(name);
        ++m_summary.entriesVisited;
        m_observer.OnEntry(m_sourcePath);
        if (m_statusReader && (type == DT_REG || type == DT_UNKNOWN)) {
            ReadAhead(level, name);
        } else if (m_prefetcher && level.listing->Fills() != level.prefetchedFill) {
            PrefetchFolders(level);
        }
        UpdateEntry(level, name, type);  // may push a level: level and name dangle
        SettleFiles(m_maxQueued);
    }
}

void TreeUpdater::UpdateEntry(Level& level, const char* name, unsigned char type) {
    // Regular files go to the workers, where there are any; everything else is done here,
    // and reported after the files before it.
    if (m_queue && !m_copiesOnly && type == DT_REG && !level.targetNames &&
        !FileCopier::IsTemporaryName(name)) {
        m_queue->Submit(JobFor(level, name, {}), name, m_sourcePath, m_targetPath, level.source,
                        level.target);
        return;
    }
    if (type == DT_DIR) {
        UpdateDirectory(level, name);
        return;
    }
    struct stat source {};
    const int error = -StatSource(level.sourceFd, name, source);
    UpdateStatted(level, name, source, error);
}

// The rest of the walk's work on a non-folder entry, whose status was read as source (or
// failed with error).
void TreeUpdater::UpdateStatted(Level& level, const char* name, const struct stat& source,
                                int error) {
    if (error == ENOENT) {
        Report(WalkAction::Skip, "it disappeared during the update");
    } else if (error != 0) {
        Fail(FailedOperation::Read, error);
    } else if (S_ISDIR(source.st_mode)) {
        UpdateDirectory(level, name);
    } else if (S_ISREG(source.st_mode) && FileCopier::IsTemporaryName(name)) {
        // The name this program gives unfinished copies: such a file in the source is an
        // unfinished copy of another run, and one in the target would be removed as one.
        Report(WalkAction::Skip, "its name is that of an unfinished copy");
    } else if (S_ISREG(source.st_mode)) {
        UpdateFile(level, name, source);
    } else if (S_ISLNK(source.st_mode)) {
        UpdateLink(level, name, source);
    } else {
        Report(WalkAction::Skip, "not a regular file, folder or link");
    }
}

// Mirrors the folder and enters it. Its last step pushes a level, after which parent must
// not be used.
void TreeUpdater::UpdateDirectory(Level& parent, const char* name) {
    const int sourceFd = m_files.Open(parent.sourceFd, name, kDirectoryFlags);
    if (sourceFd < 0) {
        Fail(FailedOperation::Read, -sourceFd);
        return;
    }
    struct stat source {};
    if (m_files.Stat(sourceFd, source) == 0 && source.st_dev == m_targetRoot.st_dev &&
        source.st_ino == m_targetRoot.st_ino) {
        // The target lies inside the source: walking it would copy the copy.
        m_files.Close(sourceFd);
        Report(WalkAction::Skip, "it is the target folder");
        return;
    }
    bool made = false;
    const int targetFd = OpenTargetDirectory(parent, name, made);
    if (targetFd < 0 && !(m_dryRun && targetFd == -ENOENT)) {
        m_files.Close(sourceFd);
        return;
    }
    dev_t targetDevice = parent.targetDevice;
    if (targetFd >= 0) {
        struct stat target {};
        if (m_files.Stat(targetFd, target) == 0) {
            targetDevice = target.st_dev;
            if (target.st_dev == m_sourceRoot.st_dev && target.st_ino == m_sourceRoot.st_ino) {
                // The source lies inside the target and this target folder is the source
                // root: its files would "hold" other source files, and deleting would lose
                // data that exists nowhere else.
                Fail(FailedOperation::Create, 0, "it is the source folder");
                m_files.Close(sourceFd);
                m_files.Close(targetFd);
                return;
            }
        }
    }
    m_sourcePath.push_back('/');
    m_targetPath.push_back('/');
    EnterFolder(sourceFd, targetFd < 0 ? -1 : targetFd, targetDevice, made);
}

// Makes the target folder when it is missing and opens it. A symbolic link or any other
// entry in its place is never entered; made tells whether this run made it. Returns the
// descriptor, or -errno after reporting; -ENOENT without a report in a dry run whose folder
// would be made.
int TreeUpdater::OpenTargetDirectory(Level& level, const char* name, bool& made) {
    if (level.targetFd < 0) {
        Report(WalkAction::MakeDir);
        return -ENOENT;
    }
    bool found = true;
    if (level.targetNames) {
        struct stat existing {};
        found = m_files.StatAt(level.targetFd, name, existing) == 0;
        const std::string other = level.targetNames->Claim(name, found);
        if (!other.empty()) {
            Fail(FailedOperation::Create, 0, CaseCollision(name, other));
            return -EEXIST;
        }
    }
    if (m_dryRun) {
        struct stat target {};
        if (m_files.StatAt(level.targetFd, name, target) == -ENOENT) {
            Report(WalkAction::MakeDir);
            return -ENOENT;
        }
    } else {
        const int error = -m_files.MakeDir(level.targetFd, name, 0777);
        made = error == 0;
        if (error == 0) {
            Report(WalkAction::MakeDir);
        } else if (error == EEXIST && !found) {
            // Refused although the lookup found no such name: the folder holds it under a
            // spelling it does not answer to (vfat with iocharset=utf8). Never entered.
            Fail(FailedOperation::Create, 0, CaseCollision(name, "another spelling"));
            return -EEXIST;
        } else if (error != EEXIST) {
            Fail(FailedOperation::Create, error);
            return -error;
        }
    }
    const int fd = m_files.Open(level.targetFd, name, kDirectoryFlags);
    if (fd == -ENOTDIR || fd == -ELOOP) {
        Fail(FailedOperation::Create, 0, "an entry that is not a folder is in the way");
    } else if (fd < 0) {
        Fail(FailedOperation::Create, -fd);
    }
    return fd;
}

// Called by the copier before each chunk: tells the observer how far the copy has come, a
// few times a second at most, and passes on an abandon request.
bool TreeUpdater::CopyInHandAbandoned(off_t written, off_t size, off_t resumed) {
    ShowProgress(Shown(m_sourcePath), static_cast<std::uint64_t>(written),
                 static_cast<std::uint64_t>(size), static_cast<std::uint64_t>(resumed));
    return m_observer.IsAbandonRequested();
}

// written counts the file's bytes from its start, resumed those an earlier run wrote.
void TreeUpdater::ShowProgress(std::string_view source, std::uint64_t written, std::uint64_t size,
                               std::uint64_t resumed) {
    constexpr auto kProgressInterval = std::chrono::milliseconds(200);
    const auto now = std::chrono::steady_clock::now();
    if (written > 0 && now - m_lastProgress >= kProgressInterval) {
        m_lastProgress = now;
        m_observer.OnProgress({source, written, size, resumed});
    }
}

// Applies the rule to one regular file on the walk's thread, reporting as it goes; where the
// workers take only copies, a file to copy goes to them.
void TreeUpdater::UpdateFile(Level& level, const char* name, const struct stat& source) {
    FileJob job = JobFor(level, name, source);
    if (m_copiesOnly && m_queue && !level.targetNames) {
        job.statted = StatTarget(level, job) == 0;
        if (job.statted && m_fileUpdater.WillCopy(job)) {
            m_queue->Submit(job, name, m_sourcePath, m_targetPath, level.source, level.target);
            return;
        }
    }
    WalkFileReport report(*this, level, name);
    m_fileUpdater.Update(job, report);
}

// Has the target statuses of the files from name on in level's folder read ahead, unless
// they are being read already. Folders this run made hold nothing to read, and those that
// ignore case claim each name as its status is read.
void TreeUpdater::ReadAhead(const Level& level, const char* name) {
    constexpr size_t kAhead = 256;  // statuses a reading holds
    if (level.targetFd < 0 || level.targetFolderNew || level.targetNames) {
        return;
    }
    if (ReadingAhead(level) && !m_statusReader->Past(name)) {
        return;
    }
    if (m_aheadLevel != 0) {
        EndReadAhead();
    }
    if (m_statusReader->Resting()) {
        return;
    }
    m_aheadNames.clear();
    level.listing->VisitBuffered([this](const char* entry, unsigned char type) {
        if (type == DT_REG || type == DT_UNKNOWN) {
            m_aheadNames.push_back(entry);
        }
        return m_aheadNames.size() < kAhead;
    });
    m_statusReader->Start(level.targetFd, m_aheadNames);
    m_aheadLevel = level.id;
    m_aheadFill = level.listing->Fills();
}

// Has the folders of the listing's last fill read on the prefetcher's threads, while the walk
// goes through the subtrees of those before them.
void TreeUpdater::PrefetchFolders(Level& level) {
    level.prefetchedFill = level.listing->Fills();
    level.listing->VisitBuffered([&](const char* entry, unsigned char type) {
        if (type == DT_DIR && !IsDotOrDotDot(entry)) {
            m_prefetcher->Prefetch(level.source, level.target, entry);
        }
        return true;
    });
}

// Ends the reading ahead in hand (the reader judges from it whether it keeps up).
void TreeUpdater::EndReadAhead() {
    m_statusReader->Stop();
    m_aheadLevel = 0;
}

// Whether the statuses being read ahead are those of the names in level's listing buffer.
// Levels of queued entries (id 0) have no listing, and nothing is read ahead for them.
bool TreeUpdater::ReadingAhead(const Level& level) const {
    return m_aheadLevel != 0 && level.id == m_aheadLevel && level.listing->Fills() == m_aheadFill;
}

// Reads the status of job's target into it, or takes the one read ahead; returns 0 (the
// target missing included) or errno.
int TreeUpdater::StatTarget(const Level& level, FileJob& job) {
    int error = 0;
    if (ReadingAhead(level) && m_statusReader->Take(job.name, job.target, error)) {
        job.targetExists = error == 0;
        return error == ENOENT ? 0 : error;
    }
    return m_fileUpdater.StatTarget(job, job.target, job.targetExists);
}

FileJob TreeUpdater::JobFor(Level& level, const char* name, const struct stat& source) {
    FileJob job;
    job.sourceFd = level.sourceFd;
    job.targetFd = level.targetFd;
    job.targetDevice = level.targetDevice;
    job.name = name;
    job.source = source;
    job.timePrecisionNs = level.timePrecisionNs;
    job.targetOnOverlay = level.targetOnOverlay;
    job.targetFolderNew = level.targetFolderNew;
    job.targetNames = level.targetNames.get();
    job.verify = level.verify;
    job.relativePath = std::string_view(m_targetPath).substr(m_targetRootLength);
    return job;
}

// Whether targets in the target folder targetFd are read back: as asked, or, left to the
// engine, on a move onto removable media, where a stick may lose what it accepted.
bool TreeUpdater::VerifiesInto(int targetFd, dev_t targetDevice) {
    switch (m_request.verify) {
        case UpdateRequest::Verify::Always:
            return true;
        case UpdateRequest::Verify::Never:
            return false;
        case UpdateRequest::Verify::Automatic:
            return m_request.deleteFromSource &&
                   m_targetFileSystems.IsRemovable(targetFd, targetDevice);
    }
    return false;
}

DeletionBatch::Checks TreeUpdater::ReadBackChecks(bool written) const {
    return {true, written, m_request.deleteFromSource};
}

void TreeUpdater::WalkFileReport::Action(WalkAction action, std::string_view reason,
                                         std::uint64_t bytes, std::uint64_t resumed) {
    m_walk.Report(action, reason, bytes, resumed);
}

void TreeUpdater::WalkFileReport::Failure(FailedOperation operation, int error,
                                          std::string_view reason) {
    m_walk.Fail(operation, error, reason);
}

void TreeUpdater::WalkFileReport::Deletion(const struct stat& source, const struct stat& target) {
    m_walk.ScheduleDeletion(m_level, m_name, source, {}, target);
}

void TreeUpdater::WalkFileReport::ReadBack(const struct stat& source, const struct stat& target,
                                           bool written) {
    m_walk.ScheduleDeletion(m_level, m_name, source, {}, target, m_walk.ReadBackChecks(written));
}

void TreeUpdater::WalkFileReport::AttributesDropped() {
    if (!m_walk.m_toldAttributesDropped) {
        m_walk.m_toldAttributesDropped = true;
        m_walk.Report(WalkAction::Skip,
                      "the target does not keep extended attributes or ACLs; copied without them");
    }
}

// A link is brought over as a link with the same text when the target has no entry of that
// name, and counts as one copy; the target holding the same link counts as holding it.
void TreeUpdater::UpdateLink(Level& level, const char* name, const struct stat& source) {
    if (!m_request.copyWhenLarger) {
        return;
    }
    int error = -m_files.ReadLink(level.sourceFd, name, m_linkText);
    if (error != 0) {
        Fail(FailedOperation::Read, error);
        return;
    }
    struct stat target {};
    error = level.targetFd < 0 ? ENOENT : -m_files.StatAt(level.targetFd, name, target);
    const std::string other = level.targetNames ? level.targetNames->Claim(name, error == 0) : "";
    if (!other.empty()) {
        Fail(FailedOperation::Copy, 0, CaseCollision(name, other));
        return;
    }
    if (error == ENOENT) {
        error = m_dryRun ? 0 : -m_files.SymLink(m_linkText, level.targetFd, name);
        if (error != 0) {
            Fail(FailedOperation::Copy, error);
            return;
        }
        Report(WalkAction::Link);
    } else if (error != 0) {
        Fail(FailedOperation::Copy, error);
        return;
    } else if (!S_ISLNK(target.st_mode)) {
        Fail(FailedOperation::Copy, 0, "an entry that is not a link is in the way");
        return;
    } else if (m_files.ReadLink(level.targetFd, name, m_targetLinkText) != 0 ||
               m_targetLinkText != m_linkText) {
        Report(WalkAction::Skip, "the target holds a link with other text");
        return;
    }
    if (m_request.deleteFromSource) {
        ScheduleDeletion(level, name, source, m_linkText, target);
    }
}

void TreeUpdater::ScheduleDeletion(Level& level, const char* name, const struct stat& source,
                                   const std::string& linkText, const struct stat& target,
                                   DeletionBatch::Checks checks) {
    if (FileQueue::Entry* record = DeferredRecord()) {
        record->name = name;
        record->sourceDir = level.source;
        record->targetDir = level.target;
        record->job.targetDevice = level.targetDevice;
        record->job.targetOnOverlay = level.targetOnOverlay;
        if (checks.readBack) {
            record->ReadBack(source, target, checks.written);
        } else {
            record->Deletion(source, target);
        }
        record->items.back().linkText = linkText;
        return;
    }
    if (m_dryRun) {
        Report(WalkAction::Delete);
        return;
    }
    m_deletions.Add(level.source, level.target, level.targetDevice, name, source, linkText, target,
                    level.targetOnOverlay, checks);
}

void TreeUpdater::Report(WalkAction action, std::string_view reason, std::uint64_t bytes,
                         std::uint64_t resumed) {
    if (FileQueue::Entry* record = DeferredRecord()) {
        record->Action(action, reason, bytes, resumed);
        return;
    }
    if (IsCopy(action)) {
        ++m_summary.copies;
        m_summary.bytesCopied += bytes;
        m_summary.bytesResumed += resumed;
    } else if (action == WalkAction::Delete) {
        ++m_summary.deletions;  // a dry run's; the deletion batch counts the real ones
    }
    const std::string_view source = action == WalkAction::MakeDir ? "" : Shown(m_sourcePath);
    const std::string_view target =
        IsCopy(action) || action == WalkAction::MakeDir ? Shown(m_targetPath) : "";
    m_observer.OnAction({action, source, target, reason, bytes, resumed});
}

void TreeUpdater::Fail(FailedOperation operation, int error, std::string_view reason) {
    if (FileQueue::Entry* record = DeferredRecord()) {
        record->Failure(operation, error, reason);
        return;
    }
    ++m_summary.failures;
    const bool hasSource = operation != FailedOperation::Create;
    const bool hasTarget =
        operation == FailedOperation::Copy || operation == FailedOperation::Create;
    m_observer.OnFailure({operation, hasSource ? Shown(m_sourcePath) : "",
                          hasTarget ? Shown(m_targetPath) : "", error, reason});
}

}  // namespace tolvane
