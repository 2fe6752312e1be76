// Textures, samplers, constant buffers, maps and read-back through the context.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/devicestate.h"
#include "support/gputest.h"

namespace {

constexpr int kSize = 16;

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(kSize, kSize));
        gContext->OMSetRenderTargets(1, &gBackBufferView, gDepthStencilView);
        gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xFFFFFFFFu);
        gContext->OMSetDepthStencilState(gDepthOff, 1);
        gpu::Viewport viewport{0, 0, float(kSize), float(kSize), 0, 1};
        gContext->RSSetViewports(1, &viewport);
        vs_ = gDevice->CreateVertexShader(QuadVertexBlob(2.0f));  // the whole target
        ASSERT_TRUE(vs_);
        layout_ = QuadInputLayout(*vs_->GetBlob());
        const float black[4] = {0, 0, 0, 0};
        gContext->ClearRenderTargetView(gBackBufferView, black);
    }

    std::vector<uint8_t> DrawWith(const std::shared_ptr<gpu::ShaderBlob>& pixelBlob) {
        std::string errors;
        auto ps = gDevice->CreatePixelShader(pixelBlob, &errors);
        EXPECT_TRUE(ps) << errors;
        gContext->VSSetShader(vs_);
        gContext->PSSetShader(ps);
        DrawQuad(layout_);
        return ReadBackBuffer();
    }

    // A 2x2 texture: red, green / blue, white.
    gpu::ShaderResourceViewPtr FourTexels() {
        const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
        gpu::Texture2DDesc desc;
        desc.Width = desc.Height = 2;
        desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
        gpu::SubresourceData data{texels, 8, 0};
        return gDevice->CreateShaderResourceView(gDevice->CreateTexture2D(desc, &data), nullptr);
    }

    // Samples t0 with sampler slot `sampler` at the quad's texcoord times `scale`.
    std::shared_ptr<gpu::ShaderBlob> Sampling(int sampler, float scale) {
        std::string glsl =
            "#version 450\nlayout(location = 1) in vec2 uv;\nlayout(location = 0) out vec4 o;\n"
            "layout(binding = 16) uniform sampler2D t;\n"
            "void main() { o = texture(t, uv * " + std::to_string(scale) + "); }\n";
        auto blob = MakeGlslBlob(gpu::ShaderStage::Pixel, glsl);
        blob->textures.push_back({0, sampler, 16, gpu::ShaderBlob::TextureKind::Texture2D});
        return blob;
    }

    gpu::VertexShaderPtr vs_;
    gpu::InputLayoutPtr layout_;
};

