// The log formatter: any file, function name and message text, and the compile-time name
// reduction run on arbitrary signatures.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "system/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t a = text.size() / 3, b = 2 * text.size() / 3;
    const std::string file = text.substr(0, a), function = text.substr(a, b - a), message = text.substr(b);
    LogAt(file.c_str(), int(size), function.c_str(), "%s", message.c_str());
    SetLogContext(function.c_str(), -1, file.c_str());
    Log("%s|%d|%s", message.c_str(), int(size), file.c_str());

    char signature[512] = {};
    std::memcpy(signature, data, size < sizeof(signature) - 1 ? size : sizeof(signature) - 1);
    auto name = logdetail::QualifiedName(signature);
    if (std::strlen(name.data()) >= sizeof(signature)) __builtin_trap();
    return 0;
}
