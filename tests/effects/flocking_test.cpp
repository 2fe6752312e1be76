// The flocking rules, BallSwarm and Strands: reproducible recorded paths on any thread count,
// the step parameters over simulation time, bad input, and the tubes drawn from the paths.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include <glm/geometric.hpp>
#include <glm/vec2.hpp>

#include "effects/ballswarm.h"
#include "effects/flocksteps.h"
#include "effects/strands.h"
#include "effectscene.h"
#include "graphics/filamentrenderobject.h"
#include "main/showcheck.h"
#include "scriptxml.h"
#include "support/logcapture.h"

namespace {

using Effects::FlockRules;
using Effects::StrandAgent;
using Effects::SwarmAgent;
using Point = FilamentRenderObject::Point;

// The recorded paths of a flock, as last uploaded.
std::vector<Point> Paths(const FilamentRenderObject* filament) {
    if (!filament) return {};
    const auto& points = filament->GetPoints();
    return std::vector<Point>(points.GetShadow(), points.GetShadow() + points.GetUsed());
}

uint64_t Hash(const std::vector<Point>& points) {
    uint64_t hash = 1469598103934665603ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(points.data());
    for (size_t i = 0; i < points.size() * sizeof(Point); ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

glm::vec3 At(const std::vector<Point>& paths, int numFrames, int agent, int frame) {
    const Point& p = paths[size_t(agent) * numFrames + frame];
    return {p.x, p.y, p.z};
}

// The neighbour terms as written: v plus the weighted alignment, cohesion and separation.
struct ReferenceSums {
    glm::vec3 sums[3] = {glm::vec3(0.0f), glm::vec3(0.0f), glm::vec3(0.0f)};
    int counts[3] = {0, 0, 0};
    void Add(const glm::vec3& p, const glm::vec3& q, const glm::vec3& w, const FlockRules& rules) {
        const float d = glm::length(p - q);
        if (d < rules.alignmentRange) sums[0] += w, ++counts[0];
        if (d < rules.cohesionRange) sums[1] += q, ++counts[1];
        if (d < rules.separationRange) sums[2] += q - p, ++counts[2];
    }
    glm::vec3 Steer(const glm::vec3& p, const glm::vec3& v, const FlockRules& rules) const {
        const glm::vec3 a = counts[0] ? Effects::Normalise(sums[0] / float(counts[0])) : glm::vec3(0.0f);
        const glm::vec3 c = counts[1] ? Effects::Normalise(sums[1] / float(counts[1]) - p) : glm::vec3(0.0f);
        const glm::vec3 s = counts[2] ? Effects::Normalise(sums[2] * (-1.0f / float(counts[2]))) : glm::vec3(0.0f);
        return ((v + a * rules.alignmentWeight) + c * rules.cohesionWeight) + s * rules.separationWeight;
    }
};

// The BallSwarm step as written: every other agent compared, then the sphere term.
std::vector<SwarmAgent> AllPairsStep(const std::vector<SwarmAgent>& agents, const FlockRules& rules) {
    std::vector<SwarmAgent> next(agents.size());
    for (size_t i = 0; i < agents.size(); ++i) {
        const glm::vec3 p = agents[i].position, v = agents[i].velocity;
        ReferenceSums sums;
        for (size_t j = 0; j < agents.size(); ++j)
            if (j != i) sums.Add(p, agents[j].position, agents[j].velocity, rules);
        const glm::vec3 b = Effects::Normalise(p) * ((rules.sphereSize - glm::length(p)) * rules.sphereWeight);
        next[i] = {p + v * rules.speed, Effects::Normalise(sums.Steer(p, v, rules) + b)};
    }
    return next;
}

// The Strands step as written: every agent scanned from the first, stopping past the window.
std::vector<StrandAgent> ScanAllStep(const std::vector<StrandAgent>& sorted, const FlockRules& rules) {
    std::vector<StrandAgent> next(sorted.size());
    const float w = rules.Reach();
    for (size_t i = 0; i < sorted.size(); ++i) {
        const glm::vec3 p = sorted[i].position, v = sorted[i].velocity;
        ReferenceSums sums;
        for (size_t j = 0; j < sorted.size(); ++j) {
            if (j == i) continue;
            const float dz = sorted[j].position.z - p.z;
            if (std::fabs(dz) < w) sums.Add(p, sorted[j].position, sorted[j].velocity, rules);
            else if (dz > w) break;
        }
        next[i].velocity = Effects::Normalise(sums.Steer(p, v, rules));
        next[i].position = p + v * rules.speed;
        const float radius =
            Effects::TunnelRadius(int(i), int(sorted.size()), rules.minTunnelSize, rules.maxTunnelSize);
        const glm::vec3 wall = Effects::Normalise(glm::vec3(next[i].position.x, next[i].position.y, 0.0f)) * radius;
        next[i].position.x = wall.x, next[i].position.y = wall.y;
        next[i].index = sorted[i].index;
    }
    return next;
}

template <typename Agent>
bool SameBits(const std::vector<Agent>& a, const std::vector<Agent>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i].position, &b[i].position, sizeof(glm::vec3)) != 0 ||
            std::memcmp(&a[i].velocity, &b[i].velocity, sizeof(glm::vec3)) != 0)
            return false;
    }
    return true;
}

