#include "effects/effectsmanager.h"

#include <physfs.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "effects/fullscreenquad.h"
#include "effects/scriptshape.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/shader.h"
#include "platform/keystate.h"
#include "system/audio.h"
#include "system/filechangemonitor.h"
#include "system/filewatcher.h"
#include "system/globals.h"
#include "system/log.h"

namespace Effects {
namespace {

constexpr float kOpaqueRed[4] = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr float kOpaqueBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};

// Held playback keys act once; all of them must be released before any acts again.
bool gPlaybackKeyLatch = false;

bool ReadWholeFile(const std::string& name, std::vector<char>* bytes) {
    PHYSFS_File* file = PHYSFS_openRead(name.c_str());
    if (!file) return false;
    PHYSFS_sint64 length = PHYSFS_fileLength(file);
    bytes->assign(length > 0 ? static_cast<size_t>(length) : 0, 0);
    PHYSFS_sint64 read = bytes->empty() ? 0 : PHYSFS_readBytes(file, bytes->data(), bytes->size());
    bytes->resize(read > 0 ? static_cast<size_t>(read) : 0);
    PHYSFS_close(file);
    return true;
}

// The position a playback key seeks to: the current one plus a step of the script's tempo,
// truncated to whole milliseconds. The tempo comes from the script, so the step may be huge
// or not a number; the sum is clamped to [0, INT_MAX] (the audio service reads larger
// positions as a seek before the start) instead of overflowing the conversion.
unsigned SeekTarget(unsigned positionMs, double stepMs) {
    if (std::isnan(stepMs)) return positionMs;
    const double limit = static_cast<double>(std::numeric_limits<int>::max());
    const double offset = std::trunc(std::clamp(stepMs, -limit, limit));
    const double target = std::clamp(static_cast<double>(positionMs) + offset, 0.0, limit);
    return static_cast<unsigned>(target);
}

// Line and column (from 1) of a byte offset, for parse errors people can find.
void LineAndColumn(const std::vector<char>& bytes, ptrdiff_t offset, int* line, int* column) {
    *line = 1;
    *column = 1;
    for (ptrdiff_t i = 0; i < offset && i < static_cast<ptrdiff_t>(bytes.size()); ++i) {
        if (bytes[i] == '\n') {
            ++*line;
            *column = 1;
        } else {
            ++*column;
        }
    }
}

}  // namespace

EffectsManager::EffectsManager() = default;

EffectsManager::~EffectsManager() = default;

void EffectsManager::Init(bool transport, bool silent, const ProgressCallback& progress, const std::string& demoFile) {
    script_ = std::make_unique<FileWatcher>(demoFile);
    effects_.clear();
    transport_ = transport;
    silent_ = silent;
    finalShader_ = std::make_unique<Shader>("final.fx");
    finalShader_->LoadVS("VS");
    finalShader_->LoadPS("PS");
    const float width = static_cast<float>(gScreenWidth), height = static_cast<float>(gScreenHeight);
    frameChain_ = std::make_unique<DynamicTexturePair>(width, height);
    resolveTexture_ = CreateResolveTexture();
    Audio_Init();
    Load(progress);
}

bool EffectsManager::Load(const ProgressCallback& progress) {
    const std::string& name = script_->GetFileName();
    std::vector<char> bytes;
    if (!ReadWholeFile(name, &bytes)) {
        LOG("Failed to find effects manager script '%s'", name.c_str());
        return false;
    }

    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
    if (!parsed) {
        LOG("XML [%s] parsed with errors", name.c_str());
        LOG("Error description: %s", parsed.description());
        LOG("Error offset: %d", static_cast<int>(parsed.offset));
        int line = 0, column = 0;
        LineAndColumn(bytes, parsed.offset, &line, &column);
        LOG("Error position: line %d, column %d", line, column);
        return false;
    }
    LOG("XML [%s] parsed without errors", name.c_str());

    pugi::xml_node demo = document.child("demo");
    if (!demo) {
        LOG("Script '%s' has no demo element: it is not a show", name.c_str());
        return false;
    }
    const std::string audioFilename = demo.attribute("audioFilename").as_string();
    timeOffset_ = demo.attribute("timeOffset").as_double(0.0);
    bpm_ = demo.attribute("bpm").as_double(60.0);
    volume_ = demo.attribute("volume").as_double(1.0);

    const bool wasPaused = Audio_HasChannel() && Audio_IsPaused();
    if (!Audio_Load(audioFilename)) {
        LOG("Failed to load audio file '%s'", audioFilename.c_str());
        return false;
    }
    gMusicVolume = silent_ ? 0.0 : volume_;

    // Effects that were created but not initialised must never be drawn: a failed creation
    // leaves the list empty.
    if (!CheckScriptShape(demo, RenderTextureBudget()) || !Effect::LoadEffects(demo, effects_)) {
        LOG("Failed to load effects");
        effects_.clear();
        return false;
    }
    if (effects_.empty()) LOG("Script '%s' has no effects: the show is empty", name.c_str());
    const bool initialised = Effect::InitEffects(effects_, progress);
    if (gQuit) {
        // Quitting keeps no half-loaded show and starts no music.
        LOG("Loading interrupted");
        effects_.clear();
        return false;
    }
    // Effects whose initialisation failed show their failure state; the rest play.
    if (!initialised) LOG("Failed to initialise effects");
    // The music decodes while the effects initialise; this waits for it.
    if (Audio_HasChannel()) Audio_SetVolume(static_cast<float>(gMusicVolume));
    if (!wasPaused) Audio_Play();
    return initialised;
}

