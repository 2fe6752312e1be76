#pragma once
// Encodes RGBA frames (and optionally a stereo sound track) into a video file with FFmpeg.
// Not thread-safe: one thread at a time may use an encoder, which the video writer's
// worker thread does once set-up is over.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "system/yuv420layout.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class VideoEncoder {
public:
    VideoEncoder() = default;
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Chooses the container from the file name's extension (".wmv": WMV2 in ASF at
    // 4 Mbit/s; ".mp4": H.264; otherwise the container's default video codec), sets up
    // the video encoder and opens the file. Logs the reason and returns false on failure.
    bool Open(const std::string& fileName, int width, int height, int framesPerSecond);

    // Adds an AAC sound track cut into the video frame by frame. Only after Open and
    // before the first frame, and only for containers that take AAC (not ASF, whose
    // recordings stay silent). The samples are copied.
    bool SetAudioTrack(const float* interleavedStereo, size_t frames, int sampleRate);

    // Converts one width x height RGBA frame (rows top to bottom, tightly packed) and
    // encodes it as the next frame. False when the frame could not be encoded.
    bool EncodeFrame(const uint8_t* rgbaTopDown);

    // True when the encoder takes planar 4:2:0 pictures; *layout then says how
    // EncodeYuv420Frame wants them packed (coded size, strides, colour matrix).
    bool TakesYuv420(Yuv420Layout* layout) const;
    // Encodes one frame already converted to YUV 4:2:0 and packed as *layout says.
    bool EncodeYuv420Frame(const uint8_t* packed);

    // Flushes the encoders and writes the trailer; the file is complete afterwards.
    // Idempotent; false when finishing failed or the encoder was never opened.
    bool Finish();

    bool IsOpen() const { return format_ != nullptr; }
    // Frames accepted by the encoder; also the presentation time of the next frame.
    int64_t FramesEncoded() const { return nextPts_; }
    // Size of the encoded picture: the frame size rounded up to what the pixel format needs.
    int EncodedWidth() const { return codedWidth_; }
    int EncodedHeight() const { return codedHeight_; }

private:
    bool OpenVideoStream(const std::string& fileName);
    bool WriteHeader();
    bool ConvertFrame(const uint8_t* rgba);
    bool CopyYuv420Frame(const uint8_t* packed);
    bool SendPicture();
    bool EncodeAudioUpTo(int64_t endSample, bool final);
    bool SendAndDrain(AVCodecContext* codec, AVStream* stream, const AVFrame* frame);
    bool Drain(AVCodecContext* codec, AVStream* stream);
    void Close();

    std::string fileName_;
    int width_ = 0, height_ = 0, fps_ = 0;
    int codedWidth_ = 0, codedHeight_ = 0;

    AVFormatContext* format_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVFrame* picture_ = nullptr;
    SwsContext* sws_ = nullptr;
    bool bt709_ = false;  // BT.709 conversion and tags (H.264); BT.601 otherwise
    bool yuv420_ = false;  // the encoder's pixel format is planar 4:2:0
    std::vector<uint8_t> padded_;  // the frame grown to the coded size, when that differs
    AVPacket* packet_ = nullptr;

    AVCodecContext* audio_ = nullptr;
    AVStream* audioStream_ = nullptr;
    AVFrame* sound_ = nullptr;
    std::vector<float> left_, right_;  // the track, planar as the AAC encoder takes it
    int sampleRate_ = 0;
    int64_t audioNext_ = 0;  // first sample not yet handed to the audio encoder

    int64_t nextPts_ = 0;
    bool headerWritten_ = false;
    bool headerFailed_ = false;
    bool finished_ = false;
    bool writeErrorLogged_ = false;
};
