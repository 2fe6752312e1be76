#pragma once
// 4 x 4 single-precision matrices in the row-vector convention: a point is transformed as
// v x M, translations sit in the fourth row, and A x B applies A first. A glm::mat4 holds
// such a matrix with m[row][column], which is the same memory layout as GLM's own
// column-vector matrix of the same transform; use these helpers rather than GLM's
// operators, whose products run in the other order.
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include "system/vec.h"

constexpr float kDegreesToRadians = 0.017453292f;

glm::mat4 MatrixIdentity();
// Rotation from a quaternion of the three angles (radians), applied roll (about z), then
// pitch (about x), then yaw (about y).
glm::mat4 MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);
// Rotation from a vec3 of degrees: yaw = x, pitch = y, roll = z.
glm::mat4 MatrixRotationDegrees(const vec3& degrees);
glm::mat4 MatrixRotationY(float radians);
glm::mat4 MatrixRotationZ(float radians);
glm::mat4 MatrixTranslation(float x, float y, float z);
glm::mat4 MatrixScaling(float s);
// a x b: a applied first, then b.
glm::mat4 MatrixMultiply(const glm::mat4& a, const glm::mat4& b);
glm::mat4 MatrixTranspose(const glm::mat4& m);
// Left-handed view from an eye looking along a direction (normalised here).
glm::mat4 MatrixLookToLH(const glm::vec3& eye, const glm::vec3& direction, const glm::vec3& up);
// Right-handed perspective projection with depth 0..1: vertical field of view in radians.
glm::mat4 MatrixPerspectiveFovRH(float fovY, float aspect, float zNear, float zFar);
// v x m.
glm::vec4 TransformRow(const glm::vec4& v, const glm::mat4& m);