TEST_F(ResourcesTest, StartupSamplersClampWrapPointAndLinear) {
    auto view = FourTexels();
    gContext->PSSetShaderResources(0, 1, &view);
    // u = 2 * (x + 0.5) / 16: column 9 is past the edge, column 1 inside the first texel.
    auto pointClamp = DrawWith(Sampling(1, 2.0f));
    EXPECT_TRUE(PixelNear(pointClamp, kSize, 1, 1, {255, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pointClamp, kSize, 9, 1, {0, 255, 0, 0}));
    EXPECT_TRUE(PixelNear(pointClamp, kSize, 1, 9, {0, 0, 255, 0}));
    auto pointWrap = DrawWith(Sampling(3, 2.0f));
    EXPECT_TRUE(PixelNear(pointWrap, kSize, 9, 1, {255, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pointWrap, kSize, 9, 9, {255, 0, 0, 0}));
    // Column 7 is 0.9375 texels in: linear mixes 56% red with 44% green, point takes red.
    auto linearClamp = DrawWith(Sampling(0, 1.0f));
    EXPECT_TRUE(PixelNear(linearClamp, kSize, 7, 0, {143, 112, 0, 0}, 3));
    auto pointOnly = DrawWith(Sampling(1, 1.0f));
    EXPECT_TRUE(PixelNear(pointOnly, kSize, 7, 0, {255, 0, 0, 0}));
    // Linear wrap in the top-right corner mixes in the first column and the bottom row:
    // (0.5625 green + 0.4375 red) * 0.5625 + (0.5625 white + 0.4375 blue) * 0.4375.
    auto linearWrap = DrawWith(Sampling(2, 1.0f));
    EXPECT_TRUE(PixelNear(linearWrap, kSize, 15, 0, {126, 143, 112, 0}, 3));
}

TEST_F(ResourcesTest, NullAndHazardousViewsReadZero) {
    auto blob = MakeGlslBlob(gpu::ShaderStage::Pixel,
        "#version 450\nlayout(location = 1) in vec2 uv;\nlayout(location = 0) out vec4 o;\n"
        "layout(binding = 16) uniform sampler2D t;\nlayout(binding = 17) uniform sampler3D v;\n"
        "void main() { o = texture(t, uv) + texture(v, vec3(uv, 0.5)) + vec4(0.0, 0.0, 0.5, 0.0); }\n");
    blob->textures.push_back({0, 0, 16, gpu::ShaderBlob::TextureKind::Texture2D});
    blob->textures.push_back({1, 0, 17, gpu::ShaderBlob::TextureKind::Texture3D});
    gpu::ShaderResourceViewPtr none[2];
    gContext->PSSetShaderResources(0, 2, none);
    EXPECT_TRUE(PixelNear(DrawWith(blob), kSize, 5, 5, {0, 0, 128, 0}));

    // A 2D view in a 3D slot is the wrong kind: it reads as null too.
    auto white = FourTexels();
    gpu::ShaderResourceViewPtr mismatched[2] = {nullptr, white};
    gContext->PSSetShaderResources(0, 2, mismatched);
    EXPECT_TRUE(PixelNear(DrawWith(blob), kSize, 5, 5, {0, 0, 128, 0}));

    // A texture bound as the render target cannot be read at the same time.
    TestTarget target = MakeTestTarget(kSize, kSize);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1};
    gContext->ClearRenderTargetView(target.view, grey);
    auto targetView = gDevice->CreateShaderResourceView(target.texture, nullptr);
    gContext->PSSetShaderResources(0, 1, &targetView);
    gContext->OMSetRenderTargets(1, &target.view, nullptr);
    auto ps = gDevice->CreatePixelShader(blob);
    gContext->PSSetShader(ps);
    gContext->VSSetShader(vs_);
    DrawQuad(layout_);
    EXPECT_TRUE(PixelNear(ReadPixels(target.texture), kSize, 5, 5, {0, 0, 128, 255}));
    gContext->OMSetRenderTargets(1, &gBackBufferView, gDepthStencilView);
}

TEST_F(ResourcesTest, Texture3DSamplesTheRightSlice) {
    // 2x2x2: slice 0 dark, slice 1 bright; texel (1,0,1) pure blue.
    uint8_t texels[32];
    for (int i = 0; i < 4; ++i) {
        const uint8_t dark[4] = {10, 20, 30, 255};
        const uint8_t bright[4] = {200, 210, 220, 255};
        std::memcpy(texels + i * 4, dark, 4);
        std::memcpy(texels + 16 + i * 4, bright, 4);
    }
    const uint8_t blue[4] = {0, 0, 255, 255};
    std::memcpy(texels + 16 + 4, blue, 4);
    gpu::Texture3DDesc desc;
    desc.Width = desc.Height = desc.Depth = 2;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData data{texels, 8, 16};
    auto texture = gDevice->CreateTexture3D(desc, &data);
    ASSERT_TRUE(texture);
    auto view = gDevice->CreateShaderResourceView(texture, nullptr);
    gContext->PSSetShaderResources(0, 1, &view);
    auto sampleAt = [&](float w) {
        auto blob = MakeGlslBlob(gpu::ShaderStage::Pixel,
            "#version 450\nlayout(location = 1) in vec2 uv;\nlayout(location = 0) out vec4 o;\n"
            "layout(binding = 16) uniform sampler3D v;\n"
            "void main() { o = texture(v, vec3(uv, " + std::to_string(w) + ")); }\n");
        blob->textures.push_back({0, 1, 16, gpu::ShaderBlob::TextureKind::Texture3D});
        return DrawWith(blob);
    };
    auto front = sampleAt(0.25f);
    EXPECT_TRUE(PixelNear(front, kSize, 2, 2, {10, 20, 30, 0}));
    auto back = sampleAt(0.75f);
    EXPECT_TRUE(PixelNear(back, kSize, 2, 2, {200, 210, 220, 0}));
    EXPECT_TRUE(PixelNear(back, kSize, 12, 2, {0, 0, 255, 0}));
}

TEST_F(ResourcesTest, ConstantBufferIsRepackedAndFollowsUpdates) {
    // HLSL puts `float2 b` right after `float a` at offset 4; std140 needs it at 8.
    auto blob = MakeGlslBlob(gpu::ShaderStage::Pixel,
        "#version 450\nlayout(location = 0) out vec4 o;\n"
        "layout(std140, binding = 18) uniform Constants { float a; vec2 b; };\n"
        "void main() { o = vec4(a, b, 1.0); }\n");
    blob->constantBuffers.push_back({2, 18, 16, {{0, 0, 4}, {4, 8, 8}}});
    float hlsl[4] = {0.25f, 0.5f, 0.75f, 0.0f};
    gpu::BufferDesc desc;
    desc.ByteWidth = 16;
    desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    gpu::SubresourceData data{hlsl, 0, 0};
    auto buffer = gDevice->CreateBuffer(desc, &data);
    gContext->PSSetConstantBuffers(2, 1, &buffer);
    EXPECT_TRUE(PixelNear(DrawWith(blob), kSize, 8, 8, {64, 128, 191, 0}));

    // New contents reach the shader: the repacked copy is rebuilt per version.
    float updated[4] = {1.0f, 0.0f, 0.25f, 0.0f};
    gContext->UpdateSubresource(buffer, 0, nullptr, updated, 0, 0);
    EXPECT_TRUE(PixelNear(DrawWith(blob), kSize, 8, 8, {255, 0, 64, 0}));

    // A vertex-stage buffer at the same slot does not leak into the pixel stage.
    float other[4] = {0, 0, 0, 0};
    gpu::SubresourceData otherData{other, 0, 0};
    auto vertexOnly = gDevice->CreateBuffer(desc, &otherData);
    gContext->VSSetConstantBuffers(2, 1, &vertexOnly);
    EXPECT_TRUE(PixelNear(DrawWith(blob), kSize, 8, 8, {255, 0, 64, 0}));

    // Unbound: reads zero.
    gpu::BufferPtr none;
    gContext->PSSetConstantBuffers(2, 1, &none);
    EXPECT_TRUE(PixelNear(DrawWith(blob), kSize, 8, 8, {0, 0, 0, 0}));
}

TEST_F(ResourcesTest, DynamicBufferMapsAreCountedAndUploaded) {
    auto blob = MakeGlslBlob(gpu::ShaderStage::Pixel,
        "#version 450\nlayout(location = 0) out vec4 o;\n"
        "layout(std140, binding = 16) uniform Constants { vec4 colour; };\n"
        "void main() { o = colour; }\n");
    blob->constantBuffers.push_back({0, 16, 16, {}});
    gpu::BufferDesc desc;
    desc.ByteWidth = 16;
    desc.Usage = gpu::Usage::Dynamic;
    desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    desc.CPUAccessFlags = gpu::CPU_ACCESS_WRITE;
    auto buffer = gDevice->CreateBuffer(desc, nullptr);
    gContext->PSSetConstantBuffers(0, 1, &buffer);
    uint64_t maps = 0;
    for (float red : {0.5f, 1.0f}) {
        uint64_t before = gContext->GetStats().maps;
        gpu::MappedSubresource mapped;
        ASSERT_TRUE(gContext->Map(buffer, 0, gpu::MapType::WriteDiscard, &mapped));
        float colour[4] = {red, 0.25f, 0.0f, 1.0f};
        std::memcpy(mapped.pData, colour, sizeof(colour));
        gContext->Unmap(buffer, 0);
        maps += gContext->GetStats().maps - before;
        EXPECT_TRUE(PixelNear(DrawWith(blob), kSize, 8, 8, {int(red * 255 + 0.5f), 64, 0, 0}));
    }
    EXPECT_EQ(maps, 2u);

    // Default-usage buffers cannot be mapped, and that is not counted.
    desc.Usage = gpu::Usage::Default;
    auto fixed = gDevice->CreateBuffer(desc, nullptr);
    gpu::MappedSubresource mapped;
    uint64_t before = gContext->GetStats().maps;
    EXPECT_FALSE(gContext->Map(fixed, 0, gpu::MapType::WriteDiscard, &mapped));
    EXPECT_EQ(gContext->GetStats().maps, before);
}

TEST_F(ResourcesTest, StagingReadBackOfOddWidthTexture) {
    constexpr uint32_t kWidth = 7, kHeight = 3;
    std::vector<uint8_t> texels(kWidth * kHeight * 4);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(i * 7 + 1);
    gpu::Texture2DDesc desc;
    desc.Width = kWidth;
    desc.Height = kHeight;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData data{texels.data(), kWidth * 4, 0};
    auto texture = gDevice->CreateTexture2D(desc, &data);
    desc.Usage = gpu::Usage::Staging;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = gpu::CPU_ACCESS_READ;
    // Two staging textures in turn, as a read-back ring would use them.
    gpu::Texture2DPtr ring[2] = {gDevice->CreateTexture2D(desc, nullptr), gDevice->CreateTexture2D(desc, nullptr)};
    gContext->CopyResource(ring[0], texture);
    gContext->UpdateSubresource(texture, 0, nullptr, std::vector<uint8_t>(texels.size(), 9).data(), kWidth * 4, 0);
    gContext->CopyResource(ring[1], texture);

    gpu::MappedSubresource mapped;
    ASSERT_TRUE(gContext->Map(ring[0], 0, gpu::MapType::Read, &mapped));
    ASSERT_GE(mapped.RowPitch, kWidth * 4);
    for (uint32_t y = 0; y < kHeight; ++y) {
        EXPECT_EQ(0, std::memcmp(static_cast<const uint8_t*>(mapped.pData) + y * mapped.RowPitch,
                                 texels.data() + y * kWidth * 4, kWidth * 4)) << "row " << y;
    }
    gContext->Unmap(ring[0], 0);
    ASSERT_TRUE(gContext->Map(ring[1], 0, gpu::MapType::Read, &mapped));
    EXPECT_EQ(static_cast<const uint8_t*>(mapped.pData)[mapped.RowPitch * 2 + 27], 9);
    gContext->Unmap(ring[1], 0);
}

TEST_F(ResourcesTest, InstancedIndexedDrawsStartInstanceIdAtZero) {
    // Each instance draws one column-wide strip at x = instance id; 32-bit and 16-bit indices.
    auto vsBlob = MakeGlslBlob(gpu::ShaderStage::Vertex,
        "#version 450\nlayout(location = 0) in vec3 p;\nout gl_PerVertex { vec4 gl_Position; };\n"
        "void main() { float x0 = -1.0 + 2.0 * float(gl_InstanceID) / 16.0;\n"
        "  gl_Position = vec4(x0 + (p.x + 0.5) * 2.0 / 16.0, p.y * 2.0, 0.5, 1.0); }\n");
    AddInput(*vsBlob, "POSITION");
    auto vs = gDevice->CreateVertexShader(vsBlob);
    ASSERT_TRUE(vs);
    auto ps = gDevice->CreatePixelShader(SolidColourPixelBlob(1, 1, 1, 1));
    gContext->VSSetShader(vs);
    gContext->PSSetShader(ps);
    uint32_t stride = 32, offset = 0;
    gContext->IASetInputLayout(layout_);
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    const uint32_t indices32[6] = {0, 1, 2, 2, 1, 3};
    const uint16_t indices16[6] = {0, 1, 2, 2, 1, 3};
    gpu::BufferDesc desc;
    desc.BindFlags = gpu::BIND_INDEX_BUFFER;
    desc.ByteWidth = sizeof(indices32);
    gpu::SubresourceData data32{indices32, 0, 0};
    auto wide = gDevice->CreateBuffer(desc, &data32);
    desc.ByteWidth = sizeof(indices16);
    gpu::SubresourceData data16{indices16, 0, 0};
    auto narrow = gDevice->CreateBuffer(desc, &data16);

    gContext->IASetIndexBuffer(wide, gpu::Format::R32_UInt, 0);
    gContext->DrawIndexedInstanced(6, 2, 0, 0, 5);  // columns 0 and 1, whatever the start instance
    gContext->IASetIndexBuffer(narrow, gpu::Format::R16_UInt, 0);
    gContext->DrawIndexedInstanced(3, 1, 3, 0, 0);  // the second triangle only, column 0
    auto pixels = ReadBackBuffer();
    EXPECT_TRUE(PixelNear(pixels, kSize, 0, 8, {255, 255, 255, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 1, 8, {255, 255, 255, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 2, 8, {0, 0, 0, 0}));
    EXPECT_TRUE(PixelNear(pixels, kSize, 5, 8, {0, 0, 0, 0}));
}

TEST_F(ResourcesTest, DrawsMissingPiecesDoNothing) {
    auto ps = gDevice->CreatePixelShader(SolidColourPixelBlob(1, 1, 1, 1));
    gContext->VSSetShader(nullptr);
    gContext->PSSetShader(ps);
    DrawQuad(layout_);
    gContext->VSSetShader(vs_);
    gContext->IASetIndexBuffer(nullptr, gpu::Format::R16_UInt, 0);
    gContext->DrawIndexed(6, 0, 0);
    gContext->OMSetRenderTargets(0, nullptr, nullptr);
    DrawQuad(layout_);
    gContext->OMSetRenderTargets(1, &gBackBufferView, gDepthStencilView);
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), kSize, 8, 8, {0, 0, 0, 0}));
    // Shaders GL rejects come back null with the compiler's message.
    std::string errors;
    EXPECT_FALSE(gDevice->CreatePixelShader(MakeGlslBlob(gpu::ShaderStage::Pixel, "#version 450\nvoid main() { x = 1; }\n"), &errors));
    EXPECT_FALSE(errors.empty());
    // A layout lacking an input the shader reads is refused.
    auto needsNormal = QuadVertexBlob();
    AddInput(*needsNormal, "COLOR");
    EXPECT_FALSE(QuadInputLayout(*needsNormal));
}

}  // namespace

