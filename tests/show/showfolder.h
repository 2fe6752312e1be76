#pragma once
// A scratch show for end-to-end runs of the player: data/ with the bundled composite and
// loading-screen files and a demo script of the test's own, plus a player started in the
// background for tests that act on it while it runs.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "main/childprocess.h"

namespace showtest {

inline std::string SourceFile(const std::string& path) {
    std::ifstream in(std::string(LUMIVANE_SOURCE_DIR) + "/" + path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A show folder whose data/ holds final.fx, loading.fx, loading1.png, loading2.png and the
// given demo.xml (none when empty).
inline void MakeShow(const childtest::ScratchDir& dir, const std::string& demoXml) {
    for (const char* name : {"final.fx", "loading.fx", "loading1.png", "loading2.png"})
        dir.Write(std::string("data/") + name, SourceFile(std::string("data/") + name));
    if (!demoXml.empty()) dir.Write("data/demo.xml", demoXml);
}

// Copies a file of tests/data/show into the show's data/.
inline void AddTestData(const childtest::ScratchDir& dir, const std::string& name, const std::string& as = "") {
    dir.Write("data/" + (as.empty() ? name : as), SourceFile("tests/data/show/" + name));
}

// Sets a file's modification time `seconds` from now, so a watcher sees a change at once.
inline void Touch(const childtest::ScratchDir& dir, const std::string& name, int seconds) {
    std::filesystem::last_write_time(dir.Path() / name,
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(seconds));
}

// The player running in the background in a scratch folder.
class BackgroundPlayer {
public:
    BackgroundPlayer(const childtest::ScratchDir& dir, const std::vector<std::string>& arguments) : dir_(dir) {
        const std::string program = childtest::PlayerPath();
        std::vector<std::string> strings{program};
        strings.insert(strings.end(), arguments.begin(), arguments.end());
        const std::string errFile = (dir.Path() / "child.err").string();
        pid_ = fork();
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (std::string& s : strings) argv.push_back(s.data());
            argv.push_back(nullptr);
            if (chdir(dir.Path().c_str()) != 0) _exit(120);
            int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int in = open("/dev/null", O_RDONLY);
            if (err < 0 || in < 0) _exit(121);
            dup2(in, 0);
            dup2(err, 1);
            dup2(err, 2);
            execv(program.c_str(), argv.data());
            _exit(122);
        }
    }
    ~BackgroundPlayer() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    BackgroundPlayer(const BackgroundPlayer&) = delete;
    BackgroundPlayer& operator=(const BackgroundPlayer&) = delete;

    void Signal(int signal) const {
        if (pid_ > 0) kill(pid_, signal);
    }
    // Waits until the log contains `text`; false after the timeout or when the player ended.
    bool WaitForLog(const std::string& text, int timeoutSeconds = 60) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Log().find(text) != std::string::npos) return true;
            if (!Running()) return Log().find(text) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // The exit status, or -1 when it did not exit normally within the timeout.
    int Wait(int timeoutSeconds = 120) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
        while (Running()) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }
    std::string Log() const { return dir_.Read("Lumivane.log"); }

private:
    bool Running() {
        if (exited_ || pid_ <= 0) return false;
        if (waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
        return !exited_;
    }

    const childtest::ScratchDir& dir_;
    pid_t pid_ = -1;
    int status_ = 0;
    bool exited_ = false;
};

// Number of occurrences of text in log.
inline int Count(const std::string& log, const std::string& text) {
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++n;
    return n;
}

}  // namespace showtest
