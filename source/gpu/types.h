#pragma once
// Descriptor structs and enums of the gpu layer. They mirror D3D11's so that the graphics
// classes and effects read like the device code they replace; zero means "the default".
#include <cstdint>
#include <memory>
#include <string>

namespace gpu {

enum class Format : uint32_t {
    Unknown = 0,
    R32G32B32A32_Float,
    R32G32B32_Float,
    R32G32_Float,
    R32_Float,
    R8G8B8A8_UNorm,
    R16_UInt,
    R32_UInt,
    D24_UNorm_S8_UInt,
};

enum BindFlag : uint32_t {
    BIND_VERTEX_BUFFER = 0x1,
    BIND_INDEX_BUFFER = 0x2,
    BIND_CONSTANT_BUFFER = 0x4,
    BIND_SHADER_RESOURCE = 0x8,
    BIND_RENDER_TARGET = 0x20,
    BIND_DEPTH_STENCIL = 0x40,
};

enum class Usage : uint32_t { Default = 0, Immutable = 1, Dynamic = 2, Staging = 3 };

enum CpuAccessFlag : uint32_t { CPU_ACCESS_WRITE = 0x10000, CPU_ACCESS_READ = 0x20000 };

enum ResourceMiscFlag : uint32_t {
    RESOURCE_MISC_GENERATE_MIPS = 0x1,
    RESOURCE_MISC_TEXTURECUBE = 0x4,  // a 2D texture of 6 (or 6n) slices sampled as a cube (array)
    RESOURCE_MISC_BUFFER_STRUCTURED = 0x40,
};

struct SampleDesc {
    uint32_t Count = 1;
    uint32_t Quality = 0;
};

struct BufferDesc {
    uint32_t ByteWidth = 0;
    gpu::Usage Usage = gpu::Usage::Default;
    uint32_t BindFlags = 0;
    uint32_t CPUAccessFlags = 0;
    uint32_t MiscFlags = 0;
    uint32_t StructureByteStride = 0;
};

struct Texture2DDesc {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t MipLevels = 1;  // 0 = full chain
    uint32_t ArraySize = 1;
    gpu::Format Format = gpu::Format::R8G8B8A8_UNorm;
    gpu::SampleDesc SampleDesc;
    gpu::Usage Usage = gpu::Usage::Default;
    uint32_t BindFlags = 0;
    uint32_t CPUAccessFlags = 0;
    uint32_t MiscFlags = 0;
};

struct Texture1DDesc {
    uint32_t Width = 0;
    uint32_t MipLevels = 1;  // 0 = full chain
    uint32_t ArraySize = 1;
    gpu::Format Format = gpu::Format::R8G8B8A8_UNorm;
    gpu::Usage Usage = gpu::Usage::Default;
    uint32_t BindFlags = 0;
    uint32_t CPUAccessFlags = 0;
    uint32_t MiscFlags = 0;
};

struct Texture3DDesc {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t Depth = 0;
    uint32_t MipLevels = 1;
    gpu::Format Format = gpu::Format::R8G8B8A8_UNorm;
    gpu::Usage Usage = gpu::Usage::Default;
    uint32_t BindFlags = 0;
    uint32_t CPUAccessFlags = 0;
    uint32_t MiscFlags = 0;
};

struct SubresourceData {
    const void* pSysMem = nullptr;
    uint32_t SysMemPitch = 0;
    uint32_t SysMemSlicePitch = 0;
};

enum class SrvDimension : uint32_t {
    Unknown = 0,
    Buffer,
    Texture2D,
    Texture2DMS,
    Texture3D,
    Texture2DArray,
    Texture2DMSArray,
    TextureCube,
    TextureCubeArray,
    Texture1D,
    Texture1DArray,
};

struct ShaderResourceViewDesc {
    gpu::Format Format = gpu::Format::Unknown;
    SrvDimension ViewDimension = SrvDimension::Unknown;
    uint32_t MostDetailedMip = 0;  // textures
    uint32_t MipLevels = uint32_t(-1);
    uint32_t FirstElement = 0;     // buffers
    uint32_t NumElements = 0;
};

enum class RtvDimension : uint32_t { Unknown = 0, Texture2D, Texture2DMS };

struct RenderTargetViewDesc {
    gpu::Format Format = gpu::Format::Unknown;
    RtvDimension ViewDimension = RtvDimension::Unknown;
    uint32_t MipSlice = 0;
};

enum class DsvDimension : uint32_t { Unknown = 0, Texture2D, Texture2DMS };

struct DepthStencilViewDesc {
    gpu::Format Format = gpu::Format::Unknown;
    DsvDimension ViewDimension = DsvDimension::Unknown;
    uint32_t MipSlice = 0;
};

enum class Blend : uint32_t {
    Zero = 1, One, SrcColor, InvSrcColor, SrcAlpha, InvSrcAlpha, DestAlpha, InvDestAlpha,
    DestColor, InvDestColor, SrcAlphaSat, BlendFactor = 14, InvBlendFactor,
};
enum class BlendOp : uint32_t { Add = 1, Subtract, RevSubtract, Min, Max };
enum ColorWriteEnable : uint8_t {
    COLOR_WRITE_ENABLE_RED = 1, COLOR_WRITE_ENABLE_GREEN = 2, COLOR_WRITE_ENABLE_BLUE = 4,
    COLOR_WRITE_ENABLE_ALPHA = 8, COLOR_WRITE_ENABLE_ALL = 15,
};

struct RenderTargetBlendDesc {
    bool BlendEnable = false;
    Blend SrcBlend = Blend::One;
    Blend DestBlend = Blend::Zero;
    gpu::BlendOp BlendOp = gpu::BlendOp::Add;
    Blend SrcBlendAlpha = Blend::One;
    Blend DestBlendAlpha = Blend::Zero;
    gpu::BlendOp BlendOpAlpha = gpu::BlendOp::Add;
    uint8_t RenderTargetWriteMask = COLOR_WRITE_ENABLE_ALL;
};

struct BlendDesc {
    bool AlphaToCoverageEnable = false;
    bool IndependentBlendEnable = false;
    RenderTargetBlendDesc RenderTarget[8];
};

enum class ComparisonFunc : uint32_t { Never = 1, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };
enum class DepthWriteMask : uint32_t { Zero = 0, All = 1 };
enum class StencilOp : uint32_t { Keep = 1, Zero, Replace, IncrSat, DecrSat, Invert, Incr, Decr };

struct DepthStencilOpDesc {
    StencilOp StencilFailOp = StencilOp::Keep;
    StencilOp StencilDepthFailOp = StencilOp::Keep;
    StencilOp StencilPassOp = StencilOp::Keep;
    ComparisonFunc StencilFunc = ComparisonFunc::Always;
};

struct DepthStencilDesc {
    bool DepthEnable = true;
    gpu::DepthWriteMask DepthWriteMask = gpu::DepthWriteMask::All;
    ComparisonFunc DepthFunc = ComparisonFunc::Less;
    bool StencilEnable = false;
    uint8_t StencilReadMask = 0xFF;
    uint8_t StencilWriteMask = 0xFF;
    DepthStencilOpDesc FrontFace;
    DepthStencilOpDesc BackFace;
};

enum class FillMode : uint32_t { Wireframe = 2, Solid = 3 };
enum class CullMode : uint32_t { None = 1, Front = 2, Back = 3 };

struct RasterizerDesc {
    gpu::FillMode FillMode = gpu::FillMode::Solid;
    gpu::CullMode CullMode = gpu::CullMode::Back;
    bool FrontCounterClockwise = false;
    int32_t DepthBias = 0;
    float DepthBiasClamp = 0.0f;
    float SlopeScaledDepthBias = 0.0f;
    bool DepthClipEnable = true;
    bool ScissorEnable = false;
    bool MultisampleEnable = false;
    bool AntialiasedLineEnable = false;
};

enum class Filter : uint32_t { MinMagMipPoint = 0, MinMagMipLinear = 0x15 };
enum class TextureAddressMode : uint32_t { Wrap = 1, Mirror, Clamp, Border };

struct SamplerDesc {
    gpu::Filter Filter = gpu::Filter::MinMagMipLinear;
    TextureAddressMode AddressU = TextureAddressMode::Clamp;
    TextureAddressMode AddressV = TextureAddressMode::Clamp;
    TextureAddressMode AddressW = TextureAddressMode::Clamp;
    float MipLODBias = 0.0f;
    uint32_t MaxAnisotropy = 0;
    gpu::ComparisonFunc ComparisonFunc = gpu::ComparisonFunc::Never;
    float BorderColor[4] = {0, 0, 0, 0};
    float MinLOD = 0.0f;
    float MaxLOD = 3.402823466e+38f;
};

enum class InputClassification : uint32_t { PerVertexData = 0, PerInstanceData = 1 };

struct InputElementDesc {
    const char* SemanticName = nullptr;
    uint32_t SemanticIndex = 0;
    gpu::Format Format = gpu::Format::Unknown;
    uint32_t InputSlot = 0;
    uint32_t AlignedByteOffset = 0;
    InputClassification InputSlotClass = InputClassification::PerVertexData;
    uint32_t InstanceDataStepRate = 0;
};

enum class PrimitiveTopology : uint32_t {
    Undefined = 0, PointList = 1, LineList = 2, LineStrip = 3, TriangleList = 4, TriangleStrip = 5,
};

struct Viewport {
    float TopLeftX = 0, TopLeftY = 0, Width = 0, Height = 0, MinDepth = 0, MaxDepth = 1;
};

enum class MapType : uint32_t { Read = 1, Write = 2, ReadWrite = 3, WriteDiscard = 4, WriteNoOverwrite = 5 };

struct MappedSubresource {
    void* pData = nullptr;
    uint32_t RowPitch = 0;
    uint32_t DepthPitch = 0;
};

struct Box {
    uint32_t left = 0, top = 0, front = 0, right = 0, bottom = 0, back = 0;
};

enum ClearFlag : uint32_t { CLEAR_DEPTH = 0x1, CLEAR_STENCIL = 0x2 };

}  // namespace gpu
