// The ring generator, RepeatingModels' three passes, and the model effects' failure paths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "effects/repeatingmodels.h"
#include "effects/ringgenerator.h"
#include "effectscene.h"
#include "scriptxml.h"
#include "support/logcapture.h"
#include "system/random.h"

namespace {

// World position of a copy's origin: the fourth column of the stored (transposed) matrix.
glm::vec3 Origin(const glm::mat4& stored) { return {stored[0][3], stored[1][3], stored[2][3]}; }

std::vector<glm::mat4> Rings(const Effects::RingSettings& settings, size_t limit = 100000) {
    std::vector<glm::mat4> instances;
    Effects::GenerateRings(settings, instances, limit);
    return instances;
}

}  // namespace

TEST(RingGeneratorTest, DrawsCopiesScaleRadiusAndOffsetPerRingInOrder) {
    Effects::RingSettings settings;
    settings.rings = 2;
    settings.seed = 7;
    settings.cubesMin = settings.cubesMax = 3;
    settings.position = {10, 20, 30};
    // The same draws as the generator: u1..u4 for ring 0, then for ring 1.
    uint32_t state = 7;
    float u[8];
    for (float& value : u) value = RandomDraw(state);
    // Choose yMax so that ring 1 sits at offset 0.25.
    ASSERT_GT(std::fabs(2.0f * u[7] - 1.0f), 0.05f);
    settings.yMax = 0.25f / (2.0f * u[7] - 1.0f);

    const std::vector<glm::mat4> instances = Rings(settings);
    size_t next = 0;
    for (int ring = 0; ring < 2; ++ring) {
        const float* d = &u[ring * 4];
        // Single precision throughout: equal bounds may still truncate to one copy fewer.
        const int copies = int((1 - d[0]) * 3.0f + d[0] * 3.0f);
        const float scale = (1 - d[1]) * 0.1f + d[1] * 0.5f;
        // Ring 0 is at offset 0 (radius + 0.5), ring 1 at 0.25 (radius + 0.375).
        const float radius = (1 - d[2]) * 1.0f + d[2] * 5.0f + (ring == 0 ? 0.5f : 0.375f);
        const float offset = ring == 0 ? 0.0f : 0.25f;
        for (int j = 0; j < copies; ++j, ++next) {
            ASSERT_LT(next, instances.size());
            const glm::mat4& m = instances[next];
            const float angle = float(j) / float(copies) * 6.2831855f;
            const glm::vec3 origin = Origin(m);
            EXPECT_NEAR(origin.x, 10 - radius * std::sin(angle), 1e-4f) << ring << "/" << j;
            EXPECT_NEAR(origin.y, 20 + radius * std::cos(angle), 1e-4f) << ring << "/" << j;
            EXPECT_NEAR(origin.z, 30 + offset, 1e-5f) << ring << "/" << j;
            // Scaled and turned to face along the circle.
            EXPECT_NEAR(m[0][0], scale * std::cos(angle), 1e-5f);
            EXPECT_NEAR(m[1][0], scale * std::sin(angle), 1e-5f);
            EXPECT_NEAR(m[2][2], scale, 1e-6f);
        }
    }
    EXPECT_EQ(next, instances.size());
    EXPECT_GE(next, 4u);

    // The rotation param turns every ring.
    settings.rotation = 90.0f;
    const glm::vec3 turned = Origin(Rings(settings)[0]);
    EXPECT_NEAR(turned.y, 20.0f, 1e-4f);
    EXPECT_LT(turned.x, 10.0f);
}

TEST(RingGeneratorTest, SameSeedGivesSameRingsAndAnotherSeedChangesEveryRing) {
    Effects::RingSettings settings;
    settings.rings = 20;
    settings.cubesMin = settings.cubesMax = 1;
    settings.seed = 42;
    const std::vector<glm::mat4> a = Rings(settings), b = Rings(settings);
    settings.seed = 43;
    const std::vector<glm::mat4> c = Rings(settings);
    ASSERT_EQ(a.size(), 20u);
    ASSERT_EQ(c.size(), 20u);
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i], b[i]) << i;
        EXPECT_NE(a[i], c[i]) << i;
    }
}

