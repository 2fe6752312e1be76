// Colour look-up tables as 3D textures: creation, texel placement seen by a shader,
// failures that leave the view null, and reloading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafolder.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/texture3d.h"
#include "readback.h"
#include "support/gputest.h"
#include "support/logcapture.h"
#include "testprogram.h"

namespace {

// Writes texel (i mod 2, (i / 2) mod 2, i / 4) of a 2x2x2 table to pixel i of an 8x1 target.
const char* kLatticeShader = R"(
Texture3D<float4> lut : register(t0);
float4 VS(uint id : SV_VertexID) : SV_Position {
    float2 p = float2((id << 1) & 2, id & 2);
    return float4(p * float2(2, -2) + float2(-1, 1), 0, 1);
}
float4 PS(float4 position : SV_Position) : SV_Target {
    int i = int(position.x);
    return lut.Load(int4(i % 2, (i / 2) % 2, i / 4, 0));
}
)";

class Texture3DTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(16, 16, false));
        ASSERT_TRUE(data_.Ready());
    }
    DataFolder data_;
};

TEST_F(Texture3DTest, TableBecomesAnImmutableTextureWithRedFastest) {
    data_.Copy("cube/identity2.cube", "identity.cube");
    Texture3D table;
    EXPECT_TRUE(table.Load("identity.cube"));
    ASSERT_TRUE(table.GetView());
    const gpu::Texture3DDesc& desc = table.GetTexture()->GetDesc();
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.Depth, 2u);
    EXPECT_EQ(desc.MipLevels, 1u);
    EXPECT_EQ(desc.Usage, gpu::Usage::Immutable);
    EXPECT_EQ(desc.BindFlags, uint32_t(gpu::BIND_SHADER_RESOURCE));
    EXPECT_EQ(table.GetView()->GetDesc().ViewDimension, gpu::SrvDimension::Texture3D);

    TestProgram program;
    ASSERT_TRUE(program.Build(kLatticeShader, false));
    DynamicTexture target(8.0f, 1.0f, false);
    program.Bind(target);
    gContext->PSSetShaderResources(0, 1, &table.GetView());
    gContext->Draw(3, 0);
    std::vector<uint8_t> pixels = readback::Texture(target.GetTexture());
    const std::vector<uint8_t> expected = {0,   0, 0,   255, 255, 0,   0,   255, 0,   255, 0,   255, 255, 255, 0,   255,
                                           0,   0, 255, 255, 255, 0,   255, 255, 0,   255, 255, 255, 255, 255, 255, 255};
    EXPECT_EQ(pixels, expected);
}

TEST_F(Texture3DTest, MissingAndBrokenFilesLogAndStillReportSuccess) {
    {
        LogCapture log;
        Texture3D table;
        EXPECT_TRUE(table.Load("absent.cube"));
        EXPECT_FALSE(table.GetView());
        EXPECT_EQ(log.Count("TextureManager failed to open 'absent.cube'"), 1);
    }
    // The line naming the file says why, with the line number where one line is at fault.
    const std::pair<std::string, std::string> broken[] = {
        {"LUT_3D_SIZE 2\n0 0 0\n1 1 1\n", "the table needs 8 data lines from line 2, the file has 2"},
        {"TITLE \"x\"\nLUT_3D_SIZE 100000\n0 0 0\n", "line 2: LUT_3D_SIZE must be a whole number from 1 to 256"},
        {"LUT_1D_SIZE 2\n0 0 0\n1 1 1\n", "there is no LUT_3D_SIZE line"},
        {"LUT_3D_SIZE 2\n\n0 0 0\n0 0 zero\n" + std::string(6, '\n') + "1 1 1\n1 1 1\n1 1 1\n1 1 1\n1 1 1\n1 1 1\n",
         "line 4: expected three numbers, found '0 0 zero'"},
        {"DOMAIN_MAX 0 1 1\nLUT_3D_SIZE 1\n0 0 0\n", "the input range 0.000000 .. 0.000000 is empty"},
    };
    for (const auto& [text, reason] : broken) {
        data_.Write("broken.cube", text);
        LogCapture log;
        Texture3D table;
        EXPECT_TRUE(table.Load("broken.cube"));
        EXPECT_FALSE(table.GetView());
        EXPECT_FALSE(table.GetTexture());
        EXPECT_EQ(log.Count("..failed"), 1);
        EXPECT_EQ(log.Count("TextureManager failed to load 'broken.cube': " + reason), 1) << text;
    }
}

TEST_F(Texture3DTest, ChangedFileReloadsAtTheNextViewAccess) {
    data_.Copy("cube/identity2.cube", "grade.cube", 0);
    Texture3D table;
    table.Load("grade.cube");
    ASSERT_TRUE(table.GetView());
    EXPECT_EQ(table.GetTexture()->GetDesc().Width, 2u);

    data_.Write("grade.cube", "LUT_3D_SIZE 2\n0 0 0\n", 10);  // broken re-save
    EXPECT_FALSE(table.GetView());
    EXPECT_FALSE(table.GetView());

    std::string three = "LUT_3D_SIZE 3\n";
    for (int i = 0; i < 27; ++i) three += "0.5 0.5 0.5\n";
    data_.Write("grade.cube", three, 20);
    ASSERT_TRUE(table.GetView());
    EXPECT_EQ(table.GetTexture()->GetDesc().Depth, 3u);
    EXPECT_EQ(table.GetFileName(), "grade.cube");
}

}  // namespace
