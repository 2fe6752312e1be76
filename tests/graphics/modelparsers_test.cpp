// The text and binary readers behind models: OBJ faces and lists, MTL materials, PC2
// headers, and what messy or hostile input does to them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "graphics/mtlparser.h"
#include "graphics/objparser.h"
#include "graphics/pc2reader.h"
#include "pc2bytes.h"

namespace {

ObjModel Parse(const std::string& text, std::vector<std::string>* libraries = nullptr,
               const std::vector<std::string>& known = {}) {
    ObjMaterialHooks hooks;
    hooks.loadLibrary = [libraries](const std::string& name) {
        if (libraries) libraries->push_back(name);
    };
    hooks.hasMaterial = [&known](const std::string& name) {
        for (const std::string& k : known)
            if (k == name) return true;
        return false;
    };
    ObjModel model;
    ParseObj(text.data(), text.size(), hooks, &model);
    return model;
}

std::vector<int32_t> Indices(const ObjFace& face) { return std::vector<int32_t>(face.index, face.index + 9); }

// A string of every byte of a literal, embedded zeros included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

TEST(ObjParser, EveryFacePatternGivesItsIndices) {
    struct Case {
        const char* line;
        size_t faces;
        std::vector<int32_t> first;  // 0-based; absent indices read as 1, hence 0
        bool normals;
    };
    const Case cases[] = {
        {"f 1 2 3", 1, {0, 1, 2, 0, 0, 0, 0, 0, 0}, false},
        {"f 1/4 2/5 3/6", 1, {0, 1, 2, 3, 4, 5, 0, 0, 0}, false},
        {"f 1//7 2//8 3//9", 1, {0, 1, 2, 0, 0, 0, 6, 7, 8}, true},
        {"f 1/4/7 2/5/8 3/6/9", 1, {0, 1, 2, 3, 4, 5, 6, 7, 8}, true},
        {"f 1 2 3 4", 2, {0, 1, 2, 0, 0, 0, 0, 0, 0}, false},
        {"f 1/4/7 2/5/8 3/6/9 4/7/10", 2, {0, 1, 2, 3, 4, 5, 6, 7, 8}, true},
        {"f 1//1 2//2 3//3 4//4", 2, {0, 1, 2, 0, 0, 0, 0, 1, 2}, true},
        {"f 1 2 3 4 5 6", 2, {0, 1, 2, 0, 0, 0, 0, 0, 0}, false},  // n-gon: its first quad
        {"f\t1\t2\t3\r", 1, {0, 1, 2, 0, 0, 0, 0, 0, 0}, false},
        {"f 1/ 4 2/ 5 3/ 6", 1, {0, 1, 2, 3, 4, 5, 0, 0, 0}, false},  // scanf skips blanks before numbers
        {"f 0 -1 3", 1, {-1, -2, 2, 0, 0, 0, 0, 0, 0}, false},       // out of range, dropped later
        {"f 1 2", 0, {}, false},
        {"f 1.5 2.5 3.5", 0, {}, false},
        {"f a b c", 0, {}, false},
        {"fo 1 2 3", 0, {}, false},
    };
    for (const Case& c : cases) {
        ObjModel m = Parse(c.line);
        ASSERT_EQ(m.faceCount, c.faces) << c.line;
        if (c.faces == 0) continue;
        const std::vector<ObjFace>& faces = m.faces.at(kDefaultMaterialName);
        EXPECT_EQ(Indices(faces[0]), c.first) << c.line;
        EXPECT_EQ(faces[0].hasNormals, c.normals) << c.line;
    }
    // A quad (a, b, c, d) is split into (a, b, c) and (c, d, a), corners keeping their indices.
    ObjModel quad = Parse("f 1/5/9 2/6/10 3/7/11 4/8/12\n");
    EXPECT_EQ(Indices(quad.faces.at(kDefaultMaterialName)[1]), (std::vector<int32_t>{2, 3, 0, 6, 7, 4, 10, 11, 8}));
    // Values beyond 32 bits saturate rather than wrap.
    ObjModel huge = Parse("f 99999999999 2 3");
    EXPECT_EQ(huge.faces.at(kDefaultMaterialName)[0].index[0], INT32_MAX - 1);
}

TEST(ObjParser, MessyTextReadsLikeCleanText) {
    const std::string clean = "v 1 2 3\nv 4 5 6\nv 7 8 9\nvt 0.25 0.75\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n";
    const std::string messy =
        "\xEF\xBB\xBF# exported\r\n\r\nv 1 2 3 # first\r\n  v\t4\t5\t6\r\n\tv 7 8 9 0.5 1\r\n"
        "o thing\r\ng group\r\ns 1\r\nvt 0.25 0.75 0\r\nvn 0 0 1\r\n\n\nf 1/1/1 2/1/1 3/1/1";  // no final newline
    for (const std::string& text : {clean, messy}) {
        ObjModel m = Parse(text);
        ASSERT_EQ(m.positions.size(), 3u);
        EXPECT_EQ(m.positions[1], (vec3{4, 5, 6}));
        EXPECT_EQ(m.positions[2], (vec3{7, 8, 9}));
        ASSERT_EQ(m.texcoords.size(), 1u);
        EXPECT_EQ(m.texcoords[0], (vec2{0.25f, 0.25f})) << "v is flipped";
        EXPECT_EQ(m.normals.size(), 1u);
        EXPECT_EQ(m.faceCount, 1u);
    }
    // Missing or unreadable values read as 0; exponents, signs and specials are numbers.
    ObjModel m = Parse("v 1\nv \nv x y z\nv +1e2 -2.5E-1 .5\nvt 0.5\nvn 1 2\nv inf -nan 0x10\nv 1e999 1\n");
    ASSERT_EQ(m.positions.size(), 6u);
    EXPECT_EQ(m.positions[0], (vec3{1, 0, 0}));
    EXPECT_EQ(m.positions[1], (vec3{0, 0, 0}));
    EXPECT_EQ(m.positions[2], (vec3{0, 0, 0}));
    EXPECT_EQ(m.positions[3], (vec3{100, -0.25f, 0.5f}));
    EXPECT_TRUE(std::isinf(m.positions[4].x) && std::isnan(m.positions[4].y));
    EXPECT_EQ(m.positions[4].z, 16.0f);
    EXPECT_TRUE(std::isinf(m.positions[5].x));
    EXPECT_EQ(m.positions[5].y, 1.0f);
    EXPECT_EQ(m.texcoords[0], (vec2{0.5f, 1.0f}));
    EXPECT_EQ(m.normals[0], (vec3{1, 2, 0}));
}

TEST(ObjParser, MaterialsSelectFaceListsAndLibrariesAreNamed) {
    std::vector<std::string> libraries;
    const std::string longName(300, 'm');
    ObjModel m = Parse(
        "mtllib lib.mtl\nmtllib\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "usemtl red\nf 1 2 3\nusemtl nothere\nf 1 2 3\nusemtl red\nf 3 2 1\nusemtl\nf 2 3 1\n"
        "usemtl " + longName + "\nf 1 3 2\nmtllib sub\\other.mtl extra.mtl\n",
        &libraries, {"red", longName.substr(0, 255)});
    EXPECT_EQ(libraries, (std::vector<std::string>{"lib.mtl", "sub\\other.mtl"}));
    ASSERT_EQ(m.faces.size(), 3u);
    // Scattered faces of one material share a list; a bare "usemtl" changes nothing.
    EXPECT_EQ(m.faces.at("red").size(), 3u);
    EXPECT_EQ(m.faces.at(kDefaultMaterialName).size(), 1u) << "unknown name draws with _default_";
    EXPECT_EQ(m.faces.at(longName.substr(0, 255)).size(), 1u) << "names are cut at 255 characters";
}

TEST(ObjParser, FinishAddsDefaultsAndDropsFacesOutsideTheLists) {
    ObjModel m = Parse("v 0 0 0\nv 1 0 0\nv 0 1 0\n"
                       "f 1 2 3\nf 0 1 2\nf 1 2 4\nf -1 1 2\nf 1/2 2/1 3/1\nf 1//2 2//1 3//1\n");
    EXPECT_EQ(m.faceCount, 6u);
    EXPECT_EQ(FinishObj(&m), 5u);
    EXPECT_EQ(m.faceCount, 1u);
    EXPECT_EQ(m.normals, (std::vector<vec3>{{1, 0, 0}}));
    EXPECT_EQ(m.texcoords, (std::vector<vec2>{{0, 0}}));

    ObjModel none = Parse("v 0 0 0\nf 2 3 4\n");
    EXPECT_EQ(FinishObj(&none), 1u);
    EXPECT_TRUE(none.faces.empty());
}

TEST(ObjParser, GarbageNeverCrashesNorGrowsBeyondTheText) {
    std::mt19937 random(7);
    std::vector<std::string> inputs = {
        Bytes("\0\0\0v 1 2 3\0f 1 1 1"),
        Bytes("\xFF\xFEv\0 \0001\0 \0002\0 \0003\0\n\0"),  // UTF-16 text
        std::string(100000, 'f'),
        "v " + std::string(200000, '9') + "\nf" + std::string(100000, ' ') + "1 1 1",
        "usemtl " + std::string(100000, 'x'),
    };
    for (int i = 0; i < 50; ++i) {
        std::string bytes(size_t(random() % 2000), '\0');
        for (char& c : bytes) c = "vtnf/ 0123456789.-\n\r#e"[random() % 23];
        inputs.push_back(bytes);
        for (char& c : bytes) c = char(random());
        inputs.push_back(bytes);
    }
    for (const std::string& text : inputs) {
        ObjModel m = Parse(text);
        FinishObj(&m);
        EXPECT_LE(m.positions.size() + m.faceCount, text.size());
        for (const auto& [name, faces] : m.faces)
            for (const ObjFace& f : faces)
                for (int k = 0; k < 9; ++k) {
                    const size_t size = k < 3 ? m.positions.size() : k < 6 ? m.texcoords.size() : m.normals.size();
                    ASSERT_LT(size_t(f.index[k]), size);
                }
    }
}

TEST(MtlParser, ReadsColoursPowerAndMapsOfEachMaterial) {
    std::map<std::string, MtlMaterial> materials;
    const std::string text =
        "Kd 9 9 9\nnewmtl first\r\n\tKa 0.1 0.2 0.3\nKd 0.4 0.5\nKe 1 2 3 4\nKs 0 0 0\nNs -5\n"
        "map_Kd tex/wood.png\nmap_Ke glow.png\nnewmtl second\nNs 20\nKd 0.7 0.8 0.9\nmap_Ka a\\b.png\n"
        "newmtl first\nNs 3\nmap_Kd again.png";
    ParseMtl(text.data(), text.size(), "models/", &materials);
    ASSERT_EQ(materials.size(), 2u);
    const MtlMaterial& first = materials.at("first");  // reset by the second "newmtl first"
    EXPECT_EQ(first.specularPower, 3.0f);
    EXPECT_EQ(first.ambient[0], 0.0f);
    EXPECT_EQ(first.diffuse[0], 0.5f);
    EXPECT_EQ(first.diffuseMap, "models/again.png");
    EXPECT_EQ(first.emissiveMap, kDefaultMapName);

    const MtlMaterial& second = materials.at("second");
    EXPECT_EQ(std::vector<float>(second.diffuse, second.diffuse + 4), (std::vector<float>{0.7f, 0.8f, 0.9f, 1}));
    EXPECT_EQ(second.specularPower, 20.0f);
    EXPECT_EQ(second.ambientMap, "models/a\\b.png");
    EXPECT_EQ(std::vector<float>(second.specular, second.specular + 4), (std::vector<float>{1, 1, 1, 1}));

    // Before the reset: Ka read, Kd with two values ignored, Ke with four taken, Ns clamped.
    materials.clear();
    const std::string once = text.substr(0, text.find("newmtl second"));
    ParseMtl(once.data(), once.size(), "", &materials);
    const MtlMaterial& m = materials.at("first");
    EXPECT_EQ(std::vector<float>(m.ambient, m.ambient + 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 1}));
    EXPECT_EQ(m.diffuse[0], 0.5f);
    EXPECT_EQ(std::vector<float>(m.emissive, m.emissive + 4), (std::vector<float>{1, 2, 3, 1}));
    EXPECT_EQ(m.specularPower, 0.0f);
    EXPECT_EQ(m.diffuseMap, "tex/wood.png");
    EXPECT_EQ(m.emissiveMap, "glow.png");
}

