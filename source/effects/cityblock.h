#pragma once
// One block of the city: a grid of 4 x 4-unit cells with the road down its middle column
// and buildings packed around it. Generated once; drawn at an offset along the street.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include <glm/mat4x4.hpp>

#include "effects/city.h"

namespace Effects {

class City::Block {
public:
    // Every model placed in the block with the world matrices (transposed) of its pieces,
    // models in the order they were first placed.
    using InstanceList = std::vector<std::pair<std::shared_ptr<Model>, std::vector<glm::mat4>>>;

    // Up to this many placement attempts per block.
    static constexpr int kPlacementAttempts = 3999;

    // A block of width x length cells (both at least 1), centred across x.
    Block(int width, int length);

    // Lays the road, then makes the placement attempts with draws from `state`, which runs
    // on to the next block. Without building types only the road is laid.
    void Generate(uint32_t& state, const std::vector<BuildingType>& types, const std::shared_ptr<Model>& road);

    // Draws each model's instances moved offset x 0.5 along z; `scratch` holds the moved
    // matrices of one model at a time.
    void Render(float offset, std::vector<glm::mat4>& scratch) const;

    int GetWidth() const { return width_; }
    int GetLength() const { return length_; }
    const glm::mat4& GetTransform() const { return transform_; }
    const InstanceList& GetInstances() const { return instances_; }

private:
    // Places the pieces of one building whose footprint covers columns [c, c + columns) and
    // rows [r, r + rows) of the grid.
    void PlaceBuilding(uint32_t& state, const BuildingType& type, int c, int r, int columns, int rows,
                       int storeys, bool rotated);
    void AddInstance(const std::shared_ptr<Model>& model, const glm::mat4& world);

    int width_;
    int length_;
    glm::mat4 transform_;  // row-vector form
    InstanceList instances_;
    std::unordered_map<const Model*, size_t> slots_;  // index of each model in instances_
};

}  // namespace Effects
