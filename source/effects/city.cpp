#include "effects/city.h"

#include <cmath>
#include <regex>
#include <string>

#include "effects/cityblock.h"
#include "effects/scenedraw.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/model.h"
#include "graphics/shader.h"
#include "system/datadirectory.h"
#include "system/log.h"

namespace Effects {
namespace {

const char kBuildingsDirectory[] = "buildings";
const char kRoadModel[] = "buildings/misc/road.obj";

// The sections of a kit, tested in this order; a file belongs to the first that matches.
struct Section {
    const char* name;
    const char* pattern;
    std::vector<std::shared_ptr<Model>> City::BuildingType::*models;
};
const Section kSections[] = {
    {"base", ".*base.*\\.obj$", &City::BuildingType::bases},
    {"slice", ".*slice.*\\.obj$", &City::BuildingType::slices},
    {"roof", ".*roof.*\\.obj$", &City::BuildingType::roofs},
    {"whole", ".*whole.*\\.obj$", &City::BuildingType::wholes},
};

bool Usable(const City::BuildingType& type) {
    return (!type.bases.empty() && !type.slices.empty() && !type.roofs.empty()) || !type.wholes.empty();
}

// True when some kit's footprint, turned or not, fits a grid of width x length cells.
bool AnyFootprintFits(const std::vector<City::BuildingType>& types, int width, int length) {
    for (const City::BuildingType& type : types)
        if ((type.width <= width && type.length <= length) || (type.length <= width && type.width <= length))
            return true;
    return false;
}

}  // namespace

City::City() = default;

City::~City() = default;

bool City::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>("3d.fx");
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");
    roadModel_ = std::make_shared<Model>();
    roadModel_->Load(kRoadModel, "");

    static const std::regex kKitPattern(".*_([1-9])x([1-9])$", std::regex::ECMAScript);
    static const std::vector<std::regex> kSectionPatterns = [] {
        std::vector<std::regex> patterns;
        for (const Section& section : kSections) patterns.emplace_back(section.pattern, std::regex::ECMAScript);
        return patterns;
    }();
    buildingTypes_.clear();
    for (const std::string& name : ListDataDirectory(kBuildingsDirectory)) {
        std::smatch footprint;
        if (!std::regex_match(name, footprint, kKitPattern)) continue;
        LOG("Found building: %s", name.c_str());
        BuildingType type;
        type.width = footprint[1].str()[0] - '0';
        type.length = footprint[2].str()[0] - '0';
        type.nonSquare = type.width != type.length;
        const std::string directory = std::string(kBuildingsDirectory) + "/" + name + "/";
        for (const std::string& file : ListDataDirectory(directory)) {
            for (size_t i = 0; i < kSectionPatterns.size(); ++i) {
                if (!std::regex_match(file, kSectionPatterns[i])) continue;
                LOG("-Found %s: %s", kSections[i].name, file.c_str());
                auto model = std::make_shared<Model>();
                model->Load(directory + file, "");
                (type.*kSections[i].models).push_back(std::move(model));
                break;
            }
        }
        if (Usable(type))
            buildingTypes_.push_back(std::move(type));
        else
            LOG("Ignored building as no sections were found!");
    }
    if (buildingTypes_.empty()) LOG("No building kits found in '%s': the city has only its road", kBuildingsDirectory);

    // The road's material serves every model; without a road, the first building's does.
    materialModel_ = roadModel_->GetMeshCount() > 0 ? roadModel_.get() : nullptr;
    for (const BuildingType& type : buildingTypes_)
        for (const Section& section : kSections)
            for (const std::shared_ptr<Model>& model : type.*section.models)
                if (!materialModel_ && model->GetMeshCount() > 0) materialModel_ = model.get();

    MakeBlocks();
    return true;
}

void City::MakeBlocks() {
    blocks_.clear();
    const int width = GetParamInt("blockWidth", 20);
    const int length = GetParamInt("blockLength", 10);
    const int count = GetParamInt("blockCount", 12);
    if (count <= 0) return;
    if (width < 1 || length < 1) {
        LOG("City blocks of %d x %d cells have no room for a road: the city is empty", width, length);
        return;
    }
    if (count > kMaxBlocks || int64_t(width) * length > kMaxCells / count) {
        LOG("City of %d blocks of %d x %d cells is too large (at most %d blocks and %lld cells in all): the city is "
            "empty",
            count, width, length, kMaxBlocks, (long long)kMaxCells);
        return;
    }
    if (!buildingTypes_.empty() && !AnyFootprintFits(buildingTypes_, width, length))
        LOG("No building fits a city block of %d x %d cells: the blocks have only their road", width, length);

    uint32_t state = 0;
    blocks_.reserve(size_t(count));
    for (int k = 0; k < count; ++k) {
        auto block = std::make_shared<Block>(width, length);
        block->Generate(state, buildingTypes_, roadModel_);
        blocks_.push_back(std::move(block));
    }
}

City::StreetPosition City::PositionAt(float scroll, int blockLength, size_t blockCount) {
    StreetPosition position;
    const double spacing = double(blockLength) * 8.0;
    if (blockCount == 0 || !(spacing > 0.0) || !std::isfinite(scroll)) return position;
    // Floored, so that the street also runs on without a jump below scroll 0.
    const double steps = std::floor(double(scroll) / spacing);
    position.offset = float(double(scroll) - steps * spacing);
    const double wrapped = std::fmod(steps, double(blockCount));
    position.first = size_t(wrapped < 0.0 ? wrapped + double(blockCount) : wrapped) % blockCount;
    return position;
}

void City::Render(double time, DynamicTexturePair& frameChain) {
    const float scroll = float(GetParamDouble("scroll", time, 0.0));
    const int blockLength = GetParamInt("blockLength", 10);
    if (!SetSceneShader(shader_.get(), frameChain)) return;
    BeginDepthDraw(frameChain);
    if (materialModel_) materialModel_->SetMaterial(0);

    const size_t n = blocks_.size();
    const StreetPosition position = PositionAt(scroll, blockLength, n);
    const float spacing = float(blockLength) * 8.0f;
    for (size_t k = 0; k < n; ++k)
        blocks_[(position.first + k) % n]->Render(position.offset - float(k) * spacing, drawScratch_);

    EndDepthDraw();
}

std::vector<ShaderUse> City::GetShaderUses() const { return {{"3d.fx", {"VS"}, {"PS"}}}; }

}  // namespace Effects
