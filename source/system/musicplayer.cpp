#include "system/musicplayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

void MusicPlayer::Start(std::shared_ptr<const DecodedTrack> track, int rate) {
    std::lock_guard<std::mutex> lock(mutex_);
    track_ = std::move(track);
    hasChannel_ = true;
    paused_ = true;
    rate_ = track_ ? track_->sampleRate : rate;
    length_ = track_ ? double(track_->frames) : std::numeric_limits<double>::infinity();
    cursor_ = 0;
    lastReturned_ = 0.0;
    blockCount_ = 0;
}

void MusicPlayer::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    track_.reset();
    hasChannel_ = false;
    paused_ = true;
    length_ = 0.0;
    cursor_ = 0;
    lastReturned_ = 0.0;
    blockCount_ = 0;
}

void MusicPlayer::SetLatencyFrames(int frames) {
    std::lock_guard<std::mutex> lock(mutex_);
    latency_ = std::max(0, frames);
}

bool MusicPlayer::HasChannel() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hasChannel_;
}

bool MusicPlayer::IsPaused() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hasChannel_ && paused_;
}

bool MusicPlayer::IsSilent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hasChannel_ && !track_;
}

int MusicPlayer::Rate() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rate_;
}

double MusicPlayer::LengthFrames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return length_;
}

void MusicPlayer::SetPaused(bool paused, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hasChannel_ || paused == paused_) return;
    if (paused) {
        // Freeze at what was heard; the frames rendered ahead are played again on resume.
        double heard = PositionLocked(now);
        paused_ = true;
        cursor_ = std::llround(std::floor(heard));
        lastReturned_ = heard;
    } else {
        paused_ = false;
    }
    blockCount_ = 0;
}

void MusicPlayer::Seek(double frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hasChannel_) return;
    double target = std::clamp(frame, 0.0, length_);
    cursor_ = std::llround(std::floor(target));
    lastReturned_ = target;
    blockCount_ = 0;
}

void MusicPlayer::SetVolume(float volume) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (hasChannel_) volume_ = std::max(0.0f, volume);
}

double MusicPlayer::Position(Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    return PositionLocked(now);
}

double MusicPlayer::PositionLocked(Clock::time_point now) {
    if (!hasChannel_) return 0.0;
    if (paused_) return lastReturned_;
    const Block* due = nullptr;
    for (int i = 1; i <= blockCount_ && !due; ++i) {
        const Block& b = blocks_[(next_ - i + kBlockHistory) % kBlockHistory];
        if (b.when <= now) due = &b;
    }
    if (!due) return lastReturned_;
    double elapsed = std::chrono::duration<double>(now - due->when).count() * rate_;
    double position = double(due->cursor) - latency_ + std::min(elapsed, double(due->frames));
    position = std::clamp(position, 0.0, length_);
    lastReturned_ = std::max(lastReturned_, position);
    return lastReturned_;
}

bool MusicPlayer::HasEnded(Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    return hasChannel_ && track_ && !paused_ && PositionLocked(now) >= length_;
}

void MusicPlayer::Render(float* stereo, int frames, Clock::time_point when) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::memset(stereo, 0, size_t(frames) * 2 * sizeof(float));
    if (!hasChannel_ || paused_) return;

    // The block's full size counts even past the end, so the clock can reach the length.
    blocks_[next_] = Block{cursor_, frames, when};
    next_ = (next_ + 1) % kBlockHistory;
    blockCount_ = std::min(blockCount_ + 1, kBlockHistory);
    if (track_) {
        long long available = std::max(0LL, (long long)track_->frames - cursor_);
        int count = int(std::min<long long>(frames, available));
        const float* source = track_->samples.data() + size_t(cursor_) * 2;
        for (int i = 0; i < count * 2; ++i) stereo[i] = source[i] * volume_;
        cursor_ += count;
    } else {
        cursor_ += frames;
    }
}
