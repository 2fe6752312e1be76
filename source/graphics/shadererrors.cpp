#include "graphics/shadererrors.h"

#include <algorithm>
#include <mutex>

namespace {

constexpr size_t kKept = 8;

std::mutex gLock;
std::vector<ShaderError> gErrors;

}  // namespace

void ReportShaderError(const std::string& file, const std::string& entry, const std::string& message) {
    std::lock_guard<std::mutex> guard(gLock);
    std::erase_if(gErrors, [&](const ShaderError& e) { return e.file == file && e.entry == entry; });
    if (gErrors.size() >= kKept) gErrors.erase(gErrors.begin());
    gErrors.push_back({file, entry, message});
}

void ClearShaderError(const std::string& file, const std::string& entry) {
    std::lock_guard<std::mutex> guard(gLock);
    std::erase_if(gErrors, [&](const ShaderError& e) { return e.file == file && e.entry == entry; });
}

std::vector<ShaderError> RecentShaderErrors() {
    std::lock_guard<std::mutex> guard(gLock);
    return gErrors;
}
