#pragma once
// Base of the effects that draw textured quads from a list of billboard records: every
// record is one instance of the full-screen quad's four vertices, which "billboards.fx"
// turns towards the camera or along the record's normal. Quads blend additively into the
// current frame, depth-tested against the scene. Each frame the subclass rebuilds its
// records and they are uploaded before anything is drawn, so they are current even when the
// shader fails (the frame is then cleared to hot pink).
//   shader "billboards.fx" (VS_CameraFacing or VS_NormalFacing, PS); records t5 (vertex
//   stage); texture t0 (pixel stage); camera b3
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "graphics/structurebuffer.h"
#include "system/vec.h"

class Shader;
class Texture;

namespace Effects {

// One quad: its centre, edge length, facing normal ((0, 0, 0) for camera-facing quads) and
// brightness. A record of size 0 draws nothing.
struct BillboardRecord {
    vec3 position;
    float size = 0.0f;
    vec3 normal;
    float brightness = 0.0f;
};
static_assert(sizeof(BillboardRecord) == 32, "a billboard record is 32 bytes");

class BillboardEffect : public Effect {
public:
    ~BillboardEffect() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    // Rebuilds the records for local time t and uploads them.
    void GenerateInstances(double time);

    const std::vector<BillboardRecord>& GetRecords() const { return records_; }
    uint32_t GetInstanceCount() const { return instances_.GetUsed(); }
    const StructureBuffer<BillboardRecord>& GetInstanceBuffer() const { return instances_; }

protected:
    // capacity: records the instance buffer holds; writeDepth: the quads write depth
    // (otherwise they only test it).
    BillboardEffect(uint32_t capacity, std::string vertexEntry, bool writeDepth);

    // Replaces `records` with this frame's records (at most the capacity).
    virtual void BuildRecords(double time, std::vector<BillboardRecord>& records) = 0;

    // Appends the twelve face quads of a box of edge `size` around `centre`: the z faces,
    // then y, then x, each at -h before +h, each written facing +axis and then -axis, so one
    // of every pair faces the camera whichever side it is on.
    static void AppendBox(std::vector<BillboardRecord>& records, const vec3& centre, float size, float fade);

private:
    StructureBuffer<BillboardRecord> instances_;
    std::vector<BillboardRecord> records_;  // kept between frames to reuse its storage
    std::unique_ptr<Shader> shader_;
    std::unique_ptr<Texture> texture_;
    std::string vertexEntry_;
    bool writeDepth_;
};

}  // namespace Effects
