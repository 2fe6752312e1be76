#include "effects/cityblock.h"

#include <algorithm>
#include <cmath>

#include "graphics/matrices.h"
#include "graphics/model.h"
#include "system/random.h"

namespace Effects {
namespace {

constexpr float kCellSize = 4.0f;
constexpr float kStoreyHeight = 2.0f;
constexpr float kBuildingScale = 0.1f;
constexpr float kRoadScale = 0.25f;
constexpr float kPi = 3.1415927f;

// trunc(u x count) as an index into a list of `count` entries.
size_t PickIndex(float u, size_t count) { return std::min(size_t(u * float(count)), count - 1); }

}  // namespace

City::Block::Block(int width, int length)
    : width_(width), length_(length), transform_(MatrixTranslation(float(width) * -kCellSize * 0.5f, 0.0f, 0.0f)) {}

void City::Block::Generate(uint32_t& state, const std::vector<BuildingType>& types,
                           const std::shared_ptr<Model>& road) {
    std::vector<uint8_t> occupied(size_t(width_) * size_t(length_), 0);
    auto cell = [&](int column, int row) -> uint8_t& { return occupied[size_t(row) * size_t(width_) + size_t(column)]; };

    const int roadColumn = width_ / 2;
    const glm::mat4 roadScale = MatrixScaling(kRoadScale);
    for (int row = 0; row < length_; ++row) {
        cell(roadColumn, row) = 1;
        const glm::mat4 place = MatrixTranslation(float(roadColumn) * kCellSize + 2.0f, 0.0f, float(row) * kCellSize + 2.0f);
        AddInstance(road, MatrixMultiply(MatrixMultiply(roadScale, place), transform_));
    }
    if (types.empty()) return;

    int64_t freeCells = int64_t(width_) * length_ - length_;
    for (int attempt = 0; attempt < kPlacementAttempts && freeCells > 0; ++attempt) {
        const BuildingType& type = types[PickIndex(RandomDraw(state), types.size())];
        const bool rotated = RandomDraw(state) < 0.5f;
        const int columns = rotated ? type.length : type.width;
        const int rows = rotated ? type.width : type.length;
        const int c = int(RandomDraw(state) * float(width_ - columns + 1));
        const int r = int(RandomDraw(state) * float(length_ - rows + 1));
        // A footprint wider or longer than the grid cannot stand anywhere.
        if (c < 0 || r < 0 || c + columns > width_ || r + rows > length_) continue;
        bool free = true;
        for (int y = r; y < r + rows && free; ++y)
            for (int x = c; x < c + columns && free; ++x) free = !cell(x, y);
        if (!free) continue;

        // Low next to the road in the middle, tall at the block's edges.
        const float s = std::sin(kPi * (float(columns) * 0.5f + float(c)) / float(width_));
        const float h = 1.0f - s;
        const int storeys = int(RandomDraw(state) * (2.0f * (1.0f - h) + 8.0f * h) + (12.0f * h + (1.0f - h)));
        PlaceBuilding(state, type, c, r, columns, rows, storeys, rotated);

        for (int y = r; y < r + rows; ++y)
            for (int x = c; x < c + columns; ++x) cell(x, y) = 1;
        freeCells -= int64_t(columns) * rows;
    }
}

void City::Block::PlaceBuilding(uint32_t& state, const BuildingType& type, int c, int r, int columns, int rows,
                                int storeys, bool rotated) {
    const float x = (float(columns) * 0.5f + float(c)) * kCellSize;
    const float z = (float(rows) * 0.5f + float(r)) * kCellSize;
    glm::mat4 orientation = MatrixScaling(kBuildingScale);
    if (rotated) orientation = MatrixMultiply(orientation, MatrixRotationY(kPi * 0.5f));

    // Each piece draws its own turn (a square footprint may face any side, a longer one only
    // its two ends), then its model.
    auto piece = [&](const std::vector<std::shared_ptr<Model>>& models, float y) {
        const float u = RandomDraw(state);
        const float degrees = type.nonSquare ? std::floor(u * 2.0f) * 180.0f : std::floor(u * 4.0f) * 90.0f;
        const std::shared_ptr<Model>& model = models[PickIndex(RandomDraw(state), models.size())];
        const glm::mat4 turned = MatrixMultiply(orientation, MatrixRotationY(degrees * kDegreesToRadians));
        AddInstance(model, MatrixMultiply(MatrixMultiply(turned, MatrixTranslation(x, y, z)), transform_));
    };

    if (!type.wholes.empty()) {
        piece(type.wholes, 0.0f);
        return;
    }
    piece(type.bases, 0.0f);
    for (int k = 1; k <= storeys; ++k) piece(type.slices, float(k) * kStoreyHeight);
    piece(type.roofs, float(storeys + 1) * kStoreyHeight);
}

void City::Block::AddInstance(const std::shared_ptr<Model>& model, const glm::mat4& world) {
    auto [slot, added] = slots_.try_emplace(model.get(), instances_.size());
    if (added) instances_.emplace_back(model, std::vector<glm::mat4>());
    instances_[slot->second].second.push_back(MatrixTranspose(world));
}

void City::Block::Render(float offset, std::vector<glm::mat4>& scratch) const {
    const float shift = offset * 0.5f;
    for (const auto& [model, matrices] : instances_) {
        // Each stored matrix followed by a move along z: in the transposed form the z row
        // gains the w row times the shift.
        scratch.assign(matrices.begin(), matrices.end());
        for (glm::mat4& m : scratch) m[2] += m[3] * shift;
        model->SetGeometry(0, 0.0f);
        model->DrawInstances(0, &scratch[0][0][0], scratch.size(), 0.0f);
    }
}

}  // namespace Effects
