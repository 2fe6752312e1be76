// Effect-framework stripping and the translation cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "hlsl/hlslcache.h"
#include "hlslhelpers.h"

namespace {

std::string ReadTestFile(const std::string& name) {
    std::ifstream file(std::string(LUMIVANE_TEST_DATA) + "/hlsl/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

TEST(HlslStrip, RemovesTechniquesAndStatesKeepingLines) {
    const std::string source = ReadTestFile("effect.fx");
    ASSERT_FALSE(source.empty());
    const std::string stripped = gpu::StripEffectFramework(source);
    EXPECT_EQ(stripped.size(), source.size());
    EXPECT_EQ(std::count(stripped.begin(), stripped.end(), '\n'), std::count(source.begin(), source.end(), '\n'));
    EXPECT_EQ(stripped.find("technique11"), std::string::npos);
    EXPECT_EQ(stripped.find("pass P0"), std::string::npos);
    EXPECT_EQ(stripped.find("SetVertexShader"), std::string::npos);
    EXPECT_EQ(stripped.find("BlendState NoBlend"), std::string::npos);
    EXPECT_EQ(stripped.find("AddressU"), std::string::npos);
    EXPECT_NE(stripped.find("SamplerState linearClamp : register(s0)"), std::string::npos);
    EXPECT_NE(stripped.find("float4 PS_Other"), std::string::npos);
}

TEST(HlslStrip, LeavesPlainCodeCommentsAndStringsAlone) {
    const std::string source =
        "// technique T { pass P {} }\n"
        "/* pass Q { } */\n"
        "float4 Technique(float4 pass) { return pass; }\n"
        "SamplerState s : register(s1);\n"
        "float4 PS() : SV_Target { float4 technique = 1; return Technique(technique); }\n";
    EXPECT_EQ(gpu::StripEffectFramework(source), source);
}

TEST(HlslStrip, EffectFileCompilesByItsEntryPointsWithErrorsOnTheRightLine) {
    MemoryIncludes includes;
    includes.files["common.hlsli"] = ReadTestFile("common.hlsli");
    const std::string source = ReadTestFile("effect.fx");
    std::string errors;
    EXPECT_TRUE(Compile(source, "VS", "vs_4_0", &errors, &includes, "effect.fx")) << errors;
    EXPECT_TRUE(Compile(source, "PS", "ps_4_0", &errors, &includes, "effect.fx")) << errors;
    EXPECT_TRUE(Compile(source, "PS_Other", "ps_4_0", &errors, &includes, "effect.fx")) << errors;

    // An error after the stripped blocks still reports its own line.
    const std::string broken = "technique10 T\n{\n    pass P { }\n}\nfloat4 PS() : SV_Target { return nope; }\n";
    EXPECT_FALSE(Compile(broken, "PS", "ps_4_0", &errors, nullptr, "fx.fx"));
    EXPECT_NE(errors.find("fx.fx(5,"), std::string::npos) << errors;
}

TEST(HlslCache, SameRequestReturnsTheSameBlob) {
    gpu::HlslCacheClear();
    const std::string source = "float4 PS() : SV_Target { return 0.5; }\n";
    std::string errors;
    auto first = Compile(source, "PS", "ps_4_0", &errors);
    auto second = Compile(source, "PS", "ps_4_0", &errors);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.get(), second.get());
    // Another profile, entry point or text is another translation.
    EXPECT_NE(Compile(source, "PS", "ps_5_0", &errors).get(), first.get());
    EXPECT_NE(Compile(source + "\n", "PS", "ps_4_0", &errors).get(), first.get());
}

TEST(HlslCache, ChangedIncludeMissesAndUnchangedOneHits) {
    gpu::HlslCacheClear();
    MemoryIncludes includes;
    includes.files["value.hlsli"] = "#define VALUE 0.25\n";
    const std::string source = "#include \"value.hlsli\"\nfloat4 PS() : SV_Target { return VALUE; }\n";
    std::string errors;
    auto first = Compile(source, "PS", "ps_4_0", &errors, &includes);
    ASSERT_TRUE(first) << errors;
    EXPECT_EQ(Compile(source, "PS", "ps_4_0", &errors, &includes).get(), first.get());

    includes.files["value.hlsli"] = "#define VALUE 0.75\n";
    auto changed = Compile(source, "PS", "ps_4_0", &errors, &includes);
    ASSERT_TRUE(changed) << errors;
    EXPECT_NE(changed.get(), first.get());
    EXPECT_NE(changed->glsl.find("0.75"), std::string::npos);

    // A failure is remembered too, with its messages, until the include appears.
    includes.files.erase("value.hlsli");
    EXPECT_FALSE(Compile(source, "PS", "ps_4_0", &errors, &includes));
    std::string again;
    EXPECT_FALSE(Compile(source, "PS", "ps_4_0", &again, &includes));
    EXPECT_EQ(again, errors);
    includes.files["value.hlsli"] = "#define VALUE 0.75\n";
    EXPECT_TRUE(Compile(source, "PS", "ps_4_0", &errors, &includes));
}
