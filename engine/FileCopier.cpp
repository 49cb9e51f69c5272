#include "FileCopier.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "PartialCopy.h"
#include "PartialIndex.h"

namespace tolvane {

namespace {

// Large enough that the per-call cost vanishes, small enough that an abandon request is seen
// within a fraction of a second.
constexpr off_t kChunk = off_t{8} << 20;
constexpr size_t kBufferSize = size_t{256} << 10;
constexpr const char* kTemporarySuffix = ".tolvane-partial";
// The name a shorter target is moved aside to while its replacement takes its name, where the
// file system refuses to rename onto an existing name.
constexpr const char* kAsideSuffix = ".tolvane-replaced";
constexpr const char* kRecordSuffix = ".tolvane-record";
// The longest part of a name that a temporary name repeats: with the dot, a hash and the
// suffix, it stays within the 255 bytes a file name may have.
constexpr size_t kNameKept = 200;
// Returned by CopySparse when the file system cannot list where the data lies.
constexpr int kNoDataMap = -1;
// Returned by a method whose first call moved nothing from a file that claims data (procfs,
// sysfs, some FUSE file systems): the next method is tried for this file only.
constexpr int kNothingMoved = -2;

// Errors by which a file system or a sandbox says "not this way" to a clone or an in-kernel
// copy, after which the next method is tried: seccomp filters answer EPERM, some FUSE and
// network file systems EACCES, EBADF or ENOENT.
bool MethodRefused(int error) {
    return error == EXDEV || error == EOPNOTSUPP || error == EINVAL || error == ENOSYS ||
           error == ENOTTY || error == ETXTBSY || error == EPERM || error == EACCES ||
           error == EBADF || error == ENOENT;
}

// A target file system that does not keep an attribute is no reason to fail the copy.
bool AttributeRefused(int error) {
    return error == EOPNOTSUPP || error == EPERM || error == EACCES;
}

size_t NextChunk(off_t end, off_t written) {
    return static_cast<size_t>(std::min(kChunk, end - written));
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The file did not change while it was read: same size, contents time and status time.
bool Unchanged(const struct stat& before, const struct stat& after) {
    return before.st_size == after.st_size && SameTime(before.st_mtim, after.st_mtim) &&
           SameTime(before.st_ctim, after.st_ctim);
}

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// True when name, of length bytes, is a dot, at least one byte and suffix, as NameBeside makes.
bool IsNameBeside(const char* name, size_t length, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return name[0] == '.' && length > n + 1 && std::strcmp(name + length - n, suffix) == 0;
}

// ".NAME" + suffix; a name too long for that keeps its first bytes and a hash of the whole,
// so that two long names that begin alike never share a temporary name.
std::string NameBeside(const char* name, const char* suffix) {
    const size_t length = std::strlen(name);
    std::string beside(".");
    if (length <= kNameKept) {
        beside.append(name, length);
    } else {
        std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
        for (size_t i = 0; i < length; ++i) {
            hash = (hash ^ static_cast<unsigned char>(name[i])) * 1099511628211ULL;
        }
        char digits[17];
        std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
        beside.append(name, kNameKept - sizeof digits);
        beside.append("~").append(digits);
    }
    beside.append(suffix);
    return beside;
}

// Errors by which a file system refuses to rename onto a name that exists (some FUSE and
// phone file systems), where moving the old entry aside first may still work.
bool ReplaceRefused(int error) {
    return error == EPERM || error == EEXIST || error == ENOTSUP || error == EOPNOTSUPP;
}

}  // namespace

FileCopier::FileCopier(FileSystem& files, ChunkQuery beforeChunk, PartialIndex* partials,
                       UpdateRequest::Resumable resumable)
    : m_files(files),
      m_beforeChunk(std::move(beforeChunk)),
      m_user(::geteuid()),
      m_group(::getegid()),
      m_asRoot(m_user == 0),
      m_partial(partials == nullptr ? nullptr
                                    : std::make_unique<PartialCopy>(files, *partials, resumable)) {}

FileCopier::~FileCopier() = default;

std::string FileCopier::TemporaryNameOf(const char* name) {
    return NameBeside(name, kTemporarySuffix);
}

std::string FileCopier::RecordNameOf(const char* name) {
    return NameBeside(name, kRecordSuffix);
}

bool FileCopier::IsTemporaryName(const char* name) {
    const size_t length = std::strlen(name);
    return IsNameBeside(name, length, kTemporarySuffix) ||
           IsNameBeside(name, length, kAsideSuffix) || IsNameBeside(name, length, kRecordSuffix) ||
           std::strcmp(name, PartialIndex::kListName) == 0;
}

CopyResult FileCopier::Copy(int sourceDir, int targetDir, dev_t targetDevice, const char* name,
                            const struct stat& sourceStat, const struct stat* replaced,
                            std::string_view relativePath) {
    CopyResult result;
    // O_NONBLOCK: should the entry have turned into a FIFO since it was listed, opening it
    // must not wait for a writer; the status check below then refuses it.
    const int in = m_files.Open(sourceDir, name, O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
    if (in < 0) {
        result.error = -in;
        return result;
    }
    struct stat opened {};
    int error = -m_files.Stat(in, opened);
    if (error == 0 && (!S_ISREG(opened.st_mode) || opened.st_ino != sourceStat.st_ino ||
                       opened.st_dev != sourceStat.st_dev)) {
        error = EAGAIN;  // replaced between listing and opening; a later run picks it up
    }
    ChooseMethodsFor(opened.st_dev, targetDevice);
    m_temporaryName = TemporaryNameOf(name);
    m_resumedAt = 0;

    // A long copy goes to a partial that a later run can resume; one that cannot be listed
    // as such is a plain copy.
    Output output;
    m_resumable =
        error == 0 && m_partial && !relativePath.empty() && m_partial->Wanted(opened.st_size);
    if (m_resumable) {
        output.fd = m_partial->Open(in, targetDir, name, m_temporaryName, opened, relativePath);
        output.named = output.fd >= 0;
        m_resumable = m_partial->Active();
        m_resumedAt = m_partial->ResumedAt();
    }
    if (error == 0 && !m_resumable) {
        output = CreateOutput(targetDir);
    }
    error = error == 0 && output.fd < 0 ? -output.fd : error;
    if (error == 0) {
        result.bytes = m_resumedAt;
        error = CopyContents(in, output.fd, opened, result.bytes);
        result.shortData = error == 0 && result.bytes < opened.st_size;
    }
    if (error == 0) {
        error = FinishTarget(in, output.fd, opened, result.attributesDropped);
    }
    struct stat after {};
    if (error == 0 && (m_files.Stat(in, after) != 0 || !Unchanged(opened, after))) {
        error = EAGAIN;  // written to while it was copied: the copy may be torn
    }
    if (error == 0) {
        error = Install(output, targetDir, name, opened, replaced);
        output.fd = -1;  // closed by the installation
    }
    if (m_resumable) {
        result.partialKept = m_partial->End(output.fd, result.bytes, error, output.named);
    } else {
        if (output.fd >= 0) {
            m_files.Close(output.fd);
        }
        if (error != 0 && output.named) {
            m_files.Unlink(targetDir, m_temporaryName.c_str());
        }
    }
    m_files.Close(in);
    result.error = error;
    result.resumed = m_resumedAt;
    return result;
}

// Asked before each chunk: an abandon request ends the copy (ECANCELED); a resumable copy
// flushes and updates its record when that is due. Returns 0 to go on, or the error that
// ends the copy.
int FileCopier::BeforeChunk(int out, off_t written) {
    if (m_beforeChunk && m_beforeChunk(written, m_fileSize, m_resumedAt)) {
        return ECANCELED;
    }
    return m_resumable ? -m_partial->BeforeChunk(out, written) : 0;
}

// An unnamed file in the target folder, or, where the file system has no such thing, a file
// under the temporary name.
FileCopier::Output FileCopier::CreateOutput(int targetDir) {
    Output output;
    if (m_unnamedWorks) {
        output.fd = m_files.Open(targetDir, ".", O_TMPFILE | O_WRONLY, 0600);
        if (output.fd >= 0) {
            return output;
        }
        if (output.fd != -EOPNOTSUPP && output.fd != -EISDIR && output.fd != -EINVAL) {
            return output;
        }
        m_unnamedWorks = false;
    }
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
    output.fd = m_files.Open(targetDir, m_temporaryName.c_str(), kFlags, 0600);
    if (output.fd == -EEXIST) {
        // Left by an earlier run that was killed mid-copy: runs on one folder never overlap.
        m_files.Unlink(targetDir, m_temporaryName.c_str());
        output.fd = m_files.Open(targetDir, m_temporaryName.c_str(), kFlags, 0600);
    }
    output.named = output.fd >= 0;
    return output;
}

// Owner (as root), extended attributes and ACLs, then mode, then times: chown clears the
// set-ID bits and setting an ACL rewrites the group bits, so the mode comes after both, and
// the times last.
int FileCopier::FinishTarget(int in, int out, const struct stat& source, bool& attributesDropped) {
    // A new file already belongs to whoever runs the update; only root can give it another owner.
    const bool ownerKept = m_asRoot && ((source.st_uid == m_user && source.st_gid == m_group) ||
                                        m_files.Chown(out, source.st_uid, source.st_gid) == 0);
    int error = CopyAttributes(in, out, attributesDropped);
    if (error != 0) {
        return error;
    }
    // The set-ID bits only with their owner: a copy that belongs to whoever runs the update
    // must not gain another owner's privileges.
    mode_t mode = source.st_mode & 07777;
    if (!ownerKept) {
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
    error = -m_files.Chmod(out, mode);
    if (error != 0) {
        return error;
    }
    const timespec times[2] = {source.st_atim, source.st_mtim};
    return -m_files.SetTimes(out, times);
}

// Copies the user's attributes and the access ACL; the security and trusted namespaces only
// as root, who alone may read and write them.
int FileCopier::CopyAttributes(int in, int out, bool& dropped) {
    if (m_files.ListAttributes(in, m_attributeNames) != 0) {
        return 0;  // the source's file system keeps none
    }
    for (size_t at = 0; at < m_attributeNames.size();) {
        const char* name = m_attributeNames.c_str() + at;
        at += std::strlen(name) + 1;
        const bool wanted =
            StartsWith(name, "user.") || std::strcmp(name, "system.posix_acl_access") == 0 ||
            (m_asRoot && (StartsWith(name, "security.") || StartsWith(name, "trusted.")));
        if (!wanted || m_files.GetAttribute(in, name, m_attributeValue) != 0) {
            continue;
        }
        const int error = -m_files.SetAttribute(out, name, m_attributeValue);
        if (AttributeRefused(error)) {
            dropped = true;
        } else if (error != 0) {
            return error;
        }
    }
    return 0;
}

// Gives the finished file its name. A new file takes the name only while it is free; a
// replacement goes over the target only if that is still the shorter file that was compared.
int FileCopier::Install(Output& output, int targetDir, const char* name, const struct stat& source,
                        const struct stat* replaced) {
    int error = 0;
    if (!output.named && replaced == nullptr) {
        error = -m_files.LinkOpenFile(output.fd, targetDir, name);
        const int closeError = -m_files.Close(output.fd);
        if (error == 0 && closeError != 0) {
            // The data may not have reached the file (a network file system reports that at
            // close): take the name back if it still shows the file just finished, which
            // has the source's size and time (to the 2 s the coarsest file systems keep).
            struct stat named {};
            if (m_files.StatAt(targetDir, name, named) == 0 && named.st_size == source.st_size &&
                named.st_mtim.tv_sec - source.st_mtim.tv_sec <= 2 &&
                source.st_mtim.tv_sec - named.st_mtim.tv_sec <= 2) {
                m_files.Unlink(targetDir, name);
            }
        }
        return error != 0 ? error : closeError;
    }
    if (!output.named) {
        error = -m_files.LinkOpenFile(output.fd, targetDir, m_temporaryName.c_str());
        if (error == EEXIST) {
            // Left by an earlier run that was killed between naming and renaming.
            m_files.Unlink(targetDir, m_temporaryName.c_str());
            error = -m_files.LinkOpenFile(output.fd, targetDir, m_temporaryName.c_str());
        }
        output.named = error == 0;
    }
    const int closeError = -m_files.Close(output.fd);
    error = error != 0 ? error : closeError;
    if (error != 0) {
        return error;
    }
    if (replaced == nullptr) {
        return NameNewFile(targetDir, name);
    }
    struct stat current {};
    if (m_files.StatAt(targetDir, name, current) != 0 || !S_ISREG(current.st_mode) ||
        current.st_ino != replaced->st_ino || current.st_size != replaced->st_size) {
        return EAGAIN;
    }
    error = -m_files.Rename(targetDir, m_temporaryName.c_str(), name);
    if (ReplaceRefused(error)) {
        error = ReplaceAside(targetDir, name, error);
    }
    output.named = error != 0;
    return error;
}

// Replaces name by the finished temporary file where the file system refuses to rename onto
// an existing name: the old file is moved aside, the new one named, and only then the old one
// removed; should naming fail, the old file is put back. Returns 0, or refused when even
// moving aside is impossible.
int FileCopier::ReplaceAside(int targetDir, const char* name, int refused) {
    const std::string aside = NameBeside(name, kAsideSuffix);
    int error = RenameIfFree(targetDir, name, aside.c_str());
    if (error == EEXIST) {
        // Left by a run that was killed while replacing: only one copy of a name is ever in
        // flight, and the roots' lock keeps other runs out.
        m_files.Unlink(targetDir, aside.c_str());
        error = RenameIfFree(targetDir, name, aside.c_str());
    }
    if (error != 0) {
        return refused;
    }
    error = NameNewFile(targetDir, name);
    if (error != 0) {
        RenameIfFree(targetDir, aside.c_str(), name);
        return error;
    }
    m_files.Unlink(targetDir, aside.c_str());
    return 0;
}

// Renames the temporary file to name without ever replacing an entry that appeared there.
int FileCopier::NameNewFile(int targetDir, const char* name) {
    return RenameIfFree(targetDir, m_temporaryName.c_str(), name);
}

// Renames from to to in targetDir only while to is free: -EEXIST otherwise.
int FileCopier::RenameIfFree(int targetDir, const char* from, const char* to) {
    int error = -m_files.RenameNoReplace(targetDir, from, to);
    if (error == EINVAL || error == ENOSYS) {
        // A file system without the no-replace flag: look, then rename.
        struct stat existing {};
        error = m_files.StatAt(targetDir, to, existing) == 0 ? EEXIST
                                                             : -m_files.Rename(targetDir, from, to);
    }
    return error;
}

void FileCopier::ChooseMethodsFor(dev_t sourceDevice, dev_t targetDevice) {
    if (!m_pairKnown || sourceDevice != m_sourceDevice || targetDevice != m_targetDevice) {
        m_sourceDevice = sourceDevice;
        m_targetDevice = targetDevice;
        m_method = Method::Clone;
        m_unnamedWorks = true;
        m_pairKnown = true;
    }
}

// Copies the data from written on (0, or where a resumed copy goes on, both files positioned
// there); written ends as the bytes of the source that the target now holds.
int FileCopier::CopyContents(int in, int out, const struct stat& source, off_t& written) {
    const off_t start = written;
    m_fileSize = source.st_size;
    if (start >= source.st_size) {
        return 0;
    }
    if (m_method == Method::Clone && start == 0) {
        const int error = -m_files.CloneFile(in, out);
        if (error == 0) {
            written = source.st_size;
            return 0;
        }
        if (!MethodRefused(error)) {
            return error;
        }
        m_method = Method::Range;
    }
    // Fewer blocks than the size needs: the file has holes, which must stay holes.
    if (source.st_blocks * 512 < source.st_size) {
        const int error = CopySparse(in, out, source.st_size, written);
        if (error != kNoDataMap) {
            return error;
        }
        written = start;
    }
    return CopySegment(in, out, source.st_size, written);
}

// Copies only the data regions, found with SEEK_DATA and SEEK_HOLE, and sets the size at the
// end so that a trailing hole stays one. Returns kNoDataMap when the file system cannot tell.
int FileCopier::CopySparse(int in, int out, off_t size, off_t& written) {
    const off_t start = written;
    off_t position = start;
    while (position < size) {
        const off_t data = m_files.Seek(in, position, SEEK_DATA);
        if (data == -ENXIO) {
            break;  // only a hole is left
        }
        if (data < 0) {
            return position == start && data == -EINVAL ? kNoDataMap : static_cast<int>(-data);
        }
        const off_t hole = m_files.Seek(in, data, SEEK_HOLE);
        if (hole < 0) {
            return static_cast<int>(-hole);
        }
        const off_t end = std::min(hole, size);
        off_t seek = m_files.Seek(in, data, SEEK_SET);
        seek = seek < 0 ? seek : m_files.Seek(out, data, SEEK_SET);
        if (seek < 0) {
            return static_cast<int>(-seek);
        }
        written = data;
        const int error = CopySegment(in, out, end, written);
        if (error != 0 || written < end) {
            return error;  // the source ended early: the caller sees written short
        }
        position = end;
    }
    written = size;
    return -m_files.Truncate(out, size);
}

// Copies from the current offsets up to end with the best method the pair allows. A method
// the file system refuses is not tried again for the pair.
int FileCopier::CopySegment(int in, int out, off_t end, off_t& written) {
    const off_t start = written;
    // Still Clone only when a resumed copy skipped the clone, which copies whole files only.
    Method method = m_method == Method::Clone ? Method::Range : m_method;
    if (method == Method::Range) {
        const int error = CopyByRange(in, out, end, written);
        if (error == 0 || written > start || (error != kNothingMoved && !MethodRefused(error))) {
            return error;
        }
        m_method = error == kNothingMoved ? m_method : Method::Send;
        method = Method::Send;
    }
    if (method == Method::Send) {
        const int error = CopyBySend(in, out, end, written);
        if (error == 0 || written > start || (error != kNothingMoved && !MethodRefused(error))) {
            return error;
        }
        m_method = error == kNothingMoved ? m_method : Method::ReadWrite;
    }
    return CopyByReadWrite(in, out, end, written);
}

// Each loop copies up to end and stops early should the source end sooner; the caller
// compares what was written with the size.
int FileCopier::CopyByRange(int in, int out, off_t end, off_t& written) {
    const off_t start = written;
    while (written < end) {
        if (const int error = BeforeChunk(out, written); error != 0) {
            return error;
        }
        const ssize_t n = m_files.CopyRange(in, out, NextChunk(end, written));
        if (n < 0) {
            return static_cast<int>(-n);
        }
        if (n == 0) {
            return written == start ? kNothingMoved : 0;
        }
        written += n;
    }
    return 0;
}

int FileCopier::CopyBySend(int in, int out, off_t end, off_t& written) {
    const off_t start = written;
    while (written < end) {
        if (const int error = BeforeChunk(out, written); error != 0) {
            return error;
        }
        const ssize_t n = m_files.SendFile(out, in, NextChunk(end, written));
        if (n < 0) {
            return static_cast<int>(-n);
        }
        if (n == 0) {
            return written == start ? kNothingMoved : 0;
        }
        written += n;
    }
    return 0;
}

int FileCopier::CopyByReadWrite(int in, int out, off_t end, off_t& written) {
    if (!m_buffer) {
        m_buffer = std::make_unique<char[]>(kBufferSize);
    }
    while (written < end) {
        if (const int error = BeforeChunk(out, written); error != 0) {
            return error;
        }
        const size_t want = std::min(kBufferSize, NextChunk(end, written));
        const ssize_t n = m_files.Read(in, m_buffer.get(), want);
        if (n < 0) {
            return static_cast<int>(-n);
        }
        if (n == 0) {
            return 0;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w =
                m_files.Write(out, m_buffer.get() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                return static_cast<int>(-w);
            }
            if (w == 0) {
                return EIO;  // a write that makes no progress would loop for ever
            }
            done += w;
        }
        written += n;
    }
    return 0;
}

}  // namespace tolvane
