// Matrix helpers, the shared camera, and CameraScene with Shader3D drawing through it.
#include <gtest/gtest.h>

#include <cmath>

#include "effectscene.h"
#include "graphics/camera.h"
#include "graphics/matrices.h"
#include "scriptxml.h"
#include "support/logcapture.h"

namespace {

void ExpectNear(const glm::vec4& actual, const glm::vec4& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

// Normalised device coordinates of a world point through the camera.
glm::vec3 Project(const Camera& camera, const glm::vec3& point) {
    const glm::vec4 clip = TransformRow(glm::vec4(point, 1.0f), camera.GetViewProjection());
    return glm::vec3(clip) / clip.w;
}

// Sets the render size for the camera's aspect and restores it afterwards.
class RenderSize {
public:
    RenderSize(int width, int height) : width_(gScreenWidth), height_(gScreenHeight) {
        gScreenWidth = width;
        gScreenHeight = height;
    }
    ~RenderSize() {
        gScreenWidth = width_;
        gScreenHeight = height_;
    }

private:
    int width_, height_;
};

}  // namespace

TEST(MatricesTest, FollowTheRowVectorConventions) {
    const glm::vec4 x(1, 0, 0, 0), y(0, 1, 0, 0), z(0, 0, 1, 0);
    // Single angles: yaw turns z to +x, pitch y to +z, roll x to +y.
    ExpectNear(TransformRow(z, MatrixRotationDegrees({90, 0, 0})), x);
    ExpectNear(TransformRow(y, MatrixRotationDegrees({0, 90, 0})), z);
    ExpectNear(TransformRow(x, MatrixRotationDegrees({0, 0, 90})), y);
    ExpectNear(TransformRow(x, MatrixRotationZ(1.5707964f)), y);
    // Roll first, then pitch, then yaw.
    ExpectNear(TransformRow(x, MatrixRotationDegrees({90, 90, 0})), -z);
    ExpectNear(TransformRow(x, MatrixRotationDegrees({0, 90, 90})), z);

    // Translation in the fourth row; a product applies its left side first.
    ExpectNear(TransformRow({1, 2, 3, 1}, MatrixTranslation(4, 5, 6)), {5, 7, 9, 1});
    ExpectNear(TransformRow({1, 0, 0, 1}, MatrixMultiply(MatrixScaling(2), MatrixTranslation(1, 0, 0))), {3, 0, 0, 1});
    ExpectNear(TransformRow({1, 0, 0, 1}, MatrixMultiply(MatrixTranslation(1, 0, 0), MatrixScaling(2))), {4, 0, 0, 1});
    EXPECT_EQ(MatrixTranspose(MatrixTranslation(4, 5, 6))[0][3], 4.0f);

    // Perspective with near 1: w = h / aspect, f = far / (1 - far) twice, -1 beside it.
    const glm::mat4 p = MatrixPerspectiveFovRH(90.0f * kDegreesToRadians, 2.0f, 1.0f, 2000.0f);
    EXPECT_NEAR(p[0][0], 0.5f, 1e-6f);
    EXPECT_NEAR(p[1][1], 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(p[2][2], 2000.0f / (1.0f - 2000.0f));
    EXPECT_FLOAT_EQ(p[3][2], 2000.0f / (1.0f - 2000.0f));
    EXPECT_EQ(p[2][3], -1.0f);
    EXPECT_EQ(p[3][3], 0.0f);

    // Looking along +z from (0, 0, 10): no turn, the eye moved to the origin.
    const glm::mat4 view = MatrixLookToLH({0, 0, 10}, {0, 0, 5}, {0, 1, 0});
    ExpectNear(view[3], {0, 0, -10, 1});
    ExpectNear(view[0], {1, 0, 0, 0});
    // A direction along up, or none at all, still gives a finite view.
    for (const glm::vec3& direction : {glm::vec3(0, 3, 0), glm::vec3(0, 0, 0)}) {
        const glm::mat4 degenerate = MatrixLookToLH({1, 2, 3}, direction, {0, 1, 0});
        for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite((&degenerate[0][0])[i]));
    }
}

TEST(CameraTest, OrbitsTheNegatedAnchorAndLooksAtIt) {
    RenderSize size(64, 48);
    Camera camera;
    camera.SetDistance(10.0f);
    EXPECT_TRUE(camera.Update());
    EXPECT_NEAR(glm::distance(camera.GetEyePosition(), glm::vec3(0, 0, 10)), 0.0f, 1e-5f);
    // Looking towards -z: the origin lies straight ahead, a point behind the eye does not.
    EXPECT_NEAR(glm::length(glm::vec2(Project(camera, {0, 0, 0}))), 0.0f, 1e-6f);
    EXPECT_NEAR(glm::length(glm::vec2(Project(camera, {0, 0, -50}))), 0.0f, 1e-6f);
    EXPECT_LT(TransformRow({0, 0, 20, 1}, camera.GetViewProjection()).w, 0.0f);
    const glm::vec3 centre = Project(camera, {0, 0, 0});
    EXPECT_GT(centre.z, 0.0f);
    EXPECT_LT(centre.z, 1.0f);
    EXPECT_GT(Project(camera, {1, 0, 0}).x, 0.0f);  // +x appears to the right, +y at the top
    EXPECT_GT(Project(camera, {0, 1, 0}).y, 0.0f);

    camera.SetAnchor({1, 2, 3});
    camera.Update();
    EXPECT_NEAR(glm::distance(camera.GetEyePosition(), glm::vec3(1, 2, 7)), 0.0f, 1e-5f);
    EXPECT_NEAR(glm::length(glm::vec2(Project(camera, {1, 2, -3}))), 0.0f, 1e-6f);

    // Yaw 90 moves the eye round to +x of the anchor.
    camera.SetAnchor({0, 0, 0});
    camera.SetRotation({90, 0, 0});
    camera.Update();
    EXPECT_NEAR(glm::distance(camera.GetEyePosition(), glm::vec3(10, 0, 0)), 0.0f, 1e-5f);
    EXPECT_NEAR(glm::length(glm::vec2(Project(camera, {0, 0, 0}))), 0.0f, 1e-6f);
}

TEST(CameraTest, RebuildsOnlyOnChangeButEveryFrameWhileShaking) {
    RenderSize size(64, 48);
    Camera camera;
    camera.SetDistance(10.0f);
    EXPECT_TRUE(camera.Update());
    EXPECT_FALSE(camera.Update());

    // Equal values, and a new time without shake strength, change nothing.
    for (float t : {0.5f, 1.0f, 1.5f}) {
        camera.SetDistance(10.0f);
        camera.SetRotation({0, 0, 0});
        camera.SetAnchor({0, 0, 0});
        camera.SetFov(70.0f);
        camera.SetMaxDepth(2000.0f);
        camera.SetPostPosition({0, 0});
        camera.SetShake(t, 0.0f);
        EXPECT_FALSE(camera.Update()) << t;
    }
    camera.SetFov(60.0f);
    EXPECT_TRUE(camera.Update());

    const glm::vec3 still = camera.GetEyePosition();
    const glm::mat4 projection = camera.GetProjection();
    for (float t : {0.5f, 1.0f, 1.5f}) {
        camera.SetShake(t, 2.0f);
        EXPECT_TRUE(camera.Update()) << t;
        const glm::vec3 noise = Camera::ShakeNoise(t, 2.0f);
        EXPECT_NEAR(glm::distance(camera.GetEyePosition(), still), glm::length(noise), 1e-4f);
        EXPECT_GT(glm::length(noise), 0.0f);
        EXPECT_EQ(camera.GetProjection(), projection);  // only the view shakes
    }
    // The noise is a fixed function: strength scales it.
    EXPECT_NEAR(Camera::ShakeNoise(0.0f, 1.0f).x, std::sin(6.4f) * 0.3f + std::sin(7.4f) * 0.2f + std::sin(8.4f) * 0.1f,
                1e-6f);
    EXPECT_NEAR(Camera::ShakeNoise(0.7f, 3.0f).y, 3.0f * Camera::ShakeNoise(0.7f, 1.0f).y, 1e-5f);
}

TEST(CameraTest, PostPositionShiftsTheImageInDeviceCoordinates) {
    RenderSize size(64, 48);
    Camera camera;
    camera.SetDistance(10.0f);
    camera.Update();
    const glm::vec3 before = Project(camera, {2, 1, -4});
    camera.SetPostPosition({0.5f, 0.0f});
    EXPECT_TRUE(camera.Update());
    const glm::vec3 after = Project(camera, {2, 1, -4});
    // Half a unit of NDC: a quarter of the width.
    EXPECT_NEAR(after.x - before.x, 0.5f, 1e-5f);
    EXPECT_NEAR(after.y, before.y, 1e-6f);
    EXPECT_NEAR(after.z, before.z, 1e-6f);

    // The aspect follows the render size.
    RenderSize wide(128, 32);
    EXPECT_TRUE(camera.Update());
    EXPECT_NEAR(camera.GetProjection()[1][1] / camera.GetProjection()[0][0], 4.0f, 1e-5f);
}

namespace {

// A quad through the camera (b3) with the Shader3D world matrix (b4); red = float1,
// green = image1 (point sampled), blue 1.
const char* const kSceneShader = R"(
cbuffer Camera : register(b3) { float4x4 world; float4x4 view; float4x4 projection; float4 eye; };
cbuffer Quad : register(b4) { float4x4 quadWorld; float time; float f1; float f2; float f3; float f4; float f5; float f6; float random; };
Texture2D image1 : register(t0);
SamplerState pointClamp : register(s1);
struct VSIn { float3 position : POSITION; float2 uv : TEXCOORD; float3 normal : NORMAL; };
struct PSIn { float4 position : SV_Position; float2 uv : TEXCOORD; };
PSIn VS(VSIn v) {
    PSIn o;
    float4 p = mul(mul(float4(v.position, 1.0), world), quadWorld);
    o.position = mul(mul(p, view), projection);
    o.uv = v.uv;
    return o;
}
float4 PS(PSIn p) : SV_Target { return float4(f1, image1.Sample(pointClamp, p.uv).g, 1.0, 1.0); }
)";

std::string Quad(float red, float z, const std::string& extra = "") {
    return "<effect type=\"Shader3D\">" + Text("shader", "scene3d.fx") + Text("image1", "halfmask.png") +
           Number("float1", red) + Vec3Param("position", 0, 0, z) + extra + "</effect>";
}

}  // namespace

