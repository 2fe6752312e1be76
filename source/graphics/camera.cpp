#include "graphics/camera.h"

#include <cmath>

#include <glm/geometric.hpp>

#include "graphics/devicestate.h"
#include "graphics/matrices.h"

Camera gCamera;

namespace {
// Stores a value that differs from the one held and marks what depends on it.
template <typename T>
void Assign(T& field, const T& value, bool& dirty) {
    if (value == field) return;
    field = value;
    dirty = true;
}
}  // namespace

void Camera::SetRotation(const vec3& rotation) { Assign(rotation_, rotation, viewDirty_); }
void Camera::SetDistance(float distance) { Assign(distance_, distance, viewDirty_); }
void Camera::SetAnchor(const vec3& anchor) { Assign(anchor_, anchor, viewDirty_); }
void Camera::SetPostPosition(const vec2& postPosition) { Assign(postPosition_, postPosition, projectionDirty_); }
void Camera::SetFov(float degrees) { Assign(fov_, degrees, projectionDirty_); }
void Camera::SetMaxDepth(float maxDepth) { Assign(maxDepth_, maxDepth, projectionDirty_); }

void Camera::SetShake(float time, float strength) {
    const bool changed = strength != shakeStrength_ || (strength > 0.0f && time != shakeTime_);
    shakeTime_ = time;
    shakeStrength_ = strength;
    if (changed) viewDirty_ = true;
}

glm::vec3 Camera::ShakeNoise(float time, float strength) {
    const float s = time * 10.0f;
    const float a = 1.4f * s, b = 2.4f * s, c = 3.4f * s;
    auto noise = [&](float p0, float p1, float p2) {
        return (std::sin(a + p0) * 0.3f + std::sin(b + p1) * 0.2f + std::sin(c + p2) * 0.1f) * strength;
    };
    return {noise(6.4f, 7.4f, 8.4f), noise(3.7f, 4.7f, 5.7f), noise(0.9f, 1.9f, 2.9f)};
}

void Camera::BuildView() {
    const glm::mat4 rotation = MatrixRotationDegrees(rotation_);
    const glm::vec3 anchor(anchor_.x, anchor_.y, -anchor_.z);
    const glm::vec3 eye = anchor + distance_ * glm::vec3(rotation[2]);
    const glm::vec3 up(0.0f, 1.0f, 0.0f);
    view_ = MatrixLookToLH(eye, eye - anchor, up);

    if (shakeStrength_ > 0.0f) {
        const glm::vec3 noise = ShakeNoise(shakeTime_, shakeStrength_);
        const glm::vec3 shaken =
            eye + noise.x * glm::vec3(view_[1]) - noise.y * glm::vec3(view_[2]) - noise.z * glm::vec3(view_[0]);
        view_ = MatrixLookToLH(shaken, shaken - anchor, up);
    }

    const glm::vec3 translation(view_[3]);
    eye_ = -glm::vec3(glm::dot(glm::vec3(view_[0]), translation), glm::dot(glm::vec3(view_[1]), translation),
                      glm::dot(glm::vec3(view_[2]), translation));
}

void Camera::BuildProjection(float aspect) {
    const glm::mat4 perspective = MatrixPerspectiveFovRH(fov_ * kDegreesToRadians, aspect, 1.0f, maxDepth_);
    projection_ = MatrixMultiply(perspective, MatrixTranslation(postPosition_.x, postPosition_.y, 0.0f));
    aspect_ = aspect;
}

bool Camera::Update() {
    const float aspect =
        gScreenHeight > 0 ? static_cast<float>(gScreenWidth) / static_cast<float>(gScreenHeight) : 1.0f;
    if (aspect != aspect_) projectionDirty_ = true;
    if (!viewDirty_ && !projectionDirty_) return false;
    if (viewDirty_) BuildView();
    if (projectionDirty_) BuildProjection(aspect);
    viewProjection_ = MatrixMultiply(view_, projection_);
    viewDirty_ = projectionDirty_ = false;
    return true;
}
