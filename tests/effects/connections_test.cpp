// Connections: the network made from one seed (hubs, people, tubes), the tube head and its
// lights, the far-to-near people, the three passes and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "effects/connections.h"
#include "effects/connectionslayout.h"
#include "effectscene.h"
#include "graphics/lightlist.h"
#include "graphics/model.h"
#include "scriptxml.h"
#include "support/logcapture.h"
#include "system/random.h"

namespace {

using Effects::ConnectionsLayout;
using Effects::ConnectionsSettings;

uint64_t Hash(uint64_t hash, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// Every byte of the network: hubs, people records, tube targets, timings and points.
uint64_t Hash(const ConnectionsLayout& layout) {
    uint64_t hash = 14695981039346656037ull;
    hash = Hash(hash, layout.hubs.data(), layout.hubs.size() * sizeof(glm::vec2));
    hash = Hash(hash, layout.people.data(), layout.people.size() * sizeof(Effects::PersonRecord));
    for (const Effects::TubeLayout& tube : layout.tubes) {
        hash = Hash(hash, &tube.target, sizeof(tube.target));
        hash = Hash(hash, &tube.start, sizeof(tube.start));
        hash = Hash(hash, &tube.speed, sizeof(tube.speed));
        for (const Effects::StrandPoints& strand : tube.strands) hash = Hash(hash, strand.data(), sizeof(strand));
    }
    return hash;
}

// The script of a Connections with the bundled launcher.
std::string Network(const std::string& params) {
    return "<effect type=\"Connections\">" + Text("launcherObj", "models/launcher.obj") + params + "</effect>";
}

// A camera at the given distance looking at the origin along -z, around `children`.
std::string Camera(float distance, const std::string& children) {
    return "<effect type=\"CLS\"/><effect type=\"CameraScene\">" + Number("distance", distance) + Number("fov", 60) +
           children + "</effect>";
}

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kCyan{0, 255, 255, 255};

}  // namespace

TEST(ConnectionsLayoutTest, SameSeedGivesTheSameNetworkAndTheDrawsFollowTheirOrder) {
    ConnectionsSettings settings;
    const ConnectionsLayout a = Effects::BuildConnectionsLayout(settings);
    const ConnectionsLayout b = Effects::BuildConnectionsLayout(settings);
    ASSERT_EQ(a.hubs.size(), 10u);
    ASSERT_EQ(a.people.size(), 110u);
    ASSERT_EQ(a.tubes.size(), 10u);
    EXPECT_EQ(Hash(a), Hash(b));
    settings.seed = 124;
    EXPECT_NE(Hash(a), Hash(Effects::BuildConnectionsLayout(settings)));

    // The first hub is the first two draws (z from the first, x from the second), the
    // first person of its ring the next six.
    uint32_t state = 123;
    const float u1 = RandomDraw(state), u2 = RandomDraw(state);
    EXPECT_FLOAT_EQ(a.hubs[0].x, u2 * 200.0f - 100.0f);
    EXPECT_FLOAT_EQ(a.hubs[0].y, u1 * 200.0f - 100.0f);
    for (size_t h = 1; h < a.hubs.size(); ++h)
        for (size_t j = 0; j < h; ++j) EXPECT_GE(glm::length(a.hubs[h] - a.hubs[j]), 10.0f) << h << "," << j;

    // Rings: person i of hub h at angle i / 10 of a turn, 10..20 from the hub, appearing
    // 1 + 5h .. 1 + 5h + 4; then the scattered people, their times spread from 1 to 5.
    for (size_t h = 0; h < 10; ++h) {
        for (int i = 0; i < 10; ++i) {
            const Effects::PersonRecord& p = a.people[h * 10 + i];
            const glm::vec2 offset = glm::vec2(p.position[0], p.position[2]) - a.hubs[h];
            const float radius = glm::length(offset);
            EXPECT_TRUE(radius >= 10.0f - 1e-3f && radius <= 20.0f + 1e-3f) << radius;
            EXPECT_NEAR(offset.x, std::sin(i * 0.62831855f) * radius, 1e-3f);
            EXPECT_GE(p.time, 1.0f + 5.0f * h);
            EXPECT_LT(p.time, 1.0f + 5.0f * h + 4.0f);
            EXPECT_EQ(p.index, float(h * 10 + i));
        }
    }
    for (int i = 0; i < 10; ++i) {
        const Effects::PersonRecord& p = a.people[100 + i];
        EXPECT_GE(p.time, 1.0f + 0.4f * i - 1e-5f);
        EXPECT_LT(p.time, 1.0f + 0.4f * i + 2.0f);
        EXPECT_EQ(p.position[1], 0.0f);
        EXPECT_EQ(p.colour[1], 0.7f);
        EXPECT_EQ(p.colour[3], 1.0f);
    }

    // A person's four draws: blue, red, size, time.
    state = 99;
    uint32_t copy = state;
    const Effects::PersonRecord person = Effects::MakePerson(3, 4, 10, 7, state);
    EXPECT_FLOAT_EQ(person.colour[2], 0.9f + 0.1f * RandomDraw(copy));
    EXPECT_FLOAT_EQ(person.colour[0], 0.5f + 0.1f * RandomDraw(copy));
    EXPECT_FLOAT_EQ(person.size, 12.0f + RandomDraw(copy));
    EXPECT_FLOAT_EQ(person.time, 10.0f + 2.0f * RandomDraw(copy));
    EXPECT_EQ(state, copy);
}

TEST(ConnectionsLayoutTest, HubConflictsSpendTheSharedBudgetThenOverlap) {
    LogCapture log;
    ConnectionsSettings settings;
    settings.launcherCount = 4;
    settings.launcherSpread = 0.0f;  // every candidate at the origin
    uint32_t state = 5;
    const std::vector<glm::vec2> hubs = Effects::PlaceHubs(settings, state);
    ASSERT_EQ(hubs.size(), 4u);
    EXPECT_EQ(log.Count("There were launcher position conflicts!"), 1);
    // Hub 0 takes one candidate, hub 1 the 1000 of the budget, hubs 2 and 3 one each.
    uint32_t expected = 5;
    for (int draw = 0; draw < 2 * (1 + 1000 + 2); ++draw) RandomDraw(expected);
    EXPECT_EQ(state, expected);

    // Far enough apart, nothing is logged.
    log.Clear();
    settings.launcherSpread = 1000.0f;
    settings.launcherAvoidance = 1.0f;
    Effects::PlaceHubs(settings, state);
    EXPECT_EQ(log.CountContaining("conflicts"), 0);
}

TEST(ConnectionsLayoutTest, TubesRunFromHubToTargetAndTheHeadStaysInsideThePoints) {
    // One hub: every tube targets it, so with no sideways offsets the tube rises and falls
    // in place, out of the ground and back into it.
    ConnectionsSettings settings;
    settings.launcherCount = 1;
    settings.tubeShape.midHeightRange1 = 0.0f;
    settings.tubeShape.midPointVariance = 0.0f;
    const ConnectionsLayout layout = Effects::BuildConnectionsLayout(settings);
    ASSERT_EQ(layout.tubes.size(), 1u);
    const Effects::TubeLayout& tube = layout.tubes[0];
    EXPECT_EQ(tube.target, 0);
    EXPECT_EQ(tube.start, 1.0f);
    EXPECT_TRUE(tube.speed >= 4.0f && tube.speed < 6.0f);
    ASSERT_EQ(tube.strands.size(), 10u);
    for (const Effects::StrandPoints& strand : tube.strands) {
        float top = -1000.0f;
        for (const glm::vec4& p : strand) {
            EXPECT_NEAR(p.x, layout.hubs[0].x, 1e-3f);
            EXPECT_NEAR(p.z, layout.hubs[0].y, 1e-3f);
            top = std::max(top, p.y);
        }
        EXPECT_LT(strand.front().y, -30.0f);
        EXPECT_LT(strand.back().y, -60.0f);
        EXPECT_GT(top, 30.0f);
    }

    // Two hubs far apart: a tube to the other hub leaves from its own and ends at the other.
    settings.launcherCount = 2;
    settings.launcherSpread = 1000.0f;
    const ConnectionsLayout two = Effects::BuildConnectionsLayout(settings);
    for (const Effects::TubeLayout& t : two.tubes) {
        const glm::vec2 from = two.hubs[t.source], to = two.hubs[t.target];
        const glm::vec4 first = t.strands[0].front(), last = t.strands[0].back();
        EXPECT_NEAR(first.x, from.x, 1e-2f);
        EXPECT_NEAR(last.x, to.x, 1.0f);  // the resampling stops just short of the last segment's end
        EXPECT_NEAR(last.z, to.y, 1.0f);
    }

    // The Catmull-Rom segment runs from p1 to p2 and is linear on evenly spaced points.
    const glm::vec3 p0{0, 0, 0}, p1{1, 2, 3}, p2{2, 4, 6}, p3{3, 6, 9};
    EXPECT_EQ(Effects::CatmullRom(p0, p1, p2, p3, 0.0f), p1);
    EXPECT_NEAR(glm::length(Effects::CatmullRom(p0, p1, p2, p3, 1.0f) - p2), 0.0f, 1e-5f);
    EXPECT_NEAR(glm::length(Effects::CatmullRom(p0, p1, p2, p3, 0.25f) - glm::vec3(1.25f, 2.5f, 3.75f)), 0.0f, 1e-5f);

    // The head: point trunc(u + length) blended by the fraction of u, never past point 99.
    Effects::StrandPoints points;
    for (int i = 0; i < Effects::kTubePoints; ++i) points[i] = glm::vec4(float(i), 2.0f * i, 0.0f, 0.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float u, length;
        bool valid;
        float x;
    };
    const Case cases[] = {{10.25f, 5.0f, true, 15.25f}, {-1.5f, 1.0f, true, 0.5f},   {-2.5f, 1.0f, false, 0},
                          {98.5f, 1.0f, true, 99.0f},   {99.5f, 1.0f, false, 0},    {nan, 15.0f, false, 0},
                          {1e30f, 15.0f, false, 0},     {84.75f, 15.0f, true, 99.0f}};
    for (const Case& c : cases) {
        glm::vec3 head{-1.0f};
        EXPECT_EQ(Effects::TubeHead(points, c.u, c.length, &head), c.valid) << c.u << "+" << c.length;
        if (c.valid) {
            EXPECT_FLOAT_EQ(head.x, c.x) << c.u << "+" << c.length;
            EXPECT_FLOAT_EQ(head.y, 2.0f * c.x) << c.u << "+" << c.length;
        }
    }
}

TEST(ConnectionsLayoutTest, PeopleBeyondTheBufferAreCutAndTheRestSortFarthestFirst) {
    LogCapture log;
    ConnectionsSettings settings;
    settings.peoplePerHub = 60;  // 600 in rings and 10 scattered
    const ConnectionsLayout layout = Effects::BuildConnectionsLayout(settings);
    ASSERT_EQ(layout.people.size(), Effects::kMaxPeople);
    EXPECT_EQ(layout.people.back().index, 499.0f);
    EXPECT_EQ(log.CountContaining("Too many people (610)"), 1);
    // The people past the cut still take their six draws each, so the tubes are those of the
    // same network without the cut.
    uint32_t state = settings.seed;
    Effects::PlaceHubs(settings, state);
    for (int draw = 0; draw < 610 * 6; ++draw) RandomDraw(state);
    ASSERT_EQ(layout.tubes.size(), 10u);
    EXPECT_EQ(layout.tubes[0].target, int(std::floor(RandomDraw(state) * 9.999f)));
    EXPECT_EQ(layout.tubes[0].speed, 4.0f + 2.0f * RandomDraw(state));

    std::vector<Effects::PersonRecord> people(5);
    const float xs[5] = {1, 5, 3, 5, std::numeric_limits<float>::quiet_NaN()};
    for (int i = 0; i < 5; ++i) {
        people[i].position[0] = xs[i];
        people[i].index = float(i);
    }
    Effects::SortPeopleFarthestFirst(people, glm::vec3(-1.0f, 0.0f, 0.0f));
    const float order[5] = {1, 3, 2, 0, 4};  // equal distances by index, NaN last
    for (int i = 0; i < 5; ++i) EXPECT_EQ(people[i].index, order[i]) << i;
    EXPECT_EQ(people[0].distance, 6.0f);
    EXPECT_EQ(people[3].distance, 2.0f);
}

TEST(ConnectionsTest, TubeIsDrawnOnlyFromItsStartUntilItsEnd) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("filament.fx", EffectScene::ReadTestData("effects/connections_filament.fx"));
    // One hub near the origin whose tube rises and falls in place: a vertical cyan bar
    // through the middle of the picture while it is visible.
    ASSERT_TRUE(scene.Load(Camera(100, Network(Number("launcherCount", 1) + Number("launcherSpread", 0.001) +
                                               Number("peoplePerHub", 0) + Number("randoPeopleCount", 0) +
                                               Number("midHeightRange1", 0) + Number("midPointVariance", 0) +
                                               Number("tubeDiameter", 20) + Number("tubeLength", 60) +
                                               Number("tubesStartTime", 2) + Number("launcherScale", 0)))));
    auto* camera = scene.Get<Effects::Effect>(1);
    ASSERT_TRUE(camera && camera->GetChildren().size() == 1);
    auto* network = dynamic_cast<Effects::Connections*>(camera->GetChildren()[0].get());
    ASSERT_NE(network, nullptr);
    ASSERT_EQ(network->GetTubes().size(), 1u);
    const float speed = network->GetTubes()[0].speed;

