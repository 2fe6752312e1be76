// Models end to end: loading OBJ, MTL and PC2 files from the data folder into GPU meshes,
// the log lines of bad files, reloading, instanced drawing in batches, and what a shader
// sees when a model draws.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "datafolder.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/model.h"
#include "graphics/texture.h"
#include "pc2bytes.h"
#include "readback.h"
#include "support/gputest.h"
#include "support/logcapture.h"
#include "testprogram.h"

namespace {

// Places vertices with the instance's world matrix; shades with diffuse x diffuse map + emissive.
const char* kModelShader = R"(
struct Instance { row_major float4x4 world; };
StructuredBuffer<Instance> instances : register(t6);
cbuffer Material : register(b2) { float4 ambient; float4 diffuse; float4 emissive; float4 specular; float power; };
Texture2D diffuseMap : register(t1);
struct VSIn { float3 position : POSITION; float2 uv : TEXCOORD; float3 normal : NORMAL; };
struct VSOut { float4 position : SV_Position; };
VSOut VS(VSIn v, uint instance : SV_InstanceID) {
    VSOut o;
    o.position = mul(float4(v.position, 1), instances[instance].world);
    return o;
}
float4 PS(VSOut v) : SV_Target {
    return diffuse * diffuseMap.Load(int3(0, 0, 0)) + float4(emissive.rgb, 0);
}
)";

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// "v" lines of an axis-aligned rectangle in clip space, z = 0.5.
std::string Rectangle(float x0, float x1, float y0 = -1, float y1 = 1) {
    auto v = [](float x, float y) { return "v " + std::to_string(x) + " " + std::to_string(y) + " 0.5\n"; };
    return v(x0, y0) + v(x1, y0) + v(x1, y1) + v(x0, y1);
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(16, 16, false));
        ASSERT_TRUE(data_.Ready());
        data_.Copy("images/1x1white.png", "1x1white.png");
    }

    // Renders the model once into a width x 4 target and returns its pixels.
    std::vector<uint8_t> Draw(Model& model, float time, int width) {
        TestProgram program;
        if (!program.Build(kModelShader, true)) return {};
        DynamicTexture target(float(width), 4.0f, false);
        program.Bind(target);
        model.Render(time, kIdentity);
        return readback::Texture(target.GetTexture());
    }
    static const uint8_t* Pixel(const std::vector<uint8_t>& pixels, int width, int x, int y) {
        return &pixels[(size_t(y) * width + x) * 4];
    }

    DataFolder data_;
};

