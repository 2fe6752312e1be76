// The scattered-object effects: Crosses, Boxes, BoxLine, Floaters and Flyers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "effects/boxes.h"
#include "effects/boxline.h"
#include "effects/crosses.h"
#include "effects/floaters.h"
#include "effects/flyers.h"
#include "effectscene.h"
#include "graphics/trianglesrenderobject.h"
#include "scriptxml.h"
#include "support/logcapture.h"
#include "system/random.h"

namespace {

constexpr uint32_t kSeed = 123456789;  // what start-up sets

// Sets the process seed for one test and restores it after.
class SeedScope {
public:
    SeedScope() : saved_(gRandomSeed) { gRandomSeed = kSeed; }
    ~SeedScope() { gRandomSeed = saved_; }

private:
    uint32_t saved_;
};

std::string Effect(const std::string& type, const std::string& params) {
    return "<effect type=\"" + type + "\">" + params + "</effect>";
}

std::string Camera(const std::string& children, float yaw = 0.0f) {
    return "<effect type=\"CLS\"/><effect type=\"CameraScene\">" + Number("distance", 10) + Number("fov", 60) +
           Vec3Param("rotation", yaw, 0, 0) + children + "</effect>";
}

// The n-th draw (1-based) of the sequence from `seed`.
float Draw(uint32_t seed, int n) {
    float u = 0.0f;
    for (int i = 0; i < n; ++i) u = RandomDraw(seed);
    return u;
}

bool IsZero(const Effects::BillboardRecord& r) {
    const Effects::BillboardRecord zero{};
    return std::memcmp(&r, &zero, sizeof(r)) == 0;
}

int LitPixels(const std::vector<uint8_t>& pixels) {
    int lit = 0;
    for (int y = 0; y < kSceneHeight; ++y)
        for (int x = 0; x < kSceneWidth; ++x) lit += PixelAt(pixels, kSceneWidth, x, y).g > 20 ? 1 : 0;
    return lit;
}

constexpr Rgba kBlack{0, 0, 0, 255};

}  // namespace

TEST(CrossesTest, FillsTheSphereWithSeededBrightnessAndFadesItsShell) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    SeedScope seed;
    // Range 2: cells -2..1 on each axis. Sphere 2 with a shell of 1.
    const std::string grid = Param("range", "int", "2") + Number("size", 0.5) + Number("sphere", 2) +
                             Number("falloff", 1);
    ASSERT_TRUE(scene.Load(Effect("Crosses", grid) + Effect("Crosses", grid) +
                           Effect("Crosses", Param("range", "int", "0")) +
                           Effect("Crosses", Param("range", "int", "1") + Number("sphere", 0))));
    auto* crosses = scene.Get<Effects::Crosses>(0);
    auto* again = scene.Get<Effects::Crosses>(1);
    auto* empty = scene.Get<Effects::Crosses>(2);
    auto* hollow = scene.Get<Effects::Crosses>(3);
    ASSERT_TRUE(crosses && again && empty && hollow);

    crosses->GenerateInstances(0.0);
    const std::vector<Effects::BillboardRecord>& records = crosses->GetRecords();
    ASSERT_EQ(records.size(), 64u);
    EXPECT_EQ(crosses->GetInstanceCount(), 64u);
    // Walk the cells in order: kept cells are written front to back, the rest stays zero.
    size_t next = 0;
    int draw = 0;
    for (int i = -2; i < 2; ++i) {
        for (int k = -2; k < 2; ++k) {
            for (int j = -2; j < 2; ++j) {
                ++draw;
                const float l = std::sqrt(float(i * i + k * k + j * j));
                if (l >= 2.0f) continue;  // (-2, 0, 0) and the like sit exactly on the sphere
                const Effects::BillboardRecord& r = records[next++];
                EXPECT_EQ(r.position, (vec3{float(i), float(k), float(j)}));
                EXPECT_EQ(r.size, 0.5f);
                EXPECT_EQ(r.normal, vec3{});
                const float full = Draw(kSeed, draw) * 0.5f + 0.75f;
                EXPECT_FLOAT_EQ(r.brightness, l > 1.0f ? full * (1.0f - (l - 1.0f)) : full) << i << k << j;
            }
        }
    }
    EXPECT_EQ(next, 27u);  // the centre, 6 at 1, 12 at 1.41, 8 at 1.73
    for (; next < records.size(); ++next) EXPECT_TRUE(IsZero(records[next])) << next;

    // Every frame and every instance gives the same records.
    again->GenerateInstances(5.0);
    crosses->GenerateInstances(9.0);
    EXPECT_EQ(std::memcmp(records.data(), again->GetRecords().data(), 64 * sizeof(records[0])), 0);

    empty->GenerateInstances(0.0);
    EXPECT_EQ(empty->GetInstanceCount(), 0u);
    // Sphere 0 keeps no cell but still uploads the whole zero grid.
    hollow->GenerateInstances(0.0);
    EXPECT_EQ(hollow->GetInstanceCount(), 8u);
    for (const auto& r : hollow->GetRecords()) EXPECT_TRUE(IsZero(r));
}

