// Drawing a loaded model: material, frame geometry, instances in batches.
#include <algorithm>
#include <cstring>

#include "graphics/devicestate.h"
#include "graphics/model.h"
#include "graphics/texture.h"
#include "system/filewatcher.h"

namespace {

// Bytes of the material constants that carry meaning: four colours and the power.
constexpr uint32_t kMaterialConstantBytes = 68;

void BindPart(const Model::Part& part) {
    if (!part.vertices || !part.indices) return;
    const uint32_t stride = part.vertices->GetStride(), offset = 0;
    gContext->IASetVertexBuffers(0, 1, &part.vertices->GetBuffer(), &stride, &offset);
    gContext->IASetIndexBuffer(part.indices->GetBuffer(), IndexBuffer<short>::GetFormat(), 0);
}

}  // namespace

void Model::SetMaterial(size_t meshIndex) {
    if (meshIndex >= meshes_.size()) return;
    float constants[20] = {};  // 80 bytes; a material the map lacks stays all zero
    gpu::ShaderResourceViewPtr views[3];
    auto it = materials_.find(meshes_[meshIndex]->materialName);
    if (it != materials_.end()) {
        Material& m = it->second;
        std::memcpy(constants, m.ambient, 16);
        std::memcpy(constants + 4, m.diffuse, 16);
        std::memcpy(constants + 8, m.emissive, 16);
        std::memcpy(constants + 12, m.specular, 16);
        constants[16] = m.specularPower;
        const std::shared_ptr<Texture>* maps[3] = {&m.ambientMap, &m.diffuseMap, &m.emissiveMap};
        for (int i = 0; i < 3; ++i)
            if (*maps[i]) views[i] = (*maps[i])->GetView();
    }
    materialConstants_.Update(constants, kMaterialConstantBytes);
    gContext->VSSetConstantBuffers(2, 1, &materialConstants_.GetBuffer());
    gContext->PSSetConstantBuffers(2, 1, &materialConstants_.GetBuffer());
    gContext->PSSetShaderResources(0, 3, views);
}

void Model::SetGeometry(size_t meshIndex, float time) {
    if (meshIndex >= meshes_.size()) return;
    const Mesh& mesh = *meshes_[meshIndex];
    if (mesh.frames.empty()) return;
    const Frame& frame = mesh.frames[FrameIndex(time, mesh.frameRate, mesh.frames.size())];
    if (!frame.parts.empty()) BindPart(frame.parts[0]);
    gContext->VSSetShaderResources(6, 1, &instanceData_->GetView());
}

void Model::DrawInstances(size_t meshIndex, const float* matrices, size_t count, float time) {
    if (meshIndex >= meshes_.size() || !matrices) return;
    const Mesh& mesh = *meshes_[meshIndex];
    if (mesh.frames.empty()) return;
    const Frame& frame = mesh.frames[FrameIndex(time, mesh.frameRate, mesh.frames.size())];
    // SetGeometry bound the only part; a split frame binds each part before drawing it.
    const bool rebind = frame.parts.size() > 1;
    while (count > 0) {
        const uint32_t n = uint32_t(std::min<size_t>(count, kInstanceBatch));
        // Matrices are 16 contiguous floats each, the layout of GPUModelData.
        instanceData_->Update(reinterpret_cast<const GPUModelData*>(matrices), n);
        for (const Part& part : frame.parts) {
            if (!part.indices || !part.indices->GetBuffer() || part.indices->GetIndexCount() == 0) continue;
            if (rebind) BindPart(part);
            gContext->DrawIndexedInstanced(part.indices->GetIndexCount(), n, 0, 0, 0);
        }
        matrices += size_t(n) * 16;
        count -= n;
    }
}

void Model::Render(float time, const float* world) {
    if (modelWatcher_ && animationWatcher_) {
        // Both are asked, so that each change is reported and consumed once.
        const bool modelChanged = modelWatcher_->GetHasChanged();
        const bool animationChanged =
            !animationWatcher_->GetFileName().empty() && animationWatcher_->GetHasChanged();
        if (modelChanged || animationChanged) {
            const std::string modelName = modelWatcher_->GetFileName();
            const std::string animationName = animationWatcher_->GetFileName();
            Load(modelName, animationName);
        }
    }
    GPUModelData instance;
    if (world) std::memcpy(instance.world, world, sizeof(instance.world));
    for (size_t i = 0; i < meshes_.size(); ++i) {
        SetMaterial(i);
        SetGeometry(i, time);
        DrawInstances(i, instance.world, 1, time);
    }
}
