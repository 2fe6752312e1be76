#include "graphics/matrices.h"

#include <cmath>

#include <glm/geometric.hpp>

namespace {

// A unit vector, or `fallback` when v has no usable length.
glm::vec3 NormalizeOr(const glm::vec3& v, const glm::vec3& fallback) {
    const float length = std::sqrt(glm::dot(v, v));
    if (!(length > 0.0f) || !std::isfinite(length)) return fallback;
    return v / length;
}

}  // namespace

glm::mat4 MatrixIdentity() { return glm::mat4(1.0f); }

glm::mat4 MatrixRotationYawPitchRoll(float yaw, float pitch, float roll) {
    const float sy = std::sin(yaw * 0.5f), cy = std::cos(yaw * 0.5f);
    const float sp = std::sin(pitch * 0.5f), cp = std::cos(pitch * 0.5f);
    const float sr = std::sin(roll * 0.5f), cr = std::cos(roll * 0.5f);
    const float x = cy * sp * cr + sy * cp * sr;
    const float y = sy * cp * cr - cy * sp * sr;
    const float z = cy * cp * sr - sy * sp * cr;
    const float w = cy * cp * cr + sy * sp * sr;

    glm::mat4 m(1.0f);
    m[0][0] = 1.0f - 2.0f * (y * y + z * z);
    m[0][1] = 2.0f * (x * y + z * w);
    m[0][2] = 2.0f * (x * z - y * w);
    m[1][0] = 2.0f * (x * y - z * w);
    m[1][1] = 1.0f - 2.0f * (x * x + z * z);
    m[1][2] = 2.0f * (y * z + x * w);
    m[2][0] = 2.0f * (x * z + y * w);
    m[2][1] = 2.0f * (y * z - x * w);
    m[2][2] = 1.0f - 2.0f * (x * x + y * y);
    return m;
}

glm::mat4 MatrixRotationDegrees(const vec3& degrees) {
    return MatrixRotationYawPitchRoll(degrees.x * kDegreesToRadians, degrees.y * kDegreesToRadians,
                                      degrees.z * kDegreesToRadians);
}

glm::mat4 MatrixRotationY(float radians) {
    const float s = std::sin(radians), c = std::cos(radians);
    glm::mat4 m(1.0f);
    m[0][0] = c;
    m[0][2] = -s;
    m[2][0] = s;
    m[2][2] = c;
    return m;
}

glm::mat4 MatrixRotationZ(float radians) {
    const float s = std::sin(radians), c = std::cos(radians);
    glm::mat4 m(1.0f);
    m[0][0] = c;
    m[0][1] = s;
    m[1][0] = -s;
    m[1][1] = c;
    return m;
}

glm::mat4 MatrixTranslation(float x, float y, float z) {
    glm::mat4 m(1.0f);
    m[3] = glm::vec4(x, y, z, 1.0f);
    return m;
}

glm::mat4 MatrixScaling(float s) {
    glm::mat4 m(1.0f);
    m[0][0] = m[1][1] = m[2][2] = s;
    return m;
}

glm::mat4 MatrixMultiply(const glm::mat4& a, const glm::mat4& b) {
    glm::mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    return r;
}

glm::mat4 MatrixTranspose(const glm::mat4& m) {
    glm::mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r[i][j] = m[j][i];
    return r;
}

glm::mat4 MatrixLookToLH(const glm::vec3& eye, const glm::vec3& direction, const glm::vec3& up) {
    // A zero direction, or one parallel to up, has no basis: fall back to a fixed axis so
    // the view stays finite instead of filling every later product with NaN.
    const glm::vec3 zAxis = NormalizeOr(direction, glm::vec3(0.0f, 0.0f, 1.0f));
    const glm::vec3 xAxis = NormalizeOr(glm::cross(up, zAxis), NormalizeOr(glm::cross(glm::vec3(0, 0, 1), zAxis),
                                                                           glm::vec3(1.0f, 0.0f, 0.0f)));
    const glm::vec3 yAxis = glm::cross(zAxis, xAxis);
    glm::mat4 m(1.0f);
    for (int row = 0; row < 3; ++row) {
        m[row][0] = xAxis[row];
        m[row][1] = yAxis[row];
        m[row][2] = zAxis[row];
        m[row][3] = 0.0f;
    }
    m[3] = glm::vec4(-glm::dot(xAxis, eye), -glm::dot(yAxis, eye), -glm::dot(zAxis, eye), 1.0f);
    return m;
}

glm::mat4 MatrixPerspectiveFovRH(float fovY, float aspect, float zNear, float zFar) {
    const float h = std::cos(fovY * 0.5f) / std::sin(fovY * 0.5f);
    const float w = h / aspect;
    const float f = zFar / (zNear - zFar);
    glm::mat4 m(0.0f);
    m[0][0] = w;
    m[1][1] = h;
    m[2][2] = f;
    m[2][3] = -1.0f;
    m[3][2] = zNear * f;
    return m;
}

glm::vec4 TransformRow(const glm::vec4& v, const glm::mat4& m) {
    return v.x * m[0] + v.y * m[1] + v.z * m[2] + v.w * m[3];
}
