#include "effects/scriptshape.h"

#include <unistd.h>

#include <cstring>
#include <vector>

#include "graphics/devicestate.h"
#include "system/log.h"

namespace Effects {

ScriptShape MeasureScript(pugi::xml_node demo) {
    ScriptShape shape;
    // One cursor per open level: the next "effect" sibling to visit there.
    std::vector<pugi::xml_node> stack;
    stack.push_back(demo.child("effect"));
    while (!stack.empty()) {
        pugi::xml_node node = stack.back();
        if (!node) {
            stack.pop_back();
            continue;
        }
        stack.back() = node.next_sibling("effect");
        ++shape.effects;
        if (std::strcmp(node.attribute("type").as_string(), "RenderTarget") == 0) ++shape.renderTargets;
        stack.push_back(node.child("effect"));
        if (stack.size() - 1 > shape.depth) shape.depth = stack.size() - 1;
    }
    return shape;
}

uint64_t RenderTargetBytes() {
    // Two chain textures at the sample count and one single-sampled resolve texture, RGBA8.
    const uint64_t pixels = uint64_t(gScreenWidth > 0 ? gScreenWidth : 0) * uint64_t(gScreenHeight > 0 ? gScreenHeight : 0);
    const uint64_t samples = gSampleCount > 1 ? uint64_t(gSampleCount) : 1;
    return pixels * 4 * (2 * samples + 1);
}

uint64_t RenderTextureBudget() {
    if (gVideoMemoryMB > 0) return uint64_t(gVideoMemoryMB) << 20;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return uint64_t(1) << 31;
    return uint64_t(pages) * uint64_t(pageSize) / 2;
}

bool CheckScriptShape(pugi::xml_node demo, uint64_t budget) {
    const ScriptShape shape = MeasureScript(demo);
    if (shape.depth > kMaxEffectDepth) {
        LOG("Script nests effects %zu levels deep; at most %zu are supported", shape.depth, kMaxEffectDepth);
        return false;
    }
    const uint64_t needed = uint64_t(shape.renderTargets) * RenderTargetBytes();
    if (needed > budget) {
        LOG("Script's %zu render targets need %llu MB of render textures; only %llu MB are available",
            shape.renderTargets, static_cast<unsigned long long>((needed + (1 << 20) - 1) >> 20),
            static_cast<unsigned long long>(budget >> 20));
        return false;
    }
    return true;
}

}  // namespace Effects
