#pragma once
// The network of Connections, made once from one seed: hubs on the ground plane, rings of
// people around the hubs and people scattered at random, and from every hub a tube to a
// target hub. One random state runs through every step in a fixed order, so the same
// settings always give the same network.
#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "effects/personrecord.h"
#include "effects/tubepath.h"

namespace Effects {

struct ConnectionsSettings {
    uint32_t seed = 123;
    int launcherCount = 10;
    float launcherSpread = 100.0f;
    float launcherAvoidance = 10.0f;
    int peoplePerHub = 10;
    float peopleMinRange = 10.0f, peopleMaxRange = 20.0f;
    float peopleStartTime = 1.0f, peopleStartTimeStep = 5.0f;
    int randoPeopleCount = 10;
    float randoPeopleStartTime = 1.0f, randoPeopleEndTime = 5.0f;
    float randoPeopleRange = 100.0f;
    float tubesStartTime = 1.0f, tubesStartTimeStep = 5.0f;
    TubeShape tubeShape;
    float launcherScale = 1.0f;  // of the launcher model; not part of the layout's draws
};

struct TubeLayout {
    int source = 0, target = 0;  // hub indices
    float start = 0.0f;          // local time at which the tube sets off
    float speed = 0.0f;          // sample points per unit of time
    std::vector<StrandPoints> strands;  // kTubeStrands
};

struct ConnectionsLayout {
    std::vector<glm::vec2> hubs;  // (x, z)
    std::vector<PersonRecord> people;
    std::vector<TubeLayout> tubes;  // one per hub, in hub order
};

// People beyond this many are made (their draws keep the tubes as they would be) but not kept.
constexpr uint32_t kMaxPeople = 500;
// Attempts at placing hubs apart, shared by all hubs.
constexpr int kHubAttemptBudget = 1000;

// Places the hubs; logs when the attempt budget runs out and overlapping hubs are accepted.
std::vector<glm::vec2> PlaceHubs(const ConnectionsSettings& settings, uint32_t& state);

// The whole network. Counts must be non-negative (ReadConnectionsSettings bounds them).
ConnectionsLayout BuildConnectionsLayout(const ConnectionsSettings& settings);

}  // namespace Effects
