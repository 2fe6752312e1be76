#pragma once
// gpu::Context is the immediate context, like ID3D11DeviceContext. Bound state follows
// D3D11 rules (per-stage slots, state persists until changed, null reads as zero) and is
// applied to GL lazily at draw time; redundant changes cost nothing.
#include <cstdint>
#include <memory>

#include "gpu/resources.h"
#include "gpu/types.h"

struct SDL_Window;

namespace gpu {

class Context {
public:
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    void IASetInputLayout(const InputLayoutPtr& layout);
    void IASetVertexBuffers(uint32_t startSlot, uint32_t count, const BufferPtr* buffers,
                            const uint32_t* strides, const uint32_t* offsets);
    void IASetIndexBuffer(const BufferPtr& buffer, Format format, uint32_t offset);
    void IASetPrimitiveTopology(PrimitiveTopology topology);

    void VSSetShader(const VertexShaderPtr& shader);
    void PSSetShader(const PixelShaderPtr& shader);
    void VSSetConstantBuffers(uint32_t startSlot, uint32_t count, const BufferPtr* buffers);
    void PSSetConstantBuffers(uint32_t startSlot, uint32_t count, const BufferPtr* buffers);
    void VSSetShaderResources(uint32_t startSlot, uint32_t count, const ShaderResourceViewPtr* views);
    void PSSetShaderResources(uint32_t startSlot, uint32_t count, const ShaderResourceViewPtr* views);
    void VSSetSamplers(uint32_t startSlot, uint32_t count, const SamplerStatePtr* samplers);
    void PSSetSamplers(uint32_t startSlot, uint32_t count, const SamplerStatePtr* samplers);

    // count 0 unbinds every target. As in D3D, binding a target unbinds shader-resource
    // views of the same resource, and a view of a bound target is read as null.
    void OMSetRenderTargets(uint32_t count, const RenderTargetViewPtr* views, const DepthStencilViewPtr& depth);
    void OMSetBlendState(const BlendStatePtr& state, const float blendFactor[4], uint32_t sampleMask);
    void OMSetDepthStencilState(const DepthStencilStatePtr& state, uint32_t stencilRef);
    void RSSetState(const RasterizerStatePtr& state);
    void RSSetViewports(uint32_t count, const Viewport* viewports);

    void ClearRenderTargetView(const RenderTargetViewPtr& view, const float color[4]);
    void ClearDepthStencilView(const DepthStencilViewPtr& view, uint32_t clearFlags, float depth, uint8_t stencil);

    // WriteDiscard on dynamic buffers; Read on staging textures and buffers.
    bool Map(const ResourcePtr& resource, uint32_t subresource, MapType type, MappedSubresource* mapped);
    void Unmap(const ResourcePtr& resource, uint32_t subresource);
    void UpdateSubresource(const ResourcePtr& resource, uint32_t subresource, const Box* box,
                           const void* data, uint32_t rowPitch, uint32_t depthPitch);
    void CopyResource(const ResourcePtr& destination, const ResourcePtr& source);
    void ResolveSubresource(const ResourcePtr& destination, uint32_t destinationSubresource,
                            const ResourcePtr& source, uint32_t sourceSubresource, Format format);
    void GenerateMips(const ShaderResourceViewPtr& view);

    void Draw(uint32_t vertexCount, uint32_t startVertex);
    void DrawIndexed(uint32_t indexCount, uint32_t startIndex, int32_t baseVertex);
    void DrawInstanced(uint32_t vertexCountPerInstance, uint32_t instanceCount, uint32_t startVertex,
                       uint32_t startInstance);
    void DrawIndexedInstanced(uint32_t indexCountPerInstance, uint32_t instanceCount, uint32_t startIndex,
                              int32_t baseVertex, uint32_t startInstance);

    // Waits until the GPU has finished everything submitted (tests, benchmarks, read-back).
    void Finish();

    // Counters for tests and benchmarks.
    struct Stats {
        uint64_t maps = 0;
        uint64_t draws = 0;
        uint64_t resolves = 0;
        uint64_t programLinks = 0;
        uint64_t pipelines = 0;  // program pipelines held now
    };
    const Stats& GetStats() const;

private:
    friend bool CreateDevice(SDL_Window*, std::shared_ptr<Device>*, std::shared_ptr<Context>*, std::string*);
    Context() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace gpu
