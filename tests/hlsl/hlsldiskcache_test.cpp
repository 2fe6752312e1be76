// The translation cache on disk: round trip, damaged files, changed includes, an unwritable
// folder and a second player writing the same entries at the same time.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "hlsl/hlslcache.h"
#include "hlsl/hlsldiskcache.h"
#include "support/logcapture.h"

namespace {

namespace fs = std::filesystem;

class MapIncludes : public gpu::IncludeHandler {
public:
    bool Open(const std::string& name, std::string* text) override {
        auto it = files.find(name);
        if (it == files.end()) return false;
        *text = it->second;
        return true;
    }
    std::map<std::string, std::string> files;
};

gpu::HlslCacheResult SampleResult(const std::string& glsl) {
    auto blob = std::make_shared<gpu::ShaderBlob>();
    blob->stage = gpu::ShaderStage::Pixel;
    blob->entryPoint = "PS";
    blob->glsl = glsl;
    blob->constantBuffers.push_back({1, 17, 64, {{0, 0, 12}, {16, 32, 4}}});
    blob->structuredBuffers.push_back({2, 18});
    blob->textures.push_back({0, -1, 16, gpu::ShaderBlob::TextureKind::Texture2DMS});
    blob->inputs.push_back({"TEXCOORD", 1, 3});
    return {blob, ""};
}

class HlslDiskCache : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("lumivane-diskcache-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        gpu::HlslDiskCacheSetFolder(folder_.string());
    }
    void TearDown() override {
        gpu::HlslDiskCacheSetFolder("");
        fs::remove_all(folder_);
    }
    bool Find(const std::string& identity, MapIncludes& handler, gpu::HlslCacheResult* result) {
        gpu::HlslIncludes includes(&handler);
        return gpu::HlslDiskCacheFind(identity, &includes, result);
    }
    void Store(const std::string& identity, MapIncludes& handler, const gpu::HlslCacheResult& result) {
        gpu::HlslIncludes includes(&handler);
        for (const auto& [name, text] : handler.files) includes.Open(name);
        includes.Open("missing.hlsli");
        gpu::HlslDiskCacheStore(identity, includes, result);
    }
    fs::path folder_;
};

TEST_F(HlslDiskCache, RoundTripsAndIgnoresDamagedOrChangedEntriesOnce) {
    LogCapture log;
    MapIncludes handler;
    handler.files["common.hlsli"] = "#define A 1\n";
    Store("ps_4_0\nPS\nsource", handler, SampleResult("void main() {}\n"));

    gpu::HlslCacheResult found;
    ASSERT_TRUE(Find("ps_4_0\nPS\nsource", handler, &found));
    ASSERT_TRUE(found.blob);
    EXPECT_EQ(found.blob->glsl, "void main() {}\n");
    EXPECT_EQ(found.blob->stage, gpu::ShaderStage::Pixel);
    ASSERT_EQ(found.blob->constantBuffers.size(), 1u);
    EXPECT_EQ(found.blob->constantBuffers[0].glSize, 64u);
    ASSERT_EQ(found.blob->constantBuffers[0].repack.size(), 2u);
    EXPECT_EQ(found.blob->constantBuffers[0].repack[1].glOffset, 32u);
    EXPECT_EQ(found.blob->structuredBuffers[0].glBinding, 18u);
    EXPECT_EQ(found.blob->textures[0].samplerSlot, -1);
    EXPECT_EQ(found.blob->textures[0].kind, gpu::ShaderBlob::TextureKind::Texture2DMS);
    EXPECT_EQ(found.blob->inputs[0].semantic, "TEXCOORD");
    EXPECT_FALSE(Find("ps_4_0\nPS\nother", handler, &found)) << "another identity";

    // An include that changed, or one that appeared where it was missing, is a miss.
    MapIncludes changed = handler;
    changed.files["common.hlsli"] = "#define A 2\n";
    EXPECT_FALSE(Find("ps_4_0\nPS\nsource", changed, &found));
    MapIncludes appeared = handler;
    appeared.files["missing.hlsli"] = "";
    EXPECT_FALSE(Find("ps_4_0\nPS\nsource", appeared, &found));
    EXPECT_EQ(log.CountContaining("Shader cache"), 0);

    // Truncated, flipped and empty files are ignored (one log line), then rewritten.
    const std::string path = gpu::HlslDiskCachePath("ps_4_0\nPS\nsource");
    const auto size = fs::file_size(path);
    for (int damage = 0; damage < 3; ++damage) {
        if (damage == 0) fs::resize_file(path, size / 2);
        if (damage == 1) {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(static_cast<std::streamoff>(size / 2));
            file.put('\x7f');
        }
        if (damage == 2) fs::resize_file(path, 0);
        EXPECT_FALSE(Find("ps_4_0\nPS\nsource", handler, &found)) << damage;
        Store("ps_4_0\nPS\nsource", handler, SampleResult("void main() {}\n"));
        EXPECT_TRUE(Find("ps_4_0\nPS\nsource", handler, &found)) << damage;
    }
    EXPECT_EQ(log.CountContaining("Shader cache: ignoring a damaged entry"), 1);
    // Nothing but whole entries is left behind.
    for (const auto& file : fs::directory_iterator(folder_)) EXPECT_EQ(file.path().extension(), ".bin");
}

