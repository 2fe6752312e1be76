#include "system/audiodecoder.h"

#include <sndfile.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "system/ffmpegaudiodecoder.h"
#include "system/log.h"

namespace {

// A read-only libsndfile stream over a byte buffer.
struct MemoryStream {
    const uint8_t* bytes;
    sf_count_t size;
    sf_count_t offset;
};

sf_count_t StreamLength(void* user) { return static_cast<MemoryStream*>(user)->size; }

sf_count_t StreamSeek(sf_count_t offset, int whence, void* user) {
    auto* s = static_cast<MemoryStream*>(user);
    sf_count_t base = whence == SEEK_CUR ? s->offset : whence == SEEK_END ? s->size : 0;
    sf_count_t target = base + offset;
    if (target < 0 || target > s->size) return -1;
    s->offset = target;
    return target;
}

sf_count_t StreamRead(void* ptr, sf_count_t count, void* user) {
    auto* s = static_cast<MemoryStream*>(user);
    sf_count_t n = std::clamp<sf_count_t>(s->size - s->offset, 0, count);
    if (n > 0) std::memcpy(ptr, s->bytes + s->offset, size_t(n));
    s->offset += n;
    return n;
}

sf_count_t StreamWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t StreamTell(void* user) { return static_cast<MemoryStream*>(user)->offset; }

// Weights of one source channel on the left and right outputs.
struct StereoGains {
    float left;
    float right;
};

StereoGains GainsFor(int position, int index) {
    constexpr float kSide = 0.70710678f;
    switch (position) {
        case SF_CHANNEL_MAP_MONO:
            return {1.0f, 1.0f};
        case SF_CHANNEL_MAP_LEFT:
        case SF_CHANNEL_MAP_FRONT_LEFT:
        case SF_CHANNEL_MAP_REAR_LEFT:
        case SF_CHANNEL_MAP_SIDE_LEFT:
        case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
        case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
        case SF_CHANNEL_MAP_TOP_REAR_LEFT:
            return {1.0f, 0.0f};
        case SF_CHANNEL_MAP_RIGHT:
        case SF_CHANNEL_MAP_FRONT_RIGHT:
        case SF_CHANNEL_MAP_REAR_RIGHT:
        case SF_CHANNEL_MAP_SIDE_RIGHT:
        case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
        case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
        case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
            return {0.0f, 1.0f};
        case SF_CHANNEL_MAP_LFE:
            return {0.0f, 0.0f};
        case SF_CHANNEL_MAP_INVALID:
            // No map: the common WAV order FL FR FC LFE BL BR SL SR, extra channels alternating.
            if (index == 2) return {kSide, kSide};
            if (index == 3) return {0.0f, 0.0f};
            return index % 2 == 0 ? StereoGains{1.0f, 0.0f} : StereoGains{0.0f, 1.0f};
        default:  // centre and other middle positions
            return {kSide, kSide};
    }
}

// Per-channel gains for a mix-down to stereo, normalised so that full-scale input on every
// channel cannot exceed full scale on either side.
std::vector<StereoGains> MixdownGains(SNDFILE* file, int channels) {
    std::vector<int> map(size_t(channels), SF_CHANNEL_MAP_INVALID);
    if (channels > 2 &&
        sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), int(map.size() * sizeof(int))) != SF_TRUE) {
        std::fill(map.begin(), map.end(), int(SF_CHANNEL_MAP_INVALID));
    }
    std::vector<StereoGains> gains(static_cast<size_t>(channels));
    if (channels == 1) {
        gains[0] = {1.0f, 1.0f};
        return gains;
    }
    if (channels == 2) {
        gains[0] = {1.0f, 0.0f};
        gains[1] = {0.0f, 1.0f};
        return gains;
    }
    float sumLeft = 0.0f, sumRight = 0.0f;
    for (int c = 0; c < channels; ++c) {
        gains[size_t(c)] = GainsFor(map[size_t(c)], c);
        sumLeft += gains[size_t(c)].left;
        sumRight += gains[size_t(c)].right;
    }
    for (StereoGains& g : gains) {
        if (sumLeft > 0.0f) g.left /= sumLeft;
        if (sumRight > 0.0f) g.right /= sumRight;
    }
    return gains;
}

}  // namespace

