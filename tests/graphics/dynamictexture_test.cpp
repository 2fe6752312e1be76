// Render textures and the frame chain: sizes, sample counts, initial contents, resolving.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "readback.h"
#include "support/gputest.h"
#include "support/logcapture.h"

namespace {

TEST(DynamicTexture, FractionalSizeTruncatesAndKeepsTheFloatSize) {
    ASSERT_TRUE(InitTestDevice(16, 16, false));
    DynamicTexture texture(960.7f, 540.2f, false);
    ASSERT_TRUE(texture.GetTexture());
    EXPECT_EQ(texture.GetTexture()->GetDesc().Width, 960u);
    EXPECT_EQ(texture.GetTexture()->GetDesc().Height, 540u);
    EXPECT_FLOAT_EQ(texture.GetWidth(), 960.7f);
    EXPECT_FLOAT_EQ(texture.GetHeight(), 540.2f);
    EXPECT_EQ(texture.GetTexture()->GetDesc().Format, gpu::Format::R8G8B8A8_UNorm);
    EXPECT_EQ(texture.GetTexture()->GetDesc().BindFlags, uint32_t(gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE));
}

TEST(DynamicTexture, FreshTextureReadsAsTransparentBlack) {
    ASSERT_TRUE(InitTestDevice(16, 16, false));
    // Dirty the memory a new texture might reuse, then create one.
    {
        DynamicTexture dirty(8.0f, 4.0f, false);
        const float red[4] = {1, 0, 0, 1};
        gContext->ClearRenderTargetView(dirty.GetTarget(), red);
        gContext->Finish();
    }
    DynamicTexture texture(8.0f, 4.0f, false);
    std::vector<uint8_t> pixels = readback::Texture(texture.GetTexture());
    ASSERT_EQ(pixels.size(), 8u * 4u * 4u);
    for (uint8_t byte : pixels) ASSERT_EQ(byte, 0);
}

TEST(DynamicTexture, WithAntiAliasingOffEveryTextureIsSingleSampled) {
    ASSERT_TRUE(InitTestDevice(16, 16, false));
    ASSERT_FALSE(gMsaaEnabled);
    for (bool flag : {false, true}) {
        DynamicTexture texture(8.0f, 8.0f, flag);
        ASSERT_TRUE(texture.GetTexture() && texture.GetView() && texture.GetTarget());
        EXPECT_EQ(texture.GetMultisampled(), flag);
        EXPECT_EQ(texture.GetTexture()->GetDesc().SampleDesc.Count, 1u);
        EXPECT_EQ(texture.GetView()->GetDesc().ViewDimension, gpu::SrvDimension::Texture2D);
        EXPECT_EQ(texture.GetTarget()->GetDesc().ViewDimension, gpu::RtvDimension::Texture2D);
    }
    DynamicTexturePair chain(8.0f, 8.0f);
    EXPECT_EQ(chain.GetCurrent().GetTexture()->GetDesc().SampleDesc.Count, 1u);
    EXPECT_TRUE(chain.GetCurrent().GetMultisampled());
}

TEST(DynamicTexture, MultisampledTexturesResolveForReading) {
    ASSERT_TRUE(InitTestDevice(16, 16, true));
    if (!gMsaaEnabled) GTEST_SKIP() << "the device offers no multisampling";
    DynamicTexture source(8.0f, 4.0f, true);
    DynamicTexture single(8.0f, 4.0f, false);
    ASSERT_TRUE(source.GetTexture() && single.GetTexture());
    EXPECT_EQ(source.GetTexture()->GetDesc().SampleDesc.Count, uint32_t(gSampleCount));
    EXPECT_GT(gSampleCount, 1);
    EXPECT_EQ(source.GetView()->GetDesc().ViewDimension, gpu::SrvDimension::Texture2DMS);
    EXPECT_EQ(source.GetTarget()->GetDesc().ViewDimension, gpu::RtvDimension::Texture2DMS);
    EXPECT_EQ(single.GetTexture()->GetDesc().SampleDesc.Count, 1u);

    const float colour[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    gContext->ClearRenderTargetView(source.GetTarget(), colour);
    const uint64_t resolves = gContext->GetStats().resolves;
    const DynamicTexture& readable = ResolveForReading(source, &single);
    EXPECT_EQ(&readable, &single);
    EXPECT_EQ(gContext->GetStats().resolves - resolves, 1u);
    std::vector<uint8_t> pixels = readback::Texture(single.GetTexture());
    ASSERT_EQ(pixels.size(), 8u * 4u * 4u);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_EQ(pixels[i + 0], 0);
        ASSERT_EQ(pixels[i + 1], 255);
        ASSERT_EQ(pixels[i + 3], 255);
    }
    EXPECT_EQ(&ResolveForReading(source, nullptr), &source);
}

TEST(DynamicTexturePair, AdvancingTwiceReturnsToTheFirstTexture) {
    ASSERT_TRUE(InitTestDevice(16, 16, false));
    DynamicTexturePair chain(16.0f, 9.5f);
    EXPECT_FLOAT_EQ(chain.GetWidth(), 16.0f);
    EXPECT_FLOAT_EQ(chain.GetHeight(), 9.5f);
    DynamicTexture* first = &chain.GetCurrent();
    EXPECT_EQ(chain.GetCurrentIndex(), 0);
    chain.Advance();
    EXPECT_EQ(chain.GetCurrentIndex(), 1);
    EXPECT_NE(&chain.GetCurrent(), first);
    EXPECT_NE(chain.GetCurrent().GetTexture(), first->GetTexture());
    chain.Advance();
    EXPECT_EQ(chain.GetCurrentIndex(), 0);
    EXPECT_EQ(&chain.GetCurrent(), first);
    EXPECT_EQ(&chain.GetTexture(1), &chain.GetTexture(1));
}

TEST(DynamicTexture, ImpossibleSizesLogOnceAndLeaveNullMembers) {
    ASSERT_TRUE(InitTestDevice(16, 16, false));
    for (float size : {0.0f, -5.0f, 0.5f, 1.0e12f}) {
        LogCapture log;
        DynamicTexture texture(size, 8.0f, true);
        EXPECT_FALSE(texture.GetTexture());
        EXPECT_FALSE(texture.GetView());
        EXPECT_FALSE(texture.GetTarget());
        EXPECT_EQ(log.Count("Failed to create render texture"), 1);
        EXPECT_EQ(log.Entries().size(), 1u);
        EXPECT_EQ(log.Entries()[0].function, "DynamicTexture::DynamicTexture");
    }
    DynamicTexture missing(0.0f, 0.0f, false);
    DynamicTexture fine(4.0f, 4.0f, false);
    EXPECT_FALSE(ResolveInto(missing, fine));
}

}  // namespace
