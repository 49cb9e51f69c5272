#pragma once

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "FileSystem.h"

namespace tolvane {

// Reads the status of names in one folder on a thread of its own, ahead of the walk. On a
// warm disk a status read is a system call that costs as much as the rest of the walk's work
// on a file, so a second core reading the target's statuses while the walk reads the
// source's takes most of a run that finds little to do off the walk.
class StatusReader {
  public:
    explicit StatusReader(FileSystem& files);
    StatusReader(const StatusReader&) = delete;
    StatusReader& operator=(const StatusReader&) = delete;
    // Stops reading and ends the thread.
    ~StatusReader();

    // Starts reading the status of each of names in the folder dirFd, in order, after
    // Stop(). The thread reads copies of the names: the walk's own may go meanwhile.
    void Start(int dirFd, std::span<const char* const> names);
    // Ends the reading in hand: once it returns, the thread no longer uses the names.
    void Stop();
    // Whether the walk should read alone for now, as it does for a while after the thread
    // fell behind it for nearly all of a few hundred files (the machine's cores are busy):
    // reading twice then costs more than it saves. Each call counts one file of that while.
    bool Resting();
    // The status of name (an entry of names, by address) as read by the thread, with the
    // error of its read (0 or errno); false when the thread has not read it by now or name
    // is none of names, and the caller reads it itself. Names must be taken in their order;
    // those passed over are never given.
    bool Take(const char* name, struct stat& status, int& error);
    // Whether name (by address, in the same listing) lies past every name of the reading.
    bool Past(const char* name) const;

  private:
    void Read();
    void Judge();

    FileSystem& m_files;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::atomic<bool> m_pending{false};  // set under m_lock: a reading waits to start
    bool m_running = false;              // guarded by m_lock
    bool m_quit = false;                 // guarded by m_lock
    std::atomic<bool> m_stop{false};
    // The reading: set while the thread is idle, read by it while it runs.
    int m_dirFd = -1;
    std::vector<const char*> m_names;  // the walk's, by address: the thread never reads them
    std::string m_copies;              // the names the thread reads, each ending in '\0'
    std::vector<size_t> m_copyOffsets;
    std::vector<struct stat> m_statuses;
    std::vector<int> m_errors;
    // Past the last status read: the thread passes over names the walk has gone past, so
    // only those from the walk's place on are sure to be read below this.
    std::atomic<size_t> m_read{0};
    std::atomic<size_t> m_walkNext{0};  // names before it the walk has settled
    size_t m_next = 0;                  // the walk's place in m_names
    size_t m_taken = 0;                 // statuses given to the walk since the last judgement
    size_t m_missed = 0;                // and those it read itself, not read in time
    int m_spansBehind = 0;              // judged spans in a row in which the thread fell behind
    size_t m_restingFiles = 0;
    std::thread m_thread;
};

}  // namespace tolvane
