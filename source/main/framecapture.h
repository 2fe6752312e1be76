#pragma once
// Reading the back buffer back: at once for screenshots, and pipelined for recordings.
#include <cstdint>
#include <deque>
#include <vector>

#include "gpu/resources.h"
#include "main/yuvconverter.h"

class VideoWriter;

// The back buffer (resolved when multisampled) as tightly packed RGBA rows, top row first.
// Waits for the GPU. False when there is no back buffer or it cannot be read.
bool ReadBackBufferNow(std::vector<uint8_t>* rgba, int* width, int* height);

// Rows `rowPitch` bytes apart as tightly packed rows of width * 4 bytes: the source itself
// when it is packed already, otherwise a copy in *scratch.
const uint8_t* PackRows(const uint8_t* rows, uint32_t rowPitch, int width, int height, std::vector<uint8_t>* scratch);

// Hands every presented frame to a video writer without making rendering wait for the
// read-back: frame n is copied into staging texture n % depth, and the frame copied
// depth - 1 frames earlier is mapped and queued for encoding. Drain (or destruction) writes
// the frames still in flight, in order. A frame whose capture fails is skipped and logged.
// When the writer's encoder takes YUV 4:2:0, a hardware GPU converts each frame first and
// only the converted planes are read back; otherwise frames travel as RGBA and the writer
// converts them. A software rasteriser would run the conversion shader on the same cores,
// at more cost than the writer's SIMD conversion, so there the writer converts unless the
// GPU conversion is asked for.
enum class ColourConversion { Automatic, Gpu, Cpu };

class FrameCapture {
public:
    explicit FrameCapture(VideoWriter* writer, unsigned depth = 3,
                          ColourConversion conversion = ColourConversion::Automatic);
    ~FrameCapture();
    FrameCapture(const FrameCapture&) = delete;
    FrameCapture& operator=(const FrameCapture&) = delete;

    // Captures the back buffer as frame `frame` (after it was presented).
    void Capture(unsigned frame);
    // Writes every frame still in flight.
    void Drain();

    unsigned FramesWritten() const { return written_; }
    unsigned FramesSkipped() const { return skipped_; }
    // True once frames are converted on the GPU.
    bool ConvertsOnGpu() const { return converter_.IsReady(); }

private:
    struct Slot {
        gpu::Texture2DPtr staging;
        unsigned frame = 0;
    };
    bool EnsureTextures(const gpu::Texture2DDesc& backBuffer);
    bool SetUpConversion();
    void WriteOldest();
    void Skip(unsigned frame, const char* reason);

    VideoWriter* writer_;
    std::vector<Slot> slots_;
    std::deque<size_t> inFlight_;    // slot indices, oldest first
    size_t next_ = 0;                // slot that takes the next copy
    gpu::Texture2DPtr resolve_;      // single-sampled copy of a multisampled back buffer
    ColourConversion conversion_;
    YuvConverter converter_;
    bool conversionTried_ = false;
    std::vector<uint8_t> packed_;    // rows copied together when the pitch is padded
    unsigned written_ = 0;
    unsigned skipped_ = 0;
    bool sizeMismatchLogged_ = false;
};
