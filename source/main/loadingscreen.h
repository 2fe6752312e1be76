#pragma once
// The picture shown while the show loads: "loading1.png" and "loading2.png" blended by
// "loading.fx", which receives the loading progress.
#include <chrono>
#include <memory>

class ConstantBuffer;
class Shader;
class Texture;

class LoadingScreen {
public:
    // One display refresh: the shortest time between two frames of the loading screen.
    static constexpr double kRefreshInterval = 1.0 / 60.0;

    // Loads the two images and the shader; failures are logged by their classes.
    // Frames are drawn at most once per `minimumInterval` seconds of wall time; 0 draws
    // every new value.
    explicit LoadingScreen(double minimumInterval = kRefreshInterval);
    ~LoadingScreen();
    LoadingScreen(const LoadingScreen&) = delete;
    LoadingScreen& operator=(const LoadingScreen&) = delete;

    // Draws the screen for a progress in [0, 1] and presents it at once. A value equal to
    // the last one drawn draws nothing; so does a shader that cannot be made current. So
    // that drawing never dominates loading, a frame follows the previous one only after the
    // minimum interval and after three times the previous frame's cost; values arriving
    // sooner are skipped (the next frame shows the latest). 0 and 1 are always drawn.
    void Draw(float progress);
    // Frames drawn so far, and the progress of the last one (for tests).
    int FramesDrawn() const { return framesDrawn_; }
    float LastProgress() const { return lastProgress_; }

private:
    using Clock = std::chrono::steady_clock;
    bool Render(float progress);

    std::unique_ptr<Texture> image1_;
    std::unique_ptr<Texture> image2_;
    std::unique_ptr<Shader> shader_;
    std::unique_ptr<ConstantBuffer> constants_;
    float lastProgress_ = -1.0f;
    int framesDrawn_ = 0;
    Clock::duration minimumInterval_;
    Clock::time_point nextFrame_{};
};