TEST_F(ModelTest, CubeAndQuadBecomeDeduplicatedGpuMeshes) {
    std::string cube = "# six normals, no texcoords\r\n";
    for (int i = 0; i < 8; ++i) cube += "v " + std::to_string(i & 1) + " " + std::to_string((i >> 1) & 1) + " " +
                                        std::to_string((i >> 2) & 1) + "\r\n";
    cube += "vn -1 0 0\nvn 1 0 0\nvn 0 -1 0\nvn 0 1 0\nvn 0 0 -1\nvn 0 0 1\n";
    cube += "f 1//1 3//1 7//1 5//1\nf 2//2 6//2 8//2 4//2\nf 1//3 5//3 6//3 2//3\n"
            "f 3//4 4//4 8//4 7//4\nf 1//5 2//5 4//5 3//5\nf 5//6 7//6 8//6 6//6";
    data_.Write("cube.obj", cube);
    Model model;
    ASSERT_TRUE(model.Load("cube.obj", ""));
    ASSERT_EQ(model.GetMeshCount(), 1u);
    const Model::Mesh& mesh = model.GetMesh(0);
    EXPECT_EQ(mesh.materialName, "_default_");
    EXPECT_EQ(mesh.frameRate, 1.0f);
    ASSERT_EQ(mesh.frames.size(), 1u);
    ASSERT_EQ(mesh.frames[0].parts.size(), 1u);
    const Model::Part& part = mesh.frames[0].parts[0];
    EXPECT_EQ(part.vertices->GetVertexCount(), 24u);
    EXPECT_EQ(part.indices->GetIndexCount(), 36u);
    EXPECT_EQ(readback::Buffer(part.indices->GetBuffer()).size(), 72u);

    // A quad without "vt" or "vn": 4 vertices, texcoord (0, 0), the flat normal of its corners.
    data_.Write("quad.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    ASSERT_TRUE(model.Load("quad.obj", ""));
    const Model::Part& quad = model.GetMesh(0).frames[0].parts[0];
    ASSERT_EQ(quad.vertices->GetVertexCount(), 4u);
    EXPECT_EQ(quad.indices->GetIndexCount(), 6u);
    std::vector<uint8_t> bytes = readback::Buffer(quad.vertices->GetBuffer());
    ASSERT_EQ(bytes.size(), 128u);
    for (int i = 0; i < 4; ++i) {
        SVertexDesc v;
        std::memcpy(&v, &bytes[i * 32], 32);
        EXPECT_EQ(v.texcoord, (vec2{0, 0}));
        EXPECT_EQ(v.normal, (vec3{0, 0, 1}));
    }
}

TEST_F(ModelTest, MeshesFollowMaterialNamesInByteOrder) {
    data_.Write("models/set.mtl",
                "newmtl a\nKd 0.1 0.2 0.3\nmap_Kd tex.png\nnewmtl B\nKe 1 1 1\nNs -2\nnewmtl unused\n");
    data_.Write("models/set.obj",
                "mtllib set.mtl\n" + Rectangle(0, 1) + "usemtl a\nf 1 2 3\nusemtl missing\nf 1 2 4\n"
                "usemtl B\nf 2 3 4\nusemtl a\nf 1 3 4\n");
    Model model;
    ASSERT_TRUE(model.Load("models/set.obj", ""));
    ASSERT_EQ(model.GetMeshCount(), 3u);
    EXPECT_EQ(model.GetMesh(0).materialName, "B");
    EXPECT_EQ(model.GetMesh(1).materialName, "_default_") << "an unknown usemtl draws with _default_";
    EXPECT_EQ(model.GetMesh(2).materialName, "a");
    EXPECT_EQ(model.GetMesh(2).frames[0].parts[0].indices->GetIndexCount(), 6u) << "scattered faces, one mesh";

    const auto& materials = model.GetMaterials();
    ASSERT_EQ(materials.size(), 4u);
    const Model::Material& a = materials.at("a");
    EXPECT_EQ(a.diffuse[2], 0.3f);
    EXPECT_EQ(a.diffuseMap->GetFileName(), "models/tex.png");
    EXPECT_EQ(a.ambientMap->GetFileName(), "1x1white.png");
    EXPECT_EQ(materials.at("B").specularPower, 0.0f);
    EXPECT_EQ(materials.at("_default_").diffuse[0], 0.5f);
}

TEST_F(ModelTest, BadFilesLogOneClearLineAndLeaveTheModelEmpty) {
    const std::string quad = Rectangle(-1, 1) + "f 1 2 3 4\n";
    data_.Write("m.obj", quad);
    const std::vector<vec3> points(4);
    struct Case {
        std::string pc2;  // empty: no file
        const char* animation;
        std::string message;
        bool loads;
    };
    std::vector<vec3> thirty(4 * 30);
    const Case cases[] = {
        {"", "m.pc2", "Animation file 'm.pc2' couldn't be opened. There will be no animation for this model", true},
        {pc2bytes::Make({false, 1, 5, 30, 1}, std::vector<vec3>(5)), "m.pc2",
         "Animation file 'm.pc2' has wrong number of points (expected 4, got 5)", false},
        {pc2bytes::Make({true, 3, 4, 30, 1}, points), "m.pc2",
         "Animation file 'm.pc2' has bad file version (expected 1, got 3)", false},
        {"PX" + std::string(40, '\0'), "m.pc2", "Animation file 'm.pc2' has unknown PC2 header", false},
        {pc2bytes::Make({false, 1, 4, 30, 0}, {}), "m.pc2", "Animation file 'm.pc2' has no samples (sample count 0)",
         false},
        {pc2bytes::Make({false, 1, 4, 30, 31}, thirty), "m.pc2",
         "Animation file 'm.pc2' is shorter than its header announces (1520 bytes needed, 1472 present)", false},
    };
    for (const Case& c : cases) {
        data_.Remove("m.pc2");
        if (!c.pc2.empty()) data_.Write("m.pc2", c.pc2);
        LogCapture log;
        Model model;
        EXPECT_EQ(model.Load("m.obj", c.animation), c.loads) << c.message;
        EXPECT_EQ(model.GetMeshCount(), c.loads ? 1u : 0u);
        int lines = 0;
        for (const auto& e : log.Entries()) lines += e.function == "Model::Load";
        EXPECT_EQ(lines, 1) << c.message;
        EXPECT_EQ(log.Count(c.message), 1) << c.message;
    }

    // Broken model files: missing, without vertices, binary, faces pointing nowhere.
    data_.Write("garbage.obj", std::string("\xFF\xFE\0v\0 \0001\0\n\x01\x02", 12));
    data_.Write("nofaces.obj", Rectangle(0, 1));
    data_.Write("some.obj", Rectangle(0, 1) + "f 1 2 3\nf 0 1 2\nf 1 2 9\nf -1 -2 -3\n");
    const std::pair<const char*, std::string> files[] = {
        {"absent.obj", "Model file 'absent.obj' couldn't be opened"},
        {"garbage.obj", "Model file 'garbage.obj' has no vertices"},
        {"nofaces.obj", "Model file 'nofaces.obj' has no faces"},
        {"some.obj", "Model file 'some.obj' has 3 faces with indices outside its lists; they are left out"},
    };
    for (const auto& [name, message] : files) {
        LogCapture log;
        Model model;
        EXPECT_EQ(model.Load(name, ""), std::string(name) == "some.obj") << name;
        EXPECT_EQ(log.Count(message), 1) << name;
    }

    // A small PC2 file of many samples over a model of many faces would keep 6 MiB per frame
    // on the GPU for 1,000 frames: refused before anything is made.
    std::string many = "v 0 0 0\n";
    for (int i = 0; i < 500000; ++i) many += "f 1 1 1 1\n";
    data_.Write("many.obj", many);
    data_.Write("many.pc2", pc2bytes::Make({false, 1, 1, 30, 1000}, std::vector<vec3>(1000)));
    LogCapture log;
    Model model;
    EXPECT_FALSE(model.Load("many.obj", "many.pc2"));
    EXPECT_EQ(log.CountContaining("Model file 'many.obj' needs 5722 MiB of geometry for 1000 frames"), 1);
}

TEST_F(ModelTest, RenderReloadsWhenTheObjOrPc2Changes) {
    data_.Write("r.obj", Rectangle(-1, 0) + "f 1 2 3\n");
    Model model;
    ASSERT_TRUE(model.Load("r.obj", "r.pc2"));
    EXPECT_EQ(model.GetMesh(0).frames.size(), 1u);

    data_.Write("r.pc2", pc2bytes::Make({false, 1, 4, 10, 3}, std::vector<vec3>(12)), 5);
    Draw(model, 0.0f, 4);
    ASSERT_EQ(model.GetMeshCount(), 1u);
    EXPECT_EQ(model.GetMesh(0).frames.size(), 3u) << "a new PC2 file reloads";
    EXPECT_EQ(model.GetMesh(0).frameRate, 10.0f);

    data_.Write("r.obj", Rectangle(-1, 0) + "f 1 2 3\nf 1 3 4\n", 10);
    data_.Remove("r.pc2");
    Draw(model, 0.0f, 4);
    ASSERT_EQ(model.GetMeshCount(), 1u);
    EXPECT_EQ(model.GetMesh(0).frames[0].parts[0].indices->GetIndexCount(), 6u);

    // A failed reload drops the meshes but keeps the materials.
    data_.Write("r.obj", "garbage", 20);
    Draw(model, 0.0f, 4);
    EXPECT_EQ(model.GetMeshCount(), 0u);
    EXPECT_EQ(model.GetMaterials().count("_default_"), 1u);
}

TEST_F(ModelTest, InstancesDrawInBatchesThroughOneSharedBuffer) {
    data_.Write("q.obj", Rectangle(-1, 1) + "f 1 2 3 4\n");
    Model model, other;
    ASSERT_TRUE(model.Load("q.obj", ""));
    ASSERT_TRUE(model.GetInstanceData());
    EXPECT_EQ(model.GetInstanceData(), other.GetInstanceData());
    EXPECT_EQ(model.GetInstanceData()->GetCapacity(), 2048u);
    std::vector<uint8_t> fresh = readback::Buffer(model.GetInstanceData()->GetBuffer());
    ASSERT_EQ(fresh.size(), 2048u * 64u);
    EXPECT_EQ(std::memcmp(&fresh[2047 * 64], kIdentity, 64), 0) << "elements start as identity";

    std::vector<float> matrices(5000 * 16);
    for (size_t i = 0; i < matrices.size(); ++i) matrices[i] = float(i);
    TestProgram program;
    ASSERT_TRUE(program.Build(kModelShader, true));
    DynamicTexture target(4.0f, 4.0f, false);
    program.Bind(target);
    model.SetMaterial(0);
    model.SetGeometry(0, 0.0f);
    const uint64_t draws = gContext->GetStats().draws;
    model.DrawInstances(0, matrices.data(), 0, 0.0f);
    model.DrawInstances(7, matrices.data(), 10, 0.0f);
    EXPECT_EQ(gContext->GetStats().draws, draws) << "no instances, or no such mesh: no draw";
    model.DrawInstances(0, matrices.data(), 5000, 0.0f);
    EXPECT_EQ(gContext->GetStats().draws - draws, 3u);
    EXPECT_EQ(model.GetInstanceData()->GetUsed(), 904u);
    std::vector<uint8_t> last = readback::Buffer(model.GetInstanceData()->GetBuffer());
    EXPECT_EQ(std::memcmp(last.data(), &matrices[4096 * 16], 904 * 64), 0) << "the last batch holds the last 904";
}

TEST_F(ModelTest, DrawsEachMaterialWithItsColourAndMap) {
    // Three strips: B blue, _default_ grey, a textured by a map beside the model.
    data_.Copy("images/pattern4x2.png", "models/pattern.png");  // top-left texel red
    data_.Write("models/m.mtl", "newmtl a\nKd 1 1 1\nmap_Kd pattern.png\nnewmtl B\nKd 0 0 1\nKe 0 0.5 0\n");
    data_.Write("models/m.obj", "mtllib m.mtl\n" + Rectangle(-1, -1.0f / 3) + Rectangle(-1.0f / 3, 1.0f / 3) +
                                    Rectangle(1.0f / 3, 1) + "usemtl a\nf 9 10 11 12\nusemtl B\nf 1 2 3 4\n"
                                    "usemtl none\nf 5 6 7 8\n");
    Model model;
    ASSERT_TRUE(model.Load("models/m.obj", Model::AnimationNameFor("models/m.obj")));
    const uint64_t draws = gContext->GetStats().draws;
    std::vector<uint8_t> pixels = Draw(model, 0.0f, 6);
    EXPECT_EQ(gContext->GetStats().draws - draws, 3u);
    ASSERT_EQ(pixels.size(), 6u * 4u * 4u);
    const int expected[3][3] = {{0, 128, 255}, {128, 128, 128}, {255, 0, 0}};
    for (int strip = 0; strip < 3; ++strip)
        for (int y : {0, 3}) {
            const uint8_t* p = Pixel(pixels, 6, strip * 2 + 1, y);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], expected[strip][c], 1) << strip << "," << y << "," << c;
            EXPECT_EQ(p[3], 255);
        }
}

