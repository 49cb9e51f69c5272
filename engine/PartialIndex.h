#pragma once

#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "FileSystem.h"

namespace tolvane {

// The partial copies in progress under one target root, listed by their paths relative to
// the root in a small file there (".tolvane-partials"), so that a run finds the partials
// whose source changed or vanished without looking into every target folder: a no-op run
// pays one failed open for it. The list names every partial that may be on the storage
// (some may be gone already); a path is added before its partial is made, and the list is
// made durable before any record says that partial holds data.
//
// Workers add and drop entries at once; the list is read at the start of a run and
// rewritten at its end.
class PartialIndex {
  public:
    // The name of the list at the target root.
    static constexpr const char* kListName = ".tolvane-partials";

    explicit PartialIndex(FileSystem& files) : m_files(files) {}
    PartialIndex(const PartialIndex&) = delete;
    PartialIndex& operator=(const PartialIndex&) = delete;
    ~PartialIndex();

    // Reads the list of targetRoot and removes each listed partial whose record is missing
    // or torn, or whose source (the same path under sourceRoot) vanished or changed. Both
    // descriptors stay the caller's and must stay open until Close.
    void Open(int sourceRoot, int targetRoot);

    // Lists relativePath before its partial is made. Returns 0 or -errno: a partial that
    // cannot be listed must not be made.
    int Add(std::string_view relativePath);
    // Makes the list durable, if anything was added since it last was. Returns 0 or -errno.
    int Sync();
    // The partial of relativePath is gone: installed under its name, or removed.
    void Remove(std::string_view relativePath);
    // This run was cut off in the copy of relativePath: its partial stays for the next run.
    void Keep(std::string_view relativePath);

    // Ends the run. After a complete walk every listed partial this run did not keep is
    // removed: the walk met its file and had no use for it. The list is then rewritten
    // with what is left, or removed when nothing is.
    void Close(bool walkComplete);

    // Removes the partial of relativePath and its record, if they are there.
    static void RemovePartial(FileSystem& files, int targetRoot, std::string_view relativePath);

  private:
    bool StillUseful(const std::string& relativePath);
    void Rewrite();

    FileSystem& m_files;
    int m_sourceRoot = -1;
    int m_targetRoot = -1;
    int m_listFd = -1;  // open for appending once something was added
    std::mutex m_lock;
    std::set<std::string> m_listed;  // guarded by m_lock, as are the members below
    std::set<std::string> m_kept;
    bool m_unsynced = false;  // an entry was appended since the last sync
    bool m_dropped = false;   // the file lists entries that are gone
};

}  // namespace tolvane
