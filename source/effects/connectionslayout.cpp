#include "effects/connectionslayout.h"

#include <cmath>

#include "system/log.h"
#include "system/random.h"

namespace Effects {
namespace {

constexpr float kTwoPi = 6.2831855f;

// Keeps the first kMaxPeople people; the rest were made only for their draws.
void Keep(ConnectionsLayout& layout, const PersonRecord& person) {
    if (layout.people.size() < kMaxPeople) layout.people.push_back(person);
}

void AddRings(const ConnectionsSettings& s, ConnectionsLayout& layout, uint32_t& made, uint32_t& state) {
    const int n = s.peoplePerHub;
    for (size_t h = 0; h < layout.hubs.size(); ++h) {
        const glm::vec2 hub = layout.hubs[h];
        const float ringTime = s.peopleStartTime + float(h) * s.peopleStartTimeStep;
        for (int i = 0; i < n; ++i) {
            const float angle = float(i) / float(n) * kTwoPi;
            const float r = RandomDraw(state);
            const float radius = (1.0f - r) * s.peopleMinRange + r * s.peopleMaxRange;
            const float x = hub.x + std::sin(angle) * radius, z = hub.y + std::cos(angle) * radius;
            const float timeArgument = ringTime + 2.0f * RandomDraw(state);
            Keep(layout, MakePerson(x, z, timeArgument, made++, state));
        }
    }
}

void AddScattered(const ConnectionsSettings& s, ConnectionsLayout& layout, uint32_t& made, uint32_t& state) {
    const int m = s.randoPeopleCount;
    const float range = s.randoPeopleRange;
    for (int i = 0; i < m; ++i) {
        const float u1 = RandomDraw(state), u2 = RandomDraw(state);
        const float x = u2 * 2.0f * range - range, z = u1 * 2.0f * range - range;
        const float f = float(i) / float(m);
        const float timeArgument = (1.0f - f) * s.randoPeopleStartTime + f * s.randoPeopleEndTime;
        Keep(layout, MakePerson(x, z, timeArgument, made++, state));
    }
}

void AddTubes(const ConnectionsSettings& s, ConnectionsLayout& layout, uint32_t& state) {
    const int hubCount = int(layout.hubs.size());
    layout.tubes.reserve(hubCount);
    for (int h = 0; h < hubCount; ++h) {
        TubeLayout tube;
        tube.source = h;
        tube.start = s.tubesStartTime + float(h) * s.tubesStartTimeStep;
        tube.target = int(std::floor(RandomDraw(state) * (float(hubCount) - 0.001f)));
        const TubeControls controls =
            MakeTubeControls(layout.hubs[h], layout.hubs[tube.target], s.tubeShape, state, &tube.speed);
        tube.strands.resize(kTubeStrands);
        for (StrandPoints& strand : tube.strands) MakeStrand(controls, s.tubeShape.midPointVariance, state, strand);
        layout.tubes.push_back(std::move(tube));
    }
}

}  // namespace

std::vector<glm::vec2> PlaceHubs(const ConnectionsSettings& s, uint32_t& state) {
    std::vector<glm::vec2> hubs;
    hubs.reserve(size_t(std::max(s.launcherCount, 0)));
    const float spread = s.launcherSpread;
    int budget = kHubAttemptBudget;
    for (int h = 0; h < s.launcherCount; ++h) {
        for (;;) {
            const float u1 = RandomDraw(state), u2 = RandomDraw(state);
            const glm::vec2 candidate{u2 * 2.0f * spread - spread, u1 * 2.0f * spread - spread};
            bool retry = false;
            if (budget > 0) {
                for (const glm::vec2& hub : hubs) {
                    const glm::vec2 d = candidate - hub;
                    if (std::sqrt(d.x * d.x + d.y * d.y) < s.launcherAvoidance) {
                        retry = --budget >= 1;
                        break;
                    }
                }
            }
            if (!retry) {
                hubs.push_back(candidate);
                break;
            }
        }
    }
    if (budget == 0) LOG("There were launcher position conflicts!");
    return hubs;
}

ConnectionsLayout BuildConnectionsLayout(const ConnectionsSettings& s) {
    ConnectionsLayout layout;
    uint32_t state = s.seed;
    layout.hubs = PlaceHubs(s, state);

    uint32_t made = 0;
    AddRings(s, layout, made, state);
    AddScattered(s, layout, made, state);
    if (made > kMaxPeople) LOG("Too many people (%u): drawing the first %u", made, kMaxPeople);

    AddTubes(s, layout, state);
    return layout;
}

}  // namespace Effects
