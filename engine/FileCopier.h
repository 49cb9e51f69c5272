#pragma once

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "FileSystem.h"
#include "UpdateRequest.h"

namespace tolvane {

// The outcome of one whole-file copy.
struct CopyResult {
    // 0 or an errno value; ECANCELED when abandoned, EAGAIN when the source or the compared
    // target changed while the copy ran (nothing was installed then).
    int error = 0;
    off_t bytes = 0;
    // The source's data ended before its size: the target holds what there was.
    bool shortData = false;
    // The target's file system refused the source's extended attributes or ACLs.
    bool attributesDropped = false;
    // The bytes at the start of bytes that an earlier run had written and this copy kept.
    off_t resumed = 0;
    // The copy failed, and its partial stays with its record for the next run to resume.
    bool partialKept = false;
};

class PartialIndex;
class PartialCopy;

// Copies whole files: contents (holes stay holes), permission bits, times, extended attributes
// and ACLs, and, when run as root, the owner. It tries a clone (FICLONE), then copy_file_range,
// then sendfile, then read/write, and remembers per pair of devices which methods the file
// systems refused, so the probing costs one failed call per pair, not per file.
//
// A target name only ever shows a finished file: the copy is written without a name
// (O_TMPFILE) or under a temporary one, finished while unnamed, and then named; a new file
// only if the name is still free, a replacement only over the target that was compared. A
// failed or abandoned copy removes only what it created. A temporary name left by an earlier,
// killed run is removed when this program next needs that name.
//
// A long copy (of a file of at least the request's resumable size, when a partial index is
// given) is resumable: it is written under the temporary name, 0600, and every couple of
// seconds its data is flushed and a record beside it (".NAME.tolvane-record") says how many
// bytes are on the storage. Cut off, it stays with its record; the next copy of the same,
// unchanged source continues it from the recorded length once the bytes just before that
// point match the source, and otherwise starts afresh.
class FileCopier {
  public:
    // Called before each chunk with the bytes of the file the target holds so far, the
    // file's size, and the bytes of them an earlier run wrote (a resumed copy); returning
    // true abandons the copy in hand (error ECANCELED).
    using ChunkQuery = std::function<bool(off_t written, off_t size, off_t resumed)>;

    // partials lists the resumable copies of the run; null makes every copy a plain one.
    FileCopier(FileSystem& files, ChunkQuery beforeChunk, PartialIndex* partials = nullptr,
               UpdateRequest::Resumable resumable = {});
    ~FileCopier();

    // Copies name in sourceDir (whose status was just read as sourceStat) to name in
    // targetDir, which lies on targetDevice. replaced is the status of the shorter regular
    // target that the copy replaces, or null when there is none. relativePath is the target's
    // path below the target root, by which the partial index knows a resumable copy.
    CopyResult Copy(int sourceDir, int targetDir, dev_t targetDevice, const char* name,
                    const struct stat& sourceStat, const struct stat* replaced,
                    std::string_view relativePath = {});

    // The temporary name a copy of name may use beside it (".NAME.tolvane-partial"); a long
    // name's keeps its beginning and a hash of the whole.
    static std::string TemporaryNameOf(const char* name);
    // The name of the record beside a resumable copy's partial (".NAME.tolvane-record").
    static std::string RecordNameOf(const char* name);
    // True for the names this program gives its temporary files, also those it moves a
    // replaced file aside to, the records of partials and the partial index.
    static bool IsTemporaryName(const char* name);

  private:
    enum class Method { Clone, Range, Send, ReadWrite };

    // The file being written: unnamed (O_TMPFILE) or under the temporary name.
    struct Output {
        int fd = -1;
        bool named = false;
    };

    Output CreateOutput(int targetDir);
    int BeforeChunk(int out, off_t written);
    int CopyContents(int in, int out, const struct stat& source, off_t& written);
    int CopySparse(int in, int out, off_t size, off_t& written);
    int CopySegment(int in, int out, off_t end, off_t& written);
    int CopyByRange(int in, int out, off_t end, off_t& written);
    int CopyBySend(int in, int out, off_t end, off_t& written);
    int CopyByReadWrite(int in, int out, off_t end, off_t& written);
    int FinishTarget(int in, int out, const struct stat& source, bool& attributesDropped);
    int CopyAttributes(int in, int out, bool& dropped);
    int Install(Output& output, int targetDir, const char* name, const struct stat& source,
                const struct stat* replaced);
    int NameNewFile(int targetDir, const char* name);
    int ReplaceAside(int targetDir, const char* name, int refused);
    int RenameIfFree(int targetDir, const char* from, const char* to);
    void ChooseMethodsFor(dev_t sourceDevice, dev_t targetDevice);

    FileSystem& m_files;
    ChunkQuery m_beforeChunk;
    // Who runs the update, asked once: a new file belongs to them.
    const uid_t m_user;
    const gid_t m_group;
    const bool m_asRoot;
    std::unique_ptr<PartialCopy> m_partial;  // null when no copy is resumable
    dev_t m_sourceDevice = 0;
    dev_t m_targetDevice = 0;
    bool m_pairKnown = false;
    Method m_method = Method::Clone;  // the best method not yet refused for the pair above
    bool m_unnamedWorks = true;       // O_TMPFILE is accepted on the target device
    off_t m_fileSize = 0;
    bool m_resumable = false;          // the copy in hand goes to a partial a later run can resume
    off_t m_resumedAt = 0;             // of the copy in hand
    std::unique_ptr<char[]> m_buffer;  // for read/write, allocated on first use
    std::string m_temporaryName;
    std::string m_attributeNames;
    std::string m_attributeValue;
};

}  // namespace tolvane
