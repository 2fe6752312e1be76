#pragma once
// A GPU timestamp, like a D3D11 timestamp query: End marks the point in the command stream;
// GetData reads the GPU's time there once the GPU has passed it, without waiting.
#include <cstdint>
#include <memory>

namespace gpu {

class TimestampQuery {
public:
    // Null when the context has no timer queries.
    static std::unique_ptr<TimestampQuery> Create();
    ~TimestampQuery();
    TimestampQuery(const TimestampQuery&) = delete;
    TimestampQuery& operator=(const TimestampQuery&) = delete;

    void End();
    // False while the result is not available yet (or End was never called).
    bool GetData(uint64_t* nanoseconds);

private:
    explicit TimestampQuery(uint32_t name) : name_(name) {}
    uint32_t name_ = 0;
    bool ended_ = false;
};

}  // namespace gpu
