#pragma once
// One person of Connections as the billboard shader reads it (48 bytes, t5 of the vertex
// stage), how a person is made from the random sequence, and the far-to-near order in
// which people are drawn.
#include <cstdint>
#include <vector>

#include <glm/vec3.hpp>

namespace Effects {

struct PersonRecord {
    float position[4] = {0, 0, 0, 0};  // x, 0, z, 0
    float colour[4] = {0, 0, 0, 0};    // red, 0.7, blue, 1
    float size = 0.0f;
    float distance = 0.0f;  // from the camera's eye, written every frame
    float index = 0.0f;     // place in the list when made
    float time = 0.0f;      // appearance, in the effect's local time
};
static_assert(sizeof(PersonRecord) == 48, "a person record is 48 bytes");

// A person at (x, 0, z) with the next four draws: blue, red, size, then the appearance time
// (timeArgument plus up to 2). `index` is the number of people made before.
PersonRecord MakePerson(float x, float z, float timeArgument, uint32_t index, uint32_t& state);

// Writes every person's distance from the eye and sorts farthest first (ties by index, a
// distance that is not a number last).
void SortPeopleFarthestFirst(std::vector<PersonRecord>& people, const glm::vec3& eye);

}  // namespace Effects