    struct Case {
        double time;
        bool visible;
    };
    // Before the start, at u = 10, and at u = 39 = 100 - 60 - 1 (the end).
    for (const Case& c : {Case{1.9, false}, Case{2.0 + 10.0 / speed, true}, Case{2.0 + 39.001 / speed, false}}) {
        scene.Frame(c.time);
        const std::vector<uint8_t> pixels = scene.Current();
        if (c.visible) {
            EXPECT_TRUE(RgbNear(pixels, 32, 24, kCyan, 8)) << c.time;
            EXPECT_TRUE(RgbNear(pixels, 32, 14, kCyan, 8)) << c.time;
        } else {
            EXPECT_TRUE(RgbNear(pixels, 32, 24, kBlack)) << c.time;
        }
        EXPECT_TRUE(RgbNear(pixels, 12, 24, kBlack)) << c.time;
        EXPECT_TRUE(RgbNear(pixels, 52, 24, kBlack)) << c.time;
    }
}

TEST(ConnectionsTest, HeadsAddLightsOnlyWhileTheListHasRoomAndOnlyInALightScene) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("filament.fx", EffectScene::ReadTestData("effects/connections_filament.fx"));
    // Ambient and five numbered lights leave room for two of the four heads.
    std::string lights;
    for (int i = 0; i < 5; ++i) lights += Text("L" + std::to_string(i) + "Type", "Point");
    const std::string network = Network(Number("launcherCount", 4) + Number("tubesStartTimeStep", 0) +
                                        Number("peoplePerHub", 0) + Number("randoPeopleCount", 0));
    ASSERT_TRUE(scene.Load(Camera(300, "<effect type=\"LightScene\">" + lights + network + "</effect>") + network));
    auto* camera = scene.Get<Effects::Effect>(1);
    auto* inScene = dynamic_cast<Effects::Connections*>(camera->GetChildren()[0]->GetChildren()[0].get());
    auto* outside = scene.Get<Effects::Connections>(2);
    ASSERT_TRUE(inScene && outside);

    // At time 8 every head is high in its arc.
    const double time = 8.0;
    std::vector<glm::vec3> heads;
    for (const Effects::Connections::Tube& tube : inScene->GetTubes()) {
        const float u = float((time - tube.start) * tube.speed);
        glm::vec3 head;
        ASSERT_TRUE(Effects::TubeHead(tube.head, u, 15.0f, &head));
        ASSERT_GT(head.y, 10.0f);
        heads.push_back(head);
    }
    LogCapture log;
    scene.List()[0]->Update(time, scene.Chain());
    camera->Update(time, scene.Chain());
    ASSERT_EQ(gLightList.GetCount(), 8u);
    EXPECT_EQ(log.CountContaining("Failed to add light"), 0);  // never appended past the capacity
    for (int i = 0; i < 2; ++i) {
        const LightRecord& light = gLightList.GetRecords()[6 + i];
        EXPECT_EQ(light.type, kLightPoint);
        EXPECT_EQ(light.position[0], heads[i].x);
        EXPECT_EQ(light.position[1], heads[i].y);
        EXPECT_EQ(light.maxDistance, 75.0f);
        EXPECT_EQ(light.fallOff, 0.5f);
        // Pink, between 0.7 and 1 of (1, 0.4, 0.5), fully faded in above 10 units.
        EXPECT_TRUE(light.colour[0] >= 0.7f && light.colour[0] <= 1.0f) << light.colour[0];
        EXPECT_FLOAT_EQ(light.colour[1], 0.4f * light.colour[0]);
        EXPECT_FLOAT_EQ(light.colour[2], 0.5f * light.colour[0]);
    }
    // Uploaded into the light scene's buffer.
    EXPECT_EQ(GetCurrentLightBuffers()->GetRecords().GetUsed(), 8u);

    // Without a light scene alive, a network adds no lights at all.
    scene.List()[1].reset();  // the camera and its light scene
    ASSERT_FALSE(HasCurrentLightScene());
    gLightList.Clear();
    outside->Update(time, scene.Chain());
    EXPECT_EQ(gLightList.GetCount(), 0u);
}