TEST_F(ModelTest, AnimationDrawsTheFrameTheTimeSelects) {
    // 30 samples at 30 per unit: sample 15 holds the quad on the right, all others on the left.
    std::vector<vec3> samples;
    for (int s = 0; s < 30; ++s)
        for (int i = 0; i < 4; ++i) {
            const float x0 = s == 15 ? 0.0f : -1.0f;
            samples.push_back({x0 + ((i == 1 || i == 2) ? 1.0f : 0.0f), (i >= 2) ? 1.0f : -1.0f, 0.5f});
        }
    EXPECT_EQ(Model::FrameIndex(1.5f, 30.0f, 30), 15u);
    EXPECT_EQ(Model::FrameIndex(-0.1f, 30.0f, 30), 27u);
    data_.Write("anim.obj", Rectangle(5, 6) + "f 1 2 3 4\n");
    for (bool shifted : {false, true}) {  // both header forms
        data_.Write("anim.pc2", pc2bytes::Make({shifted, 1, 4, 30.0f, 30}, samples));
        Model model;
        ASSERT_TRUE(model.Load("anim.obj", Model::AnimationNameFor("anim.obj")));
        ASSERT_EQ(model.GetMesh(0).frames.size(), 30u);
        for (float time : {1.5f, -0.1f, 0.0f}) {
            std::vector<uint8_t> pixels = Draw(model, time, 4);
            ASSERT_EQ(pixels.size(), 4u * 4u * 4u);
            const bool right = time == 1.5f;
            for (int y : {0, 3}) {
                EXPECT_EQ(Pixel(pixels, 4, 0, y)[3], right ? 0 : 255) << time;
                EXPECT_EQ(Pixel(pixels, 4, 3, y)[3], right ? 255 : 0) << time;
                EXPECT_NEAR(Pixel(pixels, 4, right ? 3 : 0, y)[0], 128, 1) << time;
            }
        }
    }
}

