#include "effects/floaters.h"

#include <cmath>

#include "effects/finiteparam.h"
#include "effects/scenedraw.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"
#include "graphics/trianglesrenderobject.h"
#include "system/globals.h"
#include "system/log.h"
#include "system/random.h"

namespace Effects {
namespace {

vec3 Add(const vec3& a, const vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
vec3 Sub(const vec3& a, const vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
vec3 Scale(const vec3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }

// (2u - 1) for three consecutive draws: a point of the cube [-1, 1]^3.
vec3 CubePoint(uint32_t& state) {
    const float x = 2.0f * RandomDraw(state) - 1.0f;
    const float y = 2.0f * RandomDraw(state) - 1.0f;
    const float z = 2.0f * RandomDraw(state) - 1.0f;
    return {x, y, z};
}

vec3 UnitNormal(const vec3& a, const vec3& b) {
    const vec3 n{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    // A degenerate triangle covers no pixels; it still gets a usable normal.
    if (!(length > 0.0f) || !std::isfinite(length)) return {0.0f, 1.0f, 0.0f};
    return Scale(n, 1.0f / length);
}

}  // namespace

Floaters::Floaters() = default;

Floaters::~Floaters() = default;

std::vector<SVertexDesc> Floaters::BuildTriangles(const Settings& settings, uint32_t state) {
    std::vector<SVertexDesc> vertices;
    if (settings.count <= 0) return vertices;
    vertices.reserve(size_t(settings.count) * 6);
    for (int i = 0; i < settings.count; ++i) {
        // Rejection sampling inside the unit ball; rejected draws stay consumed. The radius,
        // spread and corners continue the sequence after the accepted three.
        vec3 p = CubePoint(state);
        while (std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) > 1.0f) p = CubePoint(state);
        const float radius = RandomRange(state, settings.minSphereSize, settings.maxSphereSize);
        const vec3 centre = Scale(p, radius);  // p is not normalised: centres fill the ball
        const float spread = RandomRange(state, settings.minTriangleSize, settings.maxTriangleSize);
        vec3 corners[3];
        for (vec3& corner : corners) corner = Add(centre, Scale(CubePoint(state), spread));

        const vec3 n = UnitNormal(Sub(corners[1], corners[0]), Sub(corners[2], corners[0]));
        const vec3 back = Scale(n, -1.0f);
        for (int c : {0, 1, 2}) vertices.push_back({corners[c], vec2{}, n});
        for (int c : {2, 1, 0}) vertices.push_back({corners[c], vec2{}, back});
    }
    return vertices;
}

bool Floaters::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>("3d.fx");
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");

    Settings settings;
    settings.count = GetParamInt("count", settings.count);
    if (settings.count < 0 || settings.count > kMaxCount) {
        const int used = settings.count < 0 ? 0 : kMaxCount;
        LOG("Floaters count %d is outside 0 to %d; using %d", settings.count, kMaxCount, used);
        settings.count = used;
    }
    settings.minSphereSize = FiniteParam("minSphereSize", settings.minSphereSize).GetFloat(*this, 0.0);
    settings.maxSphereSize = FiniteParam("maxSphereSize", settings.maxSphereSize).GetFloat(*this, 0.0);
    settings.minTriangleSize = FiniteParam("minTriangleSize", settings.minTriangleSize).GetFloat(*this, 0.0);
    settings.maxTriangleSize = FiniteParam("maxTriangleSize", settings.maxTriangleSize).GetFloat(*this, 0.0);

    triangles_ = std::make_unique<TrianglesRenderObject>(BuildTriangles(settings, gRandomSeed));
    return true;
}

void Floaters::Render(double time, DynamicTexturePair& frameChain) {
    if (!SetSceneShader(shader_.get(), frameChain)) return;
    BeginDepthDraw(frameChain);
    if (triangles_) triangles_->Render(nullptr, static_cast<float>(time));
    EndDepthDraw();
}

std::vector<ShaderUse> Floaters::GetShaderUses() const { return {{"3d.fx", {"VS"}, {"PS"}}}; }

}  // namespace Effects