// Header forms and the messages of ordinary rejections are checked through Model::Load;
// these are the counts no file should be trusted with.
TEST(Pc2Reader, HostileCountsAreRejectedWithoutAllocating) {
    const std::vector<vec3> twoSamples = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    struct Case {
        std::string bytes;
        Pc2Error error;
    };
    const Case cases[] = {
        {"P", Pc2Error::UnknownHeader},
        {Bytes("POINTCACHE2\0\1\0\0\0"), Pc2Error::TooShort},
        {pc2bytes::Make({false, 1, -2, 24.0f, 1}, twoSamples), Pc2Error::WrongPointCount},
        {pc2bytes::Make({false, 1, 2, 24.0f, -5}, {}), Pc2Error::BadSampleCount},
        {pc2bytes::Make({true, 1, 2, 24.0f, INT32_MAX}, twoSamples), Pc2Error::TooShort},
    };
    for (const Case& c : cases) {
        Pc2Animation a = ReadPc2(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), 2);
        EXPECT_EQ(a.error, c.error) << testing::PrintToString(c.bytes.substr(0, 16));
        EXPECT_TRUE(a.positions.empty());
    }
    // Counts whose product overflows 64 bits are still too short, not a wrapped small size.
    const std::string huge = pc2bytes::Make({false, 1, INT32_MAX, 1.0f, INT32_MAX}, {});
    Pc2Animation a = ReadPc2(reinterpret_cast<const uint8_t*>(huge.data()), huge.size(), INT32_MAX);
    EXPECT_EQ(a.error, Pc2Error::TooShort);
    EXPECT_EQ(a.neededBytes, UINT64_MAX);
}

}  // namespace