TEST(RingGeneratorTest, TruncatesWholeNumbersAndContainsBadValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct Case {
        double rings, cubesMin, cubesMax;
        size_t expected;
    };
    const Case cases[] = {
        {3, 2, 2, 6},     {2.9, 2, 2, 4},   {-2, 2, 2, 0},   {nan, 2, 2, 0}, {inf, 2, 2, 0},
        {3, 3.7, 3.7, 9}, {3, -2, -2, 0},   {2, nan, nan, 0}, {1, 2, 2, 2},  {-0.5, 2, 2, 0},
    };
    for (const Case& c : cases) {
        Effects::RingSettings settings;
        settings.rings = c.rings;
        settings.cubesMin = c.cubesMin;
        settings.cubesMax = c.cubesMax;
        settings.seed = nan;  // counts as seed 0
        const std::vector<glm::mat4> instances = Rings(settings);
        EXPECT_EQ(instances.size(), c.expected) << c.rings << " rings of " << c.cubesMin << ".." << c.cubesMax;
        for (const glm::mat4& m : instances)
            for (int i = 0; i < 16; ++i) ASSERT_TRUE(std::isfinite((&m[0][0])[i])) << c.rings;
    }
    // A single ring sits at offset 0 (no 0 / 0).
    Effects::RingSettings one;
    one.rings = 1;
    EXPECT_EQ(Origin(Rings(one)[0]).z, 0.0f);

    // Huge counts stop at the limit instead of allocating without bound.
    for (double huge : {1e12, 1e30}) {
        Effects::RingSettings settings;
        settings.rings = huge;
        settings.cubesMin = 1;
        settings.cubesMax = huge;
        std::vector<glm::mat4> instances;
        EXPECT_FALSE(Effects::GenerateRings(settings, instances, 1000));
        EXPECT_EQ(instances.size(), 1000u);
    }
}

TEST(RepeatingModelsTest, ThreePassesCoincideForConstantParamsAndFollowKeyframes) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    const std::string model = Text("obj", "none.obj");
    ASSERT_TRUE(scene.Load(
        "<effect type=\"RepeatingModels\">" + model + Number("rings", 4) + Number("seed", 11) + "</effect>"
        // Keyframed rings: 5 at t = 50, 2.7 at t - 23, 0.15 at t - 48.5.
        "<effect type=\"RepeatingModels\">" + model + Ramp("rings", 0, 0, 100, 10) + "</effect>"
        "<effect type=\"RepeatingModels\">" + model + Number("rings", 2) + Ramp("seed", 0, 0, 100, 1000) +
        Number("cubesMin", 1) + Number("cubesMax", 1) + "</effect>"
        // Whole numbers given as ints work as well.
        "<effect type=\"RepeatingModels\">" + model + Param("rings", "int", "3") + Param("cubesMin", "int", "1") +
        Param("cubesMax", "int", "1") + "</effect>"));
    auto* fixed = scene.Get<Effects::RepeatingModels>(0);
    auto* rings = scene.Get<Effects::RepeatingModels>(1);
    auto* seeds = scene.Get<Effects::RepeatingModels>(2);
    auto* ints = scene.Get<Effects::RepeatingModels>(3);
    ASSERT_TRUE(fixed && rings && seeds && ints);

    const std::vector<glm::mat4>& same = fixed->BuildInstances(50.0);
    ASSERT_EQ(same.size(), 24u);  // 4 rings of 2 copies, three times
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(same[i], same[i + 8]) << i;
        EXPECT_EQ(same[i], same[i + 16]) << i;
    }
    EXPECT_EQ(rings->BuildInstances(50.0).size(), (5u + 2u + 0u) * 2u);
    const std::vector<glm::mat4>& seeded = seeds->BuildInstances(50.0);
    ASSERT_EQ(seeded.size(), 6u);
    EXPECT_NE(seeded[0], seeded[2]);
    EXPECT_NE(seeded[0], seeded[4]);
    EXPECT_EQ(ints->BuildInstances(0.0).size(), 9u);
}

