#pragma once
// Change detection for data files read through the virtual file system.
// A FileWatcher reports each change of one file once and caches the file's bytes between
// changes; owners poll it where they use the resource. Files in real folders are watched
// through inotify, so a poll costs no stat and catches edits within the same second;
// others (inside an archive, or missing when the watcher was made) compare modification times.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FileChangeCounter;

// The bytes of a file as last read. An empty record (no buffer, size 0) stands for a file
// that could not be opened. The buffer is followed by one zero byte that `size` does not
// count, so text parsers may treat it as a C string.
struct FileContents {
    std::unique_ptr<uint8_t[]> data;
    uint32_t size = 0;

    const uint8_t* Bytes() const { return data.get(); }
    bool Empty() const { return size == 0; }
};

class FileWatcher {
public:
    explicit FileWatcher(const std::string& fileName);
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // True exactly once per observed change: a write, a change of attributes or of the
    // modification time (in either direction), the file's deletion or its return. Drops
    // cached bytes.
    bool GetHasChanged();
    // The file's bytes, read at most once between two reported changes. Never fails: a file
    // that cannot be opened logs once and yields an empty record. Valid until the next
    // GetHasChanged call or the watcher's destruction.
    const FileContents& GetData();
    const std::string& GetFileName() const { return fileName_; }

private:
    void Watch();
    uint64_t Events() const;

    std::string fileName_;
    int64_t modTime_;
    // The file's inotify counters, one per mounted folder it could be read from; empty
    // when it is checked by its modification time instead.
    std::vector<std::shared_ptr<const FileChangeCounter>> counters_;
    uint64_t seenEvents_ = 0;
    FileContents contents_;
    bool hasContents_ = false;
};

// Modification time of a file in the data file system, in seconds; -1 when unknown or missing.
int64_t FileModificationTime(const std::string& fileName);

// Process-wide change test by name: the first question about a name only registers it and
// returns false; later calls return true once per change of its modification time.
bool HasFileChanged(std::string fileName);
