#pragma once
// The one vertex format of every mesh: position, texture coordinate, normal (32 bytes).
#include <cstddef>

#include "gpu/types.h"
#include "system/vec.h"

struct SVertexDesc {
    vec3 position;
    vec2 texcoord;
    vec3 normal;
};
static_assert(sizeof(SVertexDesc) == 32, "SVertexDesc must stay 32 bytes");
static_assert(offsetof(SVertexDesc, texcoord) == 12 && offsetof(SVertexDesc, normal) == 20,
              "SVertexDesc field offsets are part of the input layout");

// Input layout matching SVertexDesc, for vertex shaders that read all three attributes.
inline const gpu::InputElementDesc kSVertexLayout[3] = {
    {"POSITION", 0, gpu::Format::R32G32B32_Float, 0, 0, gpu::InputClassification::PerVertexData, 0},
    {"TEXCOORD", 0, gpu::Format::R32G32_Float, 0, 12, gpu::InputClassification::PerVertexData, 0},
    {"NORMAL", 0, gpu::Format::R32G32B32_Float, 0, 20, gpu::InputClassification::PerVertexData, 0},
};
