// Load time of a 70,000-triangle OBJ model (goal: well under 0.3 s), in the two shapes
// exporters write most: triangles with texcoords and normals ("f v/t/n"), and quads with
// positions only, whose flat normals are computed; plus the same triangles animated by
// a 10-sample PC2 file.
#include <benchmark/benchmark.h>
#include <physfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "graphics/model.h"
#include "support/gputest.h"

namespace fs = std::filesystem;

namespace {

fs::path gDir;
constexpr int kGrid = 188;  // 187 x 187 cells of two triangles: 69,938 triangles

void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(gDir / name, std::ios::binary);
    out << bytes;
}

// A wavy grid, written with the six decimals exporters use.
std::string Grid(bool trianglesWithNormals) {
    std::string obj = "# benchmark grid\nmtllib grid.mtl\no grid\n";
    char line[128];
    for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x) {
            std::snprintf(line, sizeof(line), "v %.6f %.6f %.6f\n", x * 0.1, 0.05 * ((x * 7 + y * 3) % 11), y * 0.1);
            obj += line;
        }
    if (trianglesWithNormals) {
        for (int y = 0; y < kGrid; ++y)
            for (int x = 0; x < kGrid; ++x) {
                std::snprintf(line, sizeof(line), "vt %.6f %.6f\n", x / double(kGrid - 1), y / double(kGrid - 1));
                obj += line;
                std::snprintf(line, sizeof(line), "vn %.6f %.6f %.6f\n", 0.1 * (x % 5), 0.98, 0.1 * (y % 3));
                obj += line;
            }
    }
    obj += "usemtl surface\ns 1\n";
    for (int y = 0; y + 1 < kGrid; ++y)
        for (int x = 0; x + 1 < kGrid; ++x) {
            const int a = y * kGrid + x + 1, b = a + 1, c = a + kGrid + 1, d = a + kGrid;
            if (trianglesWithNormals) {
                std::snprintf(line, sizeof(line), "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a,
                              a, b, b, b, c, c, c, c, c, c, d, d, d, a, a, a);
            } else {
                std::snprintf(line, sizeof(line), "f %d %d %d %d\n", a, b, c, d);
            }
            obj += line;
        }
    return obj;
}

// Ten samples of the grid's points, lifted a little more each sample.
std::string GridAnimation(int samples) {
    std::string pc2("POINTCACHE2\0", 12);
    auto put = [&pc2](const void* p) { pc2.append(static_cast<const char*>(p), 4); };
    const int version = 1, points = kGrid * kGrid;
    const float start = 0.0f, rate = 30.0f;
    put(&version);
    put(&points);
    put(&start);
    put(&rate);
    put(&samples);
    for (int s = 0; s < samples; ++s)
        for (int i = 0; i < points; ++i) {
            const float p[3] = {(i % kGrid) * 0.1f, 0.01f * s, (i / kGrid) * 0.1f};
            for (const float& f : p) put(&f);
        }
    return pc2;
}

void BM_LoadModel(benchmark::State& state, std::string model, std::string animation) {
    size_t triangles = 0;
    for (auto _ : state) {
        Model m;
        if (!m.Load(model, animation)) {
            state.SkipWithError("model failed to load");
            return;
        }
        triangles = 0;
        for (const auto& part : m.GetMesh(0).frames[0].parts) triangles += part.indices->GetIndexCount() / 3;
    }
    state.counters["triangles"] = double(triangles);
}

}  // namespace

int main(int argc, char** argv) {
    if (!InitTestDevice(64, 64, false)) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    gDir = fs::temp_directory_path() / ("lumivane_bench_model_" + std::to_string(::getpid()));
    fs::create_directories(gDir);
    WriteFile("triangles.obj", Grid(true));
    WriteFile("quads.obj", Grid(false));
    WriteFile("grid.mtl", "newmtl surface\nKd 0.8 0.8 0.8\nNs 10\n");
    WriteFile("animated.pc2", GridAnimation(10));
    PHYSFS_init(argv[0]);
    PHYSFS_mount(gDir.c_str(), nullptr, 0);
    PHYSFS_mount(LUMIVANE_SOURCE_DIR "/data", nullptr, 1);

    benchmark::RegisterBenchmark("LoadObj/triangles_v_vt_vn", BM_LoadModel, "triangles.obj", "")
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("LoadObj/quads_flat_normals", BM_LoadModel, "quads.obj", "")
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("LoadObj/triangles_10_frames", BM_LoadModel, "triangles.obj", "animated.pc2")
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PHYSFS_deinit();
    fs::remove_all(gDir);
    return 0;
}
