#include "main/effecttimers.h"

#include "effects/effect.h"

namespace {
constexpr double kSmoothing = 0.1;  // weight of the newest frame
constexpr double kForgetBelow = 0.0005;
}  // namespace

gpu::TimestampQuery* EffectTimers::Next(Frame& frame, uint32_t* index) {
    if (frame.used == frame.queries.size()) {
        std::unique_ptr<gpu::TimestampQuery> query = gpu::TimestampQuery::Create();
        if (!query) return nullptr;
        frame.queries.push_back(std::move(query));
    }
    *index = frame.used++;
    return frame.queries[*index].get();
}

bool EffectTimers::Collect(Frame& frame) {
    for (auto& [type, sum] : sums_) sum = 0.0;
    for (const Span& span : frame.spans) {
        uint64_t begin = 0, end = 0;
        if (!frame.queries[span.begin]->GetData(&begin) || !frame.queries[span.end]->GetData(&end)) return false;
        sums_[*span.type] += end > begin ? static_cast<double>(end - begin) * 1e-6 : 0.0;
    }
    for (auto& [type, sum] : sums_) {
        double& smoothed = milliseconds_[type];
        smoothed += (sum - smoothed) * kSmoothing;
    }
    std::erase_if(milliseconds_, [](const auto& entry) { return entry.second < kForgetBelow; });
    std::erase_if(sums_, [&](const auto& entry) { return !milliseconds_.count(entry.first); });
    return true;
}

void EffectTimers::BeginFrame() {
    current_ = (current_ + 1) % kFramesInFlight;
    Frame& frame = frames_[current_];
    // A frame the GPU has not finished after a whole ring of frames is dropped.
    if (frame.pending) Collect(frame);
    frame.pending = true;
    frame.used = 0;
    frame.spans.clear();
    // The frames in between may be done by now: read them early.
    for (size_t i = 1; i < kFramesInFlight; ++i) {
        Frame& older = frames_[(current_ + i) % kFramesInFlight];
        if (older.pending && Collect(older)) older.pending = false;
    }
}

void EffectTimers::Begin(const Effects::Effect&) {
    Frame& frame = frames_[current_];
    if (gpu::TimestampQuery* query = Next(frame, &openBegin_)) query->End();
}

void EffectTimers::End(const Effects::Effect& effect) {
    Frame& frame = frames_[current_];
    uint32_t index = 0;
    gpu::TimestampQuery* query = Next(frame, &index);
    if (!query || openBegin_ >= index) return;
    query->End();
    frame.spans.push_back({&effect.GetType(), openBegin_, index});
}