TEST(CrossesTest, OutOfBoundsRangesAndNonFiniteSizesAreContainedWithOneLogLine) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    ASSERT_TRUE(scene.Load(Effect("Crosses", Param("range", "int", "1000")) +
                           Effect("Crosses", Param("range", "int", "-3")) +
                           Effect("Crosses", Param("range", "int", "1") + Param("size", "double", "nan") +
                                                 Number("sphere", 5))));
    auto* huge = scene.Get<Effects::Crosses>(0);
    auto* negative = scene.Get<Effects::Crosses>(1);
    auto* nan = scene.Get<Effects::Crosses>(2);
    for (int frame = 0; frame < 3; ++frame) {
        huge->GenerateInstances(frame);
        negative->GenerateInstances(frame);
        nan->GenerateInstances(frame);
    }
    EXPECT_EQ(huge->GetInstanceCount(), Effects::Crosses::kCapacity);
    EXPECT_EQ(huge->GetRecords().size(), size_t(Effects::Crosses::kCapacity));
    EXPECT_EQ(negative->GetInstanceCount(), 0u);
    EXPECT_EQ(nan->GetRecords()[0].size, 1.0f);  // the default
    EXPECT_EQ(log.Count("Crosses range 1000 is outside 0 to 30; using 30"), 1);
    EXPECT_EQ(log.Count("Crosses range -3 is outside 0 to 30; using 0"), 1);
    EXPECT_EQ(log.Count("Param 'size' is not a finite number; using 1"), 1);
}

TEST(BoxesTest, JumpsBetweenFiftySeededCellsEveryTwoSecondsAndFades) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    SeedScope seed;
    // spacing is read at time 0 only: the ramp's later values never apply.
    const std::string params = Param("range", "int", "3") + Number("gridOffset", 0.25) + Ramp("spacing", 0, 2, 10, 7);
    ASSERT_TRUE(scene.Load(Effect("Boxes", params) + Effect("Boxes", params)));
    auto* boxes = scene.Get<Effects::Boxes>(0);
    auto* again = scene.Get<Effects::Boxes>(1);
    ASSERT_TRUE(boxes && again);

    const std::vector<vec3>& positions = boxes->GetPositions();
    ASSERT_EQ(positions.size(), 50u);
    for (size_t i = 0; i < positions.size(); ++i) {
        EXPECT_EQ(positions[i], again->GetPositions()[i]) << i;
        for (float c : {positions[i].x, positions[i].y, positions[i].z}) {
            EXPECT_EQ(c - 0.25f, std::floor(c - 0.25f)) << i;
            EXPECT_GE(c - 0.25f, -3.0f);
            EXPECT_LT(c - 0.25f, 3.0f);
        }
    }
    EXPECT_EQ(positions[1].y, std::floor(Draw(kSeed, 5) * 6.0f - 3.0f) + 0.25f);

    struct Case {
        double time;
        size_t index;
        float fade;
    };
    for (const Case& c : {Case{0.0, 0, 2.0f}, Case{1.0, 0, 1.0f}, Case{2.0, 1, 2.0f}, Case{5.5, 2, 0.5f},
                          Case{99.0, 49, 1.0f}, Case{100.0, 0, 2.0f}, Case{-2.0, 49, 2.0f}}) {
        boxes->GenerateInstances(c.time);
        const std::vector<Effects::BillboardRecord>& r = boxes->GetRecords();
        ASSERT_EQ(r.size(), 12u);
        EXPECT_EQ(boxes->GetInstanceCount(), 12u);
        const vec3& p = positions[c.index];
        // z faces, then y, then x; -h before +h; +axis before -axis. Size 2: h = 1.
        const vec3 c0{p.x * 2, p.y * 2, p.z * 2};
        EXPECT_EQ(r[0].position, (vec3{c0.x, c0.y, c0.z - 1})) << c.time;
        EXPECT_EQ(r[0].normal, (vec3{0, 0, 1}));
        EXPECT_EQ(r[1].normal, (vec3{0, 0, -1}));
        EXPECT_EQ(r[2].position, (vec3{c0.x, c0.y, c0.z + 1}));
        EXPECT_EQ(r[4].position, (vec3{c0.x, c0.y - 1, c0.z}));
        EXPECT_EQ(r[4].normal, (vec3{0, 1, 0}));
        EXPECT_EQ(r[11].position, (vec3{c0.x + 1, c0.y, c0.z}));
        EXPECT_EQ(r[11].normal, (vec3{-1, 0, 0}));
        for (const auto& face : r) {
            EXPECT_EQ(face.size, 2.0f);
            EXPECT_FLOAT_EQ(face.brightness, c.fade) << c.time;
        }
    }
}

