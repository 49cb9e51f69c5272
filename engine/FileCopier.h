#pragma once

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>

#include "FileSystem.h"

namespace tolvane {

// The outcome of one whole-file copy: 0 or an errno value, with the bytes written.
struct CopyResult {
    int error = 0;
    off_t bytes = 0;
};

// Copies whole files as the platform's whole-file copy does: contents, permission bits and
// modification time come from the source. It tries a clone (FICLONE), then copy_file_range,
// then sendfile, then read/write, and remembers per pair of devices which methods the file
// systems refused, so the probing costs one failed call per pair, not per file.
//
// A failed or abandoned copy removes what it wrote: a target is never left holding part of a
// source file. A shorter target is replaced by renaming a complete new copy over it, so it
// stays as it was when the copy fails.
class FileCopier {
public:
    // Called before each chunk with the bytes written so far and the file's size; returning
    // true abandons the copy in hand (error ECANCELED).
    using ChunkQuery = std::function<bool(off_t written, off_t size)>;

    FileCopier(FileSystem& files, ChunkQuery beforeChunk);

    // Copies name in sourceDir (whose status was just read as sourceStat) to name in
    // targetDir, which lies on targetDevice. targetExists says whether a (shorter, regular)
    // target must be replaced. The bytes copied are those the source held when it was opened.
    CopyResult Copy(int sourceDir, int targetDir, dev_t targetDevice, const char* name,
                    const struct stat& sourceStat, bool targetExists);

private:
    enum class Method { Clone, Range, Send, ReadWrite };

    int CopyData(int in, int out, off_t size, dev_t sourceDevice, dev_t targetDevice,
                 off_t& written);
    int CopyByRange(int in, int out, off_t size, off_t& written);
    int CopyBySend(int in, int out, off_t size, off_t& written);
    int CopyByReadWrite(int in, int out, off_t size, off_t& written);
    int FinishTarget(int out, const struct stat& sourceStat);
    const char* TemporaryName(const char* name);
    int CreateTarget(int targetDir, const char*& writeName, bool temporary);
    bool Abandoned(off_t written, off_t size) const {
        return m_beforeChunk && m_beforeChunk(written, size);
    }
    Method FirstMethodFor(dev_t sourceDevice, dev_t targetDevice);

    FileSystem& m_files;
    ChunkQuery m_beforeChunk;
    dev_t m_sourceDevice = 0;
    dev_t m_targetDevice = 0;
    Method m_method = Method::Clone;  // the best method not yet refused for the pair above
    bool m_pairKnown = false;
    std::unique_ptr<char[]> m_buffer;  // for read/write, allocated on first use
    std::string m_temporaryName;
};

}  // namespace tolvane
