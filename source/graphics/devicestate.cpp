#include "graphics/devicestate.h"

gpu::DevicePtr gDevice;
gpu::ContextPtr gContext;
gpu::SwapChainPtr gSwapChain;
gpu::RenderTargetViewPtr gBackBufferView;
gpu::Texture2DPtr gDepthStencilBuffer;
gpu::DepthStencilViewPtr gDepthStencilView;
gpu::DepthStencilStatePtr gDepthOff;
gpu::DepthStencilStatePtr gDepthReadWrite;
gpu::DepthStencilStatePtr gDepthReadOnly;
gpu::RasterizerStatePtr gRasterizerState;
gpu::BlendStatePtr gBlendOpaque;
gpu::BlendStatePtr gBlendAlpha;
gpu::BlendStatePtr gBlendAdditive;
gpu::BlendStatePtr gBlendMultiply;
gpu::BufferPtr gQuadVertexBuffer;

int gScreenWidth = 0;
int gScreenHeight = 0;
int gSampleCount = 1;
int gSampleQuality = 0;
bool gMsaaEnabled = false;
char gVideoCardDescription[128] = {};
uint32_t gVideoMemoryMB = 0;
int gRefreshRateNumerator = 60;
int gRefreshRateDenominator = 1;