TEST(BoxLineTest, TrainsRunTheirLinesOnlyInTheirTimeWindows) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    SeedScope seed;
    ASSERT_TRUE(scene.Load(Effect("BoxLine", "") + Effect("BoxLine", Number("spacing", 0.5))));
    auto* line = scene.Get<Effects::BoxLine>(0);
    auto* half = scene.Get<Effects::BoxLine>(1);
    ASSERT_TRUE(line && half);

    const vec3 anchors[5] = {{-4, 0, 0}, {2, 1, 0}, {4, -1, 0}, {1, 1, 0}, {-3, 2, 0}};
    for (size_t i = 0; i < 5; ++i) {
        const auto& l = line->GetLines()[i];
        EXPECT_EQ(l.boxes, 4);
        for (float jitter : {l.base.x - anchors[i].x, l.base.y - anchors[i].y, l.base.z - anchors[i].z})
            EXPECT_TRUE(jitter == -1.0f || jitter == 0.0f || jitter == 1.0f) << i;
    }
    EXPECT_EQ(line->GetLines()[0].base.x, -4.0f + std::floor(2.0f * Draw(kSeed, 1) - 0.5f));

    // Lines start at tau 16, 20, 25, 26, 30 and run 10 units of tau (twice that in seconds).
    struct Case {
        double time;
        size_t boxes;
    };
    for (const Case& c : {Case{0.0, 0}, Case{31.9, 0}, Case{32.0, 4}, Case{39.9, 4}, Case{40.0, 8}, Case{52.0, 16},
                          Case{52.1, 12}, Case{80.0, 4}, Case{80.1, 0}}) {
        line->GenerateInstances(c.time);
        EXPECT_EQ(line->GetRecords().size(), c.boxes * 12) << c.time;
        EXPECT_EQ(line->GetInstanceCount(), c.boxes * 12) << c.time;
    }

    // Line 1 runs along -z: its first box crosses 160 cells between 32 s and 52 s. A box's
    // first record is its -z face.
    const vec3 base = line->GetLines()[0].base;
    for (const auto& [time, cells] : {std::pair{32.0, -80.0f}, std::pair{42.0, 0.0f}, std::pair{52.0, 80.0f}}) {
        half->GenerateInstances(time);
        const auto& r = half->GetRecords();
        ASSERT_GE(r.size(), 48u);
        EXPECT_EQ(r[0].position, (vec3{(base.x + 0.5f) * 0.5f, (base.y + 0.5f) * 0.5f,
                                       (base.z + 0.5f + cells) * 0.5f - 0.25f})) << time;
        EXPECT_FLOAT_EQ(r[12].position.z - r[0].position.z, 0.5f);  // the next box, one cell on
        EXPECT_EQ(r[0].brightness, 2.0f);
        EXPECT_EQ(r[0].size, 0.5f);
    }
}