namespace {

// A quad from x = -1 to `right` in clip space (the quad vertex shader doubles positions).
gpu::BufferPtr QuadUpTo(float right) {
    const float half = right / 2.0f;
    const float vertices[4][8] = {{-0.5f, -0.5f, 0, 0, 1, 0, 0, 0},
                                  {-0.5f, 0.5f, 0, 0, 0, 0, 0, 0},
                                  {half, -0.5f, 0, 1, 1, 0, 0, 0},
                                  {half, 0.5f, 0, 1, 0, 0, 0, 0}};
    gpu::BufferDesc desc;
    desc.ByteWidth = sizeof(vertices);
    desc.BindFlags = gpu::BIND_VERTEX_BUFFER;
    gpu::SubresourceData data{vertices, 0, 0};
    return gDevice->CreateBuffer(desc, &data);
}

TEST_F(ResourcesTest, LayoutSourcesANewBufferEvenWhenGlReusesTheDeletedName) {
    auto ps = gDevice->CreatePixelShader(SolidColourPixelBlob(1, 1, 1, 1));
    gContext->VSSetShader(vs_);
    gContext->PSSetShader(ps);
    uint32_t stride = 32, offset = 0;
    gContext->IASetInputLayout(layout_);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    const float black[4] = {0, 0, 0, 0};
    // Drivers that hand a deleted buffer's name to the next buffer would leave the layout's
    // vertex array on the old buffer (or on none). Once with the layout's vertex array
    // current when the buffer goes, once not.
    for (bool otherLayoutBetween : {false, true}) {
        auto whole = QuadUpTo(1.0f);
        gContext->IASetVertexBuffers(0, 1, &whole, &stride, &offset);
        gContext->Draw(4, 0);
        if (otherLayoutBetween) {
            auto other = QuadInputLayout(*vs_->GetBlob());
            DrawQuad(other);
        }
        gContext->ClearRenderTargetView(gBackBufferView, black);
        gpu::BufferPtr none;
        gContext->IASetVertexBuffers(0, 1, &none, &stride, &offset);
        whole.reset();
        auto left = QuadUpTo(0.0f);  // may get the deleted buffer's GL name
        gContext->IASetVertexBuffers(0, 1, &left, &stride, &offset);
        gContext->IASetInputLayout(layout_);
        gContext->Draw(4, 0);
        auto pixels = ReadBackBuffer();
        EXPECT_TRUE(PixelNear(pixels, kSize, 3, 8, {255, 255, 255, 0})) << otherLayoutBetween;
        EXPECT_TRUE(PixelNear(pixels, kSize, 12, 8, {0, 0, 0, 0})) << otherLayoutBetween;
        gContext->ClearRenderTargetView(gBackBufferView, black);
    }
}

}  // namespace

namespace {

TEST_F(ResourcesTest, PipelinesOfDestroyedShadersAreReleased) {
    // A hot reload replaces an effect's shaders again and again; the context must not keep
    // a program pipeline (and through it the GL programs) for every version it drew with.
    for (int version = 0; version < 12; ++version) {
        auto vs = gDevice->CreateVertexShader(QuadVertexBlob(2.0f));
        auto ps = gDevice->CreatePixelShader(SolidColourPixelBlob(version / 12.0f, 0, 0, 1));
        ASSERT_TRUE(vs && ps);
        gContext->VSSetShader(vs);
        gContext->PSSetShader(ps);
        DrawQuad(layout_);
    }
    EXPECT_LE(gContext->GetStats().pipelines, 2u);
    EXPECT_TRUE(PixelNear(ReadBackBuffer(), kSize, 8, 8, {11 * 255 / 12, 0, 0, 0}));
}

}  // namespace
