#include "main/screenshot.h"

#include <physfs.h>

#include <cstdio>
#include <vector>

#include "main/framecapture.h"
#include "platform/pngencoder.h"
#include "system/log.h"

namespace {

// The search starts here; it is left at the number last written, so a deleted file's
// number is used again by the next screenshot.
int gScreenshotCounter = 1;

constexpr size_t kNameCapacity = 256;

}  // namespace

void SaveSceenshot(const std::string& directory) {
    if (!PHYSFS_mkdir(directory.c_str())) {
        PHYSFS_getLastErrorCode();  // clear the pending error
        LOG("Failed to create screenshot directory");
        return;
    }
    // Mounting the folder at its own virtual path lets the existence test see files that
    // are already there; mounting it again is harmless.
    const std::string prefix = directory + "/";
    const char* writeDir = PHYSFS_getWriteDir();
    const std::string native = std::string(writeDir ? writeDir : ".") + "/" + prefix;
    PHYSFS_mount(native.c_str(), prefix.c_str(), 0);
    PHYSFS_getLastErrorCode();

    char name[kNameCapacity];
    for (;;) {
        std::snprintf(name, sizeof name, "%sscreenshot%03d.png", prefix.c_str(), gScreenshotCounter);
        if (!PHYSFS_getRealDir(name)) break;
        ++gScreenshotCounter;
    }

    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    if (!ReadBackBufferNow(&pixels, &width, &height)) {
        LOG("Failed to get back buffer when saving screenshot");
        return;
    }
    // The encoder's buffer grows as needed: a large picture is never cut short.
    std::vector<uint8_t> png;
    if (!EncodePng(pixels.data(), width, height, width * 4, &png)) {
        LOG("Failed to create screenshot data for '%s'", name);
        return;
    }
    PHYSFS_File* file = PHYSFS_openWrite(name);
    if (!file) {
        PHYSFS_getLastErrorCode();
        LOG("Failed to create file for screenshot '%s'", name);
        return;
    }
    const PHYSFS_sint64 written = PHYSFS_writeBytes(file, png.data(), png.size());
    const bool closed = PHYSFS_close(file) != 0;
    if (written != static_cast<PHYSFS_sint64>(png.size()) || !closed) {
        const PHYSFS_ErrorCode code = PHYSFS_getLastErrorCode();
        LOG("Failed to write screenshot '%s': %s", name, PHYSFS_getErrorByCode(code));
    }
}