TEST_F(ModelTest, MoreThan65536VerticesSplitIntoPartsThatAllDraw) {
    // 16,385 quads with texcoords of their own: the first 16,384 keep exactly 65,536 vertices
    // (the last of them index 0xFFFF) and fill the left half; the last quad fills the right half
    // in a second part. All other quads lie outside the view.
    const int quads = 16385;
    std::string obj = Rectangle(5, 6) + Rectangle(-1, 0) + Rectangle(0, 1);
    obj.reserve(3000000);
    for (int i = 0; i < quads * 4; ++i) obj += "vt " + std::to_string(i) + " 0\n";
    for (int q = 0; q < quads; ++q) {
        const int base = q == quads - 2 ? 4 : q == quads - 1 ? 8 : 0;
        obj += "f";
        for (int c = 0; c < 4; ++c)
            obj.append(" ").append(std::to_string(base + c + 1)).append("/").append(std::to_string(q * 4 + c + 1));
        obj += "\n";
    }
    data_.Write("big.obj", obj);
    Model model;
    ASSERT_TRUE(model.Load("big.obj", ""));
    const Model::Frame& frame = model.GetMesh(0).frames[0];
    ASSERT_EQ(frame.parts.size(), 2u);
    EXPECT_EQ(frame.parts[0].vertices->GetVertexCount(), 65536u);
    EXPECT_EQ(frame.parts[1].vertices->GetVertexCount(), 4u);
    EXPECT_EQ(frame.parts[1].indices->GetIndexCount(), 6u);

    const uint64_t draws = gContext->GetStats().draws;
    std::vector<uint8_t> pixels = Draw(model, 0.0f, 8);
    EXPECT_EQ(gContext->GetStats().draws - draws, 2u);
    ASSERT_EQ(pixels.size(), 8u * 4u * 4u);
    for (int x : {0, 3, 4, 7})
        for (int y : {0, 3}) EXPECT_EQ(Pixel(pixels, 8, x, y)[3], 255) << x << "," << y;
}

}  // namespace
