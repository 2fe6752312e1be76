// Soak runs of the player's main loop, headless at 320 x 180.
//   bench_soak play [frames]  plays the bundled show for 10 800 frames (three minutes at
//                             60 fps), printing the resident memory every 1000 frames and
//                             the slope from frame 2000 on (it should be flat).
//   bench_soak edit [edits]   plays a small show while its script and "final.fx" are
//                             edited 1000 times; after every edit the next frame must show
//                             it. Prints the resident memory every 100 edits.
// Exits non-zero when an edit is missed or the memory keeps growing.
#include <physfs.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "effects/effectsmanager.h"
#include "graphics/devicestate.h"
#include "support/gputest.h"
#include "system/audio.h"
#include "system/globals.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;

double ResidentMB() {
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// Least-squares slope of y over x.
double Slope(const std::vector<double>& x, const std::vector<double>& y) {
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i) mx += x[i] / x.size(), my += y[i] / y.size();
    double num = 0, den = 0;
    for (size_t i = 0; i < x.size(); ++i) num += (x[i] - mx) * (y[i] - my), den += (x[i] - mx) * (x[i] - mx);
    return den > 0 ? num / den : 0;
}

bool Setup(const std::filesystem::path& scratch) {
    if (!InitTestDevice(kWidth, kHeight, false)) return false;
    gOutputWidth = kWidth;
    gOutputHeight = kHeight;
    Audio_SetNullOutput(true);
    std::filesystem::create_directories(scratch);
    if (!PHYSFS_init(nullptr)) return false;
    return PHYSFS_mount(scratch.c_str(), nullptr, 0) != 0 && PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", nullptr, 1) != 0;
}

int Play(int frames) {
    Effects::EffectsManager manager;
    manager.Init(false, true, [](float) {}, "demo.xml");
    if (manager.GetEffects().empty()) {
        std::printf("the bundled show did not load\n");
        return 1;
    }
    std::vector<double> at, rss;
    for (int frame = 0; frame < frames; ++frame) {
        manager.Draw(frame / 60.0);
        if ((frame + 1) % 1000 == 0) {
            gContext->Finish();
            const double mb = ResidentMB();
            std::printf("frame %6d  resident %8.1f MB\n", frame + 1, mb);
            std::fflush(stdout);
            if (frame + 1 >= 2000) at.push_back(frame + 1), rss.push_back(mb);
        }
    }
    manager.Shutdown();
    const double slope = Slope(at, rss) * 1000;
    std::printf("slope from frame 2000: %+.3f MB per 1000 frames\n", slope);
    return slope > 1.0 ? 1 : 0;
}

void WriteFile(const std::filesystem::path& path, const std::string& text, int version) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    // The file system reports whole seconds: give every version its own.
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() +
                                               std::chrono::seconds(version));
}

// The shader multiplies the frame by `scale`; the script clears to grey `level`.
std::string FinalShader(double scale) {
    return "Texture2D frameTex : register(t0);\nSamplerState s : register(s0);\n"
           "struct VSIn { float3 position : POSITION; float2 uv : TEXCOORD; float3 normal : NORMAL; };\n"
           "struct PSIn { float4 position : SV_Position; float2 uv : TEXCOORD; };\n"
           "PSIn VS(VSIn v) { PSIn o; o.position = float4(v.position.xy * 2.0, 0.0, 1.0); o.uv = v.uv; return o; }\n"
           "float4 PS(PSIn p) : SV_Target { return float4(frameTex.Sample(s, p.uv).rgb * " +
           std::to_string(scale) + ", 1.0); }\n";
}

std::string Script(double level) {
    const std::string v = std::to_string(level);
    return "<demo><effect type=\"CLS\"><param key=\"colour\" type=\"vec4\" x=\"" + v + "\" y=\"" + v + "\" z=\"" + v +
           "\" w=\"1\"/></effect></demo>";
}

int Edit(const std::filesystem::path& scratch, int edits) {
    double level = 0.5, scale = 1.0;
    WriteFile(scratch / "final.fx", FinalShader(scale), 0);
    WriteFile(scratch / "demo.xml", Script(level), 0);
    Effects::EffectsManager manager;
    manager.Init(false, true, [](float) {}, "demo.xml");
    int missed = 0;
    std::vector<double> at, rss;
    for (int edit = 1; edit <= edits; ++edit) {
        if (edit % 2) {
            level = 0.2 + 0.6 * ((edit * 37) % 100) / 100.0;
            WriteFile(scratch / "demo.xml", Script(level), edit);
        } else {
            scale = 0.5 + 0.5 * ((edit * 53) % 100) / 100.0;
            WriteFile(scratch / "final.fx", FinalShader(scale), edit);
        }
        manager.Tick();
        const Rgba centre = PixelAt(ReadBackBuffer(), kWidth, kWidth / 2, kHeight / 2);
        const double expected = 255.0 * level * scale;
        if (std::abs(centre.r - expected) > 3) {
            ++missed;
            std::printf("edit %d not shown: %d, expected %.0f\n", edit, centre.r, expected);
        }
        if (edit % 100 == 0) {
            const double mb = ResidentMB();
            std::printf("edit %5d  resident %8.1f MB\n", edit, mb);
            std::fflush(stdout);
            if (edit >= 200) at.push_back(edit), rss.push_back(mb);
        }
    }
    manager.Shutdown();
    const double slope = Slope(at, rss) * 1000;
    std::printf("%d of %d edits missed; slope from edit 200: %+.3f MB per 1000 edits\n", missed, edits, slope);
    return missed == 0 && slope <= 2.0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "play";
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("lumivane_soak_" + std::to_string(getpid()));
    if (!Setup(scratch)) {
        std::printf("no device or data\n");
        return 1;
    }
    int result = 1;
    if (mode == "play") result = Play(argc > 2 ? std::atoi(argv[2]) : 10800);
    else if (mode == "edit") result = Edit(scratch, argc > 2 ? std::atoi(argv[2]) : 1000);
    else std::printf("usage: bench_soak play [frames] | edit [edits]\n");
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return result;
}
