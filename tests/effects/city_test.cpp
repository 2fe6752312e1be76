// City: kit discovery, block generation in the documented draw order, scrolling, drawing,
// and bad sizes or data.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "effects/city.h"
#include "effects/cityblock.h"
#include "effectscene.h"
#include "graphics/matrices.h"
#include "graphics/model.h"
#include "main/showcheck.h"
#include "scriptxml.h"
#include "support/logcapture.h"
#include "system/datadirectory.h"
#include "system/random.h"

namespace {

using Effects::City;

// A box standing on y = 0, 10 x 10 x 10 model units.
const char* const kBoxObj =
    "v -5 0 -5\nv 5 0 -5\nv 5 0 5\nv -5 0 5\nv -5 10 -5\nv 5 10 -5\nv 5 10 5\nv -5 10 5\n"
    "f 1 2 3 4\nf 5 8 7 6\nf 1 5 6 2\nf 2 6 7 3\nf 3 7 8 4\nf 4 8 5 1\n";

// A scene whose data holds only the scratch folder, the test shaders and the bundled 3d.fx
// (with the default map of materials),
// so that the bundled building kits stay out of sight.
struct KitScene {
    EffectScene scene;
    bool isolated = false;

    KitScene() {
        for (const char* name : {"3d.fx", "1x1white.png"}) scene.Write(name, ReadBundled(name));
        isolated = PHYSFS_unmount(LUMIVANE_SOURCE_DIR "/data") != 0;
    }
    static std::string ReadBundled(const std::string& name) {
        std::ifstream in(std::string(LUMIVANE_SOURCE_DIR) + "/data/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Ready() const { return scene.Ready() && isolated; }
    // Files of a kit folder under "buildings/", each holding the box unless given contents.
    void Kit(const std::string& name, const std::vector<std::string>& files, const std::string& contents = kBoxObj) {
        for (const std::string& file : files) scene.Write("buildings/" + name + "/" + file, contents);
    }
    // A new city in place of the last one.
    City* Load(const std::string& params) {
        scene.List().clear();
        if (!scene.Load("<effect type=\"City\">" + params + "</effect>")) return nullptr;
        return scene.Get<City>(scene.List().size() - 1);
    }
};

std::string Int(const std::string& key, int value) { return Param(key, "int", std::to_string(value)); }

std::string Size(int width, int length, int count) {
    return Int("blockWidth", width) + Int("blockLength", length) + Int("blockCount", count);
}

// Rotation of a piece about the vertical axis in whole degrees [0, 360), from the x row of
// its (transposed) world matrix.
int TurnDegrees(const glm::mat4& stored) {
    const float degrees = std::atan2(-stored[2][0], stored[0][0]) / kDegreesToRadians;
    return (int(std::lround(degrees)) % 360 + 360) % 360;
}
glm::vec3 Origin(const glm::mat4& stored) { return {stored[0][3], stored[1][3], stored[2][3]}; }

// Footprint, shape and the number of bases, slices, roofs and wholes of a kit.
std::string Describe(const City::BuildingType& t) {
    return std::to_string(t.width) + "x" + std::to_string(t.length) + (t.nonSquare ? " long " : " square ") +
           std::to_string(t.bases.size()) + "/" + std::to_string(t.slices.size()) + "/" +
           std::to_string(t.roofs.size()) + "/" + std::to_string(t.wholes.size());
}

size_t BuildingPieces(const City& city) {
    size_t pieces = 0;
    for (const auto& block : city.GetBlocks())
        for (const auto& [model, matrices] : block->GetInstances())
            if (model != city.GetRoadModel()) pieces += matrices.size();
    return pieces;
}

}  // namespace

TEST(CityTest, DiscoversKitsByFootprintAndSectionsInOrder) {
    KitScene kits;
    ASSERT_TRUE(kits.Ready());
    LogCapture log;
    kits.Kit("tower_3x2", {"base_a.obj", "slice_a.obj", "slice_b.obj", "roof_a.obj", "base_roof.obj", "notes.txt",
                           "roof.OBJ", "wholesale.obj.bak"});
    kits.Kit("solo_1x1", {"whole_1.obj"});
    kits.Kit("flat_2x2", {"base.obj", "roof.obj"});  // no slices, no wholes
    for (const char* almost : {"tower_10x2", "tower_0x2", "tower_3x2.bak", "tower_3x2 ", "3x2", "tower_3X2"})
        kits.Kit(almost, {"whole.obj"});
    // Broken and empty models load as nothing but keep their place in the kit.
    kits.Kit("broken_2x2", {"base.obj", "slice_empty.obj", "roof.obj"}, "f 1 2 3\nthis is no model\n");
    kits.scene.Write("buildings/broken_2x2/slice_empty.obj", "");

    City* city = kits.Load(Size(20, 10, 1));
    ASSERT_NE(city, nullptr);
    const auto& types = city->GetBuildingTypes();
    ASSERT_EQ(types.size(), 3u);  // broken_2x2, solo_1x1, tower_3x2 in byte-wise order
    std::vector<std::string> described;
    for (const auto& t : types) described.push_back(Describe(t));
    EXPECT_EQ(described, (std::vector<std::string>{"2x2 square 1/1/1/0", "1x1 square 0/0/0/1", "3x2 long 2/2/1/0"}));
    EXPECT_EQ(types[0].bases[0]->GetMeshCount(), 0u);
    EXPECT_EQ(types[2].bases[0]->GetMeshCount(), 1u);

    EXPECT_EQ(log.Count("Found building: tower_3x2"), 1);
    EXPECT_EQ(log.Count("Found building: flat_2x2"), 1);
    EXPECT_EQ(log.CountContaining("Found building: tower_10x2"), 0);
    EXPECT_EQ(log.CountContaining("Found building: tower_3x2."), 0);
    EXPECT_EQ(log.Count("-Found base: base_roof.obj"), 1);  // base is tested before roof
    EXPECT_EQ(log.Count("-Found slice: slice_b.obj"), 1);
    EXPECT_EQ(log.Count("-Found whole: whole_1.obj"), 1);
    EXPECT_EQ(log.Count("Ignored building as no sections were found!"), 1);
    EXPECT_EQ(log.Count("Model file 'buildings/broken_2x2/slice_empty.obj' couldn't be opened"), 1);
    EXPECT_EQ(log.Count("Model file 'buildings/misc/road.obj' couldn't be opened"), 1);
    int foundElsewhere = 0;
    for (const auto& entry : log.Entries())
        foundElsewhere += entry.message.rfind("Found building", 0) == 0 && entry.function != "Effects::City::Init";
    EXPECT_EQ(foundElsewhere, 0);
    // The kit notes are progress, not problems, for "-check".
    EXPECT_TRUE(IsInformationalLogLine("Found building: tower_3x2"));
    EXPECT_TRUE(IsInformationalLogLine("-Found roof: roof_a.obj"));
    EXPECT_FALSE(IsInformationalLogLine("Ignored building as no sections were found!"));
}

TEST(CityTest, FindsKitsInArchivesAndFoldersAlikeInByteWiseOrder) {
    KitScene kits;
    ASSERT_TRUE(kits.Ready());
    // The archive holds archived_2x2 (a whole) and the slice of shared_1x1; the folder holds
    // the rest of shared_1x1, and Zed_1x1, which sorts first byte-wise.
    ASSERT_NE(PHYSFS_mount(LUMIVANE_TEST_DATA "/effects/citykits.zip", nullptr, 1), 0);
    kits.Kit("shared_1x1", {"base.obj", "roof.obj"});
    kits.Kit("Zed_1x1", {"whole.obj"});
    EXPECT_EQ(ListDataDirectory("buildings/"), (std::vector<std::string>{"Zed_1x1", "archived_2x2", "shared_1x1"}));
    City* city = kits.Load(Size(20, 10, 1));
    ASSERT_NE(city, nullptr);
    std::vector<std::string> described;
    for (const auto& t : city->GetBuildingTypes()) described.push_back(Describe(t));
    EXPECT_EQ(described, (std::vector<std::string>{"1x1 square 0/0/0/1", "2x2 square 0/0/0/1", "1x1 square 1/1/1/0"}));
    EXPECT_EQ(city->GetBuildingTypes().at(1).wholes[0]->GetMeshCount(), 1u);
    PHYSFS_unmount(LUMIVANE_TEST_DATA "/effects/citykits.zip");
}

TEST(CityTest, PlacesBuildingsWithTheDocumentedDrawsFromOneRunningState) {
    KitScene kits;
    ASSERT_TRUE(kits.Ready());
    kits.Kit("solo_1x1", {"whole_a.obj", "whole_b.obj"});
    // Three cells across with the road in the middle: every block fills its two side cells.
    City* city = kits.Load(Size(3, 1, 2));
    ASSERT_NE(city, nullptr);
    const auto& wholes = city->GetBuildingTypes().at(0).wholes;

    uint32_t state = 0;
    for (const auto& block : city->GetBlocks()) {
        std::map<const Model*, std::vector<glm::mat4>> expected;
        bool occupied[3] = {false, true, false};
        while (!occupied[0] || !occupied[2]) {
            RandomDraw(state);  // the only type
            const bool rotated = RandomDraw(state) < 0.5f;
            const int c = int(RandomDraw(state) * 3.0f);
            RandomDraw(state);  // the only row
            if (occupied[c]) continue;
            occupied[c] = true;
            RandomDraw(state);  // storeys: not used by whole buildings
            const float turn = std::floor(RandomDraw(state) * 4.0f) * 90.0f;
            const Model* model = wholes[size_t(RandomDraw(state) * 2.0f)].get();
            glm::mat4 world = MatrixScaling(0.1f);
            if (rotated) world = MatrixMultiply(world, MatrixRotationY(1.5707964f));
            world = MatrixMultiply(world, MatrixRotationY(turn * kDegreesToRadians));
            world = MatrixMultiply(world, MatrixTranslation((0.5f + float(c)) * 4.0f - 6.0f, 0.0f, 2.0f));
            expected[model].push_back(MatrixTranspose(world));
        }
        std::map<const Model*, std::vector<glm::mat4>> placed;
        for (const auto& [model, matrices] : block->GetInstances()) {
            if (model == city->GetRoadModel()) {
                ASSERT_EQ(matrices.size(), 1u);
                const glm::vec3 road = Origin(matrices[0]);
                EXPECT_NEAR(road.x, 0.0f, 1e-5f);  // column 1 of 3, centred across x
                EXPECT_NEAR(road.z, 2.0f, 1e-5f);
                EXPECT_NEAR(matrices[0][0][0], 0.25f, 1e-6f);
            } else {
                placed[model.get()] = matrices;
            }
        }
        ASSERT_EQ(placed.size(), expected.size());
        for (const auto& [model, matrices] : expected) {
            ASSERT_EQ(placed[model].size(), matrices.size());
            for (size_t i = 0; i < matrices.size(); ++i)
                for (int j = 0; j < 16; ++j) EXPECT_NEAR((&placed[model][i][0][0])[j], (&matrices[i][0][0])[j], 1e-5f);
        }
    }
}

TEST(CityTest, StacksStoreysAndTurnsPiecesByTheFootprintsShape) {
    KitScene kits;
    ASSERT_TRUE(kits.Ready());
    kits.Kit("long_3x2", {"base.obj", "slice.obj", "roof.obj"});
    kits.Kit("square_2x2", {"base.obj", "slice_1.obj", "slice_2.obj", "roof.obj"});
    City* city = kits.Load(Size(20, 10, 3));
    ASSERT_NE(city, nullptr);
    const auto& types = city->GetBuildingTypes();
    ASSERT_EQ(types.size(), 2u);
    std::set<const Model*> longPieces;
    for (const auto* list : {&types[0].bases, &types[0].slices, &types[0].roofs})
        for (const auto& model : *list) longPieces.insert(model.get());

    // Pieces of one building share their footprint centre.
    struct Building {
        bool isLong = false;
        std::vector<std::pair<float, int>> pieces;  // height, turn
    };
    int buildings = 0, turnedLong = 0, squareQuarterTurns = 0;
    for (const auto& block : city->GetBlocks()) {
        std::map<std::pair<float, float>, Building> byCentre;
        for (const auto& [model, matrices] : block->GetInstances()) {
            if (model == city->GetRoadModel()) continue;
            for (const glm::mat4& m : matrices) {
                const glm::vec3 origin = Origin(m);
                Building& b = byCentre[{origin.x, origin.z}];
                b.isLong = longPieces.count(model.get()) != 0;
                b.pieces.push_back({origin.y, TurnDegrees(m)});
                EXPECT_NEAR(std::hypot(m[0][0], m[0][2]), 0.1f, 1e-6f);
            }
        }
        for (auto& [centre, b] : byCentre) {
            ++buildings;
            std::sort(b.pieces.begin(), b.pieces.end());
            const int storeys = int(b.pieces.size()) - 2;
            ASSERT_GE(storeys, 1);
            ASSERT_LE(storeys, 19);
            // Base at 0, a slice on every storey, the roof above the last one.
            for (int k = 0; k < int(b.pieces.size()); ++k) EXPECT_FLOAT_EQ(b.pieces[k].first, 2.0f * float(k));
            std::set<int> turns;
            for (const auto& piece : b.pieces) {
                EXPECT_EQ(piece.second % 90, 0);
                turns.insert(piece.second % 180);
            }
            if (b.isLong) {
                EXPECT_EQ(turns.size(), 1u) << "a long footprint turns its pieces by 0 or 180 degrees only";
                turnedLong += *turns.begin() == 90;
            } else {
                squareQuarterTurns += turns.size() > 1;
            }
        }
    }
    EXPECT_GT(buildings, 20);
    EXPECT_GT(turnedLong, 0);
    EXPECT_GT(squareQuarterTurns, 0);
}

TEST(CityTest, BundledKitsMakeTheSameCityOnEveryRun) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    ASSERT_TRUE(scene.Load("<effect type=\"City\"/><effect type=\"City\"/>"));
    // The bundled kits load without a single problem.
    for (const auto& entry : log.Entries()) EXPECT_TRUE(IsInformationalLogLine(entry.message)) << entry.message;

