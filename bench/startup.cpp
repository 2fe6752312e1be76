// Start-up to the first frame of the bundled show at 1280 x 720, headless: the player runs
// twice with an empty translation cache folder, so the first start translates every shader
// and the second finds them on disk. The time is taken when the player logs its first frame.
// Usage: bench_startup [rounds, default 2]: each round is a cold and a warm start; the
// fastest of each kind counts (the machines are shared).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Seconds from starting the player until it logs "First frame drawn"; negative on failure.
double TimeToFirstFrame(const fs::path& folder, const fs::path& cache) {
    const std::string command = "cd '" + folder.string() + "' && XDG_CACHE_HOME='" + cache.string() +
                                "' LIBGL_ALWAYS_SOFTWARE=1 exec '" LUMIVANE_BINARY_DIR
                                "/lumivane' -headless -lowres -frames 1 2>&1";
    const auto start = std::chrono::steady_clock::now();
    FILE* child = popen(command.c_str(), "r");
    if (!child) return -1;
    double seconds = -1;
    char line[4096];
    while (std::fgets(line, sizeof line, child)) {
        if (seconds < 0 && std::string(line).find("First frame drawn") != std::string::npos)
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const int status = pclose(child);
    return status == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    const fs::path folder = fs::temp_directory_path() / ("lumivane_bench_startup_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::create_symlink(LUMIVANE_SOURCE_DIR "/data", folder / "data");

    double cold = 1e9, warm = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const fs::path cache = folder / ("cache" + std::to_string(round));
        const double first = TimeToFirstFrame(folder, cache);
        const double second = TimeToFirstFrame(folder, cache);
        if (first < 0 || second < 0) {
            std::fprintf(stderr, "the player failed; see %s/Lumivane.log\n", folder.c_str());
            return 1;
        }
        cold = std::min(cold, first);
        warm = std::min(warm, second);
    }
    fs::remove_all(folder);

    std::printf("\nbundled show to its first frame at 1280x720, headless, best of %d\n", rounds);
    std::printf("first start (empty cache) : %6.2f s\n", cold);
    std::printf("second start (cache warm) : %6.2f s  (%.2f of the first; goals: <= 0.50 and < 1 s)\n", warm,
                warm / cold);
    return 0;
}
