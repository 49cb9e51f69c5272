#include "FileSystemProbe.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "DirectoryReader.h"

namespace tolvane {

namespace {

constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;

bool HasLetter(const char* name) {
    for (; *name != '\0'; ++name) {
        if ((*name >= 'a' && *name <= 'z') || (*name >= 'A' && *name <= 'Z')) {
            return true;
        }
    }
    return false;
}

// The coarsest step that still tells apart the time that was set from the time read back:
// the file systems in use keep 1 ns, 100 ns, 10 ms, 1 s or 2 s.
long PrecisionOf(long long differenceNs) {
    constexpr long kSteps[] = {
        1,         10,         100,         1'000,         10'000,       100'000,
        1'000'000, 10'000'000, 100'000'000, 1'000'000'000, 2'000'000'000};
    for (const long step : kSteps) {
        if (differenceNs < step) {
            return step;
        }
    }
    return kSteps[sizeof(kSteps) / sizeof(kSteps[0]) - 1];
}

}  // namespace

std::string WithCaseSwapped(const char* name) {
    std::string swapped(name);
    for (char& c : swapped) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return swapped;
}

const char* FileSystemProbe::EntryName() {
    return ".tolvane-probe.tolvane-partial";
}

FileSystemProbe::Findings FileSystemProbe::Run(bool mayCreate) {
    Findings findings;
    if (mayCreate && ProbeWithOwnEntry(findings) == 0) {
        return findings;
    }
    if (!ProbeWithExistingEntry(findings)) {
        findings.caseInsensitive = true;
    }
    return findings;
}

// Makes the probe entry, sets a time with nanoseconds on it and reads it back, then asks for
// the entry under its other spelling by creating that too: creation is the one answer every
// file system gives alike (some FUSE daemons give each spelling an inode number of its own).
// Returns 0, or -errno when the entry could not be made.
int FileSystemProbe::ProbeWithOwnEntry(Findings& findings) {
    const char* name = EntryName();
    const std::string other = WithCaseSwapped(name);
    // Either spelling may be left by a run that was killed: the roots' lock keeps every other
    // run out, so neither can be another's.
    m_files.Unlink(m_folderFd, other.c_str());
    int fd = m_files.Open(m_folderFd, name, kCreateFlags, 0600);
    if (fd == -EEXIST) {
        m_files.Unlink(m_folderFd, name);
        fd = m_files.Open(m_folderFd, name, kCreateFlags, 0600);
    }
    if (fd < 0) {
        return fd;
    }
    findings.timePrecisionNs = ObservedTimePrecision(fd);
    m_files.Close(fd);
    const int otherFd = m_files.Open(m_folderFd, other.c_str(), kCreateFlags, 0600);
    findings.caseInsensitive = otherFd == -EEXIST;
    if (otherFd >= 0) {
        m_files.Close(otherFd);
        m_files.Unlink(m_folderFd, other.c_str());
    }
    m_files.Unlink(m_folderFd, name);
    return 0;
}

// Sets an odd second with nanoseconds as the modification time of fd and compares what the
// file system kept. 1 (compare to the nanosecond) when the time cannot be set or read.
long FileSystemProbe::ObservedTimePrecision(int fd) {
    constexpr timespec kSet{1'000'000'001, 123'456'789};
    const timespec times[2] = {kSet, kSet};
    struct stat st {};
    if (m_files.SetTimes(fd, times) != 0 || m_files.Stat(fd, st) != 0) {
        return 1;
    }
    const long long difference =
        (static_cast<long long>(kSet.tv_sec) - st.st_mtim.tv_sec) * 1'000'000'000LL +
        (kSet.tv_nsec - st.st_mtim.tv_nsec);
    return PrecisionOf(difference < 0 ? -difference : difference);
}

// Looks up an entry of the folder under its other spelling: a folder that answers to a
// spelling it does not list ignores case. Returns false when no entry can tell.
bool FileSystemProbe::ProbeWithExistingEntry(Findings& findings) {
    const int fd = m_files.Open(m_folderFd, ".", O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return false;
    }
    std::unordered_set<std::string> listed;
    std::string candidate;
    DirectoryReader reader(m_files, fd);
    const char* name = nullptr;
    unsigned char type = 0;
    while (reader.Next(name, type) == 0 && name != nullptr) {
        listed.emplace(name);
        if (candidate.empty() && HasLetter(name)) {
            candidate = name;
        }
    }
    m_files.Close(fd);
    if (candidate.empty()) {
        return false;
    }
    const std::string other = WithCaseSwapped(candidate.c_str());
    struct stat st {};
    const int error = -m_files.StatAt(m_folderFd, other.c_str(), st);
    if (error != 0 && error != ENOENT) {
        return false;
    }
    findings.caseInsensitive = error == 0 && listed.count(other) == 0;
    return true;
}

}  // namespace tolvane
