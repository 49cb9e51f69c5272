#include "DirectoryReader.h"

namespace tolvane {

namespace {

// As much as a directory stream reads at a time.
constexpr size_t kBufferSize = size_t{32} << 10;

}  // namespace

int DirectoryReader::Next(const char*& name, unsigned char& type) {
    name = nullptr;
    if (m_offset >= m_filled) {
        if (!m_buffer) {
            m_buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
        }
        const ssize_t n = m_files->ReadDirectory(m_fd, m_buffer.get(), kBufferSize);
        if (n <= 0) {
            return static_cast<int>(n);
        }
        m_filled = static_cast<size_t>(n);
        m_offset = 0;
        ++m_fills;
    }
    const auto* entry = reinterpret_cast<const dirent64*>(m_buffer.get() + m_offset);
    m_current = m_offset;
    m_offset += entry->d_reclen;
    name = entry->d_name;
    type = entry->d_type;
    return 0;
}

}  // namespace tolvane
