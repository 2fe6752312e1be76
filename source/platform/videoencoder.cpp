#include "platform/videoencoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "system/log.h"

namespace {

constexpr int64_t kVideoBitRate = 4000000;
constexpr int64_t kAudioBitRate = 192000;

std::string ErrorText(int err) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    return text;
}

bool IsAsf(const AVOutputFormat* container) { return std::strcmp(container->name, "asf") == 0; }

// 4:2:0 is what every player decodes; take it when the encoder offers it.
AVPixelFormat ChoosePixelFormat(const AVCodec* codec) {
    if (!codec->pix_fmts) return AV_PIX_FMT_YUV420P;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == AV_PIX_FMT_YUV420P) return *f;
    return codec->pix_fmts[0];
}

int RoundUp(int value, int log2Alignment) {
    const int mask = (1 << log2Alignment) - 1;
    return (value + mask) & ~mask;
}

}  // namespace

VideoEncoder::~VideoEncoder() {
    if (format_) Finish();
    Close();
}

bool VideoEncoder::Open(const std::string& fileName, int width, int height, int framesPerSecond) {
    if (format_ || finished_) {
        LOG("Video encoder for '%s' is already in use", fileName_.c_str());
        return false;
    }
    if (width <= 0 || height <= 0 || framesPerSecond <= 0 || width > 16384 || height > 16384) {
        LOG("Invalid video format %dx%d at %d fps", width, height, framesPerSecond);
        return false;
    }
    // The msmpeg4-family encoders otherwise print thousands of warnings.
    av_log_set_level(AV_LOG_ERROR);
    fileName_ = fileName;
    width_ = width;
    height_ = height;
    fps_ = framesPerSecond;
    if (!OpenVideoStream(fileName)) {
        Close();
        return false;
    }
    return true;
}

bool VideoEncoder::OpenVideoStream(const std::string& fileName) {
    const AVOutputFormat* container = av_guess_format(nullptr, fileName.c_str(), nullptr);
    if (!container || (container->flags & AVFMT_NOFILE) || container->video_codec == AV_CODEC_ID_NONE) {
        LOG("No video container for file name '%s'", fileName.c_str());
        return false;
    }
    int err = avformat_alloc_output_context2(&format_, container, nullptr, fileName.c_str());
    if (err < 0 || !format_) {
        LOG("Failed to create container for '%s': %s", fileName.c_str(), ErrorText(err).c_str());
        return false;
    }

    const AVCodec* codec = nullptr;
    if (IsAsf(container)) codec = avcodec_find_encoder(AV_CODEC_ID_WMV2);
    else if (container->video_codec == AV_CODEC_ID_H264) codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) codec = avcodec_find_encoder(container->video_codec);
    if (!codec) {
        LOG("No video encoder for '%s'", fileName.c_str());
        return false;
    }

    const AVPixelFormat pixelFormat = ChoosePixelFormat(codec);
    yuv420_ = pixelFormat == AV_PIX_FMT_YUV420P;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(pixelFormat);
    if (!desc) {
        LOG("Video encoder '%s' has no usable pixel format", codec->name);
        return false;
    }
    // Chroma subsampling needs sizes divisible by the subsampling factor: pad the picture.
    codedWidth_ = RoundUp(width_, desc->log2_chroma_w);
    codedHeight_ = RoundUp(height_, desc->log2_chroma_h);
    if (codedWidth_ != width_ || codedHeight_ != height_)
        padded_.resize(static_cast<size_t>(codedWidth_) * codedHeight_ * 4);

    video_ = avcodec_alloc_context3(codec);
    if (!video_) {
        LOG("Failed to allocate video encoder '%s'", codec->name);
        return false;
    }
    video_->width = codedWidth_;
    video_->height = codedHeight_;
    video_->pix_fmt = pixelFormat;
    video_->time_base = AVRational{1, fps_};
    video_->framerate = AVRational{fps_, 1};
    video_->sample_aspect_ratio = AVRational{1, 1};
    // Limited range from an sRGB source. H.264 carries the matrix in its stream, so it gets
    // BT.709; other codecs' players assume BT.601 (swscale's default), so they get that.
    bt709_ = codec->id == AV_CODEC_ID_H264;
    video_->colorspace = bt709_ ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    video_->color_range = AVCOL_RANGE_MPEG;
    video_->color_primaries = AVCOL_PRI_BT709;
    video_->color_trc = AVCOL_TRC_IEC61966_2_1;
    if (codec->id == AV_CODEC_ID_H264 && std::strcmp(codec->name, "libx264") == 0) {
        // Constant quality at the fastest preset, so that encoding keeps up with rendering
        // even on two cores; the low CRF makes up for what the preset gives away.
        av_opt_set(video_->priv_data, "preset", "ultrafast", 0);
        av_opt_set(video_->priv_data, "crf", "18", 0);
        // A key frame every second: MP4 fragments start at key frames (see WriteHeader).
        video_->gop_size = fps_;
    } else {
        video_->bit_rate = kVideoBitRate;
    }
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    err = avcodec_open2(video_, codec, nullptr);
    if (err < 0) {
        LOG("Failed to open video encoder '%s': %s", codec->name, ErrorText(err).c_str());
        return false;
    }

    videoStream_ = avformat_new_stream(format_, nullptr);
    if (!videoStream_) {
        LOG("Failed to add video stream to '%s'", fileName.c_str());
        return false;
    }
    videoStream_->time_base = video_->time_base;
    videoStream_->avg_frame_rate = video_->framerate;
    videoStream_->r_frame_rate = video_->framerate;
    videoStream_->sample_aspect_ratio = video_->sample_aspect_ratio;
    err = avcodec_parameters_from_context(videoStream_->codecpar, video_);
    if (err < 0) {
        LOG("Failed to describe video stream of '%s': %s", fileName.c_str(), ErrorText(err).c_str());
        return false;
    }

    picture_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!picture_ || !packet_) {
        LOG("Failed to allocate video frame");
        return false;
    }
    picture_->format = pixelFormat;
    picture_->width = codedWidth_;
    picture_->height = codedHeight_;
    picture_->sample_aspect_ratio = AVRational{1, 1};
    err = av_frame_get_buffer(picture_, 0);
    if (err < 0) {
        LOG("Failed to allocate video frame: %s", ErrorText(err).c_str());
        return false;
    }
    // Same size in and out: only the colour conversion (which also puts R and B in place).
    sws_ = sws_getContext(codedWidth_, codedHeight_, AV_PIX_FMT_RGBA, codedWidth_, codedHeight_, pixelFormat,
                          SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws_) {
        LOG("Failed to create colour conversion to '%s'", desc->name);
        return false;
    }
    // Full-range RGB in, BT.709 limited-range YUV out, as the stream is tagged.
    if (bt709_) {
        sws_setColorspaceDetails(sws_, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(SWS_CS_ITU709), 0,
                                 0, 1 << 16, 1 << 16);
    }

    err = avio_open(&format_->pb, fileName.c_str(), AVIO_FLAG_WRITE);
    if (err < 0) {
        LOG("Failed to open '%s' for writing: %s", fileName.c_str(), ErrorText(err).c_str());
        return false;
    }
    return true;
}

