#pragma once

#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "FileSystem.h"
#include "PartialIndex.h"
#include "UpdateRequest.h"

namespace tolvane {

// The resumable side of one long copy. Its output is the partial under the copy's temporary
// name (0600): the one an earlier run left, when its record describes the source as it is
// now and the end of its kept part matches the source, positioned where it stopped; else a
// new one. Every couple of seconds the data is flushed and the record beside the partial
// (".NAME.tolvane-record") updated to say how many bytes are on the storage. Cut off, the
// partial stays with its record for the next run; installed or failed otherwise, its record
// and its entry in the partial index go.
class PartialCopy {
  public:
    PartialCopy(FileSystem& files, PartialIndex& index, UpdateRequest::Resumable rule);

    // Whether a copy of a file of size bytes is resumable.
    bool Wanted(off_t size) const { return size >= m_rule.minimumSize; }

    // Opens the output of a copy of source (open as in, at offset 0) to name in targetDir,
    // whose temporary name is temporaryName and whose path below the target root is
    // relativePath. Returns the descriptor, open for reading and writing, or -errno; Active()
    // is false afterwards when the copy could not be listed and must be a plain one.
    int Open(int in, int targetDir, const char* name, const std::string& temporaryName,
             const struct stat& source, std::string_view relativePath);
    bool Active() const { return m_active; }
    // Where the copy goes on: the bytes of the partial an earlier run wrote, or 0.
    off_t ResumedAt() const { return m_resumedAt; }

    // Called before each chunk, written bytes in: flushes them and updates the record when
    // the time or the bytes since the last flush call for it. Returns 0 or -errno.
    int BeforeChunk(int out, off_t written);

    // Ends the copy, which ended with error (0: installed) having written written bytes;
    // out is still open unless -1, and the partial still under its temporary name when
    // named. Returns true when the partial stays for the next run.
    bool End(int out, off_t written, int error, bool named);

  private:
    off_t ResumePoint(int in, int partial, const struct stat& source);
    bool KeptPartMatches(int in, int partial, off_t end);
    int Flush(int out, off_t written);

    FileSystem& m_files;
    PartialIndex& m_index;
    const UpdateRequest::Resumable m_rule;
    bool m_active = false;
    int m_targetDir = -1;
    int m_recordFd = -1;
    const struct stat* m_source = nullptr;
    std::string m_temporaryName;
    std::string m_recordName;
    std::string m_relativePath;
    off_t m_resumedAt = 0;
    off_t m_durable = 0;  // the bytes the record says are on the storage
    std::chrono::steady_clock::time_point m_flushed;
    std::unique_ptr<char[]> m_sourceBlock;  // for checking a kept part, on first use
    std::unique_ptr<char[]> m_keptBlock;
};

}  // namespace tolvane