    auto hash = [](const City& city) {
        // Models are named by their place in the city's kits, so two cities compare.
        std::map<const Model*, uint64_t> ids{{city.GetRoadModel().get(), 0}};
        for (const auto& type : city.GetBuildingTypes())
            for (const auto* list : {&type.bases, &type.slices, &type.roofs, &type.wholes})
                for (const auto& model : *list) ids.emplace(model.get(), ids.size());
        uint64_t h = 1469598103934665603ull;
        auto mix = [&h](const void* data, size_t size) {
            for (size_t i = 0; i < size; ++i) h = (h ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
        };
        for (const auto& block : city.GetBlocks()) {
            for (const auto& [model, matrices] : block->GetInstances()) {
                mix(&ids.at(model.get()), sizeof(uint64_t));
                mix(matrices.data(), matrices.size() * sizeof(glm::mat4));
            }
        }
        return h;
    };
    City* a = scene.Get<City>(0);
    City* b = scene.Get<City>(1);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(hash(*a), hash(*b));
    ASSERT_EQ(a->GetBlocks().size(), 12u);
    EXPECT_GE(a->GetBuildingTypes().size(), 4u);
    EXPECT_GT(BuildingPieces(*a), 12u * 50u);
    // Every kit takes part somewhere in the street.
    std::set<const Model*> used;
    for (const auto& block : a->GetBlocks())
        for (const auto& [model, matrices] : block->GetInstances()) used.insert(model.get());
    for (const auto& type : a->GetBuildingTypes()) {
        bool any = false;
        for (const auto* list : {&type.bases, &type.wholes})
            for (const auto& model : *list) any = any || used.count(model.get());
        EXPECT_TRUE(any) << type.width << "x" << type.length;
    }
}

TEST(CityTest, ScrollingByEightBlockLengthsMovesTheStreetOnOneBlock) {
    struct Case {
        float scroll;
        int blockLength;
        size_t blocks, first;
        float offset;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {0, 10, 12, 0, 0},    {80, 10, 12, 1, 0},      {120, 10, 12, 1, 40}, {12 * 80 + 3, 10, 12, 0, 3},
        {-1, 10, 12, 11, 79}, {-80 * 13, 10, 12, 11, 0}, {5, 1, 3, 0, 5},     {17, 1, 3, 2, 1},
        {nan, 10, 12, 0, 0},  {50, 0, 12, 0, 0},       {50, 10, 0, 0, 0},    {1e30f, 10, 12, 0, 0},
    };
    for (const Case& c : cases) {
        const City::StreetPosition p = City::PositionAt(c.scroll, c.blockLength, c.blocks);
        if (std::abs(c.scroll) < 1e20f) {
            EXPECT_EQ(p.first, c.first) << c.scroll << " / " << c.blockLength;
            EXPECT_FLOAT_EQ(p.offset, c.offset) << c.scroll << " / " << c.blockLength;
        } else {
            EXPECT_LT(p.first, c.blocks);
            EXPECT_TRUE(p.offset >= 0.0f && p.offset <= 80.0f);
        }
    }
    // Block i stands (offset - ((i - first) mod n) x D) / 2 along z; at scroll D block 1
    // stands where block 0 stood at 0, and the street runs on smoothly across every step.
    auto z = [](float scroll, size_t block) {
        const City::StreetPosition p = City::PositionAt(scroll, 10, 12);
        return (p.offset - float((block + 12 - p.first) % 12) * 80.0f) * 0.5f;
    };
    EXPECT_FLOAT_EQ(z(80, 1), z(0, 0));
    for (float scroll = -200; scroll < 200; scroll += 7.5f)
        for (size_t block = 0; block < 12; ++block)
            if (std::fmod(scroll + 960.0f - 80.0f * float(block), 960.0f) > 1.0f) {  // away from the wrap
                EXPECT_NEAR(z(scroll + 1, block) - z(scroll, block), 0.5f, 1e-3f) << scroll << " " << block;
            }
}

TEST(CityTest, DrawsEveryBlockAlongTheStreetEachFrame) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    // Looking down on four blocks of the street from above, at scroll 0 and a whole turn on.
    const std::string camera = "<effect type=\"CLS\"/><effect type=\"CameraScene\">" + Number("distance", 90) +
                               Number("fov", 60) + Vec3Param("rotation", 0, -89.9f, 0) +
                               Vec3Param("anchor", 0, 0, 40) + "<effect type=\"City\">";
    ASSERT_TRUE(scene.Load(camera + Number("scroll", 0) + Size(20, 10, 4) + "</effect></effect>" + camera +
                           Number("scroll", 4 * 80) + Size(20, 10, 4) + "</effect></effect>"));
    auto* city = dynamic_cast<City*>(scene.List()[1]->GetChildren()[0].get());
    ASSERT_NE(city, nullptr);
    size_t expectedDraws = 0;
    for (const auto& block : city->GetBlocks()) expectedDraws += block->GetInstances().size();