TEST(CameraSceneTest, DrawsShader3DQuadsWithDepthAndTheImageAspect) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    scene.Write("scene3d.fx", kSceneShader);
    // Distance 2, fov 90 on 64 x 48: the 2:1 quad at z = 0 spans 24 x 12 pixels around the
    // centre. A farther, redder quad drawn second is hidden where the first one is.
    ASSERT_TRUE(scene.Load("<effect type=\"CLS\"/><effect type=\"CameraScene\">" + Number("distance", 2) +
                           Number("fov", 90) + Quad(0.0f, 0.0f) + Quad(1.0f, -1.0f, Number("scale", 3)) + "</effect>"));
    for (int frame = 0; frame < 2; ++frame) {  // the depth buffer is cleared every frame
        scene.Frame(frame);
        const std::vector<uint8_t> pixels = scene.Current();
        const Rgba left{0, 0, 255, 255}, right{0, 255, 255, 255}, far{255, 0, 255, 255};
        EXPECT_TRUE(RgbNear(pixels, 21, 19, left)) << frame;
        EXPECT_TRUE(RgbNear(pixels, 30, 28, left)) << frame;
        EXPECT_TRUE(RgbNear(pixels, 34, 19, right)) << frame;
        EXPECT_TRUE(RgbNear(pixels, 43, 29, right)) << frame;
        // The far quad (6 x 3 units at distance 3: 48 x 24 pixels) shows around the near one.
        EXPECT_TRUE(RgbNear(pixels, 18, 24, far)) << frame;
        EXPECT_TRUE(RgbNear(pixels, 28, 14, far)) << frame;
        EXPECT_TRUE(RgbNear(pixels, 28, 33, far)) << frame;
        EXPECT_TRUE(RgbNear(pixels, 5, 24, Rgba{0, 0, 0, 255})) << frame;
        EXPECT_TRUE(RgbNear(pixels, 28, 9, Rgba{0, 0, 0, 255})) << frame;
    }
}

TEST(CameraSceneTest, MissingRequiredParamsAndBrokenShadersDoNotStopTheShow) {
    EffectScene scene;
    ASSERT_TRUE(scene.Ready());
    LogCapture log;
    // No distance or fov: reported once each; Shader3D with a missing shader draws hot pink.
    ASSERT_TRUE(scene.Load("<effect type=\"CameraScene\"><effect type=\"Shader3D\">" + Text("shader", "missing.fx") +
                           "</effect></effect>"));
    scene.Frame(0.0);
    scene.Frame(1.0);
    EXPECT_EQ(log.Count("Couldn't find param 'distance'"), 1);
    EXPECT_EQ(log.Count("Couldn't find param 'fov'"), 1);
    EXPECT_TRUE(AllNear(scene.Current(), Bytes(kHotPink), 0));
}
