// OBJ text through the parser and the face check that follows it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "graphics/objparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ObjMaterialHooks hooks;
    hooks.loadLibrary = [](const std::string&) {};
    hooks.hasMaterial = [](const std::string& name) { return name.size() % 2 == 0; };
    ObjModel model;
    ParseObj(reinterpret_cast<const char*>(data), size, hooks, &model);
    FinishObj(&model);
    return 0;
}
