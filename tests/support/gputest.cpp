#include "support/gputest.h"

#include <cstdio>
#include <cstdlib>

#include "graphics/devicestate.h"
#include "hlsl/semantics.h"
#include "main/initialised3d.h"
#include "system/globals.h"

bool InitTestDevice(int width, int height, bool antiAlias) {
    static int result = -1;
    if (result < 0) {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        gWindow = nullptr;
        gScreenWidth = width;
        gScreenHeight = height;
        gOutputWidth = width;
        gOutputHeight = height;
        result = InitialiseD3D(antiAlias) ? 1 : 0;
    }
    return result == 1;
}

std::vector<uint8_t> ReadPixels(const gpu::Texture2DPtr& texture) {
    if (!texture || !gDevice) return {};
    gpu::Texture2DDesc desc = texture->GetDesc();
    gpu::Texture2DPtr source = texture;
    if (desc.SampleDesc.Count > 1) {
        gpu::Texture2DDesc single = desc;
        single.SampleDesc = {1, 0};
        single.BindFlags = gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE;
        source = gDevice->CreateTexture2D(single, nullptr);
        gContext->ResolveSubresource(source, 0, texture, 0, desc.Format);
    }
    gpu::Texture2DDesc staging = desc;
    staging.SampleDesc = {1, 0};
    staging.MipLevels = 1;
    staging.Usage = gpu::Usage::Staging;
    staging.BindFlags = 0;
    staging.CPUAccessFlags = gpu::CPU_ACCESS_READ;
    gpu::Texture2DPtr copy = gDevice->CreateTexture2D(staging, nullptr);
    if (!copy) return {};
    gContext->CopyResource(copy, source);
    gpu::MappedSubresource mapped;
    if (!gContext->Map(copy, 0, gpu::MapType::Read, &mapped)) return {};
    std::vector<uint8_t> pixels(size_t(desc.Width) * desc.Height * 4);
    for (uint32_t y = 0; y < desc.Height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch;
        std::copy(row, row + desc.Width * 4, pixels.begin() + size_t(y) * desc.Width * 4);
    }
    gContext->Unmap(copy, 0);
    return pixels;
}

std::vector<uint8_t> ReadBackBuffer() { return gSwapChain ? ReadPixels(gSwapChain->GetBuffer()) : std::vector<uint8_t>(); }

Rgba PixelAt(const std::vector<uint8_t>& pixels, int width, int x, int y) {
    size_t i = (size_t(y) * width + x) * 4;
    if (i + 3 >= pixels.size()) return {-1, -1, -1, -1};
    return {pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
}

bool PixelNear(const std::vector<uint8_t>& pixels, int width, int x, int y, Rgba e, int tolerance) {
    Rgba p = PixelAt(pixels, width, x, y);
    bool near = std::abs(p.r - e.r) <= tolerance && std::abs(p.g - e.g) <= tolerance && std::abs(p.b - e.b) <= tolerance &&
                std::abs(p.a - e.a) <= tolerance;
    if (!near) {
        std::fprintf(stderr, "pixel (%d,%d) is (%d,%d,%d,%d), expected (%d,%d,%d,%d) +-%d\n", x, y, p.r, p.g, p.b, p.a, e.r, e.g,
                     e.b, e.a, tolerance);
    }
    return near;
}

std::shared_ptr<gpu::ShaderBlob> MakeGlslBlob(gpu::ShaderStage stage, const std::string& glsl) {
    auto blob = std::make_shared<gpu::ShaderBlob>();
    blob->stage = stage;
    blob->entryPoint = stage == gpu::ShaderStage::Vertex ? "VS" : "PS";
    blob->glsl = glsl;
    return blob;
}

void AddInput(gpu::ShaderBlob& blob, const std::string& semantic, uint32_t index) {
    blob.inputs.push_back({semantic, index, static_cast<uint32_t>(gpu::SemanticLocation(semantic, index))});
}

std::shared_ptr<gpu::ShaderBlob> QuadVertexBlob(float scale) {
    char glsl[1024];
    std::snprintf(glsl, sizeof(glsl),
                  "#version 450\n"
                  "layout(location = %d) in vec3 inPosition;\n"
                  "layout(location = %d) in vec2 inTexcoord;\n"
                  "layout(location = %d) out vec2 vTexcoord;\n"
                  "out gl_PerVertex { vec4 gl_Position; };\n"
                  "void main() {\n"
                  "    vTexcoord = inTexcoord;\n"
                  "    gl_Position = vec4(inPosition.xy * %f, inPosition.z, 1.0);\n"
                  "}\n",
                  gpu::SemanticLocation("POSITION", 0), gpu::SemanticLocation("TEXCOORD", 0),
                  gpu::SemanticLocation("TEXCOORD", 0), scale);
    auto blob = MakeGlslBlob(gpu::ShaderStage::Vertex, glsl);
    AddInput(*blob, "POSITION");
    AddInput(*blob, "TEXCOORD");
    return blob;
}

std::shared_ptr<gpu::ShaderBlob> SolidColourPixelBlob(float r, float g, float b, float a) {
    char glsl[512];
    std::snprintf(glsl, sizeof(glsl),
                  "#version 450\n"
                  "layout(location = 0) out vec4 outColour;\n"
                  "void main() { outColour = vec4(%f, %f, %f, %f); }\n",
                  r, g, b, a);
    return MakeGlslBlob(gpu::ShaderStage::Pixel, glsl);
}

gpu::InputLayoutPtr QuadInputLayout(const gpu::ShaderBlob& vertexShader) {
    gpu::InputElementDesc elements[3];
    elements[0].SemanticName = "POSITION";
    elements[0].Format = gpu::Format::R32G32B32_Float;
    elements[0].AlignedByteOffset = 0;
    elements[1].SemanticName = "TEXCOORD";
    elements[1].Format = gpu::Format::R32G32_Float;
    elements[1].AlignedByteOffset = 12;
    elements[2].SemanticName = "NORMAL";
    elements[2].Format = gpu::Format::R32G32B32_Float;
    elements[2].AlignedByteOffset = 20;
    return gDevice->CreateInputLayout(elements, 3, vertexShader);
}

void DrawQuad(const gpu::InputLayoutPtr& layout) {
    uint32_t stride = 32, offset = 0;
    gContext->IASetInputLayout(layout);
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->Draw(4, 0);
}

TestTarget MakeTestTarget(int width, int height, uint32_t samples, gpu::Format format) {
    gpu::Texture2DDesc desc;
    desc.Width = static_cast<uint32_t>(width);
    desc.Height = static_cast<uint32_t>(height);
    desc.Format = format;
    desc.SampleDesc = {samples, 0};
    desc.BindFlags = gpu::BIND_RENDER_TARGET | gpu::BIND_SHADER_RESOURCE;
    TestTarget target;
    target.texture = gDevice->CreateTexture2D(desc, nullptr);
    if (target.texture) target.view = gDevice->CreateRenderTargetView(target.texture, nullptr);
    return target;
}
