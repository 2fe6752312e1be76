// Translation of HLSL entry points to GLSL: the blob's slot tables, varying locations and
// failures on bad input. None of these need GL.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "hlsl/hlslcache.h"
#include "hlsl/hlslfrontend.h"
#include "hlsl/semantics.h"
#include "hlslhelpers.h"
#include "support/logcapture.h"

namespace {

const char* kResources = R"(
cbuffer Frame : register(b3) { float4x4 world; float amount; float3 tint; };
Texture2D image : register(t1);
Texture2D lookup : register(t2);
Texture2DMS<float4> samples : register(t3);
Texture3D volume : register(t4);
SamplerState pointWrap : register(s3);
SamplerState linearClamp : register(s0);
struct Light { float4 colour; };
StructuredBuffer<Light> lights : register(t5);
StructuredBuffer<float4x4> instances : register(t6);

float4 Fetch(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv); }

struct VSOut { float4 position : SV_Position; float2 uv : TEXCOORD0; float3 normal : NORMAL; float4 extra : TEXCOORD3; };

VSOut VS(float3 position : POSITION, float3 normal : NORMAL, float2 uv : TEXCOORD, uint id : SV_InstanceID) {
    VSOut o;
    o.position = mul(mul(float4(position, 1), instances[id]), world);
    o.uv = uv;
    o.normal = normal;
    o.extra = float4(tint, amount);
    return o;
}

struct PSIn { float4 extra : TEXCOORD3; float3 normal : NORMAL; float2 uv : TEXCOORD0; };

float4 PS(PSIn i) : SV_Target {
    return Fetch(image, pointWrap, i.uv) + lookup.Load(int3(0, 0, 0)) + samples.Load(int2(0, 0), 1) +
           volume.Sample(linearClamp, float3(i.uv, 0.5)) + lights[1].colour + i.extra * amount + float4(i.normal, 0);
}
)";

}  // namespace

TEST(HlslTranslate, PixelStageTablesCarryRegistersAndUnits) {
    std::string errors;
    auto blob = Compile(kResources, "PS", "ps_4_0", &errors);
    ASSERT_TRUE(blob) << errors;
    EXPECT_EQ(blob->stage, gpu::ShaderStage::Pixel);
    EXPECT_EQ(blob->entryPoint, "PS");

    ASSERT_EQ(blob->constantBuffers.size(), 1u);
    EXPECT_EQ(blob->constantBuffers[0].slot, 3u);
    EXPECT_EQ(blob->constantBuffers[0].glBinding, gpu::kPixelBindingBase + 3);
    EXPECT_NE(blob->glsl.find("binding = 19, std140"), std::string::npos) << blob->glsl;

    ASSERT_EQ(blob->structuredBuffers.size(), 1u);
    EXPECT_EQ(blob->structuredBuffers[0].slot, 5u);
    EXPECT_EQ(blob->structuredBuffers[0].glBinding, gpu::kPixelBindingBase + 5);

    // Each (texture, sampler) pair has its own unit in the pixel range.
    ASSERT_EQ(blob->textures.size(), 4u);
    std::map<uint32_t, gpu::ShaderBlob::Texture> byTexture;
    std::set<uint32_t> units;
    for (const auto& t : blob->textures) {
        byTexture[t.textureSlot] = t;
        units.insert(t.glUnit);
        EXPECT_GE(t.glUnit, gpu::kPixelBindingBase);
        EXPECT_LT(t.glUnit, gpu::kPixelBindingBase + 16);
        EXPECT_NE(blob->glsl.find("binding = " + std::to_string(t.glUnit) + ")"), std::string::npos);
    }
    EXPECT_EQ(units.size(), 4u);
    EXPECT_EQ(byTexture[1].samplerSlot, 3);  // passed through a helper function
    EXPECT_EQ(byTexture[1].kind, gpu::ShaderBlob::TextureKind::Texture2D);
    EXPECT_EQ(byTexture[2].samplerSlot, -1);  // Load only
    EXPECT_EQ(byTexture[3].samplerSlot, -1);
    EXPECT_EQ(byTexture[3].kind, gpu::ShaderBlob::TextureKind::Texture2DMS);
    EXPECT_EQ(byTexture[4].samplerSlot, 0);
    EXPECT_EQ(byTexture[4].kind, gpu::ShaderBlob::TextureKind::Texture3D);
    EXPECT_TRUE(blob->inputs.empty());
}

