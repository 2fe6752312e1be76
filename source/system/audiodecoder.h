#pragma once
// Decodes a whole music file held in memory to interleaved stereo float PCM.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The most stereo frames one music file may decode to: 2 GiB of samples (93 minutes at
// 48 kHz), or an eighth of the machine's memory where that is less. A few kilobytes of
// compressed silence can declare hours.
size_t MaxMusicFrames();

struct DecodedTrack {
    std::vector<float> samples;  // interleaved left, right
    size_t frames = 0;
    int sampleRate = 0;
};

// Decodes WAV, Ogg Vorbis, FLAC, MP3 or Opus with libsndfile, and what it refuses (FLAC of
// 12 or 20 bits, AAC, WMA, ...) with FFmpeg; formats are recognised by content, not name.
// Mono is copied to both sides; more than two channels are mixed down to stereo.
// On failure logs one line naming fileName and the decoder's reason, and returns false;
// a file that decodes to no samples counts as a failure.
// Music longer than `maxFrames` is cut there, with a log line.
bool DecodeAudio(const uint8_t* bytes, size_t size, const std::string& fileName, DecodedTrack* out,
                 size_t maxFrames = MaxMusicFrames());
