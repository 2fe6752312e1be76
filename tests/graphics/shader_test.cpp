// Shader: lazy entry compilation, input layouts per vertex entry, hot reload, and how
// failures are retried (vertex layouts stay failed until the file changes; pixel entries
// are retried every call).
#include <gtest/gtest.h>

#include <string>

#include "graphics/datafolder.h"
#include "graphics/devicestate.h"
#include "graphics/shader.h"
#include "support/gputest.h"
#include "support/logcapture.h"

namespace {

const char* kGood = R"(
struct VSIn { float3 position : POSITION; float2 uv : TEXCOORD; float3 normal : NORMAL; };
struct PSIn { float4 position : SV_Position; float2 uv : TEXCOORD; };
PSIn VS(VSIn v) { PSIn o; o.position = float4(v.position.xy * 2.0, 0.0, 1.0); o.uv = v.uv; return o; }
float4 PS(PSIn p) : SV_Target { return float4(1, 0, 0, 1); }
float4 PS_Green(PSIn p) : SV_Target { return float4(0, 1, 0, 1); }
float4 ps(PSIn p) : SV_Target { return float4(0, 0, 1, 1); }
)";

const char* kBrokenVertex = R"(
struct PSIn { float4 position : SV_Position; };
PSIn VS(float3 p : POSITION) { PSIn o; o.position = undefinedThing; return o; }
float4 PS(PSIn p) : SV_Target { return float4(1, 1, 1, 1); }
)";

class ShaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(8, 8));
        ASSERT_TRUE(folder_.Ready());
        // The device's default blend state (alpha not written), whatever earlier tests of
        // this process bound.
        gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xFFFFFFFFu);
    }
    DataFolder folder_;
};

}  // namespace

TEST_F(ShaderTest, FirstSetCompilesVertexThenPixelAndSharesTheLayout) {
    folder_.Write("s.fx", kGood);
    LogCapture log;
    Shader shader("s.fx");
    EXPECT_TRUE(shader.Set("PS", "VS"));
    ASSERT_EQ(log.Entries().size(), 2u);
    EXPECT_EQ(log.Entries()[0].function, "Shader::CreateInputLayout");
    EXPECT_EQ(log.Entries()[0].message, "Shader trying to use unloaded vertex shader 'VS'. Trying to load it now..");
    EXPECT_EQ(log.Entries()[1].function, "Shader::Set");
    EXPECT_EQ(log.Entries()[1].message, "Shader trying to use unloaded pixel shader 'PS'. Trying to load it now..");

    log.Clear();
    EXPECT_TRUE(shader.Set("PS_Green", "VS"));
    EXPECT_EQ(log.Count("Shader trying to use unloaded pixel shader 'PS_Green'. Trying to load it now.."), 1);
    EXPECT_EQ(log.CountContaining("vertex shader"), 0) << "the vertex entry and its layout are shared";
}

TEST_F(ShaderTest, EntryNamesAreCaseSensitive) {
    folder_.Write("s.fx", kGood);
    Shader shader("s.fx");
    ASSERT_TRUE(shader.LoadVS("VS"));
    ASSERT_TRUE(shader.LoadPS("PS"));
    ASSERT_TRUE(shader.LoadPS("ps"));
    EXPECT_FALSE(shader.LoadVS("vs"));

    auto target = MakeTestTarget(8, 8);
    gContext->OMSetRenderTargets(1, &target.view, nullptr);
    gpu::Viewport viewport{0, 0, 8, 8, 0, 1};
    gContext->RSSetViewports(1, &viewport);
    ASSERT_TRUE(shader.Set("ps", "VS"));
    const uint32_t stride = 32, offset = 0;
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->Draw(4, 0);
    EXPECT_TRUE(PixelNear(ReadPixels(target.texture), 8, 4, 4, {0, 0, 255, 0}, 1)) << "'ps' is not 'PS' (alpha is never written)";
}