TEST(HlslTranslate, VertexStageUsesTheVertexRangeAndListsInputs) {
    std::string errors;
    auto blob = Compile(kResources, "VS", "vs_5_0", &errors);
    ASSERT_TRUE(blob) << errors;
    ASSERT_EQ(blob->constantBuffers.size(), 1u);
    EXPECT_EQ(blob->constantBuffers[0].glBinding, 3u);
    ASSERT_EQ(blob->structuredBuffers.size(), 1u);
    EXPECT_EQ(blob->structuredBuffers[0].slot, 6u);
    EXPECT_EQ(blob->structuredBuffers[0].glBinding, 6u);
    // SV_InstanceID counts from 0 as in D3D: no base instance is added.
    EXPECT_EQ(blob->glsl.find("BaseInstance"), std::string::npos) << blob->glsl;

    // Vertex inputs take locations 0, 1, 2 whatever their semantics.
    ASSERT_EQ(blob->inputs.size(), 3u);
    std::set<uint32_t> locations;
    for (const auto& input : blob->inputs) {
        locations.insert(input.location);
        if (input.semantic == "TEXCOORD") {
            EXPECT_EQ(input.semanticIndex, 0u);
        }
    }
    EXPECT_EQ(locations, (std::set<uint32_t>{0, 1, 2}));
}

TEST(HlslTranslate, VaryingLocationsFollowSemanticsNotMemberOrder) {
    std::string errors;
    auto vs = Compile(kResources, "VS", "vs_4_0", &errors);
    auto ps = Compile(kResources, "PS", "ps_4_0", &errors);
    ASSERT_TRUE(vs && ps) << errors;
    EXPECT_EQ(GlslLocation(vs->glsl, "out vec2 _entryPointOutput_uv"), gpu::SemanticLocation("TEXCOORD", 0));
    EXPECT_EQ(GlslLocation(vs->glsl, "out vec3 _entryPointOutput_normal"), gpu::SemanticLocation("NORMAL", 0));
    EXPECT_EQ(GlslLocation(vs->glsl, "out vec4 _entryPointOutput_extra"), gpu::SemanticLocation("TEXCOORD", 3));
    EXPECT_EQ(GlslLocation(ps->glsl, "in vec2 i_uv"), gpu::SemanticLocation("TEXCOORD", 0));
    EXPECT_EQ(GlslLocation(ps->glsl, "in vec3 i_normal"), gpu::SemanticLocation("NORMAL", 0));
    EXPECT_EQ(GlslLocation(ps->glsl, "in vec4 i_extra"), gpu::SemanticLocation("TEXCOORD", 3));

    // A matrix covers the TEXCOORDs after its own; array element N sits N TEXCOORDs on, also
    // when the pixel stage reads only that element.
    const char* rows = R"(
struct V { float4 pos : SV_Position; float3x3 tbn : TEXCOORD1; float3 n : NORMAL; float4 w[2] : TEXCOORD4; };
V VS(float3 n : NORMAL) { V o = (V)0; o.n = n; o.tbn = float3x3(n, n, n); return o; }
float4 PS(V i) : SV_Target { return float4(mul(i.n, i.tbn), 1) + i.w[1]; })";
    vs = Compile(rows, "VS", "vs_4_0", &errors);
    ps = Compile(rows, "PS", "ps_4_0", &errors);
    ASSERT_TRUE(vs && ps) << errors;
    EXPECT_EQ(GlslLocation(vs->glsl, "out mat3 _entryPointOutput_tbn"), gpu::SemanticLocation("TEXCOORD", 1));
    EXPECT_EQ(gpu::SemanticLocation("TEXCOORD", 3), gpu::SemanticLocation("TEXCOORD", 1) + 2);
    EXPECT_EQ(GlslLocation(vs->glsl, "out vec4 _entryPointOutput_w_1_"), gpu::SemanticLocation("TEXCOORD", 5));
    EXPECT_EQ(GlslLocation(ps->glsl, "in vec4 i_w_1_"), gpu::SemanticLocation("TEXCOORD", 5));
}