TEST(FloatersTest, BuildsTheSameDoubleSidedTrianglesInsideTheBall) {
    Effects::Floaters::Settings settings;
    settings.count = 40;
    settings.minSphereSize = 10;
    settings.maxSphereSize = 20;
    settings.minTriangleSize = 1;
    settings.maxTriangleSize = 2;
    const std::vector<SVertexDesc> a = Effects::Floaters::BuildTriangles(settings, kSeed);
    const std::vector<SVertexDesc> b = Effects::Floaters::BuildTriangles(settings, kSeed);
    const std::vector<SVertexDesc> other = Effects::Floaters::BuildTriangles(settings, kSeed + 1);
    ASSERT_EQ(a.size(), 240u);
    ASSERT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(a[0])), 0);
    EXPECT_NE(std::memcmp(a.data(), other.data(), a.size() * sizeof(a[0])), 0);

    for (size_t t = 0; t < 40; ++t) {
        const SVertexDesc* v = &a[t * 6];
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(v[3 + c].position, v[2 - c].position) << t;  // the back copy runs backwards
            EXPECT_EQ(v[3 + c].normal, (vec3{-v[0].normal.x, -v[0].normal.y, -v[0].normal.z}));
            EXPECT_EQ(v[c].texcoord, vec2{});
            // Centre within 20, corners within 2 per axis of it.
            const vec3 p = v[c].position;
            EXPECT_LE(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 20.0f + 2.0f * std::sqrt(3.0f)) << t;
        }
        const vec3 n = v[0].normal;
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-5f);
    }

    // The first triangle: the centre from the first accepted three draws, then the radius,
    // the spread and three corners continue the sequence.
    uint32_t state = kSeed;
    vec3 p;
    do {
        p = {2 * RandomDraw(state) - 1, 2 * RandomDraw(state) - 1, 2 * RandomDraw(state) - 1};
    } while (std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) > 1.0f);
    const float radius = 10 + RandomDraw(state) * 10;
    const float spread = 1 + RandomDraw(state) * 1;
    const float cx = 2 * RandomDraw(state) - 1;
    EXPECT_FLOAT_EQ(a[0].position.x, p.x * radius + spread * cx);

    settings.count = 0;
    EXPECT_TRUE(Effects::Floaters::BuildTriangles(settings, kSeed).empty());
}

TEST(FloatersTest, CountsOutOfBoundsAreCappedWithALogLine) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    ASSERT_TRUE(scene.Load(Effect("Floaters", Param("count", "int", "-5")) +
                           Effect("Floaters", Param("count", "int", "2000000000") + Number("minSphereSize", 1) +
                                                  Number("maxSphereSize", 1)) +
                           Effect("Floaters", Param("minTriangleSize", "double", "inf"))));
    EXPECT_EQ(scene.Get<Effects::Floaters>(0)->GetTriangles()->GetVertices()->GetVertexCount(), 0u);
    EXPECT_EQ(scene.Get<Effects::Floaters>(1)->GetTriangles()->GetVertices()->GetVertexCount(),
              uint32_t(Effects::Floaters::kMaxCount) * 6);
    EXPECT_EQ(scene.Get<Effects::Floaters>(2)->GetTriangles()->GetVertices()->GetVertexCount(), 600u);
    EXPECT_EQ(log.Count("Floaters count -5 is outside 0 to 100000; using 0"), 1);
    EXPECT_EQ(log.Count("Floaters count 2000000000 is outside 0 to 100000; using 100000"), 1);
    EXPECT_EQ(log.Count("Param 'minTriangleSize' is not a finite number; using 5"), 1);
    scene.Frame(0.0);  // an empty cloud draws nothing and does not fail
}

TEST(FlyersTest, LanesComeFromRecordsDrawnFromZeroAndWrapAround) {
    const std::vector<Effects::Flyers::Record> records = Effects::Flyers::MakeRecords(2);
    ASSERT_EQ(records.size(), 2u);
    uint32_t state = 0;
    const float u[10] = {RandomDraw(state), RandomDraw(state), RandomDraw(state), RandomDraw(state),
                         RandomDraw(state), RandomDraw(state), RandomDraw(state), RandomDraw(state),
                         RandomDraw(state), RandomDraw(state)};
    EXPECT_EQ(records[1].a, 2 * u[5] - 1);
    EXPECT_EQ(records[1].b, 2 * u[6] - 1);
    EXPECT_EQ(records[1].e, u[9]);

    Effects::Flyers::Lanes lanes;
    lanes.minX = -10, lanes.maxX = 10;
    lanes.minDistance = 2, lanes.maxDistance = 6;
    lanes.height = 1, lanes.heightRange = 4;
    lanes.minSpeed = lanes.maxSpeed = 0.5f;
    lanes.minScale = 1, lanes.maxScale = 3;
    const Effects::Flyers::Record left{-0.5f, 0.25f, 0.3f, 0.25f, 0.5f};
    const Effects::Flyers::Record right{0.0f, -1.0f, 0.9f, 0.0f, 0.0f};
    struct Case {
        const Effects::Flyers::Record& record;
        double time;
        glm::vec3 origin;
        float scale;
    };
    for (const Case& c : {Case{left, 0.0, {-4, 2, -5}, 2}, Case{left, 1.4, {-4, 2, 9}, 2},
                          Case{left, 1.5, {-4, 2, -10}, 2}, Case{left, 3.0, {-4, 2, 5}, 2},
                          Case{left, -0.6, {-4, 2, 9}, 2}, Case{right, 2.0, {2, -3, -10}, 1}}) {
        const glm::mat4 m = Effects::Flyers::Instance(c.record, lanes, c.time);
        // Stored transposed: the translation is the fourth column.
        EXPECT_NEAR(m[0][3], c.origin.x, 1e-5f) << c.time;
        EXPECT_NEAR(m[1][3], c.origin.y, 1e-5f) << c.time;
        EXPECT_NEAR(m[2][3], c.origin.z, 1e-4f) << c.time;
        EXPECT_FLOAT_EQ(m[0][0], c.scale);
        EXPECT_FLOAT_EQ(m[2][2], c.scale);
    }
}

