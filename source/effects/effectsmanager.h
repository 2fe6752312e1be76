#pragma once
// Owns the show: the demo script and its watcher, the top-level effects, the script's timing
// attributes, the frame chain the effects draw into and the final composite through
// "final.fx" to the back buffer.
#include <memory>
#include <string>

#include "effects/effect.h"
#include "effects/progresscallback.h"

class DynamicTexture;
class DynamicTexturePair;
class FileWatcher;
class Shader;

namespace Effects {

class EffectsManager {
public:
    EffectsManager();
    ~EffectsManager();
    EffectsManager(const EffectsManager&) = delete;
    EffectsManager& operator=(const EffectsManager&) = delete;

    // Builds the members, starts the audio service and loads the script. A failed load
    // leaves the manager running with no effects.
    void Init(bool transport, bool silent, const ProgressCallback& progress, const std::string& demoFile);
    // (Re)reads the script, loads the music and creates and initialises the effects. On
    // failure the effect list is left empty, so nothing half-made is ever drawn.
    bool Load(const ProgressCallback& progress);
    // One live frame: script reload, pause throttle, playback keys, music clock, Draw.
    void Tick();
    // One frame at music time t (seconds).
    void Draw(double t);
    // Stops the music and releases everything.
    void Shutdown();

    // Script time of a music time: bpm / 60 * t + timeOffset.
    double ScriptTime(double t) const { return bpm_ / 60.0 * t + timeOffset_; }
    double GetBpm() const { return bpm_; }
    double GetTimeOffset() const { return timeOffset_; }
    double GetVolume() const { return volume_; }
    // The music time of the last Draw (seconds).
    double GetLastTime() const { return lastTime_; }
    const EffectList& GetEffects() const { return effects_; }
    DynamicTexturePair* GetFrameChain() { return frameChain_.get(); }

private:
    void ApplyPlaybackKeys();

    std::unique_ptr<FileWatcher> script_;
    EffectList effects_;
    double timeOffset_ = 0.0;
    double bpm_ = 60.0;
    double volume_ = 1.0;
    double lastTime_ = 0.0;
    bool transport_ = false;
    bool silent_ = false;
    std::unique_ptr<Shader> finalShader_;
    std::unique_ptr<DynamicTexturePair> frameChain_;
    std::unique_ptr<DynamicTexture> resolveTexture_;
};

}  // namespace Effects