TEST(HlslTranslate, AwkwardConstantBufferPackingGetsACopyTable) {
    const std::string source = R"(
cbuffer Awkward : register(b0) { float a; float3 b; float2 arr[3]; float c; float4x4 m; };
cbuffer Plain : register(b1) { float4 p; float4x4 q; };
float4 PS() : SV_Target { return float4(b, a) + arr[2].xyxy + c + m[1] + p + q[0]; }
)";
    std::string errors;
    auto blob = Compile(source, "PS", "ps_4_0", &errors);
    ASSERT_TRUE(blob) << errors;
    ASSERT_EQ(blob->constantBuffers.size(), 2u);
    const auto& awkward = blob->constantBuffers[0].slot == 0 ? blob->constantBuffers[0] : blob->constantBuffers[1];
    const auto& plain = blob->constantBuffers[0].slot == 1 ? blob->constantBuffers[0] : blob->constantBuffers[1];
    EXPECT_TRUE(plain.repack.empty());
    EXPECT_EQ(plain.glSize, 80u);
    // HLSL: a 0, b 4, arr 16/32/48, c 56, m 64..128. std140: a 0, b 16, arr 32/48/64, c 80, m 96.
    ASSERT_FALSE(awkward.repack.empty());
    EXPECT_EQ(awkward.glSize, 160u);
    auto destination = [&](uint32_t hlsl) -> int {
        for (const auto& r : awkward.repack) {
            if (hlsl >= r.hlslOffset && hlsl < r.hlslOffset + r.size) return static_cast<int>(r.glOffset + hlsl - r.hlslOffset);
        }
        return -1;
    };
    EXPECT_EQ(destination(0), 0);
    EXPECT_EQ(destination(4), 16);
    EXPECT_EQ(destination(16), 32);
    EXPECT_EQ(destination(52), 68);
    EXPECT_EQ(destination(56), 80);
    EXPECT_EQ(destination(64), 96);
    EXPECT_EQ(destination(124), 156);
    EXPECT_EQ(destination(24), -1);  // padding between array elements
}

TEST(HlslTranslate, PackoffsetPlacesMembers) {
    const std::string source = R"(
cbuffer Placed : register(b2) { float4 a : packoffset(c1); float b : packoffset(c0.y); };
float4 PS() : SV_Target { return a + b; }
)";
    std::string errors;
    auto blob = Compile(source, "PS", "ps_4_0", &errors);
    ASSERT_TRUE(blob) << errors;
    ASSERT_EQ(blob->constantBuffers.size(), 1u);
    const auto& repack = blob->constantBuffers[0].repack;
    ASSERT_EQ(repack.size(), 2u);
    EXPECT_EQ(repack[0].hlslOffset, 4u);
    EXPECT_EQ(repack[0].glOffset, 16u);
    EXPECT_EQ(repack[1].hlslOffset, 16u);
    EXPECT_EQ(repack[1].glOffset, 0u);
}

TEST(HlslTranslate, NointerpolationBecomesFlat) {
    const std::string source = R"(
struct V { float4 p : SV_Position; nointerpolation float4 c : COLOR0; };
V VS(float3 p : POSITION) { V v; v.p = float4(p, 1); v.c = 1; return v; }
)";
    std::string errors;
    auto blob = Compile(source, "VS", "vs_4_0", &errors);
    ASSERT_TRUE(blob) << errors;
    EXPECT_NE(blob->glsl.find("flat out vec4"), std::string::npos) << blob->glsl;
}