TEST(RepeatingModelsTest, TooManyCopiesAreCappedWithOneLogLine) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    ASSERT_TRUE(scene.Load("<effect type=\"RepeatingModels\">" + Text("obj", "none.obj") + Number("rings", 1e9) +
                           Number("cubesMin", 1) + Number("cubesMax", 1) + "</effect>"));
    auto* effect = scene.Get<Effects::RepeatingModels>(0);
    ASSERT_NE(effect, nullptr);
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_EQ(effect->BuildInstances(frame).size(), Effects::RepeatingModels::kMaxInstances);
    EXPECT_EQ(log.CountContaining("Too many copies"), 1);
}

TEST(ModelEffectsTest, BrokenShadersDrawHotPinkAndMissingParamsAreReported) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    // A broken 3d.fx in the scratch folder hides the bundled one.
    scene.Write("3d.fx", EffectScene::ReadTestData("effects/broken.fx"));
    ASSERT_TRUE(scene.Load("<effect type=\"RepeatingModels\">" + Number("rings", 2) + "</effect>"
                           "<effect type=\"ThreeDeeTest\">" + Text("shader", "missing.fx") + "</effect>"));
    EXPECT_EQ(log.Count("Couldn't find param 'obj'"), 1);
    for (int i = 0; i < 2; ++i) {
        scene.FillCurrent(Rgba{1, 2, 3, 255});
        scene.List()[i]->Update(0.0, scene.Chain());
        EXPECT_TRUE(AllNear(scene.Current(), Bytes(kHotPink), 0)) << i;
    }
}

namespace {

// A 2 x 2 quad facing +z (towards the default camera), with one material.
const char* const kQuadObj =
    "mtllib quad.mtl\n"
    "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
    "vn 0 0 1\n"
    "usemtl lit\n"
    "f 1//1 2//1 3//1 4//1\n";

// Grey diffuse, no ambient and no highlight; or an unlit, glowing green.
const char* const kGreyMtl = "newmtl lit\nKa 0 0 0\nKd 0.8 0.8 0.8\nKe 0 0 0\nNs 0\n";
const char* const kGlowMtl = "newmtl lit\nKa 0 0 0\nKd 0 0 0\nKe 0 1 0\nNs 0\n";

void Append(std::string& bytes, const void* data, size_t size) {
    bytes.append(static_cast<const char*>(data), size);
}

// A point cache of the quad's four corners: one sample per x offset, one sample a second.
std::string QuadCache(const std::vector<float>& offsets) {
    std::string bytes("POINTCACHE2\0", 12);
    const int32_t version = 1, points = 4, samples = int32_t(offsets.size());
    const float start = 0.0f, rate = 1.0f;
    Append(bytes, &version, 4);
    Append(bytes, &points, 4);
    Append(bytes, &start, 4);
    Append(bytes, &rate, 4);
    Append(bytes, &samples, 4);
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (float offset : offsets) {
        for (const auto& c : corners) {
            const float p[3] = {c[0] + offset, c[1], 0.0f};
            Append(bytes, p, sizeof(p));
        }
    }
    return bytes;
}

std::string Camera(float distance, const std::string& children) {
    return "<effect type=\"CLS\"/><effect type=\"CameraScene\">" + Number("distance", distance) + Number("fov", 60) +
           children + "</effect>";
}

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kGlow{0, 255, 0, 255};

}  // namespace