// Restores OpenMP's thread count after a test changes it.
class ThreadCount {
public:
    ThreadCount() : saved_(omp_get_max_threads()) {}
    ~ThreadCount() { omp_set_num_threads(saved_); }

private:
    int saved_;
};

}  // namespace

TEST(FlockStepsTest, LoneAgentsKeepTheirCourseAndNeighboursSteer) {
    FlockRules rules;
    rules.sphereWeight = 0.0f;
    // Two swarm agents far beyond every range: each keeps its direction and moves by speed.
    const std::vector<SwarmAgent> apart = {{{0, 0, 0}, {0.6f, 0.8f, 0}}, {{1000, 0, 0}, {0, 0, -1}}};
    std::vector<SwarmAgent> next;
    Effects::SwarmStep(apart, next, rules);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(glm::length(next[i].velocity - apart[i].velocity), 0.0f, 1e-6f) << i;
        EXPECT_NEAR(glm::length(next[i].position - (apart[i].position + apart[i].velocity * 3.0f)), 0.0f, 1e-4f);
    }
    // The sphere term pulls an agent outside the sphere inward.
    rules.sphereWeight = 0.001f;
    const std::vector<SwarmAgent> outside = {{{500, 0, 0}, {0, 1, 0}}};
    Effects::SwarmStep(outside, next, rules);
    EXPECT_LT(next[0].velocity.x, 0.0f);
    EXPECT_NEAR(glm::length(next[0].velocity), 1.0f, 1e-6f);

    // Strands: cohesion 100 and the other ranges 50 make the window 100, so agents 80 apart
    // in depth attract; with cohesion 50 they do not see each other.
    rules.alignmentRange = rules.separationRange = 50.0f;
    for (float cohesion : {100.0f, 50.0f}) {
        rules.cohesionRange = cohesion;
        const std::vector<StrandAgent> pair = {{{250, 0, 0}, {0, 0, 0}, 0}, {{250, 0, 80}, {0, 0, 0}, 1}};
        std::vector<StrandAgent> moved;
        Effects::StrandsStep(pair, moved, rules);
        const float pull = cohesion == 100.0f ? 1.0f : 0.0f;
        EXPECT_EQ(moved[0].velocity, glm::vec3(0, 0, pull)) << cohesion;
        EXPECT_EQ(moved[1].velocity, glm::vec3(0, 0, -pull)) << cohesion;
        EXPECT_EQ(moved[1].index, 1);
    }
    // A lone strand keeps its direction and lands on the tunnel wall.
    const std::vector<StrandAgent> lone = {{{3, 4, 7}, {0.6f, 0, 0.8f}, 5}};
    std::vector<StrandAgent> moved;
    Effects::StrandsStep(lone, moved, rules);
    EXPECT_NEAR(glm::length(moved[0].velocity - lone[0].velocity), 0.0f, 1e-6f);
    EXPECT_NEAR(glm::length(glm::vec2(moved[0].position)), 250.0f, 1e-3f);
    EXPECT_FLOAT_EQ(moved[0].position.z, 7.0f + 0.8f * 3.0f);
}

