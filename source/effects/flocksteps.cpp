#include "effects/flocksteps.h"

#include <algorithm>
#include <cmath>

#include <glm/geometric.hpp>

#include "system/random.h"

namespace Effects {
namespace {

// Below these sizes a step takes well under a millisecond: handing it to a team of threads
// then costs more than it saves, most of all when other programs keep the cores busy.
constexpr long kParallelSwarmPairs = 1L << 19;
constexpr long kParallelStrands = 2048;

// The neighbour sums of one agent, added in scan order.
struct NeighbourSums {
    glm::vec3 alignment{0.0f}, cohesion{0.0f}, separation{0.0f};
    int alignmentCount = 0, cohesionCount = 0, separationCount = 0;

    // The three range tests are strict and independent. `reachSquared` is the largest range
    // squared (exact in double): a pair at least that far apart fails every test, whatever
    // the rounding of its distance, so the square root is skipped for it.
    void Add(const glm::vec3& p, const glm::vec3& otherPosition, const glm::vec3& otherVelocity,
             const FlockRules& rules, double reachSquared) {
        const glm::vec3 offset = p - otherPosition;
        const float squared = glm::dot(offset, offset);
        if (double(squared) >= reachSquared) return;
        const float d = std::sqrt(squared);
        if (d < rules.alignmentRange) {
            alignment += otherVelocity;
            ++alignmentCount;
        }
        if (d < rules.cohesionRange) {
            cohesion += otherPosition;
            ++cohesionCount;
        }
        if (d < rules.separationRange) {
            separation += otherPosition - p;
            ++separationCount;
        }
    }

