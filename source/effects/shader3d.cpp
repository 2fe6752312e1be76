#include "effects/shader3d.h"

#include "effects/fullscreenquad.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/matrices.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "system/globals.h"

namespace Effects {
namespace {

struct Constants {
    glm::mat4 world;
    float time;
    float values[6];
    float random;
};
static_assert(sizeof(Constants) == 96, "Shader3D constants are 96 bytes");

}  // namespace

Shader3D::Shader3D() : constants_(sizeof(Constants)) {}

Shader3D::~Shader3D() = default;

bool Shader3D::Init(float progressStart, float progressEnd, const ProgressCallback& progress) {
    if (!Effect::Init(progressStart, progressEnd, progress)) return false;
    image1_ = std::make_unique<Texture>(GetParamString("image1", ""));
    image2_ = std::make_unique<Texture>(GetParamString("image2", ""));
    shader_ = std::make_unique<Shader>(GetParamString("shader", ""));
    shader_->LoadVS("VS");
    shader_->LoadPS("PS");
    return true;
}

void Shader3D::Render(double time, DynamicTexturePair& frameChain) {
    if (!shader_ || !shader_->Set("PS", "VS")) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
        return;
    }

    const float scale = static_cast<float>(GetParamDouble("scale", time, 1.0));
    const vec3 position = GetParamVec3("position", time, vec3{});
    const vec3 rotation = GetParamVec3("rotation", time, vec3{});

    // Fetching the views reloads changed images, and with them their size.
    const gpu::ShaderResourceViewPtr& view1 = image1_->GetView();
    const gpu::ShaderResourceViewPtr& view2 = image2_->GetView();
    // Without a usable image1 there is no aspect ratio: the quad stays square.
    float aspect = 1.0f;
    if (view1 && image1_->GetHeight() > 0.0f) aspect = image1_->GetWidth() / image1_->GetHeight();

    // Built in column-vector order: the position goes down the last column, and the quad's
    // z is flattened before it is rotated.
    glm::mat4 translation = MatrixIdentity();
    translation[0][3] = position.x;
    translation[1][3] = position.y;
    translation[2][3] = position.z;
    glm::mat4 size = MatrixIdentity();
    size[0][0] = scale * aspect;
    size[1][1] = scale;
    size[2][2] = 0.0f;

    Constants constants;
    constants.world = MatrixMultiply(MatrixMultiply(translation, MatrixRotationDegrees(rotation)), size);
    constants.time = static_cast<float>(time);
    static const char* const kNames[6] = {"float1", "float2", "float3", "float4", "float5", "float6"};
    for (int i = 0; i < 6; ++i) constants.values[i] = static_cast<float>(GetParamDouble(kNames[i], time, 0.0));
    constants.random = static_cast<float>(gRandomSeed / 4294967296.0);
    constants_.Update(&constants);
    BindConstants(4, constants_.GetBuffer());

    BindTexture(0, view1);
    BindTexture(1, view2);

    gContext->OMSetRenderTargets(1, &frameChain.GetCurrent().GetTarget(), gDepthStencilView);
    gContext->OMSetDepthStencilState(gDepthReadWrite, 1);

    gContext->OMSetBlendState(gBlendAlpha, nullptr, 0xffffffffu);
    DrawFullScreenQuad();
    gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xffffffffu);
}

std::vector<ShaderUse> Shader3D::GetShaderUses() const { return {{GetParamString("shader", ""), {"VS"}, {"PS"}}}; }

}  // namespace Effects
