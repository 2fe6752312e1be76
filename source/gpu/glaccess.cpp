#include "gpu/glaccess.h"

#include <epoxy/gl.h>

namespace gpu {

GlAccess::TextureName GlAccess::Texture(const Resource* resource) {
    if (!resource) return {};
    if (resource->GetKind() == Resource::Kind::Texture2D) {
        const auto* texture = static_cast<const Texture2D*>(resource);
        if (texture->target_ == 0) return {};
        return {texture->gl_, texture->target_};
    }
    if (resource->GetKind() == Resource::Kind::Texture1D) {
        const auto* texture = static_cast<const Texture1D*>(resource);
        return {texture->gl_, texture->target_};
    }
    if (resource->GetKind() == Resource::Kind::Texture3D) {
        return {static_cast<const Texture3D*>(resource)->gl_, GL_TEXTURE_3D};
    }
    return {};
}

}  // namespace gpu