TEST(FlockStepsTest, StepsGiveTheBitsOfTheRulesAsWritten) {
    // Random strands, some sharing a depth; the window start found by search (and the far
    // pairs skipped) must give the same bits as scanning from the first agent, for windows
    // small, large and negative; the swarm likewise against all pairs.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spread(-300.0f, 300.0f);
    std::vector<StrandAgent> agents(400);
    for (size_t i = 0; i < agents.size(); ++i) {
        agents[i].position = {spread(random), spread(random), i % 7 == 0 ? 40.0f : spread(random)};
        agents[i].velocity = Effects::Normalise(glm::vec3(spread(random), spread(random), spread(random)));
        agents[i].index = int(i);
    }
    Effects::SortByDepth(agents);
    for (float range : {0.0f, 20.0f, 80.0f, 2000.0f, -5.0f}) {
        FlockRules rules;
        rules.cohesionRange = range;
        rules.alignmentRange = rules.separationRange = range * 0.5f;
        rules.minTunnelSize = 100.0f;
        rules.maxTunnelSize = 300.0f;
        std::vector<StrandAgent> next;
        Effects::StrandsStep(agents, next, rules);
        const std::vector<StrandAgent> expected = ScanAllStep(agents, rules);
        EXPECT_TRUE(SameBits(next, expected)) << range;
        for (size_t i = 0; i < next.size(); ++i) ASSERT_EQ(next[i].index, expected[i].index);
        // Every agent ends on the wall of its depth-order position.
        for (size_t i = 0; i < next.size(); ++i)
            ASSERT_NEAR(glm::length(glm::vec2(next[i].position)), 100.0f + 200.0f * float(i) / 400.0f, 1e-3f);

        std::vector<SwarmAgent> swarm(agents.size()), moved;
        for (size_t i = 0; i < agents.size(); ++i) swarm[i] = {agents[i].position, agents[i].velocity};
        Effects::SwarmStep(swarm, moved, rules);
        EXPECT_TRUE(SameBits(moved, AllPairsStep(swarm, rules))) << range;
    }
}

