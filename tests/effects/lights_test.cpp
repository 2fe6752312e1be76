// The light list, its upload into the current light scene, and LightScene's records.
#include <gtest/gtest.h>

#include <cstring>

#include "effects/lightscene.h"
#include "effectscene.h"
#include "graphics/lightlist.h"
#include "graphics/readback.h"
#include "scriptxml.h"
#include "support/logcapture.h"

namespace {

std::vector<LightRecord> RecordsOnGpu(const LightBuffers& buffers, uint32_t count) {
    const std::vector<uint8_t> bytes = readback::Buffer(buffers.GetRecords().GetBuffer());
    std::vector<LightRecord> records(count);
    if (bytes.size() >= count * sizeof(LightRecord)) std::memcpy(records.data(), bytes.data(), count * sizeof(LightRecord));
    return records;
}

struct LightConstants {
    int32_t count;
    float visibilityMin, visibilityRange, zero;
};
LightConstants ConstantsOnGpu(const LightBuffers& buffers) {
    const std::vector<uint8_t> bytes = readback::Buffer(buffers.GetConstants().GetBuffer());
    LightConstants constants{};
    if (bytes.size() >= sizeof(constants)) std::memcpy(&constants, bytes.data(), sizeof(constants));
    return constants;
}

void ExpectVec(const float* actual, float x, float y, float z) {
    EXPECT_NEAR(actual[0], x, 1e-6f);
    EXPECT_NEAR(actual[1], y, 1e-6f);
    EXPECT_NEAR(actual[2], z, 1e-6f);
    EXPECT_EQ(actual[3], 0.0f);
}

}  // namespace

TEST(LightListTest, RefusesRecordsBeyondEightWithOneLinePerRunOfOverflow) {
    LogCapture log;
    LightList list;
    LightRecord record;
    for (int frame = 0; frame < 2; ++frame) {  // overflowing frame after frame: still one line
        list.Clear();
        for (int i = 0; i < 8; ++i) {
            record.maxDistance = float(i);
            EXPECT_TRUE(list.Append(record));
        }
        record.maxDistance = 99.0f;
        EXPECT_FALSE(list.Append(record));
        EXPECT_FALSE(list.Append(record));
        EXPECT_EQ(list.GetCount(), 8u);
        EXPECT_EQ(list.GetRecords()[7].maxDistance, 7.0f);
    }
    EXPECT_EQ(log.CountContaining("Failed to add light"), 1);

    // A frame that fits ends the run; the next overflow is reported again.
    list.Clear();
    EXPECT_TRUE(list.Append(record));
    list.Clear();
    for (int i = 0; i < 9; ++i) list.Append(record);
    EXPECT_EQ(log.CountContaining("Failed to add light"), 2);
}

