#include "system/audio.h"

#include <physfs.h>

#include <cmath>
#include <future>
#include <limits>
#include <memory>
#include <vector>

#include "platform/soundoutput.h"
#include "system/audiodecoder.h"
#include "system/filewatcher.h"
#include "system/globals.h"
#include "system/log.h"
#include "system/musicplayer.h"

double gMusicVolume = 1.0;

namespace {

// The rate of the silent clock that stands in for music that does not decode.
constexpr int kSilentRate = 48000;

struct AudioState {
    bool initialised = false;
    bool forceNull = false;
    std::string currentFileName;
    std::shared_ptr<const DecodedTrack> track;
    // A track still decoding on its own thread: loading goes on meanwhile, and the first
    // question about the music waits for it (see Settle).
    std::future<std::shared_ptr<const DecodedTrack>> decoding;
    MusicPlayer player;
    std::unique_ptr<SoundOutput> output;
    bool ended = false;
    double endSeconds = 0.0;
};

AudioState& State() {
    static AudioState state;
    return state;
}

void StartPlayback(AudioState& s);

// Takes the decoded track, once decoding is done, and starts it paused at 0 (a silent clock
// when it did not decode).
AudioState& Settle(AudioState& s) {
    if (s.decoding.valid()) {
        s.track = s.decoding.get();
        StartPlayback(s);
    }
    return s;
}

AudioState& Settled() { return Settle(State()); }

// Stops the output first, so that the render callback never sees a half-replaced track.
void DropMusic(AudioState& s) {
    if (s.decoding.valid()) s.decoding.wait();
    s.decoding = {};
    s.output.reset();
    s.player.Stop();
    s.track.reset();
    s.ended = false;
    s.endSeconds = 0.0;
}

// Reads a whole file from the data file system; false when it cannot be opened.
bool ReadFile(const std::string& fileName, std::vector<uint8_t>* bytes) {
    PHYSFS_File* file = PHYSFS_isInit() ? PHYSFS_openRead(fileName.c_str()) : nullptr;
    if (!file) return false;
    PHYSFS_sint64 length = PHYSFS_fileLength(file);
    bytes->resize(length > 0 ? size_t(length) : 0);
    PHYSFS_sint64 got = bytes->empty() ? 0 : PHYSFS_readBytes(file, bytes->data(), bytes->size());
    PHYSFS_close(file);
    bytes->resize(got > 0 ? size_t(got) : 0);
    return length >= 0;
}

// Starts the loaded track paused at 0, or a silent clock without end when there is none.
void StartPlayback(AudioState& s) {
    int rate = s.track ? s.track->sampleRate : kSilentRate;
    s.player.Start(s.track, rate);
    MusicPlayer* player = &s.player;
    s.output = OpenSoundOutput(rate, s.forceNull || !s.track,
                               [player](float* out, int frames, SoundOutput::Clock::time_point when) {
                                   player->Render(out, frames, when);
                               });
    s.player.SetLatencyFrames(s.output->LatencyFrames());
}

double FramesToSeconds(double frames, int rate) {
    // Whole milliseconds, divided in single precision, as the clock has always been reported.
    unsigned ms = unsigned(std::min(frames * 1000.0 / rate, double(std::numeric_limits<unsigned>::max())));
    return double(float(ms) / 1000.0f);
}

}  // namespace

void Audio_SetNullOutput(bool useNullOutput) { State().forceNull = useNullOutput; }

void Audio_Init() {
    AudioState& s = State();
    if (s.initialised) return;
    s.initialised = true;
    if (!s.forceNull) SoundOutput_InitDevices();
}

bool Audio_Load(const std::string& fileName) {
    AudioState& s = Settled();
    if (fileName == s.currentFileName) {
        // A script that names no music plays on a silent clock rather than standing at 0.
        if (fileName.empty() && !s.player.HasChannel()) StartPlayback(s);
        return true;
    }
    DropMusic(s);
    s.currentFileName = fileName;

    std::vector<uint8_t> bytes;
    if (!ReadFile(fileName, &bytes)) {
        LOG("Couldn't load audio file '%s'", fileName.c_str());
        return false;
    }
    // Undecodable music becomes a silent clock, so the show still runs in time.
    s.decoding = std::async(std::launch::async, [bytes = std::move(bytes), fileName]() {
        auto track = std::make_shared<DecodedTrack>();
        return DecodeAudio(bytes.data(), bytes.size(), fileName, track.get()) ? std::shared_ptr<const DecodedTrack>(track)
                                                                               : nullptr;
    });
    // Register the file with the change table now, so an edit after loading is noticed.
    HasFileChanged(fileName);
    return true;
}

void Audio_Play() {
    AudioState& s = Settled();
    if (!s.player.IsPaused()) return;
    s.player.Seek(0.0);
    s.player.SetVolume(float(gMusicVolume));
    s.player.SetPaused(false, MusicPlayer::Clock::now());
}

double Audio_Update() {
    AudioState& s = Settled();
    if (!s.currentFileName.empty() && HasFileChanged(s.currentFileName) && s.player.IsPaused()) {
        // An edited music file is not reloaded; it resumes paused music where it stood.
        s.player.SetVolume(float(gMusicVolume));
        s.player.SetPaused(false, MusicPlayer::Clock::now());
    }
    if (s.ended) return s.endSeconds;
    if (!s.player.HasChannel()) return 0.0;

    auto now = MusicPlayer::Clock::now();
    if (s.player.HasEnded(now)) {
        s.endSeconds = FramesToSeconds(s.player.LengthFrames(), s.player.Rate());
        s.output.reset();
        s.player.Stop();
        s.ended = true;
        gQuit = true;
        return s.endSeconds;
    }
    return FramesToSeconds(s.player.Position(now), s.player.Rate());
}

void Audio_Shutdown() {
    AudioState& s = State();
    DropMusic(s);
    s.currentFileName.clear();
    if (s.initialised) SoundOutput_ShutdownDevices();
    s.initialised = false;
}

bool Audio_HasChannel() { return Settled().player.HasChannel(); }

bool Audio_IsPaused() { return Settled().player.IsPaused(); }

void Audio_SetPaused(bool paused) { Settled().player.SetPaused(paused, MusicPlayer::Clock::now()); }

unsigned Audio_GetPositionMs() {
    MusicPlayer& player = Settled().player;
    if (!player.HasChannel()) return 0;
    double ms = player.Position(MusicPlayer::Clock::now()) * 1000.0 / player.Rate();
    return unsigned(std::min(ms, double(std::numeric_limits<unsigned>::max())));
}

void Audio_SetPositionMs(unsigned positionMs) {
    MusicPlayer& player = Settled().player;
    if (!player.HasChannel()) return;
    long long ms = positionMs > unsigned(std::numeric_limits<int>::max()) ? 0 : (long long)positionMs;
    player.Seek(double(ms) * player.Rate() / 1000.0);
}

void Audio_SetVolume(float volume) { Settled().player.SetVolume(volume); }

bool Audio_GetTrack(const float** interleavedStereo, size_t* frames, int* sampleRate) {
    const AudioState& s = Settled();
    if (!s.track) return false;
    *interleavedStereo = s.track->samples.data();
    *frames = s.track->frames;
    *sampleRate = s.track->sampleRate;
    return true;
}