    std::vector<uint8_t> frames[2];
    for (int i = 0; i < 2; ++i) {
        const uint64_t draws = gContext->GetStats().draws;
        scene.List()[2 * i]->Update(0.0, scene.Chain());
        scene.List()[2 * i + 1]->Update(0.0, scene.Chain());
        EXPECT_EQ(gContext->GetStats().draws - draws, expectedDraws);
        frames[i] = scene.Current();
    }
    // A whole turn of the street looks exactly like the start.
    EXPECT_EQ(frames[0], frames[1]);
    // The road runs up the middle; buildings line both sides.
    const Rgba centre = PixelAt(frames[0], kSceneWidth, 32, 24);
    EXPECT_GT(centre.r + centre.g + centre.b, 30);
    int drawn = 0;
    for (int x = 0; x < kSceneWidth; ++x) {
        const Rgba p = PixelAt(frames[0], kSceneWidth, x, 24);
        drawn += p.r + p.g + p.b > 30;
    }
    EXPECT_GT(drawn, kSceneWidth * 2 / 5);
}

TEST(CityTest, BadSizesAndMissingKitsGiveAnEmptyOrRoadOnlyStreetWithALogLine) {
    KitScene kits;
    ASSERT_TRUE(kits.Ready());
    kits.scene.Write("buildings/misc/road.obj", kBoxObj);
    struct Case {
        int width, length, count;
        size_t blocks;
        const char* logged;  // empty: nothing about the size
    };
    const Case cases[] = {
        {20, 10, 0, 0, ""},
        {20, 10, -4, 0, ""},
        {0, 10, 12, 0, "City blocks of 0 x 10 cells have no room for a road: the city is empty"},
        {20, -3, 12, 0, "City blocks of 20 x -3 cells have no room for a road: the city is empty"},
        {100000, 100000, 12, 0, "is too large"},
        {INT_MAX, INT_MAX, INT_MAX, 0, "is too large"},
        {20, 10, 5000, 0, "is too large"},
        {1, 1, 3, 3, ""},
    };
    for (const Case& c : cases) {
        LogCapture log;
        City* city = kits.Load(Size(c.width, c.length, c.count));
        ASSERT_NE(city, nullptr);
        EXPECT_EQ(city->GetBlocks().size(), c.blocks) << c.width << "x" << c.length << "x" << c.count;
        if (*c.logged) {
            EXPECT_EQ(log.CountContaining(c.logged), 1) << c.logged;
        }
        EXPECT_EQ(log.Count("No building kits found in 'buildings': the city has only its road"), 1);
        for (const auto& block : city->GetBlocks()) {
            ASSERT_EQ(block->GetInstances().size(), 1u);  // the road alone
            EXPECT_EQ(block->GetInstances()[0].second.size(), size_t(c.length));
        }
        city->Render(0.0, kits.scene.Chain());
    }

    // Kits whose footprint fits no block: the blocks keep their road, and the attempts end.
    kits.Kit("wide_3x2", {"whole.obj"});
    LogCapture log;
    City* narrow = kits.Load(Size(2, 1, 4));
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(narrow->GetBlocks().size(), 4u);
    EXPECT_EQ(BuildingPieces(*narrow), 0u);
    EXPECT_EQ(log.Count("No building fits a city block of 2 x 1 cells: the blocks have only their road"), 1);
    // Room for the footprint only once turned.
    City* turned = kits.Load(Size(5, 3, 2));
    ASSERT_NE(turned, nullptr);
    EXPECT_GT(BuildingPieces(*turned), 0u);
}
