#pragma once
// A cloud of double-sided random triangles, built once at initialisation from the seeded
// random sequence: each triangle's centre lies in a ball of random radius, its corners
// spread randomly around the centre. Drawn lit with depth into the current frame.
//   shader "3d.fx" (VS, PS)
#include <memory>
#include <vector>

#include "effects/effect.h"
#include "graphics/vertex.h"

class Shader;
class TrianglesRenderObject;

namespace Effects {

class Floaters : public Effect {
public:
    // More triangles than this are not built.
    static constexpr int kMaxCount = 100000;

    struct Settings {
        int count = 100;
        float minSphereSize = 250.0f, maxSphereSize = 250.0f;
        float minTriangleSize = 5.0f, maxTriangleSize = 5.0f;
    };

    Floaters();
    ~Floaters() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    // Six vertices per triangle: the front (corners 1, 2, 3, normal n), then the back
    // (corners 3, 2, 1, normal -n). `state` is the random state to start from.
    static std::vector<SVertexDesc> BuildTriangles(const Settings& settings, uint32_t state);

    const TrianglesRenderObject* GetTriangles() const { return triangles_.get(); }

private:
    std::unique_ptr<Shader> shader_;
    std::unique_ptr<TrianglesRenderObject> triangles_;
};

}  // namespace Effects