TEST(FlockingTest, PathsAreReproducedByRunsReloadsAndAnyThreadCount) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    ThreadCount restore;
    gRandomSeed = 123456789;
    // Defaults, a copy of the swarm, and flocks big enough for their steps to run in parallel.
    const std::string few = Param("numFrames", "int", "3") + Param("updatesPerFrame", "int", "2");
    ASSERT_TRUE(scene.Load("<effect type=\"BallSwarm\"/><effect type=\"Strands\"/><effect type=\"BallSwarm\"/>"
                           "<effect type=\"BallSwarm\">" + Number("count", 800) + few +
                           "</effect><effect type=\"Strands\">" + Param("count", "int", "2500") +
                           Number("depthRange", 300) + few + "</effect>"));
    auto* swarm = scene.Get<Effects::BallSwarm>(0);
    auto* strands = scene.Get<Effects::Strands>(1);
    auto* bigSwarm = scene.Get<Effects::BallSwarm>(3);
    auto* bigStrands = scene.Get<Effects::Strands>(4);
    ASSERT_TRUE(swarm && strands && scene.Get<Effects::BallSwarm>(2) && bigSwarm && bigStrands);
    const std::vector<Point> swarmPaths = Paths(swarm->GetFilament());
    const std::vector<Point> strandPaths = Paths(strands->GetFilament());
    ASSERT_EQ(swarmPaths.size(), 100u * 30u);
    ASSERT_EQ(strandPaths.size(), 100u * 30u);
    EXPECT_EQ(Hash(Paths(scene.Get<Effects::BallSwarm>(2)->GetFilament())), Hash(swarmPaths));
    EXPECT_EQ(gRandomSeed, 123456789u);  // each flock draws from a copy
    const uint64_t bigSwarmHash = Hash(Paths(bigSwarm->GetFilament()));
    const uint64_t bigStrandsHash = Hash(Paths(bigStrands->GetFilament()));

    const auto noProgress = [](float) {};
    for (int threads : {1, 2, 4}) {
        omp_set_num_threads(threads);
        for (const auto& effect : scene.List()) ASSERT_TRUE(effect->Init(0.0f, 1.0f, noProgress));
        EXPECT_EQ(Hash(Paths(swarm->GetFilament())), Hash(swarmPaths)) << threads << " threads";
        EXPECT_EQ(Hash(Paths(strands->GetFilament())), Hash(strandPaths)) << threads << " threads";
        EXPECT_EQ(Hash(Paths(bigSwarm->GetFilament())), bigSwarmHash) << threads << " threads";
        EXPECT_EQ(Hash(Paths(bigStrands->GetFilament())), bigStrandsHash) << threads << " threads";
    }
    // The paths really move, and strands keep their own path through the depth sorts:
    // consecutive points of one path lie a frame's travel (10 steps of 3) apart at most.
    for (int frame = 1; frame < 30; ++frame) {
        for (int agent = 0; agent < 100; ++agent) {
            const float step = glm::length(At(strandPaths, 30, agent, frame) - At(strandPaths, 30, agent, frame - 1));
            ASSERT_LE(step, 30.001f) << agent << "@" << frame;
        }
    }
    EXPECT_GT(glm::length(At(swarmPaths, 30, 0, 29) - At(swarmPaths, 30, 0, 0)), 10.0f);

    gRandomSeed = 42;  // another process seed, another flock
    ASSERT_TRUE(swarm->Init(0.0f, 1.0f, noProgress));
    EXPECT_NE(Hash(Paths(swarm->GetFilament())), Hash(swarmPaths));
    gRandomSeed = 123456789;
}

TEST(FlockingTest, StartsOnTheSphereAndTunnelAndFollowsKeyframesInRecordedFrames) {
    EffectScene scene;
    ASSERT_TRUE(scene.Load(
        // Still agents recorded once: the start positions, shifted by "position" (50.9 makes 50).
        "<effect type=\"BallSwarm\">" + Param("numFrames", "int", "1") + Param("updatesPerFrame", "int", "1") +
        Number("speed", 0) + Number("count", 50.9) + Number("sphereSize", 40) + Vec3Param("position", 10, 20, 30) +
        "</effect>"
        // A tunnel widening from 100 to 300 in depth order.
        "<effect type=\"Strands\">" + Param("count", "int", "20") + Param("numFrames", "int", "5") +
        Param("updatesPerFrame", "int", "2") + Number("minTunnelSize", 100) + Number("maxTunnelSize", 300) + "</effect>"
        // A lone agent whose speed rises from 0 to 10 over recorded frames 0 to 10, whatever
        // the effect's own start and speed.
        "<effect type=\"BallSwarm\" start=\"5\" speed=\"2\">" + Param("numFrames", "int", "12") +
        Param("updatesPerFrame", "int", "2") + Number("count", 1) + Number("sphereWeight", 0) +
        Ramp("speed", 0, 0, 10, 10) + "</effect>"));
    const std::vector<Point> start = Paths(scene.Get<Effects::BallSwarm>(0)->GetFilament());
    ASSERT_EQ(start.size(), 50u);
    for (const Point& p : start) EXPECT_NEAR(glm::length(glm::vec3(p.x - 10, p.y - 20, p.z - 30)), 40.0f, 1e-4f);

    const std::vector<Point> tunnel = Paths(scene.Get<Effects::Strands>(1)->GetFilament());
    ASSERT_EQ(tunnel.size(), 100u);
    for (int frame = 0; frame < 5; ++frame) {
        std::vector<float> radii;
        for (int agent = 0; agent < 20; ++agent) radii.push_back(glm::length(glm::vec2(At(tunnel, 5, agent, frame))));
        std::sort(radii.begin(), radii.end());
        for (int i = 0; i < 20; ++i) EXPECT_NEAR(radii[size_t(i)], 100.0f + 10.0f * float(i), 1e-3f) << frame;
    }

    // Frame f steps at f (speed f) and f + 0.5 (speed f + 0.5); from 10 on the speed stays 10.
    const std::vector<Point> ramp = Paths(scene.Get<Effects::BallSwarm>(2)->GetFilament());
    ASSERT_EQ(ramp.size(), 12u);
    for (int frame = 1; frame < 12; ++frame) {
        const float travelled = glm::length(At(ramp, 12, 0, frame) - At(ramp, 12, 0, frame - 1));
        EXPECT_NEAR(travelled, frame < 10 ? 2.0f * frame + 0.5f : frame == 10 ? 20.0f : 20.0f, 1e-3f) << frame;
    }
}

