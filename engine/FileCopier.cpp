#include "FileCopier.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace tolvane {

namespace {

// Large enough that the per-call cost vanishes, small enough that an abandon request is seen
// within a fraction of a second.
constexpr off_t kChunk = off_t{8} << 20;
constexpr size_t kBufferSize = size_t{256} << 10;

// Errors by which a file system says "not this way", after which the next method is tried.
bool MethodRefused(int error) {
    return error == EXDEV || error == EOPNOTSUPP || error == EINVAL || error == ENOSYS ||
           error == ENOTTY || error == ETXTBSY;
}

size_t NextChunk(off_t size, off_t written) {
    return static_cast<size_t>(std::min(kChunk, size - written));
}

}  // namespace

FileCopier::FileCopier(FileSystem& files, ChunkQuery beforeChunk)
    : m_files(files), m_beforeChunk(std::move(beforeChunk)) {}

CopyResult FileCopier::Copy(int sourceDir, int targetDir, dev_t targetDevice, const char* name,
                            const struct stat& sourceStat, bool targetExists) {
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
    // A shorter target is replaced only once the whole copy stands beside it, so a failed
    // copy leaves it as it was; a missing one is written under its own name.
    const char* writeName = targetExists ? TemporaryName(name) : name;
    int out = -1;
    if (error == 0) {
        out = CreateTarget(targetDir, writeName, targetExists);
        error = out < 0 ? -out : 0;
    }
    if (error == 0) {
        error = CopyData(in, out, opened.st_size, opened.st_dev, targetDevice, result.bytes);
    }
    if (error == 0) {
        error = FinishTarget(out, opened);
    }
    if (out >= 0) {
        const int closeError = -m_files.Close(out);
        if (error == 0) {
            error = closeError;
        }
        if (error == 0 && targetExists) {
            error = -m_files.Rename(targetDir, writeName, name);
        }
        if (error != 0) {
            m_files.Unlink(targetDir, writeName);
        }
    }
    m_files.Close(in);
    result.error = error;
    return result;
}

// A name beside the target, unlikely to be taken; CreateTarget tries others if it is.
const char* FileCopier::TemporaryName(const char* name) {
    m_temporaryName.clear();
    m_temporaryName.push_back('.');
    m_temporaryName.append(name, std::min<size_t>(std::strlen(name), 200));
    m_temporaryName.append(".tolvane-partial");
    return m_temporaryName.c_str();
}

int FileCopier::CreateTarget(int targetDir, const char*& writeName, bool temporary) {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
    int fd = m_files.Open(targetDir, writeName, kFlags, 0600);
    const size_t base = m_temporaryName.size();
    for (int attempt = 1; temporary && fd == -EEXIST && attempt < 100; ++attempt) {
        m_temporaryName.resize(base);
        m_temporaryName.append(std::to_string(attempt));
        writeName = m_temporaryName.c_str();
        fd = m_files.Open(targetDir, writeName, kFlags, 0600);
    }
    return fd;
}

int FileCopier::FinishTarget(int out, const struct stat& sourceStat) {
    // Permission bits without set-user-ID and set-group-ID: the copy belongs to whoever runs
    // the update, and must not gain another owner's privileges.
    const int error = -m_files.Chmod(out, sourceStat.st_mode & 0777);
    if (error != 0) {
        return error;
    }
    const timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    return -m_files.SetTimes(out, times);
}

FileCopier::Method FileCopier::FirstMethodFor(dev_t sourceDevice, dev_t targetDevice) {
    if (!m_pairKnown || sourceDevice != m_sourceDevice || targetDevice != m_targetDevice) {
        m_sourceDevice = sourceDevice;
        m_targetDevice = targetDevice;
        m_method = Method::Clone;
        m_pairKnown = true;
    }
    return m_method;
}

int FileCopier::CopyData(int in, int out, off_t size, dev_t sourceDevice, dev_t targetDevice,
                         off_t& written) {
    written = 0;
    if (size == 0) {
        return 0;
    }
    Method method = FirstMethodFor(sourceDevice, targetDevice);
    if (method == Method::Clone) {
        const int error = -m_files.CloneFile(in, out);
        if (error == 0) {
            written = size;
            return 0;
        }
        if (!MethodRefused(error)) {
            return error;
        }
        method = m_method = Method::Range;
    }
    if (method == Method::Range) {
        const int error = CopyByRange(in, out, size, written);
        if (error == 0 || written > 0 || !MethodRefused(error)) {
            return error;
        }
        method = m_method = Method::Send;
    }
    if (method == Method::Send) {
        const int error = CopyBySend(in, out, size, written);
        if (error == 0 || written > 0 || !MethodRefused(error)) {
            return error;
        }
        m_method = Method::ReadWrite;
    }
    return CopyByReadWrite(in, out, size, written);
}

// Each loop copies the size the source had when it was opened and stops early should the
// source shrink; the deletion check later sees any such change.
int FileCopier::CopyByRange(int in, int out, off_t size, off_t& written) {
    while (written < size) {
        if (Abandoned(written, size)) {
            return ECANCELED;
        }
        const ssize_t n = m_files.CopyRange(in, out, NextChunk(size, written));
        if (n < 0) {
            return static_cast<int>(-n);
        }
        if (n == 0) {
            // Some file systems (procfs and the like) report no data where there is some;
            // let the next method try from the start.
            return written == 0 ? EINVAL : 0;
        }
        written += n;
    }
    return 0;
}

int FileCopier::CopyBySend(int in, int out, off_t size, off_t& written) {
    while (written < size) {
        if (Abandoned(written, size)) {
            return ECANCELED;
        }
        const ssize_t n = m_files.SendFile(out, in, NextChunk(size, written));
        if (n < 0) {
            return static_cast<int>(-n);
        }
        if (n == 0) {
            return 0;
        }
        written += n;
    }
    return 0;
}

int FileCopier::CopyByReadWrite(int in, int out, off_t size, off_t& written) {
    if (!m_buffer) {
        m_buffer = std::make_unique<char[]>(kBufferSize);
    }
    while (written < size) {
        if (Abandoned(written, size)) {
            return ECANCELED;
        }
        const size_t want = std::min(kBufferSize, NextChunk(size, written));
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
