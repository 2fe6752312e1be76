#pragma once
// GL framebuffer objects for combinations of render-target and depth views, made on first
// use and kept while their textures live. Internal to the gpu layer.
#include <cstdint>
#include <memory>
#include <vector>

#include "gpu/resources.h"

namespace gpu {

class FramebufferCache {
public:
    explicit FramebufferCache(uint32_t generation) : generation_(generation) {}
    ~FramebufferCache();
    FramebufferCache(const FramebufferCache&) = delete;
    FramebufferCache& operator=(const FramebufferCache&) = delete;

    // The framebuffer drawing into colour targets [0, count) (null entries stay unattached)
    // and the depth view; 0 when GL finds the combination incomplete.
    uint32_t Get(uint32_t count, const RenderTargetViewPtr* colors, const DepthStencilViewPtr& depth);
    // A framebuffer with level `mip` of one texture as colour attachment 0 (reads and blits).
    uint32_t ForTexture(const Texture2DPtr& texture, uint32_t mip);

    struct Attachment {
        const Resource* resource = nullptr;
        std::weak_ptr<Resource> alive;
        uint32_t mip = 0;
    };
private:
    struct Entry {
        std::vector<Attachment> colors;
        Attachment depth;
        uint32_t fbo = 0;
    };
    uint32_t Make(const Entry& entry);
    void DropExpired();

    uint32_t generation_;
    std::vector<Entry> entries_;
    std::vector<Attachment> scratch_;
};


}  // namespace gpu