TEST(FlockingTest, ReportsProgressEveryRecordedFrameAndTimesTheSwarm) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    ASSERT_TRUE(scene.Load("<effect type=\"BallSwarm\">" + Param("numFrames", "int", "8") +
                           "</effect><effect type=\"Strands\">" + Param("numFrames", "int", "8") + "</effect>"));
    int timings = 0;
    for (const LogCapture::Entry& entry : log.Entries()) {
        if (entry.function == "Effects::BallSwarm::Init") {
            ++timings;
            EXPECT_TRUE(IsInformationalLogLine(entry.message)) << "-check takes the timing as a note";
            EXPECT_GE(std::strtod(entry.message.c_str(), nullptr), 0.0) << entry.message;
        }
        EXPECT_NE(entry.function, "Effects::Strands::Init") << entry.message;
    }
    EXPECT_EQ(timings, 1);

    // The second half of an effect's range moves once per recorded frame, so the loading
    // screen moves while the flock is simulated.
    for (size_t i = 0; i < 2; ++i) {
        std::vector<float> reports;
        ASSERT_TRUE(scene.List()[i]->Init(0.2f, 0.6f, [&](float p) { reports.push_back(p); }));
        // Start and middle from the base, then one report per recorded frame from the middle on.
        const float middle = 0.2f + (0.6f - 0.2f) * 0.5f;
        ASSERT_EQ(reports.size(), 10u) << i;
        for (int f = 0; f < 8; ++f) {
            const float done = float(f) / 8.0f;
            EXPECT_EQ(reports[size_t(f) + 2], (1.0f - done) * middle + done * 0.6f) << f;
        }
    }
}

TEST(FlockingTest, BadSizesAndRulesAreLoggedAndTheShowGoesOn) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    struct Case {
        const char* type;
        std::string params;
        const char* message;  // part of the logged line
        bool recorded;        // paths exist (the agents stopped where the rules broke)
    };
    const Case cases[] = {
        {"BallSwarm", Number("count", 0), "count 0 gives no agents", false},
        {"BallSwarm", Number("count", -3.5), "count -3.5 gives no agents", false},
        {"BallSwarm", Param("count", "double", "nan"), "gives no agents", false},
        {"BallSwarm", Number("count", 1e12), "do not fit in memory", false},
        {"Strands", Param("count", "int", "2000000000"), "do not fit in memory", false},
        {"Strands", Param("count", "int", "-1"), "count -1 gives no agents", false},
        {"Strands", Number("count", 50), "Accessing param as the wrong type", false},
        {"Strands", Param("numFrames", "int", "0"), "numFrames 0 and updatesPerFrame 10 must be at least 1", false},
        {"BallSwarm", Param("updatesPerFrame", "int", "-2"), "must be at least 1", false},
        {"Strands", Param("updatesPerFrame", "int", "2000000000"), "are too many to simulate", false},
        {"BallSwarm", Param("sphereSize", "double", "inf"), "sphereSize inf is not finite", false},
        {"Strands", Param("depthRange", "double", "nan"), "must be finite", false},
        {"BallSwarm", Param("alignmentRange", "double", "nan"), "'alignmentRange' is nan", true},
        {"Strands", Param("cohesionWeight", "double", "-inf"), "'cohesionWeight' is -inf", true},
        {"Strands", Ramp("maxTunnelSize", 0, 250, 10, 1e300), "'maxTunnelSize' is inf", true},
        {"BallSwarm", Number("speed", 1e37), "left the finite range", true},
    };
    for (const Case& c : cases) {
        LogCapture log;
        ASSERT_TRUE(scene.Load(std::string("<effect type=\"") + c.type + "\">" + c.params + "</effect>")) << c.params;
        const Effects::Effect* effect = scene.List().back().get();
        const FilamentRenderObject* filament =
            std::string(c.type) == "Strands" ? static_cast<const Effects::Strands*>(effect)->GetFilament()
                                             : static_cast<const Effects::BallSwarm*>(effect)->GetFilament();
        EXPECT_EQ(log.CountContaining(c.message), 1) << c.params;
        EXPECT_EQ(filament != nullptr, c.recorded) << c.params;
        for (const Point& p : Paths(filament))
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << c.params;
        scene.Frame(1.0);  // draws whatever there is
        scene.List().clear();
    }
}