TEST_F(ShaderTest, EmptyAndMissingFilesCannotBeOpened) {
    folder_.Write("empty.fx", "");
    LogCapture log;
    Shader empty("empty.fx");
    EXPECT_FALSE(empty.LoadVS("VS"));
    EXPECT_FALSE(empty.LoadPS("PS"));
    EXPECT_EQ(log.Count("File 'empty.fx' for vertex shader 'VS' couldn't be opened"), 1);
    EXPECT_EQ(log.Count("File 'empty.fx' for pixel shader 'PS' couldn't be opened"), 1);
    Shader missing("missing.fx");
    EXPECT_FALSE(missing.Set("PS", "VS"));
}

TEST_F(ShaderTest, VertexErrorIsNotRetriedUntilTheFileChanges) {
    folder_.Write("s.fx", kBrokenVertex);
    LogCapture log;
    Shader shader("s.fx");
    EXPECT_FALSE(shader.Set("PS", "VS"));
    EXPECT_EQ(log.CountContaining("Vertex shader 'VS' compile error:"), 1);
    const size_t logged = log.Entries().size();
    EXPECT_FALSE(shader.Set("PS", "VS"));
    EXPECT_FALSE(shader.Set("PS", "VS"));
    EXPECT_EQ(log.Entries().size(), logged) << "the failed layout is cached silently";

    folder_.Write("s.fx", kGood, 10);
    EXPECT_TRUE(shader.Set("PS", "VS")) << "a changed file recompiles lazily";
    EXPECT_EQ(log.Count("FileWatcher has noticed that 's.fx' has changed"), 1);
}

TEST_F(ShaderTest, PixelErrorIsRetriedEveryCall) {
    folder_.Write("s.fx", kGood);
    LogCapture log;
    Shader shader("s.fx");
    EXPECT_FALSE(shader.Set("PS_Missing", "VS"));
    EXPECT_FALSE(shader.Set("PS_Missing", "VS"));
    EXPECT_EQ(log.Count("Shader trying to use unloaded pixel shader 'PS_Missing'. Trying to load it now.."), 2);
    EXPECT_EQ(log.CountContaining("Pixel shader 'PS_Missing' compile error:"), 2);
    EXPECT_EQ(log.Count("s.fx: error: entry point 'PS_Missing' not found"), 2) << "errors name the file";
}

TEST_F(ShaderTest, EditedFileIsRebuiltOnTheNextSet) {
    folder_.Write("s.fx", kGood);
    Shader shader("s.fx");
    ASSERT_TRUE(shader.Set("PS", "VS"));
    std::string edited = kGood;
    edited.replace(edited.find("float4(1, 0, 0, 1)"), 18, "float4(1, 1, 0, 1)");
    folder_.Write("s.fx", edited, 10);

    auto target = MakeTestTarget(8, 8);
    gContext->OMSetRenderTargets(1, &target.view, nullptr);
    gpu::Viewport viewport{0, 0, 8, 8, 0, 1};
    gContext->RSSetViewports(1, &viewport);
    ASSERT_TRUE(shader.Set("PS", "VS"));
    const uint32_t stride = 32, offset = 0;
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->Draw(4, 0);
    EXPECT_TRUE(PixelNear(ReadPixels(target.texture), 8, 4, 4, {255, 255, 0, 0}, 1));
}

TEST_F(ShaderTest, MissingIncludeIsReportedByName) {
    folder_.Write("s.fx", std::string("#include \"common/nothere.fxh\"\n") + kGood);
    LogCapture log;
    Shader shader("s.fx");
    EXPECT_FALSE(shader.LoadVS("VS"));
    EXPECT_EQ(log.Count("Failed to find shader include 'common/nothere.fxh'"), 1);
    EXPECT_EQ(log.CountContaining("Vertex shader 'VS' compile error:"), 1);
}

TEST_F(ShaderTest, IncludesResolveFromTheDataRoot) {
    folder_.Write("colour.fxh", "float4 Colour() { return float4(0, 1, 0, 1); }\n");
    folder_.Write("s.fx", std::string("#include \"colour.fxh\"\n") + kGood);
    Shader shader("s.fx");
    EXPECT_TRUE(shader.LoadVS("VS"));
    EXPECT_TRUE(shader.LoadPS("PS"));
}