TEST(ConnectionsTest, DrawsLaunchersAndPeopleFarToNearAndScatteredPeopleWithoutHubs) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    // Launchers at scale 3 on two hubs; no hubs at all, with three scattered people near the
    // middle that appear at time 1.
    ASSERT_TRUE(scene.Load(
        Camera(60, Network(Number("launcherCount", 2) + Number("launcherScale", 3) + Number("peoplePerHub", 2) +
                           Number("randoPeopleCount", 0))) +
        Camera(40, Network(Number("launcherCount", 0) + Number("randoPeopleCount", 3) + Number("randoPeopleRange", 0.5) +
                           Number("randoPeopleStartTime", 0) + Number("randoPeopleEndTime", 0) +
                           Number("peopleStartTime", 50)))));
    auto network = [&](size_t camera) {
        return dynamic_cast<Effects::Connections*>(scene.List()[camera]->GetChildren()[0].get());
    };
    Effects::Connections* hubs = network(1);
    Effects::Connections* scattered = network(3);
    ASSERT_TRUE(hubs && scattered);

    // One instance matrix per hub, scaled and moved, stored transposed.
    ASSERT_EQ(hubs->GetLauncherInstances().size(), 2u);
    for (size_t h = 0; h < 2; ++h) {
        const glm::mat4& m = hubs->GetLauncherInstances()[h];
        EXPECT_EQ(m[0][0], 3.0f);
        EXPECT_EQ(m[1][1], 3.0f);
        EXPECT_EQ(m[0][3], hubs->GetHubs()[h].x);
        EXPECT_EQ(m[1][3], 0.0f);
        EXPECT_EQ(m[2][3], hubs->GetHubs()[h].y);
        EXPECT_EQ(m[3][0], 0.0f);
    }
    ASSERT_NE(hubs->GetLauncherModel(), nullptr);
    const size_t meshes = hubs->GetLauncherModel()->GetMeshCount();
    EXPECT_EQ(meshes, 2u);
    const uint64_t before = gContext->GetStats().draws;
    scene.List()[0]->Update(0.0, scene.Chain());
    scene.List()[1]->Update(0.0, scene.Chain());
    // One instanced draw per launcher mesh and one for all people, besides the tubes' draws
    // when the data holds a filament shader.
    EXPECT_GE(gContext->GetStats().draws - before, meshes + 1);
    const std::vector<Effects::PersonRecord>& people = hubs->GetPeople();
    ASSERT_EQ(people.size(), 4u);
    for (size_t i = 1; i < people.size(); ++i) EXPECT_GE(people[i - 1].distance, people[i].distance);
    EXPECT_GT(people.back().distance, 0.0f);

    EXPECT_TRUE(scattered->GetHubs().empty());
    EXPECT_TRUE(scattered->GetTubes().empty());
    EXPECT_TRUE(scattered->GetLauncherInstances().empty());
    ASSERT_EQ(scattered->GetPeople().size(), 3u);
    // Before they appear the picture stays black; then bluish-pink figures stand at the middle.
    for (double time : {-0.5, 3.0}) {
        scene.List()[2]->Update(time, scene.Chain());
        scene.List()[3]->Update(time, scene.Chain());
        const std::vector<uint8_t> pixels = scene.Current();
        const Rgba figure = PixelAt(pixels, kSceneWidth, 32, 20);
        if (time < 0.0) {
            EXPECT_TRUE(RgbNear(pixels, 32, 20, kBlack));
        } else {
            EXPECT_GT(figure.b, 120) << time;
            EXPECT_GT(figure.b, figure.g);
            EXPECT_GT(figure.g, figure.r);
        }
        EXPECT_TRUE(RgbNear(pixels, 32, 40, kBlack)) << time;  // below the ground line
        EXPECT_TRUE(RgbNear(pixels, 4, 20, kBlack)) << time;
    }
}

