#include "system/datadirectory.h"

#include <physfs.h>

#include <algorithm>

namespace {

PHYSFS_EnumerateCallbackResult CollectName(void* names, const char*, const char* name) {
    static_cast<std::vector<std::string>*>(names)->emplace_back(name);
    return PHYSFS_ENUM_OK;
}

}  // namespace

std::vector<std::string> ListDataDirectory(const std::string& path) {
    std::vector<std::string> names;
    // PhysicsFS crashes rather than failing when used before PHYSFS_init.
    if (!PHYSFS_isInit()) return names;
    if (!PHYSFS_enumerate(path.c_str(), CollectName, &names)) names.clear();
    // Each mount reports its own names: the same name may come from several of them.
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}
