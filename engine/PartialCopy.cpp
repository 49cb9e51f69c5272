#include "PartialCopy.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "FileCopier.h"
#include "PartialRecord.h"

namespace tolvane {

namespace {

// How often the data is flushed and the record updated: what a cut-off copy loses at most.
// Each flush waits for the storage, so a copy that ends sooner never waits.
constexpr auto kFlushInterval = std::chrono::seconds(2);
// The kept part compared with the source before it is continued: its end, the part most
// likely lost when the storage was cut off while it cached writes.
constexpr off_t kCheckedWindow = off_t{16} << 20;
constexpr size_t kBlockSize = size_t{256} << 10;

// Reads length bytes into buffer unless the file ends first. Returns the bytes read or -errno.
ssize_t ReadFully(FileSystem& files, int fd, char* buffer, size_t length) {
    size_t got = 0;
    while (got < length) {
        const ssize_t n = files.Read(fd, buffer + got, length - got);
        if (n <= 0) {
            return n < 0 ? n : static_cast<ssize_t>(got);
        }
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// Errors by which a file system says it cannot flush a file's data at all.
bool SyncRefused(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EROFS;
}

}  // namespace

PartialCopy::PartialCopy(FileSystem& files, PartialIndex& index, UpdateRequest::Resumable rule)
    : m_files(files), m_index(index), m_rule(rule) {}

int PartialCopy::Open(int in, int targetDir, const char* name, const std::string& temporaryName,
                      const struct stat& source, std::string_view relativePath) {
    m_active = true;
    m_targetDir = targetDir;
    m_recordFd = -1;
    m_source = &source;
    m_temporaryName = temporaryName;
    m_recordName = FileCopier::RecordNameOf(name);
    m_relativePath = relativePath;
    m_resumedAt = m_durable = 0;
    m_flushed = std::chrono::steady_clock::now();
    const int existing = m_files.Open(targetDir, m_temporaryName.c_str(), O_RDWR | O_NOFOLLOW);
    if (existing >= 0) {
        const off_t at = ResumePoint(in, existing, source);
        if (at > 0) {
            m_resumedAt = m_durable = at;
            m_index.Add(m_relativePath);  // listed already, unless the list was lost
            return existing;
        }
        m_files.Close(existing);
    }
    // A record without its partial, or of one that is discarded, must never be taken to
    // describe the new one.
    m_files.Unlink(targetDir, m_recordName.c_str());
    if (m_index.Add(m_relativePath) != 0) {
        m_active = false;
        return -1;
    }
    constexpr int kFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
    int fd = m_files.Open(targetDir, m_temporaryName.c_str(), kFlags, 0600);
    if (fd == -EEXIST) {
        // A partial that cannot be continued, or a leftover of an earlier plain copy.
        m_files.Unlink(targetDir, m_temporaryName.c_str());
        fd = m_files.Open(targetDir, m_temporaryName.c_str(), kFlags, 0600);
    }
    return fd;
}

// Where the partial open as partial may be continued: the durable length its record gives,
// when the record describes source as it is now and the kept part ends as the source does
// there. Cuts off what lies past that point and positions both files there. Returns -1 when
// the partial must be discarded, with the source back at its start.
off_t PartialCopy::ResumePoint(int in, int partial, const struct stat& source) {
    const int recordFd = m_files.Open(m_targetDir, m_recordName.c_str(), O_RDWR | O_NOFOLLOW);
    if (recordFd < 0) {
        return -1;
    }
    PartialRecord record;
    struct stat kept {};
    const bool sound = PartialRecord::Read(m_files, recordFd, record) && record.Describes(source) &&
                       m_files.Stat(partial, kept) == 0 && S_ISREG(kept.st_mode) &&
                       kept.st_size >= record.durable &&
                       KeptPartMatches(in, partial, record.durable) &&
                       m_files.Truncate(partial, record.durable) == 0 &&
                       m_files.Seek(in, record.durable, SEEK_SET) == record.durable &&
                       m_files.Seek(partial, record.durable, SEEK_SET) == record.durable;
    if (!sound) {
        m_files.Close(recordFd);
        m_files.Seek(in, 0, SEEK_SET);  // the check read on: the fresh copy starts at 0
        return -1;
    }
    m_recordFd = recordFd;
    return record.durable;
}

// True when the last bytes of the kept part before end (up to kCheckedWindow of them) are
// the source's.
bool PartialCopy::KeptPartMatches(int in, int partial, off_t end) {
    if (!m_sourceBlock) {
        m_sourceBlock = std::make_unique<char[]>(kBlockSize);
        m_keptBlock = std::make_unique<char[]>(kBlockSize);
    }
    off_t at = std::max<off_t>(0, end - kCheckedWindow);
    if (m_files.Seek(in, at, SEEK_SET) != at || m_files.Seek(partial, at, SEEK_SET) != at) {
        return false;
    }
    while (at < end) {
        const size_t want = static_cast<size_t>(std::min<off_t>(kBlockSize, end - at));
        if (ReadFully(m_files, in, m_sourceBlock.get(), want) != static_cast<ssize_t>(want) ||
            ReadFully(m_files, partial, m_keptBlock.get(), want) != static_cast<ssize_t>(want) ||
            std::memcmp(m_sourceBlock.get(), m_keptBlock.get(), want) != 0) {
            return false;
        }
        at += static_cast<off_t>(want);
    }
    return true;
}

int PartialCopy::BeforeChunk(int out, off_t written) {
    if (written <= m_durable) {
        return 0;
    }
    if (written - m_durable >= m_rule.flushBytes ||
        std::chrono::steady_clock::now() - m_flushed >= kFlushInterval) {
        return Flush(out, written);
    }
    return 0;
}

// Flushes the partial's first written bytes and then records that they are on the storage,
// the partial index first, so that no record ever claims data the storage may not hold and
// no partial the storage holds is missing from the list. On a file system that cannot flush
// at all, the copy goes on without a record (and is not kept when cut off).
int PartialCopy::Flush(int out, off_t written) {
    if (written <= m_durable) {
        return 0;
    }
    m_flushed = std::chrono::steady_clock::now();
    struct stat now {};
    int error = m_files.Stat(out, now);
    if (error == 0 && now.st_size < written) {
        error = m_files.Truncate(out, written);  // a hole just passed: the size must cover it
    }
    error = error != 0 ? error : m_files.DataSync(out);
    if (SyncRefused(-error)) {
        m_durable = m_source->st_size;  // no more flushes; the record stays unwritten
        return 0;
    }
    error = error != 0 ? error : m_index.Sync();
    if (error == 0 && m_recordFd < 0) {
        m_recordFd = m_files.Open(m_targetDir, m_recordName.c_str(),
                                  O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
        error = m_recordFd < 0 ? m_recordFd : 0;
    }
    error = error != 0 ? error : PartialRecord::Of(*m_source, written).Write(m_files, m_recordFd);
    if (error == 0) {
        m_durable = written;
    }
    return error;
}

// Cut off (stopped, disk full, I/O error, ...), the partial is flushed once more and stays
// with its record, if it has one; a copy whose source changed (EAGAIN), or whose name was
// taken (EEXIST), is removed.
bool PartialCopy::End(int out, off_t written, int error, bool named) {
    const bool cutOff = error != 0 && error != EAGAIN && error != EEXIST;
    if (cutOff && out >= 0) {
        Flush(out, written);  // should it fail, the record keeps what it said
    }
    const bool recorded = m_recordFd >= 0 && m_durable > 0;
    if (out >= 0) {
        m_files.Close(out);
    }
    if (m_recordFd >= 0) {
        m_files.Close(m_recordFd);
        m_recordFd = -1;
    }
    m_active = false;
    if (cutOff && recorded) {
        m_index.Keep(m_relativePath);
        return true;
    }
    if (error != 0 && named) {
        m_files.Unlink(m_targetDir, m_temporaryName.c_str());
    }
    m_files.Unlink(m_targetDir, m_recordName.c_str());
    m_index.Remove(m_relativePath);
    return false;
}

}  // namespace tolvane