TEST(HlslTranslate, ErrorsNameFileAndLine) {
    std::string errors;
    auto blob = Compile("float4 PS() : SV_Target\n{\n    return undefinedThing;\n}\n", "PS", "ps_4_0", &errors,
                        nullptr, "shaders/broken.fx");
    EXPECT_FALSE(blob);
    EXPECT_NE(errors.find("shaders/broken.fx(3,26): error:"), std::string::npos) << errors;
    EXPECT_NE(errors.find("undefinedThing"), std::string::npos) << errors;

    // In an include, the include's name and line.
    MemoryIncludes includes;
    includes.files["lib/helpers.hlsli"] = "float4 F()\n{\n    float4 x = ;\n    return x;\n}\n";
    EXPECT_FALSE(Compile("#include \"lib/helpers.hlsli\"\nfloat4 PS() : SV_Target { return F(); }\n", "PS", "ps_4_0",
                         &errors, &includes, "main.fx"));
    EXPECT_EQ(errors.find("lib/helpers.hlsli(3"), 0u) << errors;
    EXPECT_EQ(errors.find("main.fx"), std::string::npos) << errors;
}

TEST(HlslTranslate, MissingEntryPointFails) {
    std::string errors;
    EXPECT_FALSE(Compile("float4 PS() : SV_Target { return 1; }", "PS_Missing", "ps_4_0", &errors));
    EXPECT_NE(errors.find("PS_Missing"), std::string::npos) << errors;
    // Names are case-sensitive.
    EXPECT_FALSE(Compile("float4 PS() : SV_Target { return 1; }", "ps", "ps_4_0", &errors));
}

TEST(HlslTranslate, UnknownProfileFails) {
    std::string errors;
    EXPECT_FALSE(Compile("float4 PS() : SV_Target { return 1; }", "PS", "gs_4_0", &errors));
    EXPECT_NE(errors.find("gs_4_0"), std::string::npos);
}

TEST(HlslTranslate, MacrosReachTheSource) {
    const std::string source = "float4 PS() : SV_Target { return VALUE; }\n";
    gpu::CompileRequest request;
    request.source = source.data();
    request.sourceLength = source.size();
    request.sourceName = "macro.fx";
    request.entryPoint = "PS";
    request.profile = "ps_4_0";
    std::string errors;
    EXPECT_FALSE(gpu::CompileHLSL(request, &errors));
    request.macros.push_back({"VALUE", "float4(0.25, 0.5, 0.75, 1)"});
    auto blob = gpu::CompileHLSL(request, &errors);
    ASSERT_TRUE(blob) << errors;
    EXPECT_NE(blob->glsl.find("0.75"), std::string::npos);
    request.macros[0].name = "not a name";
    EXPECT_FALSE(gpu::CompileHLSL(request, &errors));
}

TEST(HlslTranslate, IncludesComeFromTheHandlerByTheirWrittenName) {
    MemoryIncludes includes;
    includes.files["lib/common.hlsli"] = "float4 Half(float4 v) { return v * 0.5; }\n";
    std::string errors;
    auto blob = Compile("#include \"lib/common.hlsli\"\nfloat4 PS() : SV_Target { return Half(1); }\n", "PS",
                        "ps_4_0", &errors, &includes);
    ASSERT_TRUE(blob) << errors;
    EXPECT_EQ(includes.opens["lib/common.hlsli"], 1);
}

