#include "system/filewatcher.h"

#include <physfs.h>

#include <filesystem>
#include <map>

#include "system/filechangemonitor.h"
#include "system/log.h"

int64_t FileModificationTime(const std::string& fileName) {
    PHYSFS_Stat stat{};
    // PhysicsFS crashes rather than failing when used before PHYSFS_init.
    if (!PHYSFS_isInit()) return -1;
    if (!PHYSFS_stat(fileName.c_str(), &stat)) return -1;
    return stat.modtime;
}

FileWatcher::FileWatcher(const std::string& fileName)
    : fileName_(fileName), modTime_(FileModificationTime(fileName)) {
    Watch();
}

void FileWatcher::Watch() {
    counters_.clear();
    if (!PHYSFS_isInit()) return;
    // Only a file read from a real folder can be watched; it is watched in every mounted
    // folder, since a copy appearing in one searched earlier would take its place.
    const char* realDir = PHYSFS_getRealDir(fileName_.c_str());
    std::error_code error;
    if (!realDir || !std::filesystem::is_directory(realDir, error)) return;
    bool watchesItsFolder = false;
    char** searchPath = PHYSFS_getSearchPath();
    for (char** element = searchPath; element && *element; ++element) {
        if (!std::filesystem::is_directory(*element, error)) continue;
        auto counter = WatchFileChanges(std::string(*element) + "/" + fileName_);
        if (!counter) continue;
        watchesItsFolder |= std::string(*element) == realDir;
        counters_.push_back(std::move(counter));
    }
    PHYSFS_freeList(searchPath);
    if (!watchesItsFolder) counters_.clear();
    seenEvents_ = Events();
}

uint64_t FileWatcher::Events() const {
    uint64_t events = 0;
    for (const auto& counter : counters_) events += counter->events.load(std::memory_order_relaxed);
    return events;
}

bool FileWatcher::GetHasChanged() {
    int64_t t = 0;
    if (!counters_.empty()) {
        if (!FileChangePollScope::Active()) PollFileChanges();
        if (Events() == seenEvents_) return false;
        t = FileModificationTime(fileName_);
        // The folder may have been replaced, or the file may now come from elsewhere.
        Watch();
    } else {
        t = FileModificationTime(fileName_);
        if (t == modTime_) return false;
        // A file that has just appeared in a real folder can be watched from now on.
        if (modTime_ < 0) Watch();
    }
    LOG("FileWatcher has noticed that '%s' has changed", fileName_.c_str());
    modTime_ = t;
    contents_ = FileContents{};
    hasContents_ = false;
    return true;
}

const FileContents& FileWatcher::GetData() {
    if (hasContents_) return contents_;
    hasContents_ = true;
    contents_ = FileContents{};
    PHYSFS_File* file = PHYSFS_isInit() ? PHYSFS_openRead(fileName_.c_str()) : nullptr;
    PHYSFS_sint64 length = file ? PHYSFS_fileLength(file) : -1;
    // An unknown length, or one the 32-bit size cannot hold, is as good as unreadable.
    if (length < 0 || length > PHYSFS_sint64(UINT32_MAX - 1)) {
        LOG("File '%s' could not be opened", fileName_.c_str());
        if (file) PHYSFS_close(file);
        return contents_;
    }
    contents_.data.reset(new uint8_t[size_t(length) + 1]);
    PHYSFS_sint64 got = length > 0 ? PHYSFS_readBytes(file, contents_.data.get(), PHYSFS_uint64(length)) : 0;
    PHYSFS_close(file);
    // A file that shrank while being read keeps what was actually read.
    contents_.size = uint32_t(got < 0 ? 0 : got);
    contents_.data[contents_.size] = 0;
    return contents_;
}

bool HasFileChanged(std::string fileName) {
    static std::map<std::string, int64_t> changeTable;
    auto it = changeTable.find(fileName);
    if (it == changeTable.end()) {
        int64_t t = FileModificationTime(fileName);
        changeTable.emplace(std::move(fileName), t);
        return false;
    }
    int64_t t = FileModificationTime(fileName);
    if (t == it->second) return false;
    LOG("Filewatcher has noticed that '%s' has changed", fileName.c_str());
    it->second = t;
    return true;
}
