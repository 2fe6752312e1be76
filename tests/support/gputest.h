#pragma once
// Helpers for tests that render: a headless device on llvmpipe, pixel read-back and shaders
// written directly in GLSL.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gpu/resources.h"
#include "hlsl/shaderblob.h"

// Creates the headless device with InitialiseD3D at width x height (gWindow = nullptr).
// Once per process: later calls return the first result (whatever size they ask for).
bool InitTestDevice(int width, int height, bool antiAlias = false);

// RGBA8 pixels of level 0, top row first; multisampled textures are resolved first.
std::vector<uint8_t> ReadPixels(const gpu::Texture2DPtr& texture);
// The swap chain's back buffer.
std::vector<uint8_t> ReadBackBuffer();

// One RGBA8 pixel of a read-back image.
struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;
};
Rgba PixelAt(const std::vector<uint8_t>& pixels, int width, int x, int y);
// True when every channel of the pixel is within tolerance of (r, g, b, a).
bool PixelNear(const std::vector<uint8_t>& pixels, int width, int x, int y, Rgba expected, int tolerance = 2);

// A shader blob around hand-written GLSL 4.50 (a separable program: a vertex shader must
// redeclare gl_PerVertex). The tables start empty; fill inputs, constantBuffers and
// textures to match the GLSL.
std::shared_ptr<gpu::ShaderBlob> MakeGlslBlob(gpu::ShaderStage stage, const std::string& glsl);
// Adds a vertex input at its semantic's location.
void AddInput(gpu::ShaderBlob& blob, const std::string& semantic, uint32_t index = 0);

// A vertex shader for the full-screen quad layout (POSITION, TEXCOORD, NORMAL): clip
// position = POSITION * scale (z and w 1 unless given), TEXCOORD passed to location 1.
std::shared_ptr<gpu::ShaderBlob> QuadVertexBlob(float scale = 1.0f);
// A pixel shader writing one constant colour.
std::shared_ptr<gpu::ShaderBlob> SolidColourPixelBlob(float r, float g, float b, float a);
// The standard 32-byte vertex layout of the quad (POSITION, TEXCOORD, NORMAL).
gpu::InputLayoutPtr QuadInputLayout(const gpu::ShaderBlob& vertexShader);
// Binds gQuadVertexBuffer, the layout and a triangle strip, and draws its 4 vertices.
void DrawQuad(const gpu::InputLayoutPtr& layout);

// A render texture of the given size with its view (single-sampled unless samples > 1).
struct TestTarget {
    gpu::Texture2DPtr texture;
    gpu::RenderTargetViewPtr view;
};
TestTarget MakeTestTarget(int width, int height, uint32_t samples = 1,
                          gpu::Format format = gpu::Format::R8G8B8A8_UNorm);
