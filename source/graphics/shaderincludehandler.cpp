#include "graphics/shaderincludehandler.h"

#include <physfs.h>

#include "system/log.h"

bool ShaderIncludeHandler::Open(const std::string& name, std::string* contents) {
    PHYSFS_File* file = PHYSFS_openRead(name.c_str());
    if (!file) {
        LOG("Failed to find shader include '%s'", name.c_str());
        return false;
    }
    PHYSFS_sint64 length = PHYSFS_fileLength(file);
    if (length > static_cast<PHYSFS_sint64>(gpu::kHlslMaxSourceBytes)) {
        PHYSFS_close(file);
        LOG("Failed to find shader include '%s': larger than a shader can be", name.c_str());
        return false;
    }
    contents->clear();
    if (length > 0) {
        contents->resize(static_cast<size_t>(length));
        PHYSFS_sint64 read = PHYSFS_readBytes(file, contents->data(), static_cast<PHYSFS_uint64>(length));
        contents->resize(read > 0 ? static_cast<size_t>(read) : 0);
    }
    PHYSFS_close(file);
    return true;
}

bool ShaderIncludeHandler::Exists(const std::string& name) {
    PHYSFS_Stat stat;
    return PHYSFS_stat(name.c_str(), &stat) != 0 && stat.filetype == PHYSFS_FILETYPE_REGULAR;
}

ShaderIncludeHandler& GetShaderIncludeHandler() {
    static ShaderIncludeHandler handler;
    return handler;
}
