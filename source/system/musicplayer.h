#pragma once
// The playing state of the one music track and the show's clock derived from it.
// Render runs on the sound output's thread; everything else on the main thread. One mutex
// guards the shared state; the render holds it only to copy one block.
#include <chrono>
#include <memory>
#include <mutex>

#include "system/audiodecoder.h"

class MusicPlayer {
public:
    using Clock = std::chrono::steady_clock;

    // Makes track the music, paused at its start. A null track is a silent clock without end.
    void Start(std::shared_ptr<const DecodedTrack> track, int rate);
    // Drops the music: no channel, the position reads 0.
    void Stop();
    void SetLatencyFrames(int frames);

    bool HasChannel() const;
    bool IsPaused() const;
    bool IsSilent() const;
    int Rate() const;
    // Length in frames; infinite for the silent clock, 0 without a channel.
    double LengthFrames() const;

    // Pausing freezes the clock at the position heard; resuming plays on from there.
    void SetPaused(bool paused, Clock::time_point now);
    // Jumps to frame (clamped to [0, length]); the clock reads the target at once.
    void Seek(double frame);
    void SetVolume(float volume);

    // The heard position in frames, in [0, length]; between seeks it never goes back.
    double Position(Clock::time_point now);
    // True once a playing track's last samples have been heard.
    bool HasEnded(Clock::time_point now);

    // Fills frames stereo frames of output; when is the time the output starts consuming them.
    void Render(float* stereo, int frames, Clock::time_point when);

private:
    double PositionLocked(Clock::time_point now);

    mutable std::mutex mutex_;
    std::shared_ptr<const DecodedTrack> track_;
    bool hasChannel_ = false;
    bool paused_ = true;
    int rate_ = 48000;
    double length_ = 0.0;   // frames
    long long cursor_ = 0;  // next frame to render
    float volume_ = 1.0f;
    int latency_ = 0;
    double lastReturned_ = 0.0;
    // Blocks rendered since the last seek or pause: where each began in the track, its size,
    // and when the output starts consuming it. An output may render ahead of time, so the
    // clock follows the latest block already due.
    struct Block {
        long long cursor;
        int frames;
        Clock::time_point when;
    };
    static constexpr int kBlockHistory = 8;
    Block blocks_[kBlockHistory] = {};
    int blockCount_ = 0;  // valid entries, newest at (next_ - 1)
    int next_ = 0;
};
