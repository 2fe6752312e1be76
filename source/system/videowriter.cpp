#include "system/videowriter.h"

#include <cstdio>
#include <cstring>

#include "platform/videoencoder.h"
#include "system/log.h"

namespace {

// Buffers in circulation: one being filled, one being encoded, the rest waiting.
constexpr size_t kBufferCount = 4;
constexpr auto kReportInterval = std::chrono::milliseconds(250);

std::string FormatDuration(double seconds) {
    const long total = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
    char text[32];
    if (total >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

VideoWriter::VideoWriter(unsigned width, unsigned height, unsigned framesPerSecond, const std::string& fileName)
    : width_(width), height_(height), framesPerSecond_(framesPerSecond), fileName_(fileName) {
    LOG("Initialising VideoWriter");
    auto encoder = std::make_unique<VideoEncoder>();
    const bool sizeFits = width <= 16384 && height <= 16384 && framesPerSecond <= 1000;
    if (sizeFits && encoder->Open(fileName, static_cast<int>(width), static_cast<int>(height),
                                  static_cast<int>(framesPerSecond))) {
        encoder_ = std::move(encoder);
    } else {
        LOG("Failed to initialise VideoWriter!");
    }
}

VideoWriter::~VideoWriter() { Finish(); }

bool VideoWriter::SetAudioTrack(const float* interleavedStereo, size_t frames, int sampleRate) {
    if (!IsReady()) {
        LOG("VideoWriter has no open file for a sound track");
        return false;
    }
    if (worker_.joinable()) {
        LOG("The sound track must be set before the first frame");
        return false;
    }
    return encoder_->SetAudioTrack(interleavedStereo, frames, sampleRate);
}

void VideoWriter::SetExpectedFrames(unsigned frames) { expectedFrames_ = frames; }

void VideoWriter::writeFrame(const uint8_t* rgbaTopDown) {
    if (!IsReady() || !rgbaTopDown) {
        LOG("VideoWriter unable to write frame!");
        return;
    }
    Enqueue(rgbaTopDown, static_cast<size_t>(width_) * height_ * 4, false);
}

bool VideoWriter::TakesYuv420(Yuv420Layout* layout) const { return IsReady() && encoder_->TakesYuv420(layout); }

void VideoWriter::writeYuv420Frame(const uint8_t* packed) {
    Yuv420Layout layout;
    if (!packed || !TakesYuv420(&layout)) {
        LOG("VideoWriter unable to write frame!");
        return;
    }
    Enqueue(packed, layout.bytes, true);
}

void VideoWriter::Enqueue(const uint8_t* data, size_t size, bool yuv420) {
    if (!worker_.joinable()) StartWorker();

    QueuedFrame frame;
    frame.yuv420 = yuv420;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        spaceFree_.wait(lock, [this] { return !spare_.empty() || buffersMade_ < kBufferCount; });
        if (!spare_.empty()) {
            frame.bytes = std::move(spare_.back());
            spare_.pop_back();
        } else {
            ++buffersMade_;
        }
    }
    // Copying outside the lock lets the worker carry on meanwhile.
    frame.bytes.resize(size);
    std::memcpy(frame.bytes.data(), data, size);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(std::move(frame));
    }
    workReady_.notify_one();
}

void VideoWriter::Finish() {
    if (finished_) return;
    finished_ = true;
    if (worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        workReady_.notify_one();
        worker_.join();
    }
    if (!encoder_) return;
    const bool finished = encoder_->Finish();
    ReportProgress(true);  // ends the progress line before the log writes to stderr again
    if (finished) LOG("Wrote %u frames to '%s'", framesDone_, fileName_.c_str());
    else LOG("Failed to finalise video '%s'", fileName_.c_str());
    if (!finished) failed_ = true;
    encoder_.reset();
    spare_.clear();
}

void VideoWriter::StartWorker() {
    startTime_ = lastReport_ = std::chrono::steady_clock::now();
    worker_ = std::thread(&VideoWriter::WorkerLoop, this);
}

void VideoWriter::WorkerLoop() {
    for (;;) {
        QueuedFrame frame;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            workReady_.wait(lock, [this] { return !queued_.empty() || stopping_; });
            if (queued_.empty()) return;  // stopping, and everything queued is encoded
            frame = std::move(queued_.front());
            queued_.pop_front();
        }
        EncodeQueued(frame);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            spare_.push_back(std::move(frame.bytes));
        }
        spaceFree_.notify_one();
    }
}

void VideoWriter::EncodeQueued(const QueuedFrame& frame) {
    const int index = static_cast<int>(encoder_->FramesEncoded());
    const bool encoded = frame.yuv420 ? encoder_->EncodeYuv420Frame(frame.bytes.data())
                                      : encoder_->EncodeFrame(frame.bytes.data());
    if (!encoded) {
        failed_ = true;
        LOG("Failed to write frame %d", index);
        return;
    }
    ++framesDone_;
    ReportProgress(false);
}

void VideoWriter::ReportProgress(bool final) {
    const auto now = std::chrono::steady_clock::now();
    // The first report waits a moment too, so that its rate means something.
    if (final ? framesDone_ == 0 : now - lastReport_ < kReportInterval) return;
    lastReport_ = now;

    const double elapsed = std::chrono::duration<double>(now - startTime_).count();
    const double fps = elapsed > 0 ? framesDone_ / elapsed : 0.0;
    const unsigned expected = expectedFrames_;
    char line[256];
    if (final) {
        std::snprintf(line, sizeof line, "Recorded '%s': %u frames in %s, %.1f fps", fileName_.c_str(), framesDone_,
                      FormatDuration(elapsed).c_str(), fps);
    } else if (expected > framesDone_ && fps > 0) {
        char bar[21];
        const unsigned filled = static_cast<unsigned>(20ull * framesDone_ / expected);
        for (unsigned i = 0; i < 20; ++i) bar[i] = i < filled ? '#' : '-';
        bar[20] = '\0';
        std::snprintf(line, sizeof line, "Recording '%s': [%s] %u/%u frames, %.1f fps, %s left", fileName_.c_str(),
                      bar, framesDone_, expected, fps, FormatDuration((expected - framesDone_) / fps).c_str());
    } else {
        std::snprintf(line, sizeof line, "Recording '%s': %u frames, %.1f fps", fileName_.c_str(), framesDone_, fps);
    }
    // Padding clears what is left of a longer previous line.
    std::fprintf(stderr, "\r%-72s%s", line, final ? "\n" : "");
    std::fflush(stderr);
}