TEST(ScatteredRenderTest, SpritesFaceTheCameraAndBoxFacesFollowTheirNormals) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    SeedScope seed;
    // One sprite of size 4 at the origin (range 1: cells -1..0; only (0,0,0) is inside).
    const std::string sprite = Effect("Crosses", Text("texture", "1x1white.png") + Param("range", "int", "1") +
                                                     Number("sphere", 0.5) + Number("falloff", 0) + Number("size", 4));
    // A box of edge 2 around the origin (range 0 puts every position there).
    const std::string box = Effect("Boxes", Text("texture", "1x1white.png") + Param("range", "int", "0") +
                                                Number("spacing", 2));
    ASSERT_TRUE(scene.Load(Camera(sprite) + Camera(sprite, 90) + Camera(box) + Camera(box, 90)));
    auto render = [&](size_t first, double time) {
        scene.List()[first]->Update(time, scene.Chain());
        scene.List()[first + 1]->Update(time, scene.Chain());
        return scene.Current();
    };

    // The sprite is about 17 pixels wide seen from the front and from the side.
    const int level = std::min(255, int((Draw(kSeed, 8) * 0.5f + 0.75f) * 255.0f + 0.5f));
    for (size_t first : {0u, 2u}) {
        const std::vector<uint8_t> pixels = render(first, 0.0);
        EXPECT_TRUE(RgbNear(pixels, 32, 24, Rgba{level, level, level, 255}, 3)) << first;
        EXPECT_TRUE(RgbNear(pixels, 26, 18, Rgba{level, level, level, 255}, 3)) << first;
        for (const auto& [x, y] : {std::pair{20, 24}, std::pair{44, 24}, std::pair{32, 12}, std::pair{32, 36}})
            EXPECT_TRUE(RgbNear(pixels, x, y, kBlack)) << first;
    }

    // The box: the near and the far face add up (fade 0.25 each at 1.75 s), the side faces
    // are edge-on. Quads turned to the camera would put squares beside the near face.
    for (size_t first : {4u, 6u}) {
        const std::vector<uint8_t> pixels = render(first, 1.75);
        EXPECT_TRUE(RgbNear(pixels, 32, 24, Rgba{128, 128, 128, 255}, 3)) << first;
        EXPECT_TRUE(RgbNear(pixels, 39, 24, kBlack)) << first;
        EXPECT_TRUE(RgbNear(pixels, 24, 24, kBlack)) << first;
        EXPECT_TRUE(RgbNear(pixels, 32, 17, kBlack)) << first;
    }
}

