#pragma once
// Process-wide graphics objects, created once by the device set-up and shared by every
// drawing class. Only gBackBufferView is recreated (when the window is resized).
#include <cstdint>

#include "gpu/context.h"
#include "gpu/device.h"
#include "gpu/swapchain.h"

extern gpu::DevicePtr gDevice;
extern gpu::ContextPtr gContext;
extern gpu::SwapChainPtr gSwapChain;
extern gpu::RenderTargetViewPtr gBackBufferView;
extern gpu::Texture2DPtr gDepthStencilBuffer;
extern gpu::DepthStencilViewPtr gDepthStencilView;
extern gpu::DepthStencilStatePtr gDepthOff;
extern gpu::DepthStencilStatePtr gDepthReadWrite;
extern gpu::DepthStencilStatePtr gDepthReadOnly;
extern gpu::RasterizerStatePtr gRasterizerState;
extern gpu::BlendStatePtr gBlendOpaque;
extern gpu::BlendStatePtr gBlendAlpha;
extern gpu::BlendStatePtr gBlendAdditive;
extern gpu::BlendStatePtr gBlendMultiply;
extern gpu::BufferPtr gQuadVertexBuffer;   // four 32-byte vertices, a triangle strip

extern int gScreenWidth;                   // render size for the whole run
extern int gScreenHeight;
extern int gSampleCount;                   // 1 unless anti-aliasing is on
extern int gSampleQuality;
extern bool gMsaaEnabled;
extern char gVideoCardDescription[128];
extern uint32_t gVideoMemoryMB;
extern int gRefreshRateNumerator;          // of the display mode matching the render size
extern int gRefreshRateDenominator;

// Failure colours: drawn instead of an effect whose shader cannot be made current.
constexpr float kHotPink[4] = {1.0f, 0.41176474f, 0.70588237f, 1.0f};
constexpr float kWheat[4] = {0.9607844f, 0.8705883f, 0.7019608f, 1.0f};
constexpr float kLightSeaGreen[4] = {0.1254902f, 0.69803923f, 0.6666667f, 1.0f};