void EffectsManager::Tick() {
    if (script_->GetHasChanged()) {
        effects_.clear();
        Load([](float) {});
    } else if (Audio_HasChannel() && Audio_IsPaused()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    if (gHasFocus && transport_) ApplyPlaybackKeys();
    Draw(Audio_Update());
}

void EffectsManager::ApplyPlaybackKeys() {
    double step = bpm_ / 60.0;
    if (IsShiftDown()) {
        step *= 4.0;
    } else if (IsCtrlDown()) {
        step *= 0.25;
    }
    if (IsKeyDown(SDLK_SPACE)) {
        if (!gPlaybackKeyLatch) Audio_SetPaused(!Audio_IsPaused());
        gPlaybackKeyLatch = true;
    } else if (IsKeyDown(SDLK_LEFT)) {
        if (!gPlaybackKeyLatch) Audio_SetPositionMs(SeekTarget(Audio_GetPositionMs(), step * -1000.0));
        gPlaybackKeyLatch = true;
    } else if (IsKeyDown(SDLK_RIGHT)) {
        if (!gPlaybackKeyLatch) Audio_SetPositionMs(SeekTarget(Audio_GetPositionMs(), step * 1000.0));
        gPlaybackKeyLatch = true;
    } else if (IsKeyDown(SDLK_UP)) {
        if (!gPlaybackKeyLatch) Audio_SetPositionMs(0);
        gPlaybackKeyLatch = true;
    } else {
        gPlaybackKeyLatch = false;
    }
}

void EffectsManager::Draw(double t) {
    const FileChangePollScope fileChanges;
    lastTime_ = t;
    gpu::Viewport render{0.0f, 0.0f, static_cast<float>(gScreenWidth), static_cast<float>(gScreenHeight), 0.0f, 1.0f};
    gContext->RSSetViewports(1, &render);

    const double scriptTime = ScriptTime(t);
    for (const std::unique_ptr<Effect>& effect : effects_) effect->Update(scriptTime, *frameChain_);

    if (!finalShader_->Set("PS", "VS")) {
        gContext->ClearRenderTargetView(gBackBufferView, kOpaqueRed);
        return;
    }

    // The picture keeps the render aspect, centred: bars at the sides of a wider window.
    const float height = static_cast<float>(gOutputHeight);
    const float width = height * static_cast<float>(gScreenWidth) / static_cast<float>(gScreenHeight);
    gpu::Viewport composite{(static_cast<float>(gOutputWidth) - width) * 0.5f, 0.0f, width, height, 0.0f, 1.0f};

    const DynamicTexture& source = ResolveForReading(frameChain_->GetCurrent(), resolveTexture_.get());
    gContext->OMSetRenderTargets(1, &gBackBufferView, nullptr);
    if (composite.TopLeftX != 0.0f || width != static_cast<float>(gOutputWidth)) {
        gContext->ClearRenderTargetView(gBackBufferView, kOpaqueBlack);  // the bars
    }
    gContext->RSSetViewports(1, &composite);
    BindTexture(0, source.GetView());
    DrawFullScreenQuad();
}

void EffectsManager::Shutdown() {
    Audio_Shutdown();
    effects_.clear();
    resolveTexture_.reset();
    frameChain_.reset();
    finalShader_.reset();
    script_.reset();
}

}  // namespace Effects
