#pragma once
// Render textures: offscreen colour targets that effects draw into and sample later, and
// the ping-pong pair of them that forms a frame chain.
#include <array>
#include <memory>

#include "gpu/resources.h"

class DynamicTexture {
public:
    // A width x height RGBA8 target (fractions truncated; the float size is kept). It is
    // multisampled with the device's settings only when `multisampled` is set and
    // anti-aliasing is on. Cleared to transparent black. Failed parts stay null.
    DynamicTexture(float width, float height, bool multisampled);
    DynamicTexture(const DynamicTexture&) = delete;
    DynamicTexture& operator=(const DynamicTexture&) = delete;

    const gpu::Texture2DPtr& GetTexture() const { return texture_; }
    const gpu::ShaderResourceViewPtr& GetView() const { return view_; }
    const gpu::RenderTargetViewPtr& GetTarget() const { return target_; }
    float GetWidth() const { return width_; }
    float GetHeight() const { return height_; }
    // The flag given at construction; the texture has several samples only if MSAA was on.
    bool GetMultisampled() const { return multisampled_; }

private:
    gpu::Texture2DPtr texture_;
    gpu::ShaderResourceViewPtr view_;
    gpu::RenderTargetViewPtr target_;
    float width_;
    float height_;
    bool multisampled_;
};

// Resolves (or, for a single-sampled source, copies) source into the single-sampled
// destination of the same size. False when either texture is missing.
// A single-sampled render texture of the render size to resolve frames into before they
// are read; null when anti-aliasing is off (frames are then read directly).
std::unique_ptr<DynamicTexture> CreateResolveTexture();

bool ResolveInto(const DynamicTexture& source, DynamicTexture& destination);

// The texture a pass should sample: the source itself when there is no resolve texture,
// otherwise the resolve texture after resolving the source into it.
const DynamicTexture& ResolveForReading(const DynamicTexture& source, DynamicTexture* resolveTexture);

// Two equal render textures (multisample candidates) and the index of the current one.
class DynamicTexturePair {
public:
    static constexpr int kCount = 2;

    DynamicTexturePair(float width, float height);

    DynamicTexture& GetCurrent() { return *textures_[current_]; }
    const DynamicTexture& GetCurrent() const { return *textures_[current_]; }
    DynamicTexture& GetTexture(int index) { return *textures_[index]; }
    int GetCurrentIndex() const { return current_; }
    // Makes the other texture current, before rendering the next pass.
    void Advance() { current_ = (current_ + 1) % kCount; }
    float GetWidth() const { return width_; }
    float GetHeight() const { return height_; }

private:
    float width_;
    float height_;
    std::array<std::unique_ptr<DynamicTexture>, kCount> textures_;
    int current_ = 0;
};
