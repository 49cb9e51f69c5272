#include "ContentComparer.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tolvane {

namespace {

// Small enough that one comparer per worker stays cheap, large enough for streaming reads.
constexpr size_t kChunk = size_t{256} << 10;
// Above every logical block size a device has, as O_DIRECT wants of buffers and offsets.
constexpr size_t kAlignment = 4096;
constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;

}  // namespace

ContentComparer::ContentComparer(FileSystem& files, AbandonQuery abandon)
    : m_files(files), m_abandon(std::move(abandon)) {}

int ContentComparer::Compare(int sourceDir, int targetDir, const char* name, bool& equal) {
    equal = false;
    const int source = m_files.Open(sourceDir, name, kReadFlags);
    if (source < 0) {
        return -source;
    }
    const int target = m_files.Open(targetDir, name, kReadFlags);
    int error = target < 0 ? -target : CompareOpen(source, target, false, equal);
    if (target >= 0) {
        m_files.Close(target);
    }
    m_files.Close(source);
    return error;
}

void ContentComparer::FreeBuffers::operator()(char* buffers) const {
    std::free(buffers);
}

// Fills buffer with up to kChunk bytes of fd, reading again after a short read, as a read may
// return less than asked without being at the end; with direct (O_DIRECT, whose reads must
// start on a block boundary), only while a short read leaves the offset aligned, which
// elsewhere than at the end it does. Returns the bytes read, or -errno.
ssize_t ContentComparer::ReadChunk(int fd, char* buffer, bool direct) {
    size_t have = 0;
    while (have < kChunk) {
        const ssize_t n = m_files.Read(fd, buffer + have, kChunk - have);
        if (n < 0) {
            return n;
        }
        have += static_cast<size_t>(n);
        if (n == 0 || (direct && have % kAlignment != 0)) {
            break;
        }
    }
    return static_cast<ssize_t>(have);
}

int ContentComparer::CompareOpen(int source, int target, bool targetDirect, bool& equal) {
    equal = false;
    if (!m_buffers) {
        m_buffers.reset(static_cast<char*>(std::aligned_alloc(kAlignment, 2 * kChunk)));
        if (!m_buffers) {
            return ENOMEM;
        }
    }
    char* const a = m_buffers.get();
    char* const b = a + kChunk;
    for (;;) {
        if (m_abandon && m_abandon()) {
            return ECANCELED;
        }
        const ssize_t haveA = ReadChunk(source, a, false);
        const ssize_t haveB = haveA < 0 ? 0 : ReadChunk(target, b, targetDirect);
        if (haveA < 0 || haveB < 0) {
            return static_cast<int>(haveA < 0 ? -haveA : -haveB);
        }
        if (haveA != haveB || std::memcmp(a, b, static_cast<size_t>(haveA)) != 0) {
            return 0;
        }
        if (static_cast<size_t>(haveA) < kChunk) {
            equal = true;
            return 0;
        }
    }
}

}  // namespace tolvane