TEST(ConnectionsTest, BrokenShadersDrawHotPinkAndBadParamsAreReportedAndContained) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    scene.Write("personbillboards.fx", EffectScene::ReadTestData("effects/broken.fx"));
    scene.Write("filament.fx", EffectScene::ReadTestData("effects/connections_filament.fx"));
    ASSERT_TRUE(scene.Load(
        "<effect type=\"Connections\">" + Number("launcherCount", -3) + Number("peoplePerHub", 1e12) +
        Param("randoPeopleCount", "int", "4") + Number("launcherSpread", std::numeric_limits<double>::quiet_NaN()) +
        Text("texture", "missing.png") + Number("tubeLength", std::numeric_limits<double>::quiet_NaN()) + "</effect>"));
    auto* network = scene.Get<Effects::Connections>(0);
    ASSERT_NE(network, nullptr);
    EXPECT_EQ(log.CountContaining("Param 'launcherCount' is -3"), 1);
    EXPECT_EQ(log.CountContaining("Param 'peoplePerHub' is 1e+12, outside 0..10000: using 10000"), 1);
    EXPECT_EQ(log.CountContaining("Param 'launcherSpread' is not a finite number"), 1);
    EXPECT_EQ(log.Count("Couldn't find param 'launcherObj'"), 1);
    EXPECT_GE(log.CountContaining("missing.png"), 1);
    EXPECT_TRUE(network->GetHubs().empty());
    EXPECT_EQ(network->GetPeople().size(), 4u);

    // The people pass cannot set its shader: the frame turns hot pink, frame after frame,
    // and the bad per-frame length is reported once.
    for (int frame = 0; frame < 2; ++frame) {
        scene.FillCurrent(Rgba{1, 2, 3, 255});
        scene.Frame(10.0 + frame);
        EXPECT_TRUE(AllNear(scene.Current(), Bytes(kHotPink), 0));
    }
    EXPECT_EQ(log.CountContaining("Param 'tubeLength' is not a finite number"), 1);

    // Launchers without "3d.fx" clear to hot pink as well (here with nobody to draw after).
    scene.Write("3d.fx", EffectScene::ReadTestData("effects/broken.fx"));
    ASSERT_TRUE(scene.Load(Network(Number("launcherCount", 2) + Number("peoplePerHub", 0) +
                                   Number("randoPeopleCount", 0) + Number("launcherSpread", 0))));
    EXPECT_GE(log.Count("There were launcher position conflicts!"), 1);
    scene.FillCurrent(Rgba{1, 2, 3, 255});
    scene.List().back()->Update(0.0, scene.Chain());
    EXPECT_TRUE(AllNear(scene.Current(), Bytes(kHotPink), 0));
}
