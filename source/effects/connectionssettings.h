#pragma once
// Reads the placement parameters of Connections at time 0. Counts may be given as int or
// double; out-of-range counts and values that are not finite numbers are replaced (by the
// nearest allowed count, or the default) with one log line each.
#include "effects/connectionslayout.h"

namespace Effects {

class Effect;

// The most hubs, people per hub and scattered people a network is made with.
constexpr int kMaxLaunchers = 1000;
constexpr int kMaxPeoplePerHub = 10000;
constexpr int kMaxRandoPeople = 1000000;

ConnectionsSettings ReadConnectionsSettings(const Effect& effect);

}  // namespace Effects