TEST(FlockingTest, DrawsOpaqueTubesWithDepthAndAddsStrandsToTheFrame) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    // A small swarm and a tunnel seen from 120 units away, whole paths as thick tubes.
    const std::string tubes = Number("frame", 29) + Number("length", 29) + Number("diameter", 6);
    ASSERT_TRUE(scene.Load("<effect type=\"CameraScene\" start=\"0\" length=\"1\">" + Number("distance", 120) +
                           Number("fov", 60) + "<effect type=\"BallSwarm\">" + Number("sphereSize", 25) + tubes +
                           "</effect></effect>"
                           "<effect type=\"CameraScene\" start=\"2\" length=\"1\">" + Number("distance", 120) +
                           Number("fov", 60) + "<effect type=\"Strands\">" + Param("count", "int", "40") +
                           Number("minTunnelSize", 25) + Number("maxTunnelSize", 25) + Number("depthRange", 40) +
                           tubes + "</effect></effect>"));
    const Rgba grey{60, 60, 60, 255};
    auto drawn = [&](double time) {
        scene.FillCurrent(grey);
        scene.Frame(time);
        return scene.Current();
    };
    auto count = [&](const std::vector<uint8_t>& pixels, auto&& predicate) {
        int n = 0;
        for (int y = 0; y < kSceneHeight; ++y)
            for (int x = 0; x < kSceneWidth; ++x) n += predicate(PixelAt(pixels, kSceneWidth, x, y));
        return n;
    };
    auto changed = [&](const Rgba& p) { return p.r != grey.r || p.g != grey.g || p.b != grey.b; };

    // The swarm covers part of the frame; tails fade to black, so some pixels are darker.
    const std::vector<uint8_t> swarm = drawn(0.5);
    const int swarmPixels = count(swarm, changed);
    EXPECT_GT(swarmPixels, 100);
    EXPECT_LT(swarmPixels, kSceneWidth * kSceneHeight);
    EXPECT_GT(count(swarm, [](const Rgba& p) { return p.r < 50 && p.g < 50 && p.b < 50; }), 0);

    // Strands only add light: nothing gets darker than the background, and much gets brighter.
    const std::vector<uint8_t> strands = drawn(2.5);
    EXPECT_EQ(count(strands, [&](const Rgba& p) { return p.r < grey.r || p.g < grey.g || p.b < grey.b; }), 0);
    EXPECT_GT(count(strands, changed), 100);

    // A broken shader shows the failure colour instead.
    scene.Write("filament.fx", "float4 PS() : SV_Target { return oops; }", 10);
    for (double time : {0.5, 2.5}) EXPECT_TRUE(AllNear(drawn(time), Bytes(kHotPink), 0)) << time;
}