size_t MaxMusicFrames() {
    constexpr uint64_t kFrameBytes = 2 * sizeof(float);
    uint64_t limit = (uint64_t(2) << 30) / kFrameBytes;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) limit = std::min<uint64_t>(limit, uint64_t(pages) * uint64_t(pageSize) / 8 / kFrameBytes);
    return size_t(limit);
}

namespace {

// Cuts a track decoded up to the limit, saying so.
void CutToLimit(const std::string& fileName, size_t maxFrames, DecodedTrack* out) {
    if (out->frames < maxFrames || out->sampleRate <= 0) return;
    out->samples.resize(maxFrames * 2);
    out->frames = maxFrames;
    LOG("Audio file '%s' is too long to hold in memory: playing its first %.1f minutes", fileName.c_str(),
        double(maxFrames) / out->sampleRate / 60.0);
}

}  // namespace

bool DecodeAudio(const uint8_t* bytes, size_t size, const std::string& fileName, DecodedTrack* out,
                 size_t maxFrames) {
    *out = DecodedTrack{};
    if (!bytes || size == 0) {
        LOG("Couldn't load audio file '%s': the file is empty", fileName.c_str());
        return false;
    }
    MemoryStream stream{bytes, sf_count_t(size), 0};
    SF_VIRTUAL_IO io{&StreamLength, &StreamSeek, &StreamRead, &StreamWrite, &StreamTell};
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &stream);
    if (!file) {
        // libsndfile knows fewer formats and sample sizes than FFmpeg: try that before giving up.
        const std::string sndfileReason = sf_strerror(nullptr);
        std::string ffmpegReason;
        if (DecodeAudioWithFfmpeg(bytes, size, out, &ffmpegReason, maxFrames)) {
            CutToLimit(fileName, maxFrames, out);
            return true;
        }
        LOG("Couldn't load audio file '%s': %s (FFmpeg: %s)", fileName.c_str(), sndfileReason.c_str(),
            ffmpegReason.c_str());
        return false;
    }
    constexpr int kMaxChannels = 64;
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1000 ||
        info.samplerate > 768000) {
        LOG("Couldn't load audio file '%s': unsupported layout (%d channels at %d Hz)", fileName.c_str(),
            info.channels, info.samplerate);
        sf_close(file);
        return false;
    }
    // Integer formats come out in [-1, 1].
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    const int channels = info.channels;
    const std::vector<StereoGains> gains = MixdownGains(file, channels);
    // The header's frame count is only an estimate for some formats (MP3) and may be corrupt:
    // reserve from it within reason, then read until the decoder gives nothing more.
    constexpr sf_count_t kReserveLimit = sf_count_t(1) << 26;
    if (info.frames > 0 && info.frames < kReserveLimit)
        out->samples.reserve(std::min(size_t(info.frames), maxFrames) * 2);

    constexpr int kChunkFrames = 4096;
    std::vector<float> chunk(size_t(kChunkFrames) * size_t(channels));
    while (out->samples.size() / 2 < maxFrames) {
        sf_count_t got = sf_readf_float(file, chunk.data(), kChunkFrames);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got; ++f) {
            const float* in = chunk.data() + size_t(f) * size_t(channels);
            float left = 0.0f, right = 0.0f;
            for (int c = 0; c < channels; ++c) {
                left += in[c] * gains[size_t(c)].left;
                right += in[c] * gains[size_t(c)].right;
            }
            out->samples.push_back(left);
            out->samples.push_back(right);
        }
    }
    int error = sf_error(file);
    std::string reason = error != SF_ERR_NO_ERROR ? sf_strerror(file) : "no audio samples";
    sf_close(file);

    out->frames = out->samples.size() / 2;
    out->sampleRate = info.samplerate;
    if (out->frames == 0) {
        std::string ffmpegReason;
        if (DecodeAudioWithFfmpeg(bytes, size, out, &ffmpegReason, maxFrames)) {
            CutToLimit(fileName, maxFrames, out);
            return true;
        }
        LOG("Couldn't load audio file '%s': %s (FFmpeg: %s)", fileName.c_str(), reason.c_str(), ffmpegReason.c_str());
        *out = DecodedTrack{};
        return false;
    }
    CutToLimit(fileName, maxFrames, out);
    // A truncated file plays what could be decoded.
    if (error != SF_ERR_NO_ERROR) {
        LOG("Audio file '%s' is damaged, playing the %.3f seconds that decode: %s", fileName.c_str(),
            double(out->frames) / info.samplerate, reason.c_str());
    }
    out->samples.shrink_to_fit();
    return true;
}
