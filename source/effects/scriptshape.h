#pragma once
// Checks the shape of a demo script before any effect is created: effects nested deeper
// than the loader can recurse, or more render targets than the graphics memory can hold,
// are refused with a log line instead of overflowing the stack or exhausting memory.
#include <cstddef>
#include <cstdint>

#include <pugixml.hpp>

namespace Effects {

// Deepest nesting of "effect" elements accepted. Real shows nest a handful of levels.
constexpr size_t kMaxEffectDepth = 256;

struct ScriptShape {
    size_t depth = 0;          // deepest effect nesting (a top-level effect is 1)
    size_t effects = 0;
    size_t renderTargets = 0;  // effects that own full-size render textures
};

// Walks the effect tree without recursion.
ScriptShape MeasureScript(pugi::xml_node demo);

// Bytes of graphics memory the render textures of one RenderTarget take at the current
// render size and sample count.
uint64_t RenderTargetBytes();
// Memory the render textures may take: the device's video memory when it says, else half
// of the machine's memory.
uint64_t RenderTextureBudget();

// False (logged) when the script is nested too deeply or its render targets would not fit
// in `budget` bytes.
bool CheckScriptShape(pugi::xml_node demo, uint64_t budget);

}  // namespace Effects
