#include "main/yuvconverter.h"

#include <cstring>

#include "graphics/devicestate.h"
#include "main/builtinshader.h"
#include "system/log.h"

namespace {

// Three draws fill the packed target: the Y rows, then the U and the V rows. Each pixel
// shader invocation writes four bytes of one packed row: four Y samples, or four U or V
// samples (two chroma rows share a texture row). A chroma sample is the mean of a 2x2
// block, which one bilinear fetch at the block's centre gives; the clamping sampler repeats
// the picture's edge, as the luma reads do.
constexpr char kShader[] = R"(
cbuffer YuvConstants : register(b0) {
    float4 weights;         // Y, U or V from RGB, and the offset
    int2 pictureSize;       // the picture; reads past it repeat its edge
    int firstRow;           // first texture row of this plane
    int chromaStride;       // bytes per chroma row
    float2 texelSize;       // 1 / pictureSize
    float2 unused;
};
Texture2D<float4> picture : register(t0);
SamplerState linearClamp : register(s0);

float4 VS(float3 position : POSITION) : SV_Position { return float4(position.xy * 2.0, 0.0, 1.0); }

float Luma(int x, int y) {
    return dot(picture.Load(int3(min(x, pictureSize.x - 1), y, 0)).rgb, weights.rgb) + weights.w;
}

float4 PSLuma(float4 position : SV_Position) : SV_Target {
    int2 p = int2(position.xy);
    int x = p.x * 4, y = min(p.y, pictureSize.y - 1);
    return float4(Luma(x, y), Luma(x + 1, y), Luma(x + 2, y), Luma(x + 3, y));
}

float Chroma(float x, float y) {
    return dot(picture.SampleLevel(linearClamp, float2(x, y) * texelSize, 0).rgb, weights.rgb) + weights.w;
}

float4 PSChroma(float4 position : SV_Position) : SV_Target {
    int2 p = int2(position.xy);
    int x = p.x * 4;
    int second = x >= chromaStride ? 1 : 0;
    // Block (x, y) of 2x2 pixels has its centre at pixel corner (2x + 1, 2y + 1).
    float cx = float(x - second * chromaStride) * 2.0 + 1.0;
    float cy = float((p.y - firstRow) * 2 + second) * 2.0 + 1.0;
    return float4(Chroma(cx, cy), Chroma(cx + 2.0, cy), Chroma(cx + 4.0, cy), Chroma(cx + 6.0, cy));
}
)";

struct Constants {
    float weights[4];
    int32_t pictureSize[2];
    int32_t firstRow, chromaStride;
    float texelSize[2];
    float unused[2];
};
static_assert(sizeof(Constants) == 48, "the constants are three 16-byte registers");

std::shared_ptr<const gpu::ShaderBlob> Translate(const char* entry, const char* profile) {
    return TranslateBuiltInShader(kShader, "YUV conversion", entry, profile);
}

}  // namespace

bool YuvConverter::Init(const Yuv420Layout& layout) {
    target_.reset();
    if (!gDevice || layout.width <= 0) return false;
    layout_ = layout;
    auto vs = Translate("VS", "vs_4_0");
    auto luma = Translate("PSLuma", "ps_4_0");
    auto chroma = Translate("PSChroma", "ps_4_0");
    if (!vs || !luma || !chroma) return false;
    vertexShader_ = gDevice->CreateVertexShader(vs);
    lumaShader_ = gDevice->CreatePixelShader(luma);
    chromaShader_ = gDevice->CreatePixelShader(chroma);
    const gpu::InputElementDesc position = {"POSITION", 0, gpu::Format::R32G32B32_Float, 0, 0};
    inputLayout_ = gDevice->CreateInputLayout(&position, 1, *vs);

    gpu::BufferDesc cd;
    cd.ByteWidth = sizeof(Constants);
    cd.Usage = gpu::Usage::Default;
    cd.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    for (gpu::BufferPtr& buffer : constants_) buffer = gDevice->CreateBuffer(cd, nullptr);
    sampler_ = gDevice->CreateSamplerState(gpu::SamplerDesc{});

    gpu::BlendDesc bd;
    bd.RenderTarget[0].BlendEnable = false;
    bd.RenderTarget[0].RenderTargetWriteMask = gpu::COLOR_WRITE_ENABLE_ALL;
    writeAll_ = gDevice->CreateBlendState(bd);

    gpu::Texture2DDesc td;
    td.Width = static_cast<uint32_t>(layout.TextureWidth());
    td.Height = static_cast<uint32_t>(layout.TextureHeight());
    td.Format = gpu::Format::R8G8B8A8_UNorm;
    td.BindFlags = gpu::BIND_RENDER_TARGET;
    gpu::Texture2DPtr target = gDevice->CreateTexture2D(td, nullptr);
    if (target) targetView_ = gDevice->CreateRenderTargetView(target, nullptr);
    if (!vertexShader_ || !lumaShader_ || !chromaShader_ || !inputLayout_ || !constants_[0] || !constants_[1] ||
        !constants_[2] || !sampler_ || !writeAll_ || !target || !targetView_) {
        LOG("The recording's YUV conversion could not be set up");
        return false;
    }
    target_ = std::move(target);
    return true;
}