    // v plus the three weighted steering terms, in this order (a term without neighbours is zero).
    glm::vec3 Steer(const glm::vec3& p, const glm::vec3& v, const FlockRules& rules) const {
        const glm::vec3 a = alignmentCount ? Normalise(alignment / float(alignmentCount)) : glm::vec3(0.0f);
        const glm::vec3 c = cohesionCount ? Normalise(cohesion / float(cohesionCount) - p) : glm::vec3(0.0f);
        const glm::vec3 s =
            separationCount ? Normalise(separation * (-1.0f / float(separationCount))) : glm::vec3(0.0f);
        return ((v + a * rules.alignmentWeight) + c * rules.cohesionWeight) + s * rules.separationWeight;
    }
};

SwarmAgent StepSwarmAgent(const std::vector<SwarmAgent>& agents, size_t i, const FlockRules& rules) {
    const glm::vec3 p = agents[i].position, v = agents[i].velocity;
    const double reach = rules.Reach();
    NeighbourSums sums;
    for (size_t j = 0; j < agents.size(); ++j)
        if (j != i) sums.Add(p, agents[j].position, agents[j].velocity, rules, reach * reach);
    // Pushed out inside the sphere, pulled in outside, in proportion to the distance.
    const glm::vec3 sphere = Normalise(p) * ((rules.sphereSize - glm::length(p)) * rules.sphereWeight);
    return {p + v * rules.speed, Normalise(sums.Steer(p, v, rules) + sphere)};
}

StrandAgent StepStrandAgent(const std::vector<StrandAgent>& sorted, size_t i, float window, const FlockRules& rules) {
    const glm::vec3 p = sorted[i].position, v = sorted[i].velocity;
    const float z = p.z;
    // Agents at least a window shallower are never compared: start past them. The depth
    // difference only grows along the sorted order, so this skips exactly what a scan from
    // the first agent would pass over.
    const auto shallower = [&](const StrandAgent& other) { return !(other.position.z - z > -window); };
    const auto begin = std::partition_point(sorted.begin(), sorted.end(), shallower);
    const double reachSquared = double(window) * double(window);
    NeighbourSums sums;
    for (size_t j = size_t(begin - sorted.begin()); j < sorted.size(); ++j) {
        if (j == i) continue;
        const float dz = sorted[j].position.z - z;
        if (std::fabs(dz) < window) sums.Add(p, sorted[j].position, sorted[j].velocity, rules, reachSquared);
        else if (dz > window) break;  // everything after is deeper still
    }
    StrandAgent next;
    next.velocity = Normalise(sums.Steer(p, v, rules));
    next.position = p + v * rules.speed;
    const float radius = TunnelRadius(int(i), int(sorted.size()), rules.minTunnelSize, rules.maxTunnelSize);
    const glm::vec3 wall = Normalise(glm::vec3(next.position.x, next.position.y, 0.0f)) * radius;
    next.position.x = wall.x;
    next.position.y = wall.y;
    next.index = sorted[i].index;
    return next;
}

}  // namespace

float FlockRules::Reach() const { return std::max(std::max(alignmentRange, cohesionRange), separationRange); }

glm::vec3 Normalise(const glm::vec3& v) {
    const float length = glm::length(v);
    return length == 0.0f ? v : v / length;
}

float SignedDraw(uint32_t& state) { return 2.0f * RandomDraw(state) - 1.0f; }

glm::vec3 RandomDirection(uint32_t& state) {
    glm::vec3 v;
    do {
        v.x = SignedDraw(state);
        v.y = SignedDraw(state);
        v.z = SignedDraw(state);
    } while (glm::length(v) > 1.0f);
    return Normalise(v);
}

float TunnelRadius(int position, int count, float minTunnelSize, float maxTunnelSize) {
    const float t = float(position) / float(count);
    return (1.0f - t) * minTunnelSize + t * maxTunnelSize;
}

std::vector<SwarmAgent> CreateSwarm(uint32_t& state, int count, float sphereSize) {
    std::vector<SwarmAgent> agents(size_t(std::max(count, 0)));
    for (SwarmAgent& agent : agents) {
        agent.position = RandomDirection(state) * sphereSize;
        agent.velocity = RandomDirection(state);
    }
    return agents;
}

std::vector<StrandAgent> CreateStrands(uint32_t& state, int count, float minTunnelSize, float maxTunnelSize,
                                       float depthRange) {
    std::vector<StrandAgent> agents(size_t(std::max(count, 0)));
    for (int k = 0; k < count; ++k) {
        float x, y;
        do {
            x = SignedDraw(state);
            y = SignedDraw(state);
        } while (x * x + y * y > 1.0f);
        const glm::vec3 wall = Normalise(glm::vec3(x, y, 0.0f)) * TunnelRadius(k, count, minTunnelSize, maxTunnelSize);
        StrandAgent& agent = agents[size_t(k)];
        agent.velocity = RandomDirection(state);
        agent.position = glm::vec3(wall.x, wall.y, SignedDraw(state) * depthRange);
        agent.index = k;
    }
    return agents;
}

void SwarmStep(const std::vector<SwarmAgent>& current, std::vector<SwarmAgent>& next, const FlockRules& rules) {
    next.resize(current.size());
    const long count = long(current.size());
#pragma omp parallel for schedule(static) if (count * count >= kParallelSwarmPairs)
    for (long i = 0; i < count; ++i) next[size_t(i)] = StepSwarmAgent(current, size_t(i), rules);
}

void SortByDepth(std::vector<StrandAgent>& agents) {
    std::sort(agents.begin(), agents.end(),
              [](const StrandAgent& a, const StrandAgent& b) { return a.position.z < b.position.z; });
}

void StrandsStep(const std::vector<StrandAgent>& sorted, std::vector<StrandAgent>& next, const FlockRules& rules) {
    next.resize(sorted.size());
    const float window = rules.Reach();
    const long count = long(sorted.size());
#pragma omp parallel for schedule(static) if (count >= kParallelStrands)
    for (long i = 0; i < count; ++i) next[size_t(i)] = StepStrandAgent(sorted, size_t(i), window, rules);
}

}  // namespace Effects
