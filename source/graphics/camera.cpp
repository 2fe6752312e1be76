#include "graphics/camera.h"

#include <cmath>

#include <glm/geometric.hpp>

#include "graphics/devicestate.h"
#include "graphics/matrices.h"

Camera gCamera;

void Camera::SetRotation(const vec3& rotation) {
    if (rotation == rotation_) return;
    rotation_ = rotation;
    viewDirty_ = true;
}

void Camera::SetDistance(float distance) {
    if (distance == distance_) return;
    distance_ = distance;
    viewDirty_ = true;
}

void Camera::SetAnchor(const vec3& anchor) {
    if (anchor == anchor_) return;
    anchor_ = anchor;
    viewDirty_ = true;
}

void Camera::SetPostPosition(const vec2& postPosition) {
    if (postPosition == postPosition_) return;
    postPosition_ = postPosition;
    projectionDirty_ = true;
}

void Camera::SetFov(float degrees) {
    if (degrees == fov_) return;
    fov_ = degrees;
    projectionDirty_ = true;
}

void Camera::SetMaxDepth(float maxDepth) {
    if (maxDepth == maxDepth_) return;
    maxDepth_ = maxDepth;
    projectionDirty_ = true;
}

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
