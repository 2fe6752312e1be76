#include "effects/billboardeffect.h"

#include <algorithm>

#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"
#include "graphics/texture.h"

namespace Effects {
namespace {
const std::string kShaderFile = "billboards.fx";
const std::string kPixelEntry = "PS";
}  // namespace

BillboardEffect::BillboardEffect(uint32_t capacity, std::string vertexEntry, bool writeDepth)
    : instances_(capacity), vertexEntry_(std::move(vertexEntry)), writeDepth_(writeDepth) {}

BillboardEffect::~BillboardEffect() = default;

bool BillboardEffect::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>(kShaderFile);
    shader_->LoadVS(vertexEntry_);
    shader_->LoadPS(kPixelEntry);
    texture_ = std::make_unique<Texture>(GetParamString("texture", ""));
    return true;
}

void BillboardEffect::GenerateInstances(double time) {
    BuildRecords(time, records_);
    const uint32_t count = uint32_t(std::min<size_t>(records_.size(), instances_.GetCapacity()));
    instances_.Update(records_.data(), count);
}

void BillboardEffect::Render(double time, DynamicTexturePair& frameChain) {
    GenerateInstances(time);
    if (!shader_ || !shader_->Set(kPixelEntry, vertexEntry_)) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
        return;
    }

    gContext->OMSetBlendState(gBlendAdditive, nullptr, 0xFFFFFFFFu);
    gContext->OMSetRenderTargets(1, &frameChain.GetCurrent().GetTarget(), gDepthStencilView);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->OMSetDepthStencilState(writeDepth_ ? gDepthReadWrite : gDepthReadOnly, 1);

    const uint32_t stride = 32, offset = 0;
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->PSSetShaderResources(0, 1, &texture_->GetView());
    gContext->VSSetShaderResources(5, 1, &instances_.GetView());
    if (instances_.GetUsed() > 0) gContext->DrawInstanced(4, instances_.GetUsed(), 0, 0);

    gContext->OMSetDepthStencilState(gDepthOff, 1);
    gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xFFFFFFFFu);
}

void BillboardEffect::AppendBox(std::vector<BillboardRecord>& records, const vec3& centre, float size, float fade) {
    const float h = size * 0.5f;
    const vec3 axes[3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    for (const vec3& axis : axes) {
        for (float side : {-1.0f, 1.0f}) {
            const vec3 faceCentre{centre.x + side * h * axis.x, centre.y + side * h * axis.y,
                                  centre.z + side * h * axis.z};
            records.push_back({faceCentre, size, axis, fade});
            records.push_back({faceCentre, size, vec3{-axis.x, -axis.y, -axis.z}, fade});
        }
    }
}

std::vector<ShaderUse> BillboardEffect::GetShaderUses() const { return {{kShaderFile, {vertexEntry_}, {kPixelEntry}}}; }

}  // namespace Effects
