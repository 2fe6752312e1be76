#include "hlsl/hlslcross.h"

#include <spirv_cross/spirv_cross_c.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "hlsl/hlslfrontend.h"
#include "hlsl/hlslpacking.h"
#include "hlsl/semantics.h"

namespace gpu {
namespace {

void CollectError(void* user, const char* message) {
    *static_cast<std::string*>(user) += std::string("error: ") + message + "\n";
}

// Owns the SPIRV-Cross context; everything allocated from it goes with it.
class CrossContext {
public:
    explicit CrossContext(std::string* errors) {
        if (spvc_context_create(&context_) != SPVC_SUCCESS) context_ = nullptr;
        if (context_) spvc_context_set_error_callback(context_, CollectError, errors);
    }
    ~CrossContext() {
        if (context_) spvc_context_destroy(context_);
    }
    CrossContext(const CrossContext&) = delete;
    CrossContext& operator=(const CrossContext&) = delete;
    spvc_context Get() const { return context_; }

private:
    spvc_context context_ = nullptr;
};

struct Resources {
    const spvc_reflected_resource* list = nullptr;
    size_t count = 0;
};

Resources List(spvc_resources resources, spvc_resource_type type) {
    Resources r;
    spvc_resources_get_resource_list_for_type(resources, type, &r.list, &r.count);
    return r;
}

bool BuildPacked(spvc_compiler compiler, spvc_type_id typeId, bool rowMajor, PackedType* out, std::string* errors) {
    spvc_type type = spvc_compiler_get_type_handle(compiler, typeId);
    const unsigned dims = spvc_type_get_num_array_dimensions(type);
    // SPIRV-Cross lists array dimensions innermost first.
    for (unsigned d = dims; d-- > 0;) {
        if (!spvc_type_array_dimension_is_literal(type, d)) {
            *errors += "error: constant buffer arrays need a constant size\n";
            return false;
        }
        out->arrayDims.push_back(spvc_type_get_array_dimension(type, d));
    }
    if (dims > 0) out->arrayTypeIds.push_back(typeId);
    const spvc_type_id baseId = spvc_type_get_base_type_id(type);
    spvc_type base = spvc_compiler_get_type_handle(compiler, baseId);
    if (spvc_type_get_basetype(base) == SPVC_BASETYPE_STRUCT) {
        if (dims > 1) {
            *errors += "error: multi-dimensional arrays of structs in constant buffers are not supported\n";
            return false;
        }
        out->kind = PackedType::Kind::Struct;
        out->typeId = baseId;
        const unsigned count = spvc_type_get_num_member_types(base);
        for (unsigned m = 0; m < count; ++m) {
            PackedType member;
            const bool memberRowMajor = spvc_compiler_has_member_decoration(compiler, baseId, m, SpvDecorationRowMajor);
            if (!BuildPacked(compiler, spvc_type_get_member_type(base, m), memberRowMajor, &member, errors)) return false;
            unsigned offset = 0;
            spvc_compiler_type_struct_member_offset(compiler, base, m, &offset);
            out->members.push_back(std::move(member));
            out->declaredOffsets.push_back(offset);
        }
        return true;
    }
    if (spvc_type_get_bit_width(base) != 32) {
        *errors += "error: only 32-bit types are supported in constant buffers\n";
        return false;
    }
    const unsigned columns = spvc_type_get_columns(base);
    const unsigned rows = spvc_type_get_vector_size(base);
    if (columns > 1) {
        // A row-major SPIR-V matrix stores its rows, a column-major one its columns.
        out->kind = PackedType::Kind::Matrix;
        out->registers = rowMajor ? rows : columns;
        out->components = rowMajor ? columns : rows;
    } else {
        out->kind = PackedType::Kind::Vector;
        out->components = rows;
    }
    return true;
}

void ApplyLayout(spvc_compiler compiler, const PackedType& type) {
    if (type.kind != PackedType::Kind::Struct) return;
    if (!type.arrayTypeIds.empty() && !type.glArrayStrides.empty()) {
        spvc_compiler_set_decoration(compiler, type.arrayTypeIds[0], SpvDecorationArrayStride, type.glArrayStrides[0]);
    }
    for (size_t m = 0; m < type.members.size(); ++m) {
        spvc_compiler_set_member_decoration(compiler, type.typeId, static_cast<unsigned>(m), SpvDecorationOffset,
                                            type.glOffsets[m]);
        ApplyLayout(compiler, type.members[m]);
    }
}

bool TextureKindOf(spvc_type type, ShaderBlob::TextureKind* kind) {
    using Kind = ShaderBlob::TextureKind;
    const bool arrayed = spvc_type_get_image_arrayed(type);
    const bool multisampled = spvc_type_get_image_multisampled(type);
    switch (spvc_type_get_image_dimension(type)) {
        case SpvDim1D:
            *kind = arrayed ? Kind::Texture1DArray : Kind::Texture1D;
            return true;
        case SpvDim2D:
            if (multisampled) {
                *kind = arrayed ? Kind::Texture2DMSArray : Kind::Texture2DMS;
            } else {
                *kind = arrayed ? Kind::Texture2DArray : Kind::Texture2D;
            }
            return true;
        case SpvDim3D:
            *kind = Kind::Texture3D;
            return !arrayed;
        case SpvDimCube:
            *kind = arrayed ? Kind::TextureCubeArray : Kind::TextureCube;
            return true;
        case SpvDimBuffer:
            *kind = Kind::Buffer;
            return true;
        default:
            return false;
    }
}

// SSBO bindings of unordered-access buffers, after the two stages' structured buffers.
constexpr uint32_t kUavBindingBase = 2 * kPixelBindingBase;

uint32_t StageBase(ShaderStage stage) { return stage == ShaderStage::Vertex ? kVertexBindingBase : kPixelBindingBase; }

bool MapConstantBuffers(spvc_compiler compiler, spvc_resources resources, ShaderStage stage, ShaderBlob* blob,
                        std::string* errors) {
    Resources ubos = List(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER);
    for (size_t i = 0; i < ubos.count; ++i) {
        const spvc_reflected_resource& r = ubos.list[i];
        const unsigned binding = spvc_compiler_get_decoration(compiler, r.id, SpvDecorationBinding);
        const unsigned slot = binding - kHlslShiftConstantBuffer;
        if (binding >= kHlslShiftTexture || slot >= kMaxConstantBufferSlots) {
            *errors += std::string("error: constant buffer '") + r.name + "' is not in a register b0..b13\n";
            return false;
        }
        PackedType block;
        if (!BuildPacked(compiler, r.base_type_id, false, &block, errors)) return false;
        ShaderBlob::ConstantBuffer cb;
        cb.slot = slot;
        cb.glBinding = StageBase(stage) + slot;
        LayoutConstantBuffer(&block, &cb.glSize, &cb.repack);
        ApplyLayout(compiler, block);
        spvc_compiler_set_decoration(compiler, r.id, SpvDecorationBinding, cb.glBinding);
        blob->constantBuffers.push_back(std::move(cb));
    }

    Resources ssbos = List(resources, SPVC_RESOURCE_TYPE_STORAGE_BUFFER);
    for (size_t i = 0; i < ssbos.count; ++i) {
        const spvc_reflected_resource& r = ssbos.list[i];
        const unsigned binding = spvc_compiler_get_decoration(compiler, r.id, SpvDecorationBinding);
        if (binding >= kHlslShiftUav) {
            // RWStructuredBuffer and RWByteAddressBuffer: the layer binds no UAVs, so they get
            // a binding of their own past both stages' ranges (reads zero, writes go nowhere).
            spvc_compiler_set_decoration(compiler, r.id, SpvDecorationBinding, kUavBindingBase + (binding - kHlslShiftUav) % 8);
            continue;
        }
        if (binding < kHlslShiftTexture || binding >= kHlslShiftSampler) {
            *errors += std::string("error: structured buffer '") + r.name + "' must be in a t register\n";
            return false;
        }
        // Each stage owns 16 SSBO bindings; t16 and above would land on the other stage's.
        if (binding - kHlslShiftTexture >= kPixelBindingBase - kVertexBindingBase) {
            *errors += std::string("error: structured buffer '") + r.name + "' is not in a register t0..t15\n";
            return false;
        }
        ShaderBlob::StructuredBuffer sb;
        sb.slot = binding - kHlslShiftTexture;
        sb.glBinding = StageBase(stage) + sb.slot;
        spvc_compiler_set_decoration(compiler, r.id, SpvDecorationBinding, sb.glBinding);
        blob->structuredBuffers.push_back(sb);
    }
    return true;
}

// Elements of an array type (all dimensions), 1 for anything else.
unsigned ArrayElements(spvc_compiler compiler, spvc_type_id typeId) {
    spvc_type type = spvc_compiler_get_type_handle(compiler, typeId);
    unsigned count = 1;
    for (unsigned d = 0; d < spvc_type_get_num_array_dimensions(type); ++d) {
        if (spvc_type_array_dimension_is_literal(type, d)) count *= std::max(1u, spvc_type_get_array_dimension(type, d));
    }
    return count;
}

// Locations a stage input of this type occupies: one per matrix column and array element.
unsigned LocationCount(spvc_compiler compiler, spvc_type_id typeId) {
    spvc_type type = spvc_compiler_get_type_handle(compiler, typeId);
    return std::max(1u, spvc_type_get_columns(type)) * ArrayElements(compiler, typeId);
}

bool MapTextures(spvc_compiler compiler, spvc_resources resources, ShaderStage stage, ShaderBlob* blob,
                 std::string* errors) {
    // Kinds, registers and array sizes of the separate images, read before they are combined.
    struct Image {
        unsigned binding;
        ShaderBlob::TextureKind kind;
        unsigned elements;  // an array of textures takes one register and one unit per element
    };
    std::map<spvc_variable_id, Image> images;
    Resources separate = List(resources, SPVC_RESOURCE_TYPE_SEPARATE_IMAGE);
    for (size_t i = 0; i < separate.count; ++i) {
        const spvc_reflected_resource& r = separate.list[i];
        spvc_type type = spvc_compiler_get_type_handle(compiler, r.base_type_id);
        const unsigned elements = ArrayElements(compiler, r.type_id);
        ShaderBlob::TextureKind kind;
        if (!TextureKindOf(type, &kind)) {
            *errors += std::string("error: unsupported texture type of '") + r.name + "'\n";
            return false;
        }
        const unsigned binding = spvc_compiler_get_decoration(compiler, r.id, SpvDecorationBinding);
        if (binding < kHlslShiftTexture || binding + elements > kHlslShiftSampler) {
            *errors += std::string("error: texture '") + r.name + "' must be in a t register\n";
            return false;
        }
        images[r.id] = {binding - kHlslShiftTexture, kind, elements};
    }

    // RWTexture*: image units follow the u register, like D3D's UAV slots.
    Resources storage = List(resources, SPVC_RESOURCE_TYPE_STORAGE_IMAGE);
    for (size_t i = 0; i < storage.count; ++i) {
        const unsigned binding = spvc_compiler_get_decoration(compiler, storage.list[i].id, SpvDecorationBinding);
        spvc_compiler_set_decoration(compiler, storage.list[i].id, SpvDecorationBinding,
                                     binding >= kHlslShiftUav ? (binding - kHlslShiftUav) % 8 : 0);
    }

    spvc_variable_id dummy = 0;
    if (spvc_compiler_build_dummy_sampler_for_combined_images(compiler, &dummy) != SPVC_SUCCESS) return false;
    if (spvc_compiler_build_combined_image_samplers(compiler) != SPVC_SUCCESS) return false;
    const spvc_combined_image_sampler* combined = nullptr;
    size_t count = 0;
    spvc_compiler_get_combined_image_samplers(compiler, &combined, &count);
    constexpr uint32_t kUnits = kPixelBindingBase - kVertexBindingBase;
    uint32_t unit = 0;
    // Each (texture, sampler) pair gets units of its own; typed buffers, read without a
    // sampler, pair with none and take the units after them.
    auto assign = [&](const Image& image, int32_t samplerSlot, spvc_variable_id id) {
        if (unit + image.elements > kUnits) {
            *errors += "error: more than 16 texture and sampler pairs in one stage\n";
            return false;
        }
        spvc_compiler_set_decoration(compiler, id, SpvDecorationBinding, StageBase(stage) + unit);
        for (unsigned k = 0; k < image.elements; ++k) {
            blob->textures.push_back({image.binding + k, samplerSlot, StageBase(stage) + unit++, image.kind});
        }
        return true;
    };
    for (size_t i = 0; i < count; ++i) {
        auto image = images.find(combined[i].image_id);
        if (image == images.end()) {
            *errors += "error: unsupported texture use\n";
            return false;
        }
        int32_t samplerSlot = -1;
        if (combined[i].sampler_id != dummy || dummy == 0) {
            const unsigned binding = spvc_compiler_get_decoration(compiler, combined[i].sampler_id, SpvDecorationBinding);
            if (binding < kHlslShiftSampler || binding >= kHlslShiftSampler + kMaxSamplerSlots) {
                *errors += "error: sampler must be in a register s0..s15\n";
                return false;
            }
            samplerSlot = static_cast<int32_t>(binding - kHlslShiftSampler);
        }
        if (!assign(image->second, samplerSlot, combined[i].combined_id)) return false;
    }
    for (const auto& [id, image] : images) {
        if (image.kind == ShaderBlob::TextureKind::Buffer && !assign(image, -1, id)) return false;
    }
    return true;
}


// The N of a name ending in "[N]", else 0.
uint32_t ArrayElementOf(const char* name) {
    const std::string text = name ? name : "";
    if (text.empty() || text.back() != ']') return 0;
    const size_t open = text.rfind('[');
    if (open == std::string::npos || text.size() - open > 8) return 0;
    uint32_t n = 0;
    for (size_t i = open + 1; i + 1 < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
        n = n * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    return n;
}

// Vertex inputs take locations 0, 1, ... in declaration order, recorded with their semantics
// so that an input layout can find them; any number of semantics then fits the attribute
// range. Varyings take the fixed location of their semantic, so that the stages agree
// whatever order their structs list members in.
void MapLocations(spvc_compiler compiler, spvc_resources resources, ShaderStage stage, ShaderBlob* blob) {
    const bool vertex = stage == ShaderStage::Vertex;
    for (spvc_resource_type kind : {SPVC_RESOURCE_TYPE_STAGE_INPUT, SPVC_RESOURCE_TYPE_STAGE_OUTPUT}) {
        // Pixel outputs keep the render-target index SV_TargetN gave them.
        if (!vertex && kind == SPVC_RESOURCE_TYPE_STAGE_OUTPUT) continue;
        const bool attributes = vertex && kind == SPVC_RESOURCE_TYPE_STAGE_INPUT;
        uint32_t nextAttribute = 0;
        Resources list = List(resources, kind);
        for (size_t i = 0; i < list.count; ++i) {
            const spvc_reflected_resource& r = list.list[i];
            const char* semantic = spvc_compiler_get_decoration_string(compiler, r.id, SpvDecorationUserSemantic);
            if (!semantic || !*semantic) continue;
            std::string name;
            uint32_t index = 0;
            SplitSemantic(semantic, &name, &index);
            if (attributes) {
                spvc_compiler_set_decoration(compiler, r.id, SpvDecorationLocation, nextAttribute);
                const unsigned count = LocationCount(compiler, r.type_id);
                for (unsigned k = 0; k < count; ++k) blob->inputs.push_back({name, index + k, nextAttribute + k});
                nextAttribute += count;
                continue;
            }
            // An element of an array varying, split out by the front end, carries the
            // array's semantic: element N starts N semantic indices (rows) further on.
            index += ArrayElementOf(r.name) * LocationCount(compiler, r.type_id);
            const int location = SemanticLocation(name, index);
            if (location < 0) continue;
            spvc_compiler_set_decoration(compiler, r.id, SpvDecorationLocation, static_cast<unsigned>(location));
        }
    }
}

}  // namespace

void SplitSemantic(const std::string& semantic, std::string* name, uint32_t* index) {
    size_t digits = semantic.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1]))) --digits;
    *name = semantic.substr(0, digits);
    for (char& c : *name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    *index = 0;
    for (size_t i = digits; i < semantic.size() && i < digits + 6; ++i) *index = *index * 10 + (semantic[i] - '0');
}

