// Destructors of the gpu resources: each releases its GL names while the context that made
// them is alive, and touches no GL otherwise.
#include "gpu/resources.h"

#include <epoxy/gl.h>

#include "gpu/gllifetime.h"

namespace gpu {

Buffer::~Buffer() {
    if (!GlAlive(generation_)) return;
    NoteGlDeletion();
    if (mapped_) glUnmapNamedBuffer(gl_);
    if (fence_) glDeleteSync(static_cast<GLsync>(fence_));
    if (gl_) glDeleteBuffers(1, &gl_);
    if (repackGl_) glDeleteBuffers(1, &repackGl_);
}

Texture2D::~Texture2D() {
    if (!GlAlive(generation_)) return;
    NoteGlDeletion();
    if (fence_) glDeleteSync(static_cast<GLsync>(fence_));
    if (target_ == 0) {
        if (mapped_) glUnmapNamedBuffer(gl_);
        if (gl_) glDeleteBuffers(1, &gl_);
    } else if (gl_) {
        glDeleteTextures(1, &gl_);
    }
}

Texture3D::~Texture3D() {
    if (!GlAlive(generation_) || !gl_) return;
    NoteGlDeletion();
    glDeleteTextures(1, &gl_);
}

Texture1D::~Texture1D() {
    if (!GlAlive(generation_) || !gl_) return;
    NoteGlDeletion();
    glDeleteTextures(1, &gl_);
}

ShaderResourceView::~ShaderResourceView() = default;
RenderTargetView::~RenderTargetView() = default;
DepthStencilView::~DepthStencilView() = default;

SamplerState::~SamplerState() {
    if (!GlAlive(generation_) || !gl_) return;
    NoteGlDeletion();
    glDeleteSamplers(1, &gl_);
}

InputLayout::~InputLayout() {
    if (!GlAlive(generation_) || !vao_) return;
    NoteGlDeletion();
    glDeleteVertexArrays(1, &vao_);
}

VertexShader::~VertexShader() {
    if (GlAlive(generation_) && program_) glDeleteProgram(program_);
}

PixelShader::~PixelShader() {
    if (GlAlive(generation_) && program_) glDeleteProgram(program_);
}

}  // namespace gpu