TEST(HlslTranslate, IncludesAreFoundBesideTheIncludingFileFirst) {
    MemoryIncludes includes;
    includes.files["fx/lib/a.hlsli"] = "#include \"b.hlsli\"\n#include \"../../root.hlsli\"\n";
    includes.files["fx/lib/b.hlsli"] = "float4 B() { return 1; }\n";
    includes.files["lib/a.hlsli"] = "this is not the file\n";
    includes.files["root.hlsli"] = "float4 Root() { return 2; }\n";
    includes.files["lib/win.hlsli"] = "float4 Win() { return 3; }\n";
    includes.files["escape.hlsli"] = "#include \"../../etc/passwd\"\n";
    std::string errors;
    auto blob = Compile("#include \"lib/a.hlsli\"\n#include <lib\\win.hlsli>\n"
                        "float4 PS() : SV_Target { return B() + Root() + Win(); }\n",
                        "PS", "ps_4_0", &errors, &includes, "fx/main.fx");
    ASSERT_TRUE(blob) << errors;
    EXPECT_EQ(includes.opens.count("lib/a.hlsli"), 0u);
    // Climbing above the data root is never asked for beside the file.
    EXPECT_FALSE(Compile("#include \"escape.hlsli\"\nfloat4 PS() : SV_Target { return 1; }\n", "PS", "ps_4_0", &errors,
                         &includes, "main.fx"));
    EXPECT_EQ(gpu::HlslIncludePath("fx/main.fx", "../../etc/passwd"), "");
    EXPECT_EQ(gpu::HlslIncludePath("fx/sub/main.fx", "./../x.h"), "fx/x.h");
    EXPECT_EQ(gpu::HlslIncludePath("fx/main.fx", "..\\shared\\x.h"), "shared/x.h");
    EXPECT_EQ(gpu::HlslIncludePath("fx/main.fx", "/etc/passwd"), "");
}

// Constructs of shaders written for D3D's compiler and the effect framework, each of which
// once failed to translate.
TEST(HlslTranslate, RealWorldConstructsTranslate) {
    struct Case {
        const char* what;
        const char* source;
        const char* entry;
        const char* profile;
    };
    const Case cases[] = {
        {"older effect syntax",
         "float4x4 World : WORLD < string UIName = \"World\"; >;\n"
         "texture diffuse < string ResourceName = \"a.dds\"; >;\ntexture2D other;\n"
         "sampler2D diffuseSampler = sampler_state { Texture = <diffuse>; MinFilter = Linear; };\n"
         "sampler plain = sampler_state { texture = (diffuse); };\n"
         "string Description = \"x\";\nfloat Alpha < string UIWidget = \"slider\"; > = 0.5;\n"
         "stateblock sb = stateblock_state { ZEnable = false; };\n"
         "fxgroup g { technique11 T { pass P { } } }\n"
         "float4 VS(float4 p : POSITION) : SV_Position { return mul(p, World) * Alpha; }\n",
         "VS", "vs_4_0"},
        {"effect states",
         "Texture2D t; SamplerState s { Filter = MIN_MAG_MIP_LINEAR; AddressU = Wrap; };\n"
         "BlendState NoBlend { BlendEnable[0] = FALSE; };\nRasterizerState rs { CullMode = None; };\n"
         "cbuffer cb { float4 c < string UIName = \"c\"; >; };\n"
         "float4 PS(float2 uv : TEXCOORD0) : SV_Target { return t.Sample(s, uv) * c; }\n"
         "technique10 R { pass P0 { SetPixelShader(CompileShader(ps_4_0, PS())); SetBlendState(NoBlend, "
         "float4(0, 0, 0, 0), 0xFFFFFFFF); } }\n",
         "PS", "ps_4_0"},
        {"offsets constant once unrolled",
         "Texture2D t : register(t0); SamplerState s : register(s0);\n"
         "static const int2 kOffsets[2] = { int2(-1, 0), int2(1, 0) };\n"
         "float4 PS(float2 uv : TEXCOORD0) : SV_Target { float4 c = 0; const int k = 2;\n"
         "[unroll] for (int i = 0; i < 2; ++i) c += t.Sample(s, uv, kOffsets[i]);\n"
         "return c + t.Sample(s, uv, int2(k, k * 2)); }\n",
         "PS", "ps_4_0"},
        {"vector truncation and a static const array size",
         "static const int N = 4; cbuffer cb : register(b0) { float4 a[N]; uint4 u; };\n"
         "float4 PS(float4 pos : SV_Position) : SV_Target { uint x = uint(u); float y = float(pos);\n"
         "float4 c = 0; [loop] for (int i = 0; i < N; ++i) c += a[i]; return c + x + y; }\n",
         "PS", "ps_4_0"},
        {"unordered access in a pixel shader",
         "RWTexture2D<float4> image : register(u1); RWStructuredBuffer<uint> counter : register(u2);\n"
         "float4 PS(float4 pos : SV_Position) : SV_Target0 { image[uint2(pos.xy)] = 1;\n"
         "InterlockedAdd(counter[0], 1); return 0; }\n",
         "PS", "ps_5_0"},
    };
    for (const Case& c : cases) {
        std::string errors;
        auto blob = Compile(c.source, c.entry, c.profile, &errors);
        ASSERT_TRUE(blob) << c.what << ":\n" << errors;
        if (std::string(c.what).find("unrolled") != std::string::npos) {
            // GLSL takes only constant offsets: each read names its literal offset.
            for (const char* offset : {", ivec2(-1, 0))", ", ivec2(1, 0))", ", ivec2(2, 4))"}) {
                EXPECT_NE(blob->glsl.find(offset), std::string::npos) << offset << "\n" << blob->glsl;
            }
        }
        if (std::string(c.what).find("unordered") != std::string::npos) {
            EXPECT_NE(blob->glsl.find("binding = 1, rgba32f"), std::string::npos) << blob->glsl;
        }
    }
}

