#pragma once
// An endless street: city blocks of randomly packed buildings on both sides of a road,
// drawn one behind another along -z and shifted by the keyframed "scroll", so that the
// street moves and repeats every blockCount blocks. Buildings are assembled from kits found
// in "buildings/": directories named like "tower_3x2" (footprint 3 x 2 cells) holding base,
// slice (storey) and roof models, or whole buildings. Everything is placed once at
// initialisation from a random state that starts at 0, so the city is the same on every run.
//   shader "3d.fx" (VS, PS); every model is drawn with the road's material
#include <cstdint>
#include <memory>
#include <vector>

#include <glm/mat4x4.hpp>

#include "effects/effect.h"

class Model;
class Shader;

namespace Effects {

class City : public Effect {
public:
    // A building kit: footprint in cells and its pieces, in byte-wise file name order.
    struct BuildingType {
        int width = 1;   // cells along x
        int length = 1;  // cells along z
        bool nonSquare = false;
        std::vector<std::shared_ptr<Model>> bases;
        std::vector<std::shared_ptr<Model>> slices;
        std::vector<std::shared_ptr<Model>> roofs;
        std::vector<std::shared_ptr<Model>> wholes;
    };
    class Block;

    // Where the street stands at a scroll value: the block drawn first and its offset along
    // the street (its z shift is half of it); every further block stands blockLength x 8
    // further back. A scroll of blockLength x 8 moves the street on by exactly one block.
    struct StreetPosition {
        size_t first = 0;
        float offset = 0.0f;
    };
    static StreetPosition PositionAt(float scroll, int blockLength, size_t blockCount);

    // Cities of more blocks, or more cells in all, are refused with a log line.
    static constexpr int kMaxBlocks = 1024;
    static constexpr int64_t kMaxCells = int64_t(1) << 18;

    City();
    ~City() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    const std::vector<BuildingType>& GetBuildingTypes() const { return buildingTypes_; }
    const std::vector<std::shared_ptr<Block>>& GetBlocks() const { return blocks_; }
    const std::shared_ptr<Model>& GetRoadModel() const { return roadModel_; }

private:
    void MakeBlocks();

    std::unique_ptr<Shader> shader_;
    std::vector<BuildingType> buildingTypes_;
    std::vector<std::shared_ptr<Block>> blocks_;
    std::shared_ptr<Model> roadModel_;
    Model* materialModel_ = nullptr;     // whose first material every model is drawn with
    std::vector<glm::mat4> drawScratch_;  // the shifted matrices of one model of one block
};

}  // namespace Effects
