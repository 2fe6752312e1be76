#pragma once
// The flocking rules shared by BallSwarm and Strands: alignment, cohesion and separation
// between neighbours, summed in a fixed order in single precision. A step reads only the
// current agents and writes only the next ones, one agent per loop index, so the parallel
// loop gives bit-identical results for any thread count.
#include <cmath>
#include <cstdint>
#include <vector>

#include <glm/vec3.hpp>

namespace Effects {

// The step parameters at one simulation time.
struct FlockRules {
    float alignmentRange = 50.0f;
    float alignmentWeight = 0.1f;
    float cohesionRange = 100.0f;
    float cohesionWeight = 0.2f;
    float separationRange = 50.0f;
    float separationWeight = 0.9f;
    float speed = 3.0f;
    // BallSwarm: the sphere's radius and spring strength.
    float sphereSize = 250.0f;
    float sphereWeight = 0.001f;
    // Strands: the tunnel radius of the first and the last agent in depth order.
    float minTunnelSize = 250.0f;
    float maxTunnelSize = 250.0f;

    // The largest of the three ranges: no neighbour lies farther (Strands' depth window).
    float Reach() const;
};

struct SwarmAgent {
    glm::vec3 position{0.0f};
    glm::vec3 velocity{0.0f};
};

struct StrandAgent {
    glm::vec3 position{0.0f};
    glm::vec3 velocity{0.0f};
    int32_t index = 0;  // creation order: the agent's path
};

// Divides by the length; a zero vector stays zero.
glm::vec3 Normalise(const glm::vec3& v);
// 2 x draw - 1: a value in [-1, 1).
float SignedDraw(uint32_t& state);
// Three signed draws, repeated until the vector's length is at most 1, then normalised.
glm::vec3 RandomDirection(uint32_t& state);
// The tunnel radius at a position in depth order (or creation order) of `count` agents.
float TunnelRadius(int position, int count, float minTunnelSize, float maxTunnelSize);

// Agents on the sphere's surface with random directions, in draw order.
std::vector<SwarmAgent> CreateSwarm(uint32_t& state, int count, float sphereSize);
// Agents on the tunnel wall, spread over +-depthRange, in draw order.
std::vector<StrandAgent> CreateStrands(uint32_t& state, int count, float minTunnelSize, float maxTunnelSize,
                                       float depthRange);

// One BallSwarm step: every pair is compared, and a spring term keeps agents near the sphere.
void SwarmStep(const std::vector<SwarmAgent>& current, std::vector<SwarmAgent>& next, const FlockRules& rules);

// Orders agents by ascending depth (unstable), as a Strands step expects.
void SortByDepth(std::vector<StrandAgent>& agents);
// One Strands step over agents sorted by depth: only agents closer in depth than the window
// are compared; each agent ends on the tunnel wall of its depth-order position.
void StrandsStep(const std::vector<StrandAgent>& sorted, std::vector<StrandAgent>& next, const FlockRules& rules);

// True when every position and velocity is finite.
template <typename Agent>
bool AgentsFinite(const std::vector<Agent>& agents) {
    for (const Agent& agent : agents) {
        const glm::vec3 sum = agent.position + agent.velocity;
        if (!std::isfinite(sum.x) || !std::isfinite(sum.y) || !std::isfinite(sum.z)) return false;
    }
    return true;
}

}  // namespace Effects