namespace {

// Two 2 x 2 quads facing +z with glowing materials: "a" at the origin (the first mesh),
// "b" at x = 4.
const char* const kTwoQuadsObj =
    "mtllib quads.mtl\n"
    "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
    "v 3 -1 0\nv 5 -1 0\nv 5 1 0\nv 3 1 0\n"
    "vn 0 0 1\n"
    "usemtl b\nf 5//1 6//1 7//1 8//1\n"
    "usemtl a\nf 1//1 2//1 3//1 4//1\n";
const char* const kGlowMtl = "newmtl a\nKa 0 0 0\nKd 0 0 0\nKe 0 1 0\nNs 0\nnewmtl b\nKa 0 0 0\nKd 0 0 0\nKe 0 1 0\nNs 0\n";

// A point cache of the eight points, one frame a second; frame n moves everything by offsets[n] along x.
std::string Cache(const std::vector<float>& offsets) {
    std::string bytes("POINTCACHE2\0", 12);
    auto put = [&](const void* data, size_t size) { bytes.append(static_cast<const char*>(data), size); };
    const int32_t version = 1, points = 8, samples = int32_t(offsets.size());
    const float start = 0.0f, rate = 1.0f;
    for (const void* field : {(const void*)&version, (const void*)&points, (const void*)&start, (const void*)&rate,
                              (const void*)&samples})
        put(field, 4);
    const float corners[8][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}, {3, -1}, {5, -1}, {5, 1}, {3, 1}};
    for (float offset : offsets) {
        for (const auto& c : corners) {
            const float p[3] = {c[0] + offset, c[1], 0.0f};
            put(p, sizeof(p));
        }
    }
    return bytes;
}

}  // namespace

TEST(ScatteredRenderTest, FlyersDrawTheFirstMeshUnanimatedAndFloatersShowBothSides) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    SeedScope seed;
    LogCapture log;
    scene.Write("quads.obj", kTwoQuadsObj);
    scene.Write("quads.mtl", kGlowMtl);
    scene.Write("quads.pc2", Cache({0.0f, -4.0f}));
    // One flyer parked at the origin; one triangle of spread 4 around the origin.
    const std::string flyer = Effect("Flyers", Text("obj", "quads.obj") + Param("count", "int", "1"));
    const std::string floater = Effect("Floaters", Param("count", "int", "1") + Number("minSphereSize", 0) +
                                                       Number("maxSphereSize", 0) + Number("minTriangleSize", 4) +
                                                       Number("maxTriangleSize", 4));
    // The Flyers without its model fails its Init; the others are initialised all the same.
    EXPECT_FALSE(scene.Load(Camera(flyer) + Camera(floater) + Camera(floater, 180) +
                            Camera(Effect("Flyers", Text("obj", "missing.obj")))));
    auto render = [&](size_t first, double time) {
        scene.List()[first]->Update(time, scene.Chain());
        scene.List()[first + 1]->Update(time, scene.Chain());
        return scene.Current();
    };

    // At 1.5 s an animated draw would show frame 1 (both quads 4 to the left) and mesh "b".
    const std::vector<uint8_t> flyers = render(0, 1.5);
    EXPECT_TRUE(RgbNear(flyers, 32, 24, Rgba{0, 255, 0, 255}));
    EXPECT_TRUE(RgbNear(flyers, 48, 24, kBlack));  // mesh "b"
    EXPECT_TRUE(RgbNear(flyers, 16, 24, kBlack));  // frame 1 of mesh "a"

    const int front = LitPixels(render(2, 0.0));
    const int back = LitPixels(render(4, 0.0));
    EXPECT_GT(front, 20);
    EXPECT_GT(back, 5);  // the triangle stands at a slant, further from this side

    // A missing model is reported; the effect draws nothing and the show goes on.
    EXPECT_EQ(log.Count("Failed to load model 'missing.obj'; Flyers draws nothing"), 1);
    EXPECT_EQ(LitPixels(render(6, 0.0)), 0);
}

TEST(ScatteredRenderTest, BrokenShadersDrawHotPinkAfterUploadingTheFrame) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("billboards.fx", EffectScene::ReadTestData("effects/broken.fx"));
    scene.Write("3d.fx", EffectScene::ReadTestData("effects/broken.fx"));
    scene.Write("quad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ASSERT_TRUE(scene.Load(Effect("Crosses", Param("range", "int", "2")) + Effect("Boxes", "") +
                           Effect("BoxLine", "") + Effect("Floaters", "") +
                           Effect("Flyers", Text("obj", "quad.obj"))));
    for (size_t i = 0; i < scene.List().size(); ++i) {
        scene.FillCurrent(Rgba{1, 2, 3, 255});
        scene.List()[i]->Update(40.0, scene.Chain());
        EXPECT_TRUE(AllNear(scene.Current(), Bytes(kHotPink), 0)) << i;
    }
    EXPECT_EQ(scene.Get<Effects::Crosses>(0)->GetInstanceCount(), 64u);
    EXPECT_EQ(scene.Get<Effects::Boxes>(1)->GetInstanceCount(), 12u);
    EXPECT_EQ(scene.Get<Effects::BoxLine>(2)->GetInstanceCount(), 96u);
}
