#include "effects/connections.h"

#include <algorithm>
#include <cmath>

#include "effects/connectionssettings.h"
#include "effects/scenedraw.h"
#include "graphics/camera.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/filamentrenderobject.h"
#include "graphics/lightlist.h"
#include "graphics/matrices.h"
#include "graphics/model.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "system/log.h"

namespace Effects {
namespace {

struct PeopleConstants {
    float time;
    float hasTexture;
    float unused[2];
};
static_assert(sizeof(PeopleConstants) == 16, "the people constants are 16 bytes");

// The tube template: 30 rings of 15 sides, round along its whole length with ends that
// close to a point.
constexpr int kTubeRings = 30;
constexpr int kTubeSides = 15;
float TubeRadius(float x) { return std::sqrt(std::max(0.0f, std::sin(3.1415927f * x))); }

// The head light's record: a flickering pink point light, fading in over the first 10 units
// above the ground.
LightRecord HeadLight(const glm::vec3& head, double time, float u) {
    const float t = float(time);
    const float w = std::fabs(0.2f * std::sin(0.3f * t + 2.2f + u) + 0.3f * std::sin(0.1f * t + 3.3f + u) +
                              0.1f * std::sin(0.4f * t + 1.1f + u));
    const float c = (1.0f - w) * 0.7f + w;
    const float fade = std::min(1.0f, head.y / 10.0f);
    LightRecord light;
    light.type = kLightPoint;
    light.position[0] = head.x;
    light.position[1] = head.y;
    light.position[2] = head.z;
    light.colour[0] = c * fade * 1.0f;
    light.colour[1] = c * fade * 0.4f;
    light.colour[2] = c * fade * 0.5f;
    light.maxDistance = 75.0f;
    light.fallOff = 0.5f;
    return light;
}

}  // namespace

Connections::Connections() : peopleBuffer_(kMaxPeople), constants_(sizeof(PeopleConstants)) {}

Connections::~Connections() = default;

bool Connections::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    const ConnectionsSettings settings = ReadConnectionsSettings(*this);
    ConnectionsLayout layout = BuildConnectionsLayout(settings);
    hubs_ = std::move(layout.hubs);
    people_ = std::move(layout.people);

    peopleShader_ = std::make_unique<Shader>("personbillboards.fx");
    peopleShader_->LoadVS("VS");
    peopleShader_->LoadPS("PS");
    peopleTexture_ = std::make_unique<Texture>(GetParamString("texture", ""));

    tubeShader_ = std::make_unique<Shader>("filament.fx");
    tubeShader_->LoadVS("VS");
    tubeShader_->LoadPS("PS");
    const std::string tubeTexture = GetParamString("tubeTexture", "");
    tubes_.clear();
    tubes_.reserve(layout.tubes.size());
    std::vector<FilamentRenderObject::Point> points(size_t(kTubeStrands) * kTubePoints);
    for (const TubeLayout& path : layout.tubes) {
        Tube tube;
        tube.filament = std::make_unique<FilamentRenderObject>(tubeTexture, kTubeStrands, kTubePoints, kTubeRings,
                                                                kTubeSides, TubeRadius);
        for (int s = 0; s < kTubeStrands; ++s)
            for (int j = 0; j < kTubePoints; ++j) {
                const glm::vec4& p = path.strands[s][j];
                points[size_t(s) * kTubePoints + j] = {p.x, p.y, p.z, p.w};
            }
        tube.filament->UpdatePoints(points.data());
        tube.head = path.strands[0];
        tube.start = path.start;
        tube.speed = path.speed;
        tube.target = path.target;
        tubes_.push_back(std::move(tube));
    }

    launcherShader_ = std::make_unique<Shader>("3d.fx");
    launcherShader_->LoadVS("VS");
    launcherShader_->LoadPS("PS");
    const std::string modelName = launcherObj_.GetString(*this);
    launcher_ = std::make_unique<Model>();
    launcher_->Load(modelName, Model::AnimationNameFor(modelName));
    const float scale = settings.launcherScale;
    launchers_.clear();
    for (const glm::vec2& hub : hubs_)
        launchers_.push_back(MatrixTranspose(MatrixMultiply(MatrixScaling(scale), MatrixTranslation(hub.x, 0.0f, hub.y))));
    return true;
}

