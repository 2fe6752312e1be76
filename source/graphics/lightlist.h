#pragma once
// The shared light list: at most eight 64-byte records that LightScene fills each frame and
// other effects may append to, and the GPU buffers of the light scene that rendered last,
// into which UploadLights writes the list.
//   t5 (pixel): StructuredBuffer of the records; b1 (both stages): count, visibility
//   fall-off start, fall-off length, 0
#include <cstdint>
#include <memory>

#include "graphics/constantbuffer.h"
#include "graphics/structurebuffer.h"

enum LightType : int32_t { kLightAmbient = 0, kLightDirectional = 1, kLightPoint = 2 };

struct LightRecord {
    float position[4] = {0, 0, 0, 0};   // point lights
    float direction[4] = {0, 0, 0, 0};  // directional lights, normalised
    float colour[4] = {0, 0, 0, 0};
    float maxDistance = 0.0f;  // point lights
    float fallOff = 0.0f;      // point lights
    int32_t type = kLightAmbient;
    int32_t padding = 0;
};
static_assert(sizeof(LightRecord) == 64, "a light record is 64 bytes");

class LightList {
public:
    static constexpr uint32_t kCapacity = 8;

    // Empties the list. Overflow is reported again only after a list that did not overflow.
    void Clear();
    // False when the list is full: the record is dropped, and the first refusal of a run of
    // overflowing lists logs one line.
    bool Append(const LightRecord& record);

    uint32_t GetCount() const { return count_; }
    const LightRecord* GetRecords() const { return records_; }

private:
    LightRecord records_[kCapacity];
    uint32_t count_ = 0;
    bool overflowed_ = false;  // since the last Clear
    bool reported_ = false;
};

extern LightList gLightList;

// The GPU side of one light scene.
class LightBuffers {
public:
    LightBuffers();

    // The visibility fall-off start and end, kept for the constants.
    void SetVisibility(float fallOffMin, float fallOffMax);
    // Writes the list into the record buffer (skipped when unchanged) and its count into the
    // constants, then binds both.
    void Upload(const LightList& list);

    const StructureBuffer<LightRecord>& GetRecords() const { return records_; }
    const ConstantBuffer& GetConstants() const { return constants_; }

private:
    struct Constants {
        int32_t count = 0;
        float visibilityFallOffMin = 0.0f;
        float visibilityFallOffRange = 0.0f;
        float zero = 0.0f;
    };
    static_assert(sizeof(Constants) == 16, "the light constants are four 32-bit values");

    StructureBuffer<LightRecord> records_;
    ConstantBuffer constants_;
    Constants data_;
};

// Makes a light scene's buffers the ones UploadLights writes. Only a weak reference is
// kept: once its scene is destroyed there is no current light scene.
void SetCurrentLightBuffers(const std::shared_ptr<LightBuffers>& buffers);
std::shared_ptr<LightBuffers> GetCurrentLightBuffers();
// True while the light scene that rendered last is alive. Effects that append lights add
// none without one.
bool HasCurrentLightScene();
// Uploads gLightList to the current light scene's buffers and binds them; false, doing
// nothing, when there is no current light scene.
bool UploadLights();