TEST_F(HlslDiskCache, UnwritableFolderTurnsTheCacheOffWithOneLine) {
    LogCapture log;
    fs::create_directories(folder_);
    std::ofstream(folder_ / "file") << "x";
    gpu::HlslDiskCacheSetFolder((folder_ / "file" / "cache").string());  // a folder inside a file
    MapIncludes handler;
    for (int i = 0; i < 3; ++i) Store("identity " + std::to_string(i), handler, SampleResult("x"));
    gpu::HlslCacheResult found;
    EXPECT_FALSE(Find("identity 0", handler, &found));
    EXPECT_EQ(log.CountContaining("Shader cache off: cannot write"), 1);
}

TEST_F(HlslDiskCache, SecondPlayerWritingTheSameEntriesNeverLeavesHalfFiles) {
    MapIncludes handler;
    const std::string big(200000, 'g');  // large enough that a torn write would show
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int round = 0; round < 20; ++round)
            for (int i = 0; i < 5; ++i) Store("entry " + std::to_string(i), handler, SampleResult(big));
        _exit(0);
    }
    LogCapture log;
    int hits = 0;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 5; ++i) {
            Store("entry " + std::to_string(i), handler, SampleResult(big));
            gpu::HlslCacheResult found;
            if (Find("entry " + std::to_string(i), handler, &found)) {
                ++hits;
                EXPECT_EQ(found.blob->glsl, big);
            }
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(hits, 100);
    EXPECT_EQ(log.CountContaining("Shader cache"), 0);
}

TEST_F(HlslDiskCache, FolderKeepsTheNewestEntriesAndDropsStaleTemporaryFiles) {
    fs::create_directories(folder_);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    for (int i = 0; i < 2100; ++i) {
        const fs::path file = folder_ / ("old" + std::to_string(i) + ".bin");
        std::ofstream(file) << "x";
        fs::last_write_time(file, old - std::chrono::seconds(i));
    }
    std::ofstream(folder_ / "crashed.bin.tmp123_0") << "half";
    fs::last_write_time(folder_ / "crashed.bin.tmp123_0", old);
    std::ofstream(folder_ / "writing.bin.tmp456_0") << "in progress";

    MapIncludes handler;
    Store("fresh", handler, SampleResult("void main() {}\n"));
    int bins = 0;
    for (const auto& file : fs::directory_iterator(folder_)) bins += file.path().extension() == ".bin" ? 1 : 0;
    EXPECT_EQ(bins, 2048);
    EXPECT_TRUE(fs::exists(gpu::HlslDiskCachePath("fresh")));
    EXPECT_TRUE(fs::exists(folder_ / "old0.bin"));      // the newest old one stays
    EXPECT_FALSE(fs::exists(folder_ / "old2099.bin"));  // the oldest goes
    EXPECT_FALSE(fs::exists(folder_ / "crashed.bin.tmp123_0"));
    EXPECT_TRUE(fs::exists(folder_ / "writing.bin.tmp456_0")) << "another player may be writing it";
}

TEST_F(HlslDiskCache, TranslationIsFoundOnDiskAfterTheMemoryCacheIsGone) {
    const std::string source = "float4 PS() : SV_Target { return float4(0.25, 0.5, 0.75, 1); }\n";
    gpu::CompileRequest request;
    request.source = source.data();
    request.sourceLength = source.size();
    request.sourceName = "disk.fx";
    request.entryPoint = "PS";
    request.profile = "ps_4_0";
    gpu::HlslCacheClear();
    std::string errors;
    auto first = gpu::CompileHLSL(request, &errors);
    ASSERT_TRUE(first) << errors;
    EXPECT_TRUE(fs::exists(gpu::HlslDiskCachePath(gpu::HlslCacheIdentity(request))));
    gpu::HlslCacheClear();
    auto second = gpu::CompileHLSL(request, &errors);
    ASSERT_TRUE(second);
    EXPECT_NE(second.get(), first.get());
    EXPECT_EQ(second->glsl, first->glsl);
}

}  // namespace