bool VideoEncoder::SetAudioTrack(const float* interleavedStereo, size_t frames, int sampleRate) {
    if (!format_ || headerWritten_ || headerFailed_) {
        LOG("A sound track can only be added before the first frame");
        return false;
    }
    if (audio_) {
        LOG("Video '%s' already has a sound track", fileName_.c_str());
        return false;
    }
    if (!interleavedStereo || frames == 0 || sampleRate <= 0) {
        LOG("Invalid sound track: %zu frames at %d Hz", frames, sampleRate);
        return false;
    }
    // Recordings to ASF stay silent, as "output.wmv" always was.
    if (IsAsf(format_->oformat) || avformat_query_codec(format_->oformat, AV_CODEC_ID_AAC, FF_COMPLIANCE_NORMAL) != 1) {
        LOG("The container of '%s' takes no sound track", fileName_.c_str());
        return false;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec) {
        LOG("No AAC encoder available");
        return false;
    }
    bool rateSupported = !codec->supported_samplerates;
    for (const int* r = codec->supported_samplerates; r && *r; ++r) rateSupported |= *r == sampleRate;
    if (!rateSupported) {
        LOG("The AAC encoder does not take %d Hz", sampleRate);
        return false;
    }

    AVCodecContext* audio = avcodec_alloc_context3(codec);
    if (!audio) {
        LOG("Failed to allocate audio encoder");
        return false;
    }
    audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio->sample_rate = sampleRate;
    av_channel_layout_default(&audio->ch_layout, 2);
    audio->bit_rate = kAudioBitRate;
    audio->time_base = AVRational{1, sampleRate};
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int err = avcodec_open2(audio, codec, nullptr);
    AVFrame* sound = err < 0 ? nullptr : av_frame_alloc();
    if (sound) {
        sound->format = audio->sample_fmt;
        sound->sample_rate = sampleRate;
        sound->nb_samples = audio->frame_size > 0 ? audio->frame_size : 1024;
        av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
        err = av_frame_get_buffer(sound, 0);
    }
    if (err < 0 || !sound) {
        LOG("Failed to open audio encoder: %s", ErrorText(err).c_str());
        av_frame_free(&sound);
        avcodec_free_context(&audio);
        return false;
    }
    // A stream cannot be taken out of a container again, so it is added last.
    AVStream* stream = avformat_new_stream(format_, nullptr);
    if (stream) {
        stream->time_base = audio->time_base;
        err = avcodec_parameters_from_context(stream->codecpar, audio);
    }
    if (!stream || err < 0) {
        LOG("Failed to add sound track to '%s'", fileName_.c_str());
        av_frame_free(&sound);
        avcodec_free_context(&audio);
        headerFailed_ = !!stream;  // a half-described stream would spoil the file
        return false;
    }

    audio_ = audio;
    audioStream_ = stream;
    sound_ = sound;
    sampleRate_ = sampleRate;
    left_.resize(frames);
    right_.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        left_[i] = interleavedStereo[2 * i];
        right_[i] = interleavedStereo[2 * i + 1];
    }
    return true;
}

