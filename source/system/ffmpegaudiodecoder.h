#pragma once
// Decodes a whole music file held in memory with FFmpeg's demuxers and decoders: the
// fallback for files that libsndfile refuses (FLAC of unusual sample sizes, AAC, WMA, ...).
#include <cstddef>
#include <cstdint>
#include <string>

#include "system/audiodecoder.h"

// Fills `out` with interleaved stereo float PCM at the file's own rate (surround is mixed
// down, mono copied to both sides). Logs nothing: on failure returns false with FFmpeg's
// reason in `reason`.
// Stops once `maxFrames` frames are decoded.
bool DecodeAudioWithFfmpeg(const uint8_t* bytes, size_t size, DecodedTrack* out, std::string* reason,
                           size_t maxFrames);
