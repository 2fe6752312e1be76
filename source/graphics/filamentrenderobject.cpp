#include "graphics/filamentrenderobject.h"

#include <algorithm>

#include "graphics/devicestate.h"
#include "system/log.h"

namespace {
struct PointConstants {
    float value;
    float tunable1;
    float tunable2;
    float pointsPerStrand;
    float tunable3;
    float unused[3];
};
static_assert(sizeof(PointConstants) == 32, "point constants fill the 32-byte buffer");

uint32_t PointCapacity(int strands, int points) {
    if (strands <= 0 || points <= 0) return 0;
    const uint64_t count = uint64_t(strands) * uint64_t(points);
    return count > (UINT32_MAX / 16) ? 0 : uint32_t(count);
}
}  // namespace

FilamentRenderObject::FilamentRenderObject(const std::string& textureName, int strandCount, int pointsPerStrand,
                                           int rings, int sides, const RadiusProfile& profile)
    : pointConstants_(32),
      strandCount_(std::max(strandCount, 0)),
      pointsPerStrand_(std::max(pointsPerStrand, 0)),
      points_(PointCapacity(strandCount, pointsPerStrand)),
      texture_(textureName) {
    if (!TubeShapeValid(rings, sides)) {
        LOG("Failed to build a tube of %d rings and %d sides", rings, sides);
        return;
    }
    const std::vector<SVertexDesc> vertices = BuildTubeVertices(rings, sides, profile);
    const std::vector<uint16_t> indices = BuildTubeIndices(rings, sides);
    tubeVertices_ = std::make_shared<VertexBuffer<SVertexDesc>>(uint32_t(vertices.size()));
    tubeVertices_->UpdateVertices(vertices.data(), uint32_t(vertices.size()));
    tubeIndices_ = std::make_shared<IndexBuffer<unsigned short>>(uint32_t(indices.size()));
    tubeIndices_->UpdateIndices(indices.data(), uint32_t(indices.size()));
}

void FilamentRenderObject::UpdatePoints(const Point* points) {
    if (points) points_.Update(points, points_.GetCapacity());
}

void FilamentRenderObject::Render(const float* /*world*/, float value) {
    const PointConstants constants = {value, tunable1_, tunable2_, float(pointsPerStrand_), tunable3_, {0, 0, 0}};
    pointConstants_.Update(&constants);
    gContext->VSSetConstantBuffers(2, 1, &pointConstants_.GetBuffer());
    gContext->PSSetConstantBuffers(2, 1, &pointConstants_.GetBuffer());
    gContext->VSSetShaderResources(7, 1, &points_.GetView());
    gContext->PSSetShaderResources(0, 1, &texture_.GetView());

    if (!tubeVertices_ || !tubeIndices_ || !tubeVertices_->GetBuffer() || !tubeIndices_->GetBuffer()) return;
    if (strandCount_ == 0 || !points_.GetView()) return;
    const uint32_t stride = tubeVertices_->GetStride(), offset = 0;
    gContext->IASetVertexBuffers(0, 1, &tubeVertices_->GetBuffer(), &stride, &offset);
    gContext->IASetIndexBuffer(tubeIndices_->GetBuffer(), IndexBuffer<unsigned short>::GetFormat(), 0);
    gContext->DrawIndexedInstanced(tubeIndices_->GetIndexCount(), uint32_t(strandCount_), 0, 0, 0);
}
