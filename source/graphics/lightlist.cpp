#include "graphics/lightlist.h"

#include "graphics/devicestate.h"
#include "system/log.h"

LightList gLightList;

namespace {
std::weak_ptr<LightBuffers> gCurrentLightBuffers;
}  // namespace

void LightList::Clear() {
    if (!overflowed_) reported_ = false;
    overflowed_ = false;
    count_ = 0;
}

bool LightList::Append(const LightRecord& record) {
    if (count_ >= kCapacity) {
        overflowed_ = true;
        if (!reported_) {
            LOG("Failed to add light: the light list holds at most %u records", kCapacity);
            reported_ = true;
        }
        return false;
    }
    records_[count_++] = record;
    return true;
}

LightBuffers::LightBuffers() : records_(LightList::kCapacity), constants_(sizeof(Constants)) {}

void LightBuffers::SetVisibility(float fallOffMin, float fallOffMax) {
    data_.visibilityFallOffMin = fallOffMin;
    data_.visibilityFallOffRange = fallOffMax - fallOffMin;
}

void LightBuffers::Upload(const LightList& list) {
    records_.Update(list.GetRecords(), list.GetCount());
    gContext->PSSetShaderResources(5, 1, &records_.GetView());

    data_.count = static_cast<int32_t>(list.GetCount());
    constants_.Update(&data_);
    gContext->VSSetConstantBuffers(1, 1, &constants_.GetBuffer());
    gContext->PSSetConstantBuffers(1, 1, &constants_.GetBuffer());
}

void SetCurrentLightBuffers(const std::shared_ptr<LightBuffers>& buffers) { gCurrentLightBuffers = buffers; }

std::shared_ptr<LightBuffers> GetCurrentLightBuffers() { return gCurrentLightBuffers.lock(); }

bool HasCurrentLightScene() { return !gCurrentLightBuffers.expired(); }

bool UploadLights() {
    const std::shared_ptr<LightBuffers> buffers = gCurrentLightBuffers.lock();
    if (!buffers) return false;
    buffers->Upload(gLightList);
    return true;
}
