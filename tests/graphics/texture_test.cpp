// Image textures: decoding into GPU textures with mip chains, failures that leave the
// texture empty with one log line, and reloading when the file changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafolder.h"
#include "graphics/devicestate.h"
#include "graphics/texture.h"
#include "imagebytes.h"
#include "readback.h"
#include "support/gputest.h"
#include "support/logcapture.h"
#include "testprogram.h"

namespace {

const std::vector<uint8_t> kPattern = {
    255, 0,   0,   255, 0,   255, 0, 255, 0,   0,   255, 255, 255, 255, 255, 255,
    128, 128, 128, 128, 0,   0,   0, 255, 255, 255, 0,   255, 0,   255, 255, 255,
};

// Copies mip level 2 (1x1 for a 4x2 image) into a 1x1 target through a shader.
const char* kMipShader = R"(
Texture2D image : register(t0);
float4 VS(uint id : SV_VertexID) : SV_Position {
    float2 p = float2((id << 1) & 2, id & 2);
    return float4(p * float2(2, -2) + float2(-1, 1), 0, 1);
}
float4 PS(float4 position : SV_Position) : SV_Target { return image.Load(int3(0, 0, 2)); }
)";

std::vector<uint8_t> ReadLastMip(const gpu::ShaderResourceViewPtr& view) {
    TestProgram program;
    if (!program.Build(kMipShader, false)) return {};
    DynamicTexture target(1.0f, 1.0f, false);
    program.Bind(target);
    gContext->PSSetShaderResources(0, 1, &view);
    gContext->Draw(3, 0);
    return readback::Texture(target.GetTexture());
}

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(16, 16, false));
        ASSERT_TRUE(data_.Ready());
    }
    // Log lines written by Texture::Load itself.
    static int LoadLines(const LogCapture& log) {
        int count = 0;
        for (const auto& entry : log.Entries()) count += entry.function == "Texture::Load";
        return count;
    }
    DataFolder data_;
};

TEST_F(TextureTest, PngAndWebpLoadExactPixelsWithAFullMipChain) {
    for (const char* name : {"pattern4x2.png", "pattern4x2.webp"}) {
        data_.Copy(std::string("images/") + name, name);
        LogCapture log;
        Texture texture(name);
        ASSERT_TRUE(texture.GetView()) << name;
        EXPECT_TRUE(log.Entries().empty());
        EXPECT_FLOAT_EQ(texture.GetWidth(), 4.0f);
        EXPECT_FLOAT_EQ(texture.GetHeight(), 2.0f);
        const gpu::Texture2DDesc& desc = texture.GetTexture()->GetDesc();
        EXPECT_EQ(desc.MipLevels, 3u) << "4x2, 2x1, 1x1";
        EXPECT_EQ(desc.Format, gpu::Format::R8G8B8A8_UNorm);
        EXPECT_EQ(desc.MiscFlags & gpu::RESOURCE_MISC_GENERATE_MIPS, uint32_t(gpu::RESOURCE_MISC_GENERATE_MIPS));
        EXPECT_EQ(readback::Texture(texture.GetTexture()), kPattern) << name;
        // The 1x1 level, as a shader reads it, averages the whole image (within rounding).
        std::vector<uint8_t> last = ReadLastMip(texture.GetView());
        ASSERT_EQ(last.size(), 4u);
        EXPECT_NEAR(last[0], (255 + 0 + 0 + 255 + 128 + 0 + 255 + 0) / 8, 4);
        EXPECT_NEAR(last[3], (255 * 7 + 128) / 8, 4);
    }
}

TEST_F(TextureTest, JpegLoadsWithItsSizeAndColour) {
    data_.Copy("images/blue16x8.jpg", "blue.jpg");
    Texture texture("blue.jpg");
    ASSERT_TRUE(texture.GetView());
    EXPECT_FLOAT_EQ(texture.GetWidth(), 16.0f);
    EXPECT_FLOAT_EQ(texture.GetHeight(), 8.0f);
    EXPECT_EQ(texture.GetTexture()->GetDesc().MipLevels, 5u);
    std::vector<uint8_t> pixels = readback::Texture(texture.GetTexture());
    ASSERT_EQ(pixels.size(), 16u * 8u * 4u);
    EXPECT_NEAR(pixels[0], 0x33, 6);
    EXPECT_NEAR(pixels[1], 0x66, 6);
    EXPECT_NEAR(pixels[2], 0xCC, 6);
}

