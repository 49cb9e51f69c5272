#include "ContentComparer.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <tuple>

namespace tolvane {

namespace {

constexpr size_t kChunk = size_t{1} << 20;
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
    int error = target < 0 ? -target : CompareOpen(source, target, equal);
    if (target >= 0) {
        m_files.Close(target);
    }
    m_files.Close(source);
    return error;
}

// Reads both files to their ends; a short read is followed by another, as a read may return
// less than asked without being at the end.
int ContentComparer::CompareOpen(int source, int target, bool& equal) {
    if (!m_buffers) {
        m_buffers = std::make_unique<char[]>(2 * kChunk);
    }
    char* a = m_buffers.get();
    char* b = a + kChunk;
    for (;;) {
        if (m_abandon && m_abandon()) {
            return ECANCELED;
        }
        size_t haveA = 0;
        size_t haveB = 0;
        for (auto [fd, buffer, have] :
             {std::tuple{source, a, &haveA}, std::tuple{target, b, &haveB}}) {
            while (*have < kChunk) {
                const ssize_t n = m_files.Read(fd, buffer + *have, kChunk - *have);
                if (n < 0) {
                    return static_cast<int>(-n);
                }
                if (n == 0) {
                    break;
                }
                *have += static_cast<size_t>(n);
            }
        }
        if (haveA != haveB || std::memcmp(a, b, haveA) != 0) {
            return 0;
        }
        if (haveA < kChunk) {
            equal = true;
            return 0;
        }
    }
}

}  // namespace tolvane
