#include "hlsl/hlslincludes.h"

namespace gpu {

const std::string* HlslIncludes::Open(const std::string& name) {
    auto it = opened_.find(name);
    if (it == opened_.end()) {
        Entry entry;
        if (handler_) entry.found = handler_->Open(name, &entry.text);
        if (!entry.found) entry.text.clear();
        it = opened_.emplace(name, std::move(entry)).first;
    }
    return it->second.found ? &it->second.text : nullptr;
}

bool HlslIncludes::Exists(const std::string& name) {
    if (opened_.count(name)) return opened_[name].found;
    return handler_ && handler_->Exists(name);
}

}  // namespace gpu