bool YuvConverter::UsePicture(const gpu::Texture2DPtr& picture, const int firstRows[3]) {
    pictureView_ = gDevice->CreateShaderResourceView(picture, nullptr);
    picture_ = pictureView_ ? picture : nullptr;
    if (!pictureView_) return false;
    const gpu::Texture2DDesc& desc = picture->GetDesc();
    const YuvWeights weights = MakeYuvWeights(layout_.bt709);
    const float* planeWeights[3] = {weights.y, weights.u, weights.v};
    for (int plane = 0; plane < 3; ++plane) {
        Constants constants = {};
        std::memcpy(constants.weights, planeWeights[plane], sizeof constants.weights);
        constants.pictureSize[0] = static_cast<int32_t>(desc.Width);
        constants.pictureSize[1] = static_cast<int32_t>(desc.Height);
        constants.firstRow = firstRows[plane];
        constants.chromaStride = layout_.chromaStride;
        constants.texelSize[0] = 1.0f / static_cast<float>(desc.Width);
        constants.texelSize[1] = 1.0f / static_cast<float>(desc.Height);
        gContext->UpdateSubresource(constants_[plane], 0, nullptr, &constants, 0, 0);
    }
    return true;
}

gpu::Texture2DPtr YuvConverter::Convert(const gpu::Texture2DPtr& picture) {
    if (!target_ || !picture) return nullptr;
    const int firstRows[3] = {0, layout_.height, layout_.height + layout_.chromaTextureRows};
    const int rowCounts[3] = {layout_.height, layout_.chromaTextureRows, layout_.chromaTextureRows};
    // A new picture (the first, or a resized back buffer) gets its view and constants once.
    if (picture != picture_ && !UsePicture(picture, firstRows)) return nullptr;

    gContext->OMSetRenderTargets(1, &targetView_, nullptr);
    gContext->OMSetBlendState(writeAll_, nullptr, 0xFFFFFFFFu);
    gContext->OMSetDepthStencilState(gDepthOff, 0);
    gContext->RSSetState(gRasterizerState);
    gContext->IASetInputLayout(inputLayout_);
    const uint32_t stride = 32, offset = 0;
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->VSSetShader(vertexShader_);
    gContext->PSSetShaderResources(0, 1, &pictureView_);
    gContext->PSSetSamplers(0, 1, &sampler_);
    for (int plane = 0; plane < 3; ++plane) {
        // Each plane's rows only: the viewport confines the quad to them.
        const gpu::Viewport rows{0.0f, static_cast<float>(firstRows[plane]), static_cast<float>(layout_.TextureWidth()),
                                 static_cast<float>(rowCounts[plane]), 0.0f, 1.0f};
        gContext->RSSetViewports(1, &rows);
        gContext->PSSetShader(plane == 0 ? lumaShader_ : chromaShader_);
        gContext->PSSetConstantBuffers(0, 1, &constants_[plane]);
        gContext->Draw(4, 0);
    }

    // The picture may be a render target again next frame.
    gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xFFFFFFFFu);
    const gpu::ShaderResourceViewPtr none;
    gContext->PSSetShaderResources(0, 1, &none);
    gContext->OMSetRenderTargets(1, &gBackBufferView, gDepthStencilView);
    const gpu::Viewport screen{0.0f, 0.0f, static_cast<float>(gScreenWidth), static_cast<float>(gScreenHeight), 0.0f, 1.0f};
    gContext->RSSetViewports(1, &screen);
    return target_;
}
