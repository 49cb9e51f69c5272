#include "PartialIndex.h"

#include <fcntl.h>

#include <cerrno>

#include "FileCopier.h"
#include "PartialRecord.h"

namespace tolvane {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;
constexpr char kAdded = '+';

// Opens the folder at relative path folder ("" for root itself) one step at a time, never
// through a symbolic link. Returns the descriptor or -errno.
int OpenFolder(FileSystem& files, int root, std::string_view folder) {
    int fd = files.Open(root, ".", kFolderFlags);
    while (fd >= 0 && !folder.empty()) {
        const size_t slash = folder.find('/');
        const std::string step(folder.substr(0, slash));
        folder = slash == std::string_view::npos ? std::string_view() : folder.substr(slash + 1);
        const int next = files.Open(fd, step.c_str(), kFolderFlags);
        files.Close(fd);
        fd = next;
    }
    return fd;
}

// Splits "a/b/name" into "a/b" and "name".
void Split(std::string_view path, std::string_view& folder, std::string& name) {
    const size_t slash = path.rfind('/');
    folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
    name.assign(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

int WriteAll(FileSystem& files, int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = files.Write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return n < 0 ? static_cast<int>(n) : -EIO;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace

PartialIndex::~PartialIndex() {
    if (m_listFd >= 0) {
        m_files.Close(m_listFd);
    }
}

void PartialIndex::Open(int sourceRoot, int targetRoot) {
    m_sourceRoot = sourceRoot;
    m_targetRoot = targetRoot;
    const int fd = m_files.Open(targetRoot, kListName, O_RDONLY | O_NOFOLLOW);
    if (fd < 0) {
        return;  // nothing in progress: the usual case
    }
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = m_files.Read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<size_t>(n));
    }
    m_files.Close(fd);
    // Entries end in '\0', which no path holds; a torn last entry has none and is ignored.
    for (size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos; at = end + 1) {
        if (end > at + 1 && text[at] == kAdded) {
            m_listed.insert(text.substr(at + 1, end - at - 1));
        }
        m_dropped = m_dropped || text[at] != kAdded;
    }
    for (auto it = m_listed.begin(); it != m_listed.end();) {
        if (StillUseful(*it)) {
            ++it;
        } else {
            RemovePartial(m_files, m_targetRoot, *it);
            it = m_listed.erase(it);
            m_dropped = true;
        }
    }
}

// True when the partial of relativePath is there with a sound record that describes its
// source as it is now; also when that cannot be told (a folder that cannot be read).
bool PartialIndex::StillUseful(const std::string& relativePath) {
    std::string_view folder;
    std::string name;
    Split(relativePath, folder, name);
    const int targetDir = OpenFolder(m_files, m_targetRoot, folder);
    if (targetDir < 0) {
        return targetDir != -ENOENT && targetDir != -ENOTDIR && targetDir != -ELOOP;
    }
    bool useful = false;
    const int record = m_files.Open(targetDir, FileCopier::RecordNameOf(name.c_str()).c_str(),
                                    O_RDONLY | O_NOFOLLOW);
    PartialRecord described;
    struct stat partial {};
    if (record >= 0 && PartialRecord::Read(m_files, record, described) &&
        m_files.StatAt(targetDir, FileCopier::TemporaryNameOf(name.c_str()).c_str(), partial) ==
            0) {
        const int sourceDir = OpenFolder(m_files, m_sourceRoot, folder);
        struct stat source {};
        useful = sourceDir >= 0 && m_files.StatAt(sourceDir, name.c_str(), source) == 0 &&
                 described.Describes(source);
        if (sourceDir >= 0) {
            m_files.Close(sourceDir);
        }
    }
    if (record >= 0) {
        m_files.Close(record);
    }
    m_files.Close(targetDir);
    return useful;
}

int PartialIndex::Add(std::string_view relativePath) {
    std::lock_guard guard(m_lock);
    if (!m_listed.emplace(relativePath).second) {
        return 0;
    }
    if (m_listFd < 0) {
        m_listFd =
            m_files.Open(m_targetRoot, kListName, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, 0600);
    }
    std::string entry(1, kAdded);
    entry.append(relativePath).push_back('\0');
    const int error = m_listFd < 0 ? m_listFd : WriteAll(m_files, m_listFd, entry);
    if (error != 0) {
        m_listed.erase(std::string(relativePath));
        return error;
    }
    m_unsynced = true;
    return 0;
}

int PartialIndex::Sync() {
    std::lock_guard guard(m_lock);
    if (!m_unsynced) {
        return 0;
    }
    const int error = m_files.DataSync(m_listFd);
    m_unsynced = error != 0;
    return error;
}

void PartialIndex::Remove(std::string_view relativePath) {
    std::lock_guard guard(m_lock);
    m_listed.erase(std::string(relativePath));
    m_kept.erase(std::string(relativePath));
    m_dropped = true;
}

void PartialIndex::Keep(std::string_view relativePath) {
    std::lock_guard guard(m_lock);
    m_kept.emplace(relativePath);
}

void PartialIndex::Close(bool walkComplete) {
    std::lock_guard guard(m_lock);
    if (m_targetRoot < 0) {
        return;
    }
    for (auto it = m_listed.begin(); walkComplete && it != m_listed.end();) {
        if (m_kept.count(*it) != 0) {
            ++it;
            continue;
        }
        RemovePartial(m_files, m_targetRoot, *it);
        it = m_listed.erase(it);
        m_dropped = true;
    }
    if (m_listFd >= 0) {
        m_files.Close(m_listFd);
        m_listFd = -1;
    }
    if (m_listed.empty() && (m_dropped || m_unsynced)) {
        m_files.Unlink(m_targetRoot, kListName);
    } else if (m_dropped) {
        Rewrite();
    }
    m_targetRoot = -1;
}

// Replaces the list by one of the entries left, written whole under a temporary name first,
// so that a run killed meanwhile finds the old list or the new one, never half of one.
void PartialIndex::Rewrite() {
    std::string text;
    for (const std::string& path : m_listed) {
        text.append(1, kAdded).append(path).push_back('\0');
    }
    const std::string temporary = FileCopier::TemporaryNameOf(kListName);
    const int fd = m_files.Open(m_targetRoot, temporary.c_str(),
                                O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return;  // the old list names more than is there, which costs the next run a look
    }
    int error = WriteAll(m_files, fd, text);
    error = error != 0 ? error : m_files.DataSync(fd);
    error = m_files.Close(fd) != 0 && error == 0 ? -EIO : error;
    if (error != 0 || m_files.Rename(m_targetRoot, temporary.c_str(), kListName) != 0) {
        m_files.Unlink(m_targetRoot, temporary.c_str());
    }
}

void PartialIndex::RemovePartial(FileSystem& files, int targetRoot, std::string_view relativePath) {
    std::string_view folder;
    std::string name;
    Split(relativePath, folder, name);
    const int dir = OpenFolder(files, targetRoot, folder);
    if (dir < 0) {
        return;
    }
    files.Unlink(dir, FileCopier::TemporaryNameOf(name.c_str()).c_str());
    files.Unlink(dir, FileCopier::RecordNameOf(name.c_str()).c_str());
    files.Close(dir);
}

}  // namespace tolvane
