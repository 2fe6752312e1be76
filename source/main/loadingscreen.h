#pragma once
// The picture shown while the show loads: "loading1.png" and "loading2.png" blended by
// "loading.fx", which receives the loading progress.
#include <memory>

class ConstantBuffer;
class Shader;
class Texture;

class LoadingScreen {
public:
    // Loads the two images and the shader; failures are logged by their classes.
    LoadingScreen();
    ~LoadingScreen();
    LoadingScreen(const LoadingScreen&) = delete;
    LoadingScreen& operator=(const LoadingScreen&) = delete;

    // Draws the screen for a progress in [0, 1] and presents it at once. A value equal to
    // the last one draws nothing; so does a shader that cannot be made current.
    void Draw(float progress);
    // Frames drawn so far (for tests).
    int FramesDrawn() const { return framesDrawn_; }

private:
    std::unique_ptr<Texture> image1_;
    std::unique_ptr<Texture> image2_;
    std::unique_ptr<Shader> shader_;
    std::unique_ptr<ConstantBuffer> constants_;
    float lastProgress_ = -1.0f;
    int framesDrawn_ = 0;
};
