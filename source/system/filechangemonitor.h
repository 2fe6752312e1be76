#pragma once
// Change notification for data files in real folders, through inotify: one watch per folder,
// and one non-blocking read per poll instead of a stat of every watched file each frame.
// Thread-safe. Files the monitor cannot watch (inside an archive, in a folder that does not
// exist, or once the system's watch limit is reached) are left to their owners' stat checks.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// One watched file's count of the events that named it (written, attributes changed,
// created, deleted, moved in or out). Its folder's watch going away counts as an event.
struct FileChangeCounter {
    std::atomic<uint64_t> events{0};
};

// Starts watching native path `path` (folder and name). Null when it cannot be watched.
// The counter lives while its owner holds it; poll with PollFileChanges before reading it.
std::shared_ptr<const FileChangeCounter> WatchFileChanges(const std::string& path);

// Reads every pending event without waiting and counts it on the files it names.
void PollFileChanges();

// While one lives on a thread, file watchers on that thread take the events read when it
// was made instead of polling on every check: a frame polls once, and an edit made while it
// draws is picked up by the next.
class FileChangePollScope {
public:
    FileChangePollScope();
    ~FileChangePollScope();
    FileChangePollScope(const FileChangePollScope&) = delete;
    FileChangePollScope& operator=(const FileChangePollScope&) = delete;

    // True while a scope lives on the calling thread.
    static bool Active();
};
