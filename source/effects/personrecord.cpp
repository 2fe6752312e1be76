#include "effects/personrecord.h"

#include <algorithm>
#include <cmath>

#include "system/random.h"

namespace Effects {

PersonRecord MakePerson(float x, float z, float timeArgument, uint32_t index, uint32_t& state) {
    PersonRecord person;
    person.position[0] = x;
    person.position[2] = z;
    const float blue = 0.9f + 0.1f * RandomDraw(state);
    const float red = 0.5f + 0.1f * RandomDraw(state);
    person.colour[0] = red;
    person.colour[1] = 0.7f;
    person.colour[2] = blue;
    person.colour[3] = 1.0f;
    person.size = 12.0f + RandomDraw(state);
    person.time = timeArgument + 2.0f * RandomDraw(state);
    person.index = float(index);
    return person;
}

void SortPeopleFarthestFirst(std::vector<PersonRecord>& people, const glm::vec3& eye) {
    for (PersonRecord& person : people) {
        const float dx = person.position[0] - eye.x, dy = person.position[1] - eye.y, dz = person.position[2] - eye.z;
        person.distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    // NaN compares false with everything, which would break the sort's ordering rule: such
    // distances rank below every number.
    auto key = [](float d) { return std::isnan(d) ? -INFINITY : d; };
    std::sort(people.begin(), people.end(), [&key](const PersonRecord& a, const PersonRecord& b) {
        const float ka = key(a.distance), kb = key(b.distance);
        if (ka != kb) return ka > kb;
        return a.index < b.index;
    });
}

}  // namespace Effects