bool VideoEncoder::WriteHeader() {
    if (headerFailed_) return false;
    // MP4 is written as fragments starting at each key frame, so a recording killed outright
    // (or cut off by power loss) stays playable up to its last complete fragment.
    AVDictionary* options = nullptr;
    if (std::strcmp(format_->oformat->name, "mp4") == 0 || std::strcmp(format_->oformat->name, "mov") == 0) {
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
        format_->flush_packets = 1;  // each finished fragment goes to the disk
    }
    const int err = avformat_write_header(format_, &options);
    av_dict_free(&options);
    if (err < 0) {
        LOG("Failed to write header of '%s': %s", fileName_.c_str(), ErrorText(err).c_str());
        headerFailed_ = true;
        return false;
    }
    headerWritten_ = true;
    return true;
}

bool VideoEncoder::ConvertFrame(const uint8_t* rgba) {
    // The encoder may still hold a reference to the previous picture.
    const int err = av_frame_make_writable(picture_);
    if (err < 0) {
        LOG("Failed to get a writable video frame: %s", ErrorText(err).c_str());
        return false;
    }
    const uint8_t* source[1] = {rgba};
    const int sourceStride[1] = {codedWidth_ * 4};
    if (!padded_.empty()) {
        // Grow the picture to the coded size by repeating its last column and row, so that
        // the padding does not bleed into the picture's edge. swscale mixes garbage into
        // the last chroma sample of odd-sized pictures, so padding comes before conversion.
        const size_t rowBytes = static_cast<size_t>(width_) * 4;
        const size_t codedRowBytes = static_cast<size_t>(codedWidth_) * 4;
        for (int y = 0; y < codedHeight_; ++y) {
            uint8_t* row = padded_.data() + y * codedRowBytes;
            std::memcpy(row, rgba + std::min(y, height_ - 1) * rowBytes, rowBytes);
            for (size_t x = rowBytes; x < codedRowBytes; x += 4) std::memcpy(row + x, row + rowBytes - 4, 4);
        }
        source[0] = padded_.data();
    }
    sws_scale(sws_, source, sourceStride, 0, codedHeight_, picture_->data, picture_->linesize);
    return true;
}

bool VideoEncoder::SendAndDrain(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    int err = avcodec_send_frame(codec, frame);
    if (err < 0) {
        LOG("Failed to encode %s for '%s': %s", codec == video_ ? "video" : "audio", fileName_.c_str(),
            ErrorText(err).c_str());
        return false;
    }
    return Drain(codec, stream);
}

bool VideoEncoder::Drain(AVCodecContext* codec, AVStream* stream) {
    bool ok = true;
    for (;;) {
        int err = avcodec_receive_packet(codec, packet_);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) break;
        if (err < 0) {
            LOG("Failed to encode %s for '%s': %s", codec == video_ ? "video" : "audio", fileName_.c_str(),
                ErrorText(err).c_str());
            return false;
        }
        // Each picture lasts one tick of 1/fps; without it the container guesses the rate.
        if (codec == video_ && packet_->duration <= 0) packet_->duration = 1;
        av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        err = av_interleaved_write_frame(format_, packet_);
        av_packet_unref(packet_);
        if (err < 0) {
            // A full disk fails every packet from now on: say why once.
            if (!writeErrorLogged_) LOG("Failed to write to '%s': %s", fileName_.c_str(), ErrorText(err).c_str());
            writeErrorLogged_ = true;
            ok = false;
        }
    }
    // Muxers buffer their output and may not pass on a failed write (a full disk): ask the file.
    if (format_->pb && format_->pb->error < 0) {
        if (!writeErrorLogged_)
            LOG("Failed to write to '%s': %s", fileName_.c_str(), ErrorText(format_->pb->error).c_str());
        writeErrorLogged_ = true;
        ok = false;
    }
    return ok;
}

