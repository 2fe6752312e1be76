#include "main/overlayrenderer.h"

#include <imgui.h>

#include <cstring>

#include "graphics/devicestate.h"
#include "main/builtinshader.h"
#include "system/log.h"

namespace {

// Pixel coordinates to clip space through b0 = (2 / width, -2 / height, -1, 1).
constexpr char kShader[] = R"(
cbuffer OverlayConstants : register(b0) { float2 scale; float2 offset; };
Texture2D font : register(t0);
SamplerState linearClamp : register(s0);
struct VSIn { float2 position : POSITION; float2 uv : TEXCOORD; float4 colour : COLOR; };
struct PSIn { float4 position : SV_Position; float2 uv : TEXCOORD; float4 colour : COLOR; };
PSIn VS(VSIn v) {
    PSIn o;
    o.position = float4(v.position * scale + offset, 0.0, 1.0);
    o.uv = v.uv;
    o.colour = v.colour;
    return o;
}
float4 PS(PSIn p) : SV_Target { return p.colour * font.Sample(linearClamp, p.uv); }
)";

std::shared_ptr<const gpu::ShaderBlob> Translate(const char* entry, const char* profile) {
    return TranslateBuiltInShader(kShader, "Overlay", entry, profile);
}

}  // namespace

OverlayRenderer::OverlayRenderer() {
    if (!gDevice) return;
    auto vs = Translate("VS", "vs_4_0");
    auto ps = Translate("PS", "ps_4_0");
    if (!vs || !ps) return;
    vertexShader_ = gDevice->CreateVertexShader(vs);
    pixelShader_ = gDevice->CreatePixelShader(ps);
    const gpu::InputElementDesc elements[] = {
        {"POSITION", 0, gpu::Format::R32G32_Float, 0, 0},
        {"TEXCOORD", 0, gpu::Format::R32G32_Float, 0, 8},
        {"COLOR", 0, gpu::Format::R8G8B8A8_UNorm, 0, 16},
    };
    layout_ = gDevice->CreateInputLayout(elements, 3, *vs);

    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    ImGui::GetIO().Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    gpu::Texture2DDesc td;
    td.Width = static_cast<uint32_t>(width);
    td.Height = static_cast<uint32_t>(height);
    td.Usage = gpu::Usage::Immutable;
    td.BindFlags = gpu::BIND_SHADER_RESOURCE;
    gpu::SubresourceData initial{pixels, static_cast<uint32_t>(width) * 4, 0};
    gpu::Texture2DPtr texture = gDevice->CreateTexture2D(td, &initial);
    if (texture) font_ = gDevice->CreateShaderResourceView(texture, nullptr);

    gpu::BufferDesc cd;
    cd.ByteWidth = 16;
    cd.Usage = gpu::Usage::Dynamic;
    cd.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    cd.CPUAccessFlags = gpu::CPU_ACCESS_WRITE;
    constants_ = gDevice->CreateBuffer(cd, nullptr);

    gpu::RasterizerDesc rd;
    rd.CullMode = gpu::CullMode::None;
    noCull_ = gDevice->CreateRasterizerState(rd);

    ready_ = vertexShader_ && pixelShader_ && layout_ && font_ && constants_ && noCull_;
    if (!ready_) LOG("The overlay cannot draw: its GPU objects could not be made");
}

bool OverlayRenderer::Reserve(gpu::BufferPtr* buffer, uint32_t* capacity, uint32_t bytes, uint32_t bindFlags) {
    if (*buffer && *capacity >= bytes) return true;
    uint32_t size = *capacity ? *capacity : 64 * 1024;
    while (size < bytes) size *= 2;
    gpu::BufferDesc bd;
    bd.ByteWidth = size;
    bd.Usage = gpu::Usage::Dynamic;
    bd.BindFlags = bindFlags;
    bd.CPUAccessFlags = gpu::CPU_ACCESS_WRITE;
    *buffer = gDevice->CreateBuffer(bd, nullptr);
    *capacity = *buffer ? size : 0;
    return *buffer != nullptr;
}

