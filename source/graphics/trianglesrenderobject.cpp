#include "graphics/trianglesrenderobject.h"

#include <cstring>

#include "graphics/devicestate.h"

namespace {
// Same layout as a model material: ambient, diffuse, emissive, specular, power, padding.
struct ObjectConstants {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float emissive[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float specularPower = 1.0f;
    float padding[3] = {0.0f, 0.0f, 0.0f};
};
static_assert(sizeof(ObjectConstants) == 80, "object constants fill the 80-byte buffer");
}  // namespace

TrianglesRenderObject::TrianglesRenderObject(std::vector<SVertexDesc>&& vertices)
    : vertices_(std::make_shared<VertexBuffer<SVertexDesc>>(uint32_t(vertices.size()))), texture_("1x1white.png") {
    vertices_->UpdateVertices(vertices.data(), uint32_t(vertices.size()));
    std::vector<SVertexDesc>().swap(vertices);
}

void TrianglesRenderObject::Render(const float* world, float /*value*/) {
    const ObjectConstants constants;
    GPUModelData instance;
    if (world) std::memcpy(instance.world, world, sizeof(instance.world));
    instanceData_->Update(&instance, 1);
    gContext->VSSetShaderResources(6, 1, &instanceData_->GetView());

    objectConstants_.Update(&constants);
    gContext->VSSetConstantBuffers(2, 1, &objectConstants_.GetBuffer());
    gContext->PSSetConstantBuffers(2, 1, &objectConstants_.GetBuffer());

    const gpu::ShaderResourceViewPtr& white = texture_.GetView();
    const gpu::ShaderResourceViewPtr views[3] = {white, white, white};
    gContext->PSSetShaderResources(0, 3, views);

    if (!vertices_->GetBuffer() || vertices_->GetVertexCount() == 0) return;
    const uint32_t stride = vertices_->GetStride(), offset = 0;
    gContext->IASetVertexBuffers(0, 1, &vertices_->GetBuffer(), &stride, &offset);
    gContext->DrawInstanced(vertices_->GetVertexCount(), 1, 0, 0);
}