bool SpirvToBlob(const std::vector<uint32_t>& spirv, ShaderStage stage, ShaderBlob* blob, std::string* errors) {
    CrossContext context(errors);
    if (!context.Get()) {
        *errors += "error: cannot create the SPIR-V cross-compiler\n";
        return false;
    }
    spvc_parsed_ir ir = nullptr;
    spvc_compiler compiler = nullptr;
    if (spvc_context_parse_spirv(context.Get(), spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS) return false;
    if (spvc_context_create_compiler(context.Get(), SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP,
                                     &compiler) != SPVC_SUCCESS) {
        return false;
    }
    spvc_compiler_options options = nullptr;
    if (spvc_compiler_create_compiler_options(compiler, &options) != SPVC_SUCCESS) return false;
    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 450);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_VULKAN_SEMANTICS, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_SEPARATE_SHADER_OBJECTS, SPVC_TRUE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_SUPPORT_NONZERO_BASE_INSTANCE, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION, SPVC_TRUE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FLIP_VERTEX_Y, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FIXUP_DEPTH_CONVENTION, SPVC_FALSE);
    if (spvc_compiler_install_compiler_options(compiler, options) != SPVC_SUCCESS) return false;

    spvc_resources resources = nullptr;
    if (spvc_compiler_create_shader_resources(compiler, &resources) != SPVC_SUCCESS) return false;
    blob->stage = stage;
    if (!MapConstantBuffers(compiler, resources, stage, blob, errors)) return false;
    if (!MapTextures(compiler, resources, stage, blob, errors)) return false;
    MapLocations(compiler, resources, stage, blob);

    const char* glsl = nullptr;
    if (spvc_compiler_compile(compiler, &glsl) != SPVC_SUCCESS || !glsl) return false;
    blob->glsl = glsl;
    return true;
}

}  // namespace gpu
