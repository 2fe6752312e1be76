// Device::Create* for state objects, input layouts and shaders.
#include <epoxy/gl.h>

#include <cctype>
#include <string>

#include "gpu/device.h"
#include "gpu/deviceimpl.h"
#include "gpu/glconvert.h"
#include "hlsl/shaderblob.h"
#include "system/log.h"

namespace gpu {
namespace {

constexpr uint32_t kAppendAligned = 0xFFFFFFFFu;

// Compiles and links one separable program; 0 and the info log on failure.
uint32_t MakeProgram(GLenum type, const std::string& source, std::string* errors) {
    const char* text = source.c_str();
    GLuint program = glCreateShaderProgramv(type, 1, &text);
    if (program == 0) {
        if (errors) *errors = "GL could not create a shader program";
        return 0;
    }
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) return program;
    if (errors) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
        glGetProgramInfoLog(program, length, nullptr, log.data());
        while (!log.empty() && (log.back() == '\0' || log.back() == '\n')) log.pop_back();
        *errors = log.empty() ? "GL rejected the shader without a message" : log;
    }
    glDeleteProgram(program);
    return 0;
}

}  // namespace

BlendStatePtr Device::CreateBlendState(const BlendDesc& desc) {
    BlendStatePtr state(new BlendState());
    state->desc_ = desc;
    return state;
}

DepthStencilStatePtr Device::CreateDepthStencilState(const DepthStencilDesc& desc) {
    DepthStencilStatePtr state(new DepthStencilState());
    state->desc_ = desc;
    return state;
}

RasterizerStatePtr Device::CreateRasterizerState(const RasterizerDesc& desc) {
    RasterizerStatePtr state(new RasterizerState());
    state->desc_ = desc;
    return state;
}

SamplerStatePtr Device::CreateSamplerState(const SamplerDesc& desc) {
    SamplerStatePtr state(new SamplerState());
    state->desc_ = desc;
    state->generation_ = impl_->generation;
    glCreateSamplers(1, &state->gl_);
    GLuint s = state->gl_;
    uint32_t minFilter = 0, magFilter = 0;
    bool anisotropic = false, comparison = false;
    ToGlFilter(desc.Filter, &minFilter, &magFilter, &anisotropic, &comparison);
    glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(magFilter));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_S, static_cast<GLint>(ToGlAddress(desc.AddressU)));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_T, static_cast<GLint>(ToGlAddress(desc.AddressV)));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_R, static_cast<GLint>(ToGlAddress(desc.AddressW)));
    glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, desc.MipLODBias);
    glSamplerParameterf(s, GL_TEXTURE_MIN_LOD, desc.MinLOD);
    glSamplerParameterf(s, GL_TEXTURE_MAX_LOD, std::min(desc.MaxLOD, 1000.0f));
    glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, desc.BorderColor);
    if (anisotropic && desc.MaxAnisotropy > 1) {
        glSamplerParameterf(s, GL_TEXTURE_MAX_ANISOTROPY, static_cast<float>(desc.MaxAnisotropy));
    }
    if (comparison) {
        glSamplerParameteri(s, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
        glSamplerParameteri(s, GL_TEXTURE_COMPARE_FUNC, static_cast<GLint>(ToGlCompare(desc.ComparisonFunc)));
    }
    return state;
}

InputLayoutPtr Device::CreateInputLayout(const InputElementDesc* elements, uint32_t count, const ShaderBlob& vertexShader) {
    InputLayoutPtr layout(new InputLayout());
    layout->generation_ = impl_->generation;
    uint32_t nextOffset[InputLayout::kSlots] = {};
    for (uint32_t i = 0; i < count; ++i) {
        const InputElementDesc& e = elements[i];
        GlFormat format = ToGl(e.Format);
        // Semantics compare without case, as the translator lists them: upper case.
        std::string semantic = e.SemanticName ? e.SemanticName : "";
        for (char& c : semantic) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (semantic.empty() || format.components == 0 || e.InputSlot >= InputLayout::kSlots) {
            LOG("Failed to create input layout: element '%s%u' has an unusable semantic, format or slot",
                e.SemanticName ? e.SemanticName : "", e.SemanticIndex);
            return nullptr;
        }
        uint32_t offset = e.AlignedByteOffset == kAppendAligned ? nextOffset[e.InputSlot] : e.AlignedByteOffset;
        nextOffset[e.InputSlot] = offset + format.bytes;
        // Elements the shader does not read are fetched by nobody, as in D3D.
        for (const ShaderBlob::Input& input : vertexShader.inputs) {
            if (input.semantic != semantic || input.semanticIndex != e.SemanticIndex) continue;
            layout->elements_.push_back({input.location, e.Format, e.InputSlot, offset,
                                         e.InputSlotClass == InputClassification::PerInstanceData, e.InstanceDataStepRate});
            layout->slotMask_ |= 1u << e.InputSlot;
            break;
        }
    }
    for (const ShaderBlob::Input& input : vertexShader.inputs) {
        bool found = false;
        for (const InputLayout::Element& e : layout->elements_) found = found || e.location == input.location;
        if (!found) {
            LOG("Failed to create input layout: the vertex shader reads '%s%u', which the layout lacks",
                input.semantic.c_str(), input.semanticIndex);
            return nullptr;
        }
    }
    glCreateVertexArrays(1, &layout->vao_);
    for (const InputLayout::Element& e : layout->elements_) {
        GlFormat format = ToGl(e.format);
        glEnableVertexArrayAttrib(layout->vao_, e.location);
        if (format.integer) {
            glVertexArrayAttribIFormat(layout->vao_, e.location, static_cast<GLint>(format.components), format.type, e.offset);
        } else {
            glVertexArrayAttribFormat(layout->vao_, e.location, static_cast<GLint>(format.components), format.type,
                                      format.normalized ? GL_TRUE : GL_FALSE, e.offset);
        }
        glVertexArrayAttribBinding(layout->vao_, e.location, e.inputSlot);
        glVertexArrayBindingDivisor(layout->vao_, e.inputSlot, e.perInstance ? std::max(1u, e.stepRate) : 0);
    }
    return layout;
}

VertexShaderPtr Device::CreateVertexShader(std::shared_ptr<const ShaderBlob> blob, std::string* errors) {
    if (!blob || blob->stage != ShaderStage::Vertex) {
        if (errors) *errors = "not a vertex shader";
        return nullptr;
    }
    uint32_t program = MakeProgram(GL_VERTEX_SHADER, blob->glsl, errors);
    if (!program) return nullptr;
    VertexShaderPtr shader(new VertexShader());
    shader->blob_ = std::move(blob);
    shader->program_ = program;
    shader->generation_ = impl_->generation;
    return shader;
}

PixelShaderPtr Device::CreatePixelShader(std::shared_ptr<const ShaderBlob> blob, std::string* errors) {
    if (!blob || blob->stage != ShaderStage::Pixel) {
        if (errors) *errors = "not a pixel shader";
        return nullptr;
    }
    uint32_t program = MakeProgram(GL_FRAGMENT_SHADER, blob->glsl, errors);
    if (!program) return nullptr;
    PixelShaderPtr shader(new PixelShader());
    shader->blob_ = std::move(blob);
    shader->program_ = program;
    shader->generation_ = impl_->generation;
    return shader;
}

}  // namespace gpu
