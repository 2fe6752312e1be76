#include "gpu/framebuffercache.h"

#include <epoxy/gl.h>

#include "gpu/glaccess.h"
#include "gpu/gllifetime.h"
#include "system/log.h"

namespace gpu {
namespace {

constexpr size_t kSweepThreshold = 64;

bool Matches(const std::vector<FramebufferCache::Attachment>& a, const std::vector<FramebufferCache::Attachment>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].resource != b[i].resource || a[i].mip != b[i].mip) return false;
    }
    return true;
}

// A cached entry is only valid while the very resources it was made for still live: an
// address or GL name may be reused by a later resource.
bool Alive(const FramebufferCache::Attachment& a) { return !a.resource || !a.alive.expired(); }

void Attach(uint32_t fbo, uint32_t attachment, const FramebufferCache::Attachment& a) {
    GlAccess::TextureName texture = GlAccess::Texture(a.resource);
    glNamedFramebufferTexture(fbo, attachment, texture.name, static_cast<GLint>(a.mip));
}

}  // namespace

FramebufferCache::~FramebufferCache() {
    if (!GlAlive(generation_)) return;
    for (Entry& entry : entries_) glDeleteFramebuffers(1, &entry.fbo);
}

uint32_t FramebufferCache::Get(uint32_t count, const RenderTargetViewPtr* colors, const DepthStencilViewPtr& depth) {
    scratch_.resize(count + 1);
    for (uint32_t i = 0; i < count; ++i) {
        scratch_[i] = {};
        if (colors[i]) scratch_[i] = {colors[i]->GetResource().get(), colors[i]->GetResource(), GlAccess::Mip(*colors[i])};
    }
    scratch_[count] = {};
    if (depth) scratch_[count] = {depth->GetResource().get(), depth->GetResource(), GlAccess::Mip(*depth)};

    Entry key;
    key.depth = scratch_[count];
    scratch_.pop_back();
    for (size_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        if (entry.depth.resource != key.depth.resource || entry.depth.mip != key.depth.mip) continue;
        if (!Matches(entry.colors, scratch_)) continue;
        bool alive = Alive(entry.depth);
        for (const Attachment& a : entry.colors) alive = alive && Alive(a);
        if (alive) return entry.fbo;
        glDeleteFramebuffers(1, &entry.fbo);
        NoteGlDeletion();
        entries_.erase(entries_.begin() + static_cast<long>(i));
        break;
    }
    if (entries_.size() >= kSweepThreshold) DropExpired();
    key.colors = scratch_;
    // A combination GL rejects is remembered as 0, so it is reported once, not every draw.
    key.fbo = Make(key);
    entries_.push_back(std::move(key));
    return entries_.back().fbo;
}

uint32_t FramebufferCache::ForTexture(const Texture2DPtr& texture, uint32_t mip) {
    // No view object is needed for a single texture.
    scratch_.assign(1, Attachment{texture.get(), texture, mip});
    for (Entry& entry : entries_) {
        if (entry.depth.resource == nullptr && Matches(entry.colors, scratch_) && Alive(entry.colors[0])) return entry.fbo;
    }
    if (entries_.size() >= kSweepThreshold) DropExpired();
    Entry key;
    key.colors = scratch_;
    // A combination GL rejects is remembered as 0, so it is reported once, not every draw.
    key.fbo = Make(key);
    entries_.push_back(std::move(key));
    return entries_.back().fbo;
}

uint32_t FramebufferCache::Make(const Entry& entry) {
    GLuint fbo = 0;
    glCreateFramebuffers(1, &fbo);
    GLenum drawBuffers[8];
    GLsizei n = 0;
    for (size_t i = 0; i < entry.colors.size() && i < 8; ++i) {
        const Attachment& a = entry.colors[i];
        if (a.resource) {
            Attach(fbo, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i), a);
            drawBuffers[i] = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i);
        } else {
            drawBuffers[i] = GL_NONE;
        }
        n = static_cast<GLsizei>(i + 1);
    }
    if (n > 0) {
        glNamedFramebufferDrawBuffers(fbo, n, drawBuffers);
        glNamedFramebufferReadBuffer(fbo, GL_COLOR_ATTACHMENT0);
    } else {
        glNamedFramebufferDrawBuffer(fbo, GL_NONE);
        glNamedFramebufferReadBuffer(fbo, GL_NONE);
    }
    if (entry.depth.resource) Attach(fbo, GL_DEPTH_STENCIL_ATTACHMENT, entry.depth);
    GLenum status = glCheckNamedFramebufferStatus(fbo, GL_DRAW_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        LOG("Failed to make a framebuffer of these targets (GL status 0x%04X)", status);
        glDeleteFramebuffers(1, &fbo);
        return 0;
    }
    return fbo;
}

void FramebufferCache::DropExpired() {
    for (size_t i = entries_.size(); i-- > 0;) {
        bool alive = Alive(entries_[i].depth);
        for (const Attachment& a : entries_[i].colors) alive = alive && Alive(a);
        if (alive) continue;
        glDeleteFramebuffers(1, &entries_[i].fbo);
        NoteGlDeletion();
        entries_.erase(entries_.begin() + static_cast<long>(i));
    }
}

}  // namespace gpu