TEST(ThreeDeeTestTest, LightsTheModelAndTurnsItBeforeMovingIt) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("quad.obj", kQuadObj);
    scene.Write("quad.mtl", kGreyMtl);
    // Scaled to 4 x 4 and turned about its own centre, then moved to x = 3: at distance 10
    // with fov 60 on 64 x 48 it covers about x 36..53, y 16..32.
    ASSERT_TRUE(scene.Load(Camera(10, "<effect type=\"LightScene\">" + Vec3Param("ambient", 0, 0, 0) +
                                          Text("L0Type", "Directional") + Vec3Param("L0Direction", 0, 0, -1) +
                                          Vec3Param("L0Colour", 1, 0.5f, 0) + "<effect type=\"ThreeDeeTest\">" +
                                          Text("obj", "quad.obj") + Number("scale", 2) + Vec3Param("position", 3, 0, 0) +
                                          Vec3Param("rotation", 0, 0, 90) + "</effect></effect>")));
    scene.Frame(0.0);
    const std::vector<uint8_t> pixels = scene.Current();
    const Rgba lit{204, 102, 0, 255};  // grey diffuse x orange light, facing it squarely
    EXPECT_TRUE(RgbNear(pixels, 44, 24, lit, 3));
    EXPECT_TRUE(RgbNear(pixels, 38, 18, lit, 3));
    EXPECT_TRUE(RgbNear(pixels, 51, 30, lit, 3));
    EXPECT_TRUE(RgbNear(pixels, 32, 24, kBlack));
    EXPECT_TRUE(RgbNear(pixels, 44, 10, kBlack));
    EXPECT_TRUE(RgbNear(pixels, 56, 24, kBlack));
}

TEST(ThreeDeeTestTest, PlaysItsAnimationAtTheLocalTimeUnlessGivenAFrame) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("quad.obj", kQuadObj);
    scene.Write("quad.mtl", kGlowMtl);
    scene.Write("quad.pc2", QuadCache({-3.0f, 3.0f}));  // frame 0 on the left, frame 1 on the right
    ASSERT_TRUE(scene.Load(Camera(10, "<effect type=\"ThreeDeeTest\">" + Text("obj", "quad.obj") + "</effect>") +
                           Camera(10, "<effect type=\"ThreeDeeTest\">" + Text("obj", "quad.obj") +
                                          Number("frame", 1) + "</effect>")));
    auto& list = scene.List();
    const int left = 19, right = 45;
    struct Case {
        size_t first;  // index of the CLS before the camera
        double time;
        bool onRight;
    };
    for (const Case& c : {Case{0, 0.5, false}, Case{0, 1.5, true}, Case{0, 2.5, false}, Case{2, 0.5, true}}) {
        list[c.first]->Update(c.time, scene.Chain());
        list[c.first + 1]->Update(c.time, scene.Chain());
        const std::vector<uint8_t> pixels = scene.Current();
        EXPECT_TRUE(RgbNear(pixels, c.onRight ? right : left, 24, kGlow)) << c.first << " at " << c.time;
        EXPECT_TRUE(RgbNear(pixels, c.onRight ? left : right, 24, kBlack)) << c.first << " at " << c.time;
    }
}

TEST(RepeatingModelsTest, DrawsEveryCopyOfARingInOneInstancedDraw) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("quad.obj", kQuadObj);
    scene.Write("quad.mtl", kGlowMtl);
    // One ring of four copies (4 + u truncates to 4) at radius 3 + 0.5 (offset 0), seen
    // down its axis from distance 12: copies about 12 pixels above, left of, below and
    // right of the centre.
    ASSERT_TRUE(scene.Load(Camera(12, "<effect type=\"RepeatingModels\">" + Text("obj", "quad.obj") +
                                          Number("rings", 1) + Number("cubesMin", 4) + Number("cubesMax", 5) +
                                          Number("scaleMin", 1) + Number("scaleMax", 1) + Number("radiusMin", 3) +
                                          Number("radiusMax", 3) + "</effect>")));
    const uint64_t draws = gContext->GetStats().draws;
    scene.Frame(0.0);
    EXPECT_EQ(gContext->GetStats().draws - draws, 1u);  // 3 passes x 4 copies, one mesh
    const std::vector<uint8_t> pixels = scene.Current();
    for (const auto& [x, y] : {std::pair{32, 12}, std::pair{20, 24}, std::pair{32, 36}, std::pair{44, 24}})
        EXPECT_TRUE(RgbNear(pixels, x, y, kGlow));
    for (const auto& [x, y] : {std::pair{32, 24}, std::pair{20, 12}, std::pair{44, 36}})
        EXPECT_TRUE(RgbNear(pixels, x, y, kBlack));
}