TEST(HlslTranslate, MissingIncludeFailsAndIsLoggedOnce) {
    LogCapture log;
    MemoryIncludes includes;
    std::string errors;
    EXPECT_FALSE(Compile("#include \"nowhere.hlsli\"\nfloat4 PS() : SV_Target { return 1; }\n", "PS", "ps_4_0",
                         &errors, &includes, "missing_include.fx"));
    EXPECT_FALSE(errors.empty());
    EXPECT_NE(errors.find("nowhere.hlsli"), std::string::npos) << errors;
    EXPECT_EQ(log.Count("Failed to find shader include 'nowhere.hlsli'"), 1);
}

TEST(HlslTranslate, BadSourcesFailCleanly) {
    MemoryIncludes includes;
    includes.files["self.hlsli"] = "#include \"self.hlsli\"\n";
    includes.files["a.hlsli"] = "#include \"b.hlsli\"\n";
    includes.files["b.hlsli"] = "#include \"a.hlsli\"\n";
    std::string errors;

    EXPECT_FALSE(Compile("", "PS", "ps_4_0", &errors));
    EXPECT_FALSE(Compile("#include \"self.hlsli\"\nfloat4 PS() : SV_Target { return 1; }", "PS", "ps_4_0", &errors,
                         &includes));
    EXPECT_NE(errors.find("nested deeper"), std::string::npos) << errors;
    EXPECT_FALSE(Compile("#include \"a.hlsli\"\nfloat4 PS() : SV_Target { return 1; }", "PS", "ps_4_0", &errors,
                         &includes));

    std::string garbage(4096, '\0');
    uint32_t state = 12345;
    for (char& c : garbage) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    EXPECT_FALSE(Compile(garbage, "PS", "ps_4_0", &errors));
    EXPECT_FALSE(errors.empty());
    EXPECT_FALSE(Compile("float4 PS() : SV_Target { return 1; ", "PS", "ps_4_0", &errors));
    EXPECT_FALSE(Compile("technique { pass {", "PS", "ps_4_0", &errors));

    // Ten megabytes are refused before the compiler spends minutes on them.
    std::string huge = "float4 PS() : SV_Target { return 1; }\n";
    while (huge.size() < 10u << 20) huge += "float4 Unused" + std::to_string(huge.size()) + "() { return 0; }\n";
    EXPECT_FALSE(Compile(huge, "PS", "ps_4_0", &errors));
    EXPECT_NE(errors.find("larger than"), std::string::npos) << errors;

    gpu::CompileRequest request;  // no source at all
    request.entryPoint = "PS";
    request.profile = "ps_4_0";
    EXPECT_FALSE(gpu::CompileHLSL(request, &errors));
}
