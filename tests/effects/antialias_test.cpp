// The post-process effects with anti-aliasing on: every multisampled source is resolved
// before it is read, and the results match the single-sampled ones.
#include <gtest/gtest.h>

#include "effectscene.h"

namespace {

std::string Param(const std::string& key, const std::string& type, const std::string& value) {
    return "<param key=\"" + key + "\" type=\"" + type + "\" value=\"" + value + "\"/>";
}

// A clear to (51, 102, 153) followed by `effect`.
std::string AfterClear(const std::string& effect) {
    return "<effect type=\"CLS\"><param key=\"colour\" type=\"vec4\" x=\"0.2\" y=\"0.4\" z=\"0.6\" w=\"1\"/></effect>" +
           effect;
}

struct Case {
    const char* name;
    std::string xml;
    uint64_t resolves;  // per frame
    Rgba expected;
};

}  // namespace

TEST(AntiAliasTest, EverySourceIsResolvedBeforeItIsRead) {
    EffectScene scene(true);
    ASSERT_TRUE(scene.Ready());
    if (!gMsaaEnabled) GTEST_SKIP() << "this process's device has no anti-aliasing";
    ASSERT_GT(gSampleCount, 1);

    const Rgba original{51, 102, 153, 255};
    const Rgba inverted{204, 153, 102, 255};
    const std::vector<Case> cases = {
        {"FullScreenShaderEffect",
         "<effect type=\"FullScreenShaderEffect\">" + Param("shader", "string", "invert.fx") + "</effect>", 1, inverted},
        {"RenderTarget",
         "<effect type=\"RenderTarget\">" + AfterClear("<effect type=\"FullScreenShaderEffect\">" +
                                                       Param("shader", "string", "invert.fx") + "</effect>") +
             "</effect>",
         2, inverted},
        // Above a high cut-off nothing blooms: the frame comes through unchanged.
        {"Bloom", "<effect type=\"Bloom\">" + Param("kernelSize", "int", "11") + Param("cutOff", "double", "10") + "</effect>",
         4, original},
        {"Blur", "<effect type=\"Blur\">" + Param("strength", "double", "1") + "</effect>", 2, original},
        {"HSL", "<effect type=\"HSL\"/>", 1, original},
        {"Lut3D", "<effect type=\"Lut3D\">" + Param("lutName", "string", "invert.cube") +
                      Param("strength", "double", "1") + "</effect>",
         1, inverted},
        {"RGBSplit", "<effect type=\"RGBSplit\">" + Param("mix", "double", "1") + Param("angle", "double", "0") +
                         "<param key=\"offsets\" type=\"vec3\" x=\"1\" y=\"2\" z=\"3\"/></effect>",
         1, original},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene.List().clear();
        ASSERT_TRUE(scene.Load(AfterClear(c.xml)));
        scene.Frame();  // first frame: shader programs are linked on first use
        const uint64_t before = gContext->GetStats().resolves;
        scene.Frame();
        EXPECT_EQ(gContext->GetStats().resolves - before, c.resolves);
        EXPECT_TRUE(AllNear(scene.Current(), c.expected, 2));
    }
}
