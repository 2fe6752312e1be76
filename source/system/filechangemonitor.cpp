#include "system/filechangemonitor.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>
#include <map>
#include <mutex>
#include <vector>

#include "system/log.h"

namespace {

constexpr uint32_t kEvents = IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                             IN_DELETE_SELF | IN_MOVE_SELF;

struct Folder {
    std::string path;
    // Counters by file name; several watchers of one file each hold their own.
    std::multimap<std::string, std::weak_ptr<FileChangeCounter>> files;
};

class Monitor {
public:
    Monitor() {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0) LOG("File changes are found by polling: inotify is unavailable (errno %d)", errno);
    }
    ~Monitor() {
        if (fd_ >= 0) close(fd_);
    }

    std::shared_ptr<const FileChangeCounter> Watch(const std::string& path) {
        const size_t slash = path.rfind('/');
        if (fd_ < 0 || slash == std::string::npos || slash + 1 == path.size()) return nullptr;
        const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
        std::lock_guard<std::mutex> lock(mutex_);
        Drain();
        // inotify hands back the same descriptor for a folder watched already.
        const int wd = inotify_add_watch(fd_, folder.c_str(), kEvents | IN_ONLYDIR);
        if (wd < 0) {
            if (errno == ENOSPC && !limitLogged_) {
                LOG("The system's inotify watch limit is reached: further files are checked by polling");
                limitLogged_ = true;
            }
            return nullptr;
        }
        Folder& entry = folders_[wd];
        entry.path = folder;
        const std::string name = path.substr(slash + 1);
        // Counters of watchers that are gone would otherwise pile up with every reload.
        auto [first, last] = entry.files.equal_range(name);
        for (auto file = first; file != last;) file = file->second.expired() ? entry.files.erase(file) : std::next(file);
        auto counter = std::make_shared<FileChangeCounter>();
        entry.files.emplace(name, counter);
        return counter;
    }

    void Poll() {
        if (fd_ < 0) return;
        std::lock_guard<std::mutex> lock(mutex_);
        Drain();
    }

private:
    // Reads until the queue is empty. Called with the mutex held.
    void Drain() {
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) return;  // EAGAIN: nothing pending
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                Handle(*event);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    void Handle(const inotify_event& event) {
        if (event.mask & IN_Q_OVERFLOW) {
            // Events were lost: every file may have changed.
            for (auto& [wd, folder] : folders_) CountAll(folder);
            return;
        }
        auto it = folders_.find(event.wd);
        if (it == folders_.end()) return;
        if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
            // The folder went away: its files changed, and the watch is gone for good. A
            // later watcher of the same folder adds a new one.
            CountAll(it->second);
            if (event.mask & IN_IGNORED) folders_.erase(it);
            return;
        }
        if (event.len == 0) return;
        auto [first, last] = it->second.files.equal_range(event.name);
        for (auto file = first; file != last;) {
            if (auto counter = file->second.lock()) {
                counter->events.fetch_add(1, std::memory_order_relaxed);
                ++file;
            } else {
                file = it->second.files.erase(file);
            }
        }
    }

    static void CountAll(Folder& folder) {
        for (auto& [name, weak] : folder.files)
            if (auto counter = weak.lock()) counter->events.fetch_add(1, std::memory_order_relaxed);
    }

    int fd_ = -1;
    std::mutex mutex_;
    std::map<int, Folder> folders_;
    bool limitLogged_ = false;
};

thread_local int tScopes = 0;

Monitor& TheMonitor() {
    static Monitor monitor;
    return monitor;
}

}  // namespace

std::shared_ptr<const FileChangeCounter> WatchFileChanges(const std::string& path) { return TheMonitor().Watch(path); }

void PollFileChanges() { TheMonitor().Poll(); }

FileChangePollScope::FileChangePollScope() {
    PollFileChanges();
    ++tScopes;
}

FileChangePollScope::~FileChangePollScope() { --tScopes; }

bool FileChangePollScope::Active() { return tScopes > 0; }