float Connections::FrameParam(const std::string& name, double time, float defaultValue) {
    const float value = float(GetParamDouble(name, time, defaultValue));
    if (std::isfinite(value)) return value;
    if (std::find(reportedParams_.begin(), reportedParams_.end(), name) == reportedParams_.end()) {
        LOG("Param '%s' is not a finite number: using %g", name.c_str(), defaultValue);
        reportedParams_.push_back(name);
    }
    return defaultValue;
}

void Connections::Render(double time, DynamicTexturePair& frameChain) {
    BeginDepthDraw(frameChain);
    gContext->OMSetBlendState(gBlendAlpha, nullptr, 0xffffffffu);

    DrawTubes(time);
    DrawLaunchers(time, frameChain);
    DrawPeople(time, frameChain);

    EndDepthDraw();
    gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xffffffffu);
}

void Connections::DrawTubes(double time) {
    if (!tubeShader_ || !tubeShader_->Set("PS", "VS")) return;
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    static const std::string kDiameter = "tubeDiameter", kLength = "tubeLength";
    const float diameter = FrameParam(kDiameter, time, 10.0f);
    const float length = FrameParam(kLength, time, 15.0f);
    // Lights go only into a light scene that exists, and only while it has room.
    const bool lightScene = HasCurrentLightScene();
    bool lightsAdded = false;
    for (Tube& tube : tubes_) {
        const float u = float((time - tube.start) * tube.speed);
        if (u >= 0.0f && u < float(kTubePoints) - length - 1.0f) {
            tube.filament->SetTunables(diameter, length, 1.0f);
            tube.filament->Render(nullptr, u);
        }
        glm::vec3 head;
        if (lightScene && TubeHead(tube.head, u, length, &head) && head.y > 0.0f &&
            gLightList.GetCount() < LightList::kCapacity)
            lightsAdded = gLightList.Append(HeadLight(head, time, u)) || lightsAdded;
    }
    if (lightsAdded) UploadLights();
}

void Connections::DrawLaunchers(double time, DynamicTexturePair& frameChain) {
    if (!SetSceneShader(launcherShader_.get(), frameChain)) return;
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    static const std::string kFrame = "launcherFrame";
    // Without a frame the animation plays at the local time.
    const float frame = FrameParam(kFrame, time, float(time));
    if (!launcher_ || launchers_.empty()) return;
    for (size_t mesh = 0; mesh < launcher_->GetMeshCount(); ++mesh) {
        launcher_->SetMaterial(mesh);
        launcher_->SetGeometry(mesh, frame);
        launcher_->DrawInstances(mesh, &launchers_[0][0][0], launchers_.size(), frame);
    }
}

void Connections::DrawPeople(double time, DynamicTexturePair& frameChain) {
    if (people_.empty()) return;
    SortPeopleFarthestFirst(people_, gCamera.GetEyePosition());
    peopleBuffer_.Update(people_.data(), uint32_t(people_.size()));

    if (!peopleShader_ || !peopleShader_->Set("PS", "VS")) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
        return;
    }
    const gpu::ShaderResourceViewPtr& texture = peopleTexture_->GetView();
    const PeopleConstants constants{float(time), texture ? 1.0f : 0.0f, {0.0f, 0.0f}};
    constants_.Update(&constants);
    gContext->VSSetConstantBuffers(2, 1, &constants_.GetBuffer());
    gContext->PSSetConstantBuffers(2, 1, &constants_.GetBuffer());
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    const uint32_t stride = 32, offset = 0;
    gContext->IASetVertexBuffers(0, 1, &gQuadVertexBuffer, &stride, &offset);
    gContext->PSSetShaderResources(0, 1, &texture);
    gContext->VSSetShaderResources(5, 1, &peopleBuffer_.GetView());
    gContext->DrawInstanced(4, uint32_t(people_.size()), 0, 0);
}

std::vector<ShaderUse> Connections::GetShaderUses() const {
    return {{"personbillboards.fx", {"VS"}, {"PS"}}, {"filament.fx", {"VS"}, {"PS"}}, {"3d.fx", {"VS"}, {"PS"}}};
}

}  // namespace Effects
