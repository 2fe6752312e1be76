#pragma once
// The one camera shared by every 3D effect. CameraScene sets its parameters each frame;
// setters mark the view or the projection dirty only when a value really changes, and
// Update rebuilds only what is dirty. Matrices are row-major with row vectors.
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "system/vec.h"

class Camera {
public:
    // Degrees: x = yaw (about y), y = pitch (about x), z = roll (about z).
    void SetRotation(const vec3& rotation);
    void SetDistance(float distance);
    // The point looked at; its z is negated when the view is built.
    void SetAnchor(const vec3& anchor);
    // Shift of the projected image in normalised device coordinates.
    void SetPostPosition(const vec2& postPosition);
    void SetFov(float degrees);
    void SetMaxDepth(float maxDepth);
    // The shake moves the eye by a noise of the time; strength 0 switches it off, and then
    // the time alone changes nothing.
    void SetShake(float time, float strength);

    // Rebuilds the dirty matrices (the projection also when the render size's aspect has
    // changed); true when anything was rebuilt.
    bool Update();

    const glm::mat4& GetView() const { return view_; }
    const glm::mat4& GetProjection() const { return projection_; }
    const glm::mat4& GetViewProjection() const { return viewProjection_; }
    const glm::vec3& GetEyePosition() const { return eye_; }

    // The eye offset of the shake: (noise A, noise B, noise C) for the time and strength.
    static glm::vec3 ShakeNoise(float time, float strength);

private:
    void BuildView();
    void BuildProjection(float aspect);

    vec3 rotation_;
    float distance_ = 0.0f;
    vec3 anchor_;
    vec2 postPosition_;
    float fov_ = 70.0f;
    float maxDepth_ = 2000.0f;
    float shakeTime_ = 0.0f;
    float shakeStrength_ = 0.0f;
    float aspect_ = 0.0f;  // of the last projection built

    glm::mat4 view_{1.0f};
    glm::mat4 projection_{1.0f};
    glm::mat4 viewProjection_{1.0f};
    glm::vec3 eye_{0.0f};
    bool viewDirty_ = true;
    bool projectionDirty_ = true;
};

extern Camera gCamera;