TEST(LightSceneTest, BuildsAmbientAndNumberedLightsAndUploadsThem) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    // Light 0 a point light without a colour, light 1 of an unknown type, light 2 directional.
    ASSERT_TRUE(scene.Load("<effect type=\"LightScene\">" + Text("L0Type", "Point") + Vec3Param("L0Position", 1, 2, 3) +
                           Text("L1Type", "Spot") + Vec3Param("L1Colour", 0, 1, 0) + Text("L2Type", "Directional") +
                           Vec3Param("L2Direction", 0, 3, 4) + Vec3Param("L2Colour", 0, 0, 1) +
                           "</effect>"
                           "<effect type=\"LightScene\">" + Vec3Param("ambient", 0.5f, 0.25f, 0.125f) +
                           Text("L6Type", "Point") + Number("L6MaxDistance", 40) + Number("L6FallOff", 2) +
                           Number("visibilityFallOffMin", 100) + Number("visibilityFallOffMax", 400) + "</effect>"));
    auto* first = scene.Get<Effects::LightScene>(0);
    auto* second = scene.Get<Effects::LightScene>(1);
    ASSERT_TRUE(first && second);

    first->Update(0.0, scene.Chain());
    ASSERT_EQ(gLightList.GetCount(), 3u);
    const LightRecord* r = gLightList.GetRecords();
    EXPECT_EQ(r[0].type, kLightAmbient);
    ExpectVec(r[0].colour, 0.2f, 0.2f, 0.2f);
    ExpectVec(r[0].position, 0, 0, 0);
    ExpectVec(r[0].direction, 0, 0, 0);
    EXPECT_EQ(r[1].type, kLightPoint);
    ExpectVec(r[1].position, 1, 2, 3);
    ExpectVec(r[1].colour, 1, 0, 0);  // red without a colour param
    EXPECT_EQ(r[1].maxDistance, 500.0f);
    EXPECT_EQ(r[1].fallOff, 1.0f);
    EXPECT_EQ(r[2].type, kLightDirectional);
    ExpectVec(r[2].direction, 0, 0.6f, 0.8f);
    ExpectVec(r[2].colour, 0, 0, 1);

    // The list went to the first scene's buffers, which became the current ones.
    EXPECT_EQ(GetCurrentLightBuffers(), first->GetBuffers());
    EXPECT_EQ(std::memcmp(RecordsOnGpu(*first->GetBuffers(), 3).data(), r, 3 * sizeof(LightRecord)), 0);
    LightConstants constants = ConstantsOnGpu(*first->GetBuffers());
    EXPECT_EQ(constants.count, 3);
    EXPECT_EQ(constants.visibilityMin, 10000.0f);
    EXPECT_EQ(constants.visibilityRange, 0.0f);
    EXPECT_EQ(constants.zero, 0.0f);

    second->Update(0.0, scene.Chain());
    ASSERT_EQ(gLightList.GetCount(), 2u);
    ExpectVec(gLightList.GetRecords()[0].colour, 0.5f, 0.25f, 0.125f);
    EXPECT_EQ(gLightList.GetRecords()[1].maxDistance, 40.0f);
    EXPECT_EQ(gLightList.GetRecords()[1].fallOff, 2.0f);
    constants = ConstantsOnGpu(*second->GetBuffers());
    EXPECT_EQ(constants.count, 2);
    EXPECT_EQ(constants.visibilityMin, 100.0f);
    EXPECT_EQ(constants.visibilityRange, 300.0f);

    // An effect appending after the scene uploads into the scene that rendered last.
    LightRecord extra;
    extra.type = kLightPoint;
    extra.colour[1] = 1.0f;
    EXPECT_TRUE(HasCurrentLightScene());
    gLightList.Append(extra);
    EXPECT_TRUE(UploadLights());
    EXPECT_EQ(ConstantsOnGpu(*second->GetBuffers()).count, 3);
    EXPECT_EQ(RecordsOnGpu(*second->GetBuffers(), 3)[2].colour[1], 1.0f);
    EXPECT_EQ(ConstantsOnGpu(*first->GetBuffers()).count, 3);  // untouched

    // Once the scene is gone (a script reload) nothing is current and nothing is written.
    std::shared_ptr<LightBuffers> kept = second->GetBuffers();
    scene.List().clear();
    EXPECT_TRUE(HasCurrentLightScene());  // `kept` still holds the buffers
    kept.reset();
    EXPECT_FALSE(HasCurrentLightScene());
    EXPECT_FALSE(UploadLights());
}

namespace {
// Shows the bound lights: on the left record 1's colour (red, green) and type / 2; on the
// right the count / 8, the visibility range / 1000 and record 1's range / 100.
const char* const kLightShader = R"(
struct Light { float4 position; float4 direction; float4 colour; float maxDistance; float fallOff; int type; int pad; };
StructuredBuffer<Light> lights : register(t5);
cbuffer LightConstants : register(b1) { int lightCount; float visibilityMin; float visibilityRange; float unused; };
struct VSIn { float3 position : POSITION; float2 uv : TEXCOORD; float3 normal : NORMAL; };
struct PSIn { float4 position : SV_Position; };
PSIn VS(VSIn v) { PSIn o; o.position = float4(v.position.xy * 2.0, 0.5, 1.0); return o; }
float4 PS(PSIn p) : SV_Target {
    if (p.position.x < 32.0) return float4(lights[1].colour.rg, lights[1].type / 2.0, 1.0);
    return float4(lightCount / 8.0, visibilityRange / 1000.0, lights[1].maxDistance / 100.0, 1.0);
}
)";
}  // namespace

TEST(LightSceneTest, ShadersReadTheRecordsAndConstantsAtTheirSlots) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("lights.fx", kLightShader);
    // The camera scene clears the depth buffer; the shader places the quad itself.
    ASSERT_TRUE(scene.Load("<effect type=\"CameraScene\">" + Number("distance", 1) + Number("fov", 60) +
                           "<effect type=\"LightScene\">" + Text("L3Type", "Point") + Vec3Param("L3Colour", 0.5f, 1, 0) +
                           Number("L3MaxDistance", 50) + Number("visibilityFallOffMax", 10250) +
                           "<effect type=\"Shader3D\">" + Text("shader", "lights.fx") + "</effect></effect></effect>"));
    scene.Frame(0.0);
    const std::vector<uint8_t> pixels = scene.Current();
    EXPECT_TRUE(RgbNear(pixels, 10, 10, Rgba{128, 255, 255, 255}));
    EXPECT_TRUE(RgbNear(pixels, 50, 40, Rgba{64, 64, 128, 255}));
}
