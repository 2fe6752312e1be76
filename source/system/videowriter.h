#pragma once
// Records rendered frames into a video file ("output.wmv" unless named otherwise).
// writeFrame copies the frame into a small bounded queue and returns; a worker thread
// converts and encodes. The file is complete once Finish has run (the destructor runs it).
// All calls come from one thread (the main loop's).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "system/yuv420layout.h"

class VideoEncoder;

class VideoWriter {
public:
    VideoWriter(unsigned width, unsigned height, unsigned framesPerSecond,
                const std::string& fileName = "output.wmv");
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Muxes interleaved stereo samples as the sound track, cut frame by frame with the
    // pictures and ending with them. Only before the first frame, for containers that
    // carry sound (".mp4" and the like; ".wmv" stays silent).
    bool SetAudioTrack(const float* interleavedStereo, size_t frames, int sampleRate);

    // The number of frames the run will write, for the time-left estimate of the progress line.
    void SetExpectedFrames(unsigned frames);

    // Queues one width x height frame: rows top to bottom, tightly packed, bytes R G B A.
    // Waits only while the queue is full; frames are never dropped.
    void writeFrame(const uint8_t* rgbaTopDown);

    // True when the encoder takes frames already converted to YUV 4:2:0; *layout then says
    // how writeYuv420Frame wants them packed.
    bool TakesYuv420(Yuv420Layout* layout) const;
    // Queues one frame converted and packed as TakesYuv420's layout says; waits as writeFrame does.
    void writeYuv420Frame(const uint8_t* packed);

    // Drains the queue, flushes the encoder and completes the file. Idempotent.
    void Finish();

    // True when set-up succeeded and Finish has not run yet.
    bool IsReady() const { return encoder_ != nullptr && !finished_; }
    // True once a frame could not be encoded or written (a full disk), or the file could not
    // be completed. What was written before stays in the file.
    bool HasFailed() const { return failed_; }
    unsigned Width() const { return width_; }
    unsigned Height() const { return height_; }

private:
    struct QueuedFrame {
        std::vector<uint8_t> bytes;
        bool yuv420 = false;  // packed YUV 4:2:0 rather than RGBA
    };
    void Enqueue(const uint8_t* data, size_t size, bool yuv420);
    void StartWorker();
    void WorkerLoop();
    void EncodeQueued(const QueuedFrame& frame);
    void ReportProgress(bool final);

    static constexpr size_t kQueueCapacity = 3;

    unsigned width_, height_, framesPerSecond_;
    std::string fileName_;
    std::unique_ptr<VideoEncoder> encoder_;  // owned by the worker while it runs
    bool finished_ = false;
    std::atomic<bool> failed_{false};

    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable spaceFree_;
    std::vector<std::vector<uint8_t>> spare_;  // buffers ready to take a frame
    std::deque<QueuedFrame> queued_;           // frames waiting to be encoded
    size_t buffersMade_ = 0;
    bool stopping_ = false;
    std::thread worker_;

    // Progress line on stderr, written by the worker (and by Finish once it has stopped).
    std::atomic<unsigned> expectedFrames_{0};
    unsigned framesDone_ = 0;
    std::chrono::steady_clock::time_point startTime_, lastReport_;
};