void OverlayRenderer::Render(const ImDrawData& data) {
    if (!ready_ || data.TotalVtxCount == 0) return;
    const uint32_t vertexBytes = static_cast<uint32_t>(data.TotalVtxCount) * sizeof(ImDrawVert);
    const uint32_t indexBytes = static_cast<uint32_t>(data.TotalIdxCount) * sizeof(ImDrawIdx);
    if (!Reserve(&vertices_, &vertexCapacity_, vertexBytes, gpu::BIND_VERTEX_BUFFER) ||
        !Reserve(&indices_, &indexCapacity_, indexBytes, gpu::BIND_INDEX_BUFFER))
        return;

    gpu::MappedSubresource vmap, imap, cmap;
    if (!gContext->Map(vertices_, 0, gpu::MapType::WriteDiscard, &vmap)) return;
    if (!gContext->Map(indices_, 0, gpu::MapType::WriteDiscard, &imap)) {
        gContext->Unmap(vertices_, 0);
        return;
    }
    auto* vertexOut = static_cast<ImDrawVert*>(vmap.pData);
    auto* indexOut = static_cast<ImDrawIdx*>(imap.pData);
    for (int n = 0; n < data.CmdListsCount; ++n) {
        const ImDrawList& list = *data.CmdLists[n];
        std::memcpy(vertexOut, list.VtxBuffer.Data, list.VtxBuffer.Size * sizeof(ImDrawVert));
        std::memcpy(indexOut, list.IdxBuffer.Data, list.IdxBuffer.Size * sizeof(ImDrawIdx));
        vertexOut += list.VtxBuffer.Size;
        indexOut += list.IdxBuffer.Size;
    }
    gContext->Unmap(vertices_, 0);
    gContext->Unmap(indices_, 0);

    if (!gContext->Map(constants_, 0, gpu::MapType::WriteDiscard, &cmap)) return;
    const float width = data.DisplaySize.x, height = data.DisplaySize.y;
    const float constants[4] = {2.0f / width, -2.0f / height, -1.0f, 1.0f};
    std::memcpy(cmap.pData, constants, sizeof constants);
    gContext->Unmap(constants_, 0);

    gpu::Viewport viewport{0.0f, 0.0f, width, height, 0.0f, 1.0f};
    gContext->RSSetViewports(1, &viewport);
    gContext->OMSetRenderTargets(1, &gBackBufferView, nullptr);
    gContext->OMSetBlendState(gBlendAlpha, nullptr, 0xFFFFFFFFu);
    gContext->RSSetState(noCull_);
    gContext->IASetInputLayout(layout_);
    const uint32_t stride = sizeof(ImDrawVert), offset = 0;
    gContext->IASetVertexBuffers(0, 1, &vertices_, &stride, &offset);
    gContext->IASetIndexBuffer(indices_, sizeof(ImDrawIdx) == 2 ? gpu::Format::R16_UInt : gpu::Format::R32_UInt, 0);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    gContext->VSSetShader(vertexShader_);
    gContext->PSSetShader(pixelShader_);
    gContext->VSSetConstantBuffers(0, 1, &constants_);
    gContext->PSSetShaderResources(0, 1, &font_);

    uint32_t vertexBase = 0, indexBase = 0;
    for (int n = 0; n < data.CmdListsCount; ++n) {
        const ImDrawList& list = *data.CmdLists[n];
        for (const ImDrawCmd& command : list.CmdBuffer) {
            if (command.UserCallback || command.ElemCount == 0) continue;
            // Clip rectangles are not applied: the overlay's windows never scroll.
            gContext->DrawIndexed(command.ElemCount, indexBase + command.IdxOffset,
                                  static_cast<int32_t>(vertexBase + command.VtxOffset));
        }
        vertexBase += static_cast<uint32_t>(list.VtxBuffer.Size);
        indexBase += static_cast<uint32_t>(list.IdxBuffer.Size);
    }
    // The show expects the shared defaults.
    gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xFFFFFFFFu);
    gContext->RSSetState(gRasterizerState);
}