TEST_F(TextureTest, EmptyNameLoadsNothingAndSucceeds) {
    LogCapture log;
    Texture texture("");
    EXPECT_TRUE(texture.Load(""));
    EXPECT_FALSE(texture.GetView());
    EXPECT_FALSE(texture.GetTexture());
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(TextureTest, MissingFileLogsOnceAndIsNotRetriedUntilItAppears) {
    LogCapture log;
    Texture texture("absent.png");
    EXPECT_FALSE(texture.GetView());
    EXPECT_EQ(log.Count("Image file 'absent.png' couldn't be opened"), 1);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(texture.GetView());
    EXPECT_EQ(LoadLines(log), 1);

    data_.Copy("images/pattern4x2.png", "absent.png", 5);
    EXPECT_TRUE(texture.GetView()) << "a file that appears is loaded at the next use";
    EXPECT_EQ(LoadLines(log), 1);
}

TEST_F(TextureTest, CorruptResaveEmptiesTheTextureUntilTheFileChangesAgain) {
    const std::string png = DataFolder::ReadTestData("images/pattern4x2.png");
    data_.Write("pic.png", png, 0);
    Texture texture("pic.png");
    ASSERT_TRUE(texture.GetView());

    LogCapture log;
    data_.Write("pic.png", imagebytes::PngWithCorruptData(png), 10);
    EXPECT_FALSE(texture.GetView());
    EXPECT_EQ(log.Count("Error creating texture from 'pic.png': IDAT: invalid block type"), 1);
    EXPECT_EQ(LoadLines(log), 1);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(texture.GetView());
    EXPECT_EQ(LoadLines(log), 1) << "no retry while the file stays the same";

    data_.Write("pic.png", png, 20);
    ASSERT_TRUE(texture.GetView());
    EXPECT_EQ(readback::Texture(texture.GetTexture()), kPattern);
}

TEST_F(TextureTest, ResaveWithNewSizeReloadsAtNextViewAccess) {
    data_.Copy("images/pattern4x2.png", "swap.png", 0);
    Texture texture("swap.png");
    EXPECT_FLOAT_EQ(texture.GetWidth(), 4.0f);
    data_.Copy("images/blue16x8.jpg", "swap.png", 30);  // decoding goes by content, not name
    ASSERT_TRUE(texture.GetView());
    EXPECT_FLOAT_EQ(texture.GetWidth(), 16.0f);
    EXPECT_FLOAT_EQ(texture.GetHeight(), 8.0f);
    EXPECT_EQ(texture.GetFileName(), "swap.png");
}

// Each line names the file and says why: the header check's or the decoder's own words.
TEST_F(TextureTest, BrokenImagesEachLogOneLineWithTheReasonAndLeaveTheTextureEmpty) {
    const std::string png = DataFolder::ReadTestData("images/pattern4x2.png");
    const std::string jpeg = DataFolder::ReadTestData("images/blue16x8.jpg");
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"zero.png", "", "Image file 'zero.png' couldn't be opened"},
        {"truncated.png", png.substr(0, png.size() / 2), "Error creating texture from 'truncated.png': Read Error: the file ends early"},
        {"chunk.png", imagebytes::PngWithCorruptData(png), "Error creating texture from 'chunk.png': IDAT: invalid block type"},
        {"huge.png", imagebytes::PngWithSize(png, 200000, 200000), "Error creating texture from 'huge.png': declares 200000 × 200000 pixels, over the limit of 268435456"},
        {"huge.jpg", imagebytes::JpegWithSize(jpeg, 65535, 65535), "Error creating texture from 'huge.jpg': declares 65535 × 65535 pixels, over the limit of 268435456"},
        {"text.png", "not an image", "Error creating texture from 'text.png': Unsupported image format"},
    };
    for (const Case& c : cases) {
        data_.Write(c.name, c.bytes);
        LogCapture log;
        Texture texture(c.name);
        EXPECT_FALSE(texture.GetView()) << c.name;
        EXPECT_FALSE(texture.GetTexture()) << c.name;
        EXPECT_EQ(log.Count(c.message), 1) << c.name;
        EXPECT_EQ(log.Entries().size(), 1u) << c.name;
        EXPECT_FALSE(texture.Load(c.name));
    }
}

}  // namespace
