#include "system/ffmpegaudiodecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kIoBufferSize = 1 << 16;

// A read-only, seekable FFmpeg stream over a byte buffer.
struct MemoryStream {
    const uint8_t* bytes;
    int64_t size;
    int64_t offset;
};

int StreamRead(void* user, uint8_t* out, int wanted) {
    auto* s = static_cast<MemoryStream*>(user);
    const int64_t n = std::clamp<int64_t>(s->size - s->offset, 0, wanted);
    if (n == 0) return AVERROR_EOF;
    std::memcpy(out, s->bytes + s->offset, size_t(n));
    s->offset += n;
    return int(n);
}

int64_t StreamSeek(void* user, int64_t offset, int whence) {
    auto* s = static_cast<MemoryStream*>(user);
    if (whence & AVSEEK_SIZE) return s->size;
    whence &= ~AVSEEK_FORCE;
    const int64_t base = whence == SEEK_CUR ? s->offset : whence == SEEK_END ? s->size : 0;
    const int64_t target = base + offset;
    if (target < 0 || target > s->size) return AVERROR(EINVAL);
    s->offset = target;
    return target;
}

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof(text));
    return text;
}

struct IoDeleter {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
struct FormatDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct ResamplerDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Converts decoded frames to interleaved stereo float and appends them to the track.
class StereoSink {
public:
    bool Open(const AVCodecContext* codec, std::string* reason) {
        AVChannelLayout source{};
        if (codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&source, codec->ch_layout.nb_channels);
        } else {
            av_channel_layout_copy(&source, &codec->ch_layout);
        }
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        SwrContext* raw = nullptr;
        int error = swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_FLT, codec->sample_rate, &source,
                                        codec->sample_fmt, codec->sample_rate, 0, nullptr);
        const bool mono = source.nb_channels == 1;
        av_channel_layout_uninit(&source);
        resampler_.reset(raw);
        // Mono plays at full level on both sides, not as a centre channel 3 dB down.
        const double monoToStereo[2] = {1.0, 1.0};
        if (error >= 0 && mono) error = swr_set_matrix(resampler_.get(), monoToStereo, 1);
        if (error >= 0) error = swr_init(resampler_.get());
        if (error < 0) *reason = "cannot convert the samples: " + ErrorText(error);
        return error >= 0;
    }
    // A null frame drains what the converter still holds.
    bool Append(const AVFrame* frame, std::vector<float>* samples) {
        const int in = frame ? frame->nb_samples : 0;
        const int room = swr_get_out_samples(resampler_.get(), in);
        if (room <= 0) return room == 0;
        const size_t used = samples->size();
        samples->resize(used + size_t(room) * 2);
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(samples->data() + used)};
        const int got = swr_convert(resampler_.get(), outPlanes, room,
                                    frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, in);
        samples->resize(used + size_t(std::max(got, 0)) * 2);
        return got >= 0;
    }

private:
    std::unique_ptr<SwrContext, ResamplerDeleter> resampler_;
};

// Sends one packet (null: end of stream) and converts every frame it yields.
int DecodePacket(AVCodecContext* codec, const AVPacket* packet, AVFrame* frame, StereoSink* sink,
                 std::vector<float>* samples) {
    int error = avcodec_send_packet(codec, packet);
    // A damaged packet is skipped; the decoder carries on with the next.
    if (error < 0 && error != AVERROR_EOF) return error == AVERROR_INVALIDDATA ? 0 : error;
    while ((error = avcodec_receive_frame(codec, frame)) >= 0) {
        if (frame->sample_rate == codec->sample_rate && frame->format == codec->sample_fmt)
            sink->Append(frame, samples);
        av_frame_unref(frame);
    }
    return error == AVERROR(EAGAIN) || error == AVERROR_EOF ? 0 : error;
}

}  // namespace

bool DecodeAudioWithFfmpeg(const uint8_t* bytes, size_t size, DecodedTrack* out, std::string* reason,
                           size_t maxFrames) {
    *out = DecodedTrack{};
    if (!bytes || size == 0) {
        *reason = "the file is empty";
        return false;
    }
    // The failure comes back as a reason for the log; FFmpeg's chatter need not reach stderr.
    if (av_log_get_level() > AV_LOG_ERROR) av_log_set_level(AV_LOG_ERROR);
    MemoryStream stream{bytes, int64_t(size), 0};
    auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    std::unique_ptr<AVIOContext, IoDeleter> io(
        ioBuffer ? avio_alloc_context(ioBuffer, kIoBufferSize, 0, &stream, &StreamRead, nullptr, &StreamSeek) : nullptr);
    if (!io) {
        av_free(ioBuffer);
        *reason = "out of memory";
        return false;
    }
    AVFormatContext* rawFormat = avformat_alloc_context();
    if (!rawFormat) {
        *reason = "out of memory";
        return false;
    }
    rawFormat->pb = io.get();
    rawFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
    int error = avformat_open_input(&rawFormat, nullptr, nullptr, nullptr);  // frees the context on failure
    if (error < 0) {
        *reason = ErrorText(error);
        return false;
    }
    std::unique_ptr<AVFormatContext, FormatDeleter> format(rawFormat);
    if ((error = avformat_find_stream_info(format.get(), nullptr)) < 0) {
        *reason = ErrorText(error);
        return false;
    }
    const AVCodec* decoder = nullptr;
    const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (streamIndex < 0 || !decoder) {
        *reason = streamIndex == AVERROR_DECODER_NOT_FOUND ? "no decoder for its audio" : "it holds no audio stream";
        return false;
    }
    std::unique_ptr<AVCodecContext, CodecDeleter> codec(avcodec_alloc_context3(decoder));
    if (!codec || (error = avcodec_parameters_to_context(codec.get(), format->streams[streamIndex]->codecpar)) < 0 ||
        (error = avcodec_open2(codec.get(), decoder, nullptr)) < 0) {
        *reason = codec ? ErrorText(error) : "out of memory";
        return false;
    }
    constexpr int kMaxChannels = 64;
    const int channels = codec->ch_layout.nb_channels;
    if (channels < 1 || channels > kMaxChannels || codec->sample_rate < 1000 || codec->sample_rate > 768000) {
        *reason = "unsupported layout (" + std::to_string(channels) + " channels at " +
                  std::to_string(codec->sample_rate) + " Hz)";
        return false;
    }
    StereoSink sink;
    if (!sink.Open(codec.get(), reason)) return false;

    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    if (!packet || !frame) {
        *reason = "out of memory";
        return false;
    }
    int failure = 0;
    while (out->samples.size() / 2 < maxFrames && (error = av_read_frame(format.get(), packet.get())) >= 0) {
        if (packet->stream_index == streamIndex && failure == 0)
            failure = DecodePacket(codec.get(), packet.get(), frame.get(), &sink, &out->samples);
        av_packet_unref(packet.get());
    }
    if (failure == 0) failure = DecodePacket(codec.get(), nullptr, frame.get(), &sink, &out->samples);
    sink.Append(nullptr, &out->samples);

    out->frames = out->samples.size() / 2;
    out->sampleRate = codec->sample_rate;
    if (out->frames == 0) {
        *reason = failure < 0 ? ErrorText(failure) : "no audio samples";
        *out = DecodedTrack{};
        return false;
    }
    out->samples.shrink_to_fit();
    return true;
}
