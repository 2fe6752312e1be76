#include "graphics/renderableobject.h"

namespace {
// The last instance buffer created; alive as long as some renderable holds it.
std::weak_ptr<RenderableObject::InstanceBuffer> gSharedInstanceData;

std::shared_ptr<RenderableObject::InstanceBuffer> AcquireInstanceData() {
    if (auto existing = gSharedInstanceData.lock()) return existing;
    auto created = std::make_shared<RenderableObject::InstanceBuffer>(1);
    const RenderableObject::GPUModelData identity;
    created->Update(&identity, 1);
    gSharedInstanceData = created;
    return created;
}
}  // namespace

RenderableObject::RenderableObject() : instanceData_(AcquireInstanceData()), objectConstants_(kObjectConstantsSize) {}

RenderableObject::~RenderableObject() = default;
