#pragma once
// GPU time of each effect type, from timestamp queries around every effect's Render. The
// results arrive a few frames late (the GPU runs behind); they are smoothed over frames.
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effects/effectprofiler.h"
#include "gpu/timestampquery.h"

class EffectTimers : public Effects::EffectProfiler {
public:
    // Starts a frame: reads the oldest frame in flight that the GPU has finished.
    void BeginFrame();
    void Begin(const Effects::Effect& effect) override;
    void End(const Effects::Effect& effect) override;

    // Smoothed milliseconds per frame by effect type.
    const std::map<std::string, double>& Milliseconds() const { return milliseconds_; }

private:
    struct Span {
        const std::string* type;
        uint32_t begin, end;  // indices into the frame's queries
    };
    struct Frame {
        std::vector<std::unique_ptr<gpu::TimestampQuery>> queries;
        std::vector<Span> spans;
        uint32_t used = 0;
        bool pending = false;
    };
    gpu::TimestampQuery* Next(Frame& frame, uint32_t* index);
    bool Collect(Frame& frame);

    static constexpr size_t kFramesInFlight = 4;
    std::array<Frame, kFramesInFlight> frames_;
    size_t current_ = 0;
    uint32_t openBegin_ = 0;
    std::map<std::string, double> milliseconds_;
    std::map<std::string, double> sums_;
};
