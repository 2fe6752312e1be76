#include "effects/camerascene.h"

#include "effects/fullscreenquad.h"
#include "graphics/camera.h"
#include "graphics/devicestate.h"
#include "graphics/matrices.h"

namespace Effects {
namespace {

struct Constants {
    glm::mat4 world;
    glm::mat4 view;
    glm::mat4 projection;
    float eye[4];
};
static_assert(sizeof(Constants) == 208, "the camera constants are 208 bytes");

}  // namespace

CameraScene::CameraScene() : constants_(sizeof(Constants)) {}

void CameraScene::Render(double time, DynamicTexturePair& frameChain) {
    gCamera.SetAnchor(GetParamVec3("anchor", time, vec3{}));
    gCamera.SetDistance(static_cast<float>(distance_.GetDouble(*this, time)));
    gCamera.SetRotation(GetParamVec3("rotation", time, vec3{}));
    gCamera.SetFov(static_cast<float>(fov_.GetDouble(*this, time)));
    gCamera.SetPostPosition(HasParam("postPosition") ? GetParam("postPosition").GetAsVec2(time) : vec2{});
    gCamera.SetMaxDepth(static_cast<float>(GetParamDouble("maxDepth", time, 3000.0)));
    gCamera.SetShake(static_cast<float>(time), static_cast<float>(GetParamDouble("shakeStrength", time, 0.0)));
    gCamera.Update();

    Constants constants;
    constants.world = MatrixIdentity();
    constants.view = MatrixTranspose(gCamera.GetView());
    constants.projection = MatrixTranspose(gCamera.GetProjection());
    const glm::vec3& eye = gCamera.GetEyePosition();
    constants.eye[0] = eye.x;
    constants.eye[1] = eye.y;
    constants.eye[2] = eye.z;
    constants.eye[3] = 0.0f;
    constants_.Update(&constants);
    BindConstants(3, constants_.GetBuffer());

    gContext->ClearDepthStencilView(gDepthStencilView, gpu::CLEAR_DEPTH, 1.0f, 0);
}

}  // namespace Effects
