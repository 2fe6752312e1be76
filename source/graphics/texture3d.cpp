#include "graphics/texture3d.h"

#include "graphics/cubeloader.h"
#include "graphics/devicestate.h"
#include "system/filewatcher.h"
#include "system/log.h"

Texture3D::Texture3D() = default;

Texture3D::~Texture3D() {
    view_.reset();
    texture_.reset();
}

const std::string& Texture3D::GetFileName() const {
    static const std::string kNone;
    return watcher_ ? watcher_->GetFileName() : kNone;
}

bool Texture3D::Load(const std::string& fileName) {
    view_.reset();
    texture_.reset();
    watcher_ = std::make_unique<FileWatcher>(fileName);

    FileWatcher reader(fileName);
    const FileContents& contents = reader.GetData();
    if (contents.Empty()) {
        LOG("TextureManager failed to open '%s'", fileName.c_str());
        return true;
    }
    CubeLoader cube(contents.Bytes(), contents.size);
    if (!cube.GetSucceeded()) {
        LOG("TextureManager failed to load '%s': %s", fileName.c_str(), cube.GetError().c_str());
        return true;
    }

    const uint32_t n = uint32_t(cube.GetSize());
    gpu::Texture3DDesc desc;
    desc.Width = desc.Height = desc.Depth = n;
    desc.MipLevels = 1;
    desc.Format = gpu::Format::R8G8B8A8_UNorm;
    desc.Usage = gpu::Usage::Immutable;
    desc.BindFlags = gpu::BIND_SHADER_RESOURCE;
    // Red varies fastest: entry i lands at x = i mod N, y = (i / N) mod N, z = i / N^2.
    gpu::SubresourceData data;
    data.pSysMem = cube.GetTexels().data();
    data.SysMemPitch = n * 4;
    data.SysMemSlicePitch = n * n * 4;
    gpu::Texture3DPtr texture = gDevice ? gDevice->CreateTexture3D(desc, &data) : nullptr;
    if (!texture) {
        LOG("Failed to create texture");
        return true;
    }

    gpu::ShaderResourceViewDesc srv;
    srv.Format = gpu::Format::R8G8B8A8_UNorm;
    srv.ViewDimension = gpu::SrvDimension::Texture3D;
    srv.MostDetailedMip = 0;
    srv.MipLevels = 1;
    gpu::ShaderResourceViewPtr view = gDevice->CreateShaderResourceView(texture, &srv);
    texture_ = std::move(texture);
    view_ = std::move(view);
    if (!view_) {
        LOG("Failed to create shader resource view");
        LOG("TextureManager failed to load '%s'", fileName.c_str());
    }
    return true;
}

const gpu::ShaderResourceViewPtr& Texture3D::GetView() {
    if (watcher_ && watcher_->GetHasChanged()) {
        std::string name = watcher_->GetFileName();  // Load replaces the watcher that owns it
        Load(name);
    }
    return view_;
}
