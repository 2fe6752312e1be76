#include "effects/threedeetest.h"

#include "effects/scenedraw.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/matrices.h"
#include "graphics/model.h"
#include "graphics/shader.h"

namespace Effects {
namespace {

struct Constants {
    float time;
    float frame;
    float unused[2];
};
static_assert(sizeof(Constants) == 16, "ThreeDeeTest constants are 16 bytes");

}  // namespace

ThreeDeeTest::ThreeDeeTest() : constants_(sizeof(Constants)) {}

ThreeDeeTest::~ThreeDeeTest() = default;

bool ThreeDeeTest::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    shader_ = std::make_unique<Shader>(GetParamString("shader", "3d.fx"));
    shader_->LoadVS(GetParamString("vs", "VS"));
    shader_->LoadPS(GetParamString("ps", "PS"));
    const std::string modelName = GetParamString("obj", "");
    model_ = std::make_unique<Model>();
    model_->Load(modelName, Model::AnimationNameFor(modelName));
    return true;
}

void ThreeDeeTest::Render(double time, DynamicTexturePair& frameChain) {
    // The entries drawn are always "PS" and "VS", whatever `vs` and `ps` loaded.
    if (!SetSceneShader(shader_.get(), frameChain)) return;

    const float scale = static_cast<float>(GetParamDouble("scale", time, 1.0));
    const float frame = static_cast<float>(GetParamDouble("frame", time, time));
    const vec3 position = GetParamVec3("position", time, vec3{});
    const vec3 rotation = GetParamVec3("rotation", time, vec3{});
    const glm::mat4 world = MatrixMultiply(MatrixMultiply(MatrixScaling(scale), MatrixRotationDegrees(rotation)),
                                           MatrixTranslation(position.x, position.y, position.z));

    const Constants constants{static_cast<float>(time), frame, {0.0f, 0.0f}};
    constants_.Update(&constants);
    gContext->PSSetConstantBuffers(6, 1, &constants_.GetBuffer());

    BeginDepthDraw(frameChain);

    const glm::mat4 transposed = MatrixTranspose(world);
    if (model_) model_->Render(frame, &transposed[0][0]);

    EndDepthDraw();
}

std::vector<ShaderUse> ThreeDeeTest::GetShaderUses() const {
    // Loads the entries its parameters name but draws with "VS" and "PS".
    std::vector<std::string> vertex = {"VS"}, pixel = {"PS"};
    if (GetParamString("vs", "VS") != "VS") vertex.push_back(GetParamString("vs", "VS"));
    if (GetParamString("ps", "PS") != "PS") pixel.push_back(GetParamString("ps", "PS"));
    return {{GetParamString("shader", "3d.fx"), vertex, pixel}};
}

}  // namespace Effects