bool VideoEncoder::EncodeAudioUpTo(int64_t endSample, bool final) {
    if (!audio_) return true;
    endSample = std::min<int64_t>(endSample, static_cast<int64_t>(left_.size()));
    const int capacity = audio_->frame_size > 0 ? audio_->frame_size : 1024;
    bool ok = true;
    while (audioNext_ < endSample) {
        const int count = static_cast<int>(std::min<int64_t>(capacity, endSample - audioNext_));
        // Only the last audio frame may be short.
        if (count < capacity && !final) break;
        if (av_frame_make_writable(sound_) < 0) return false;
        sound_->nb_samples = count;
        std::memcpy(sound_->data[0], left_.data() + audioNext_, count * sizeof(float));
        std::memcpy(sound_->data[1], right_.data() + audioNext_, count * sizeof(float));
        sound_->pts = audioNext_;
        ok &= SendAndDrain(audio_, audioStream_, sound_);
        audioNext_ += count;
    }
    if (final) ok &= SendAndDrain(audio_, audioStream_, nullptr);
    return ok;
}

bool VideoEncoder::TakesYuv420(Yuv420Layout* layout) const {
    if (!format_ || !yuv420_) return false;
    *layout = MakeYuv420Layout(codedWidth_, codedHeight_, bt709_);
    return layout->width > 0;
}

bool VideoEncoder::CopyYuv420Frame(const uint8_t* packed) {
    const int err = av_frame_make_writable(picture_);
    if (err < 0) {
        LOG("Failed to get a writable video frame: %s", ErrorText(err).c_str());
        return false;
    }
    const Yuv420Layout layout = MakeYuv420Layout(codedWidth_, codedHeight_, bt709_);
    av_image_copy_plane(picture_->data[0], picture_->linesize[0], packed, layout.lumaStride, codedWidth_,
                        codedHeight_);
    av_image_copy_plane(picture_->data[1], picture_->linesize[1], packed + layout.uOffset, layout.chromaStride,
                        codedWidth_ / 2, codedHeight_ / 2);
    av_image_copy_plane(picture_->data[2], picture_->linesize[2], packed + layout.vOffset, layout.chromaStride,
                        codedWidth_ / 2, codedHeight_ / 2);
    return true;
}

bool VideoEncoder::EncodeFrame(const uint8_t* rgbaTopDown) {
    if (!format_ || !rgbaTopDown) return false;
    if (!headerWritten_ && !WriteHeader()) return false;
    return ConvertFrame(rgbaTopDown) && SendPicture();
}

bool VideoEncoder::EncodeYuv420Frame(const uint8_t* packed) {
    if (!format_ || !packed || !yuv420_) return false;
    if (!headerWritten_ && !WriteHeader()) return false;
    return CopyYuv420Frame(packed) && SendPicture();
}

bool VideoEncoder::SendPicture() {
    picture_->pts = nextPts_;
    const int err = avcodec_send_frame(video_, picture_);
    if (err < 0) {
        LOG("Failed to encode video for '%s': %s", fileName_.c_str(), ErrorText(err).c_str());
        return false;
    }
    // The encoder took the picture, so its time is used even if writing its packets fails.
    ++nextPts_;
    bool ok = Drain(video_, videoStream_);
    // Sound follows the pictures: frame n carries samples up to (n + 1) * rate / fps.
    ok &= EncodeAudioUpTo(nextPts_ * sampleRate_ / fps_, false);
    return ok;
}

bool VideoEncoder::Finish() {
    if (!format_) return false;
    finished_ = true;
    bool ok = headerWritten_ || WriteHeader();
    if (headerWritten_) {
        ok &= SendAndDrain(video_, videoStream_, nullptr);
        ok &= EncodeAudioUpTo(nextPts_ * sampleRate_ / fps_, true);
        const int err = av_write_trailer(format_);
        if (err < 0) {
            LOG("Failed to finish '%s': %s", fileName_.c_str(), ErrorText(err).c_str());
            ok = false;
        }
    }
    // Closing flushes what the container still buffers; that write can fail too.
    if (format_->pb && avio_closep(&format_->pb) < 0) {
        LOG("Failed to close '%s'", fileName_.c_str());
        ok = false;
    }
    Close();
    return ok;
}

void VideoEncoder::Close() {
    sws_freeContext(sws_);
    sws_ = nullptr;
    av_frame_free(&picture_);
    av_frame_free(&sound_);
    av_packet_free(&packet_);
    avcodec_free_context(&video_);
    avcodec_free_context(&audio_);
    if (format_) {
        if (format_->pb) avio_closep(&format_->pb);
        avformat_free_context(format_);
        format_ = nullptr;
    }
    videoStream_ = audioStream_ = nullptr;
    left_.clear();
    right_.clear();
}
