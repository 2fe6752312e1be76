#include "graphics/texture.h"

#include "graphics/devicestate.h"
#include "graphics/imagedecoder.h"
#include "system/filewatcher.h"
#include "system/log.h"

Texture::Texture(const std::string& fileName) { Load(fileName); }

Texture::~Texture() {
    // The view goes before the texture it views, the watcher last.
    view_.reset();
    texture_.reset();
}

const std::string& Texture::GetFileName() const {
    static const std::string kNone;
    return watcher_ ? watcher_->GetFileName() : kNone;
}

bool Texture::Load(const std::string& fileName) {
    view_.reset();
    texture_.reset();
    watcher_ = std::make_unique<FileWatcher>(fileName);
    if (fileName.empty()) return true;

    // A watcher of its own reads the file afresh and frees the bytes when done.
    FileWatcher reader(fileName);
    const FileContents& contents = reader.GetData();
    if (contents.Empty()) {
        LOG("Image file '%s' couldn't be opened", fileName.c_str());
        return false;
    }

    DecodedImage image;
    gpu::Texture2DPtr texture;
    gpu::ShaderResourceViewPtr view;
    std::string reason = "there is no graphics device";
    // Images are scaled to the device's own largest texture.
    const uint32_t maxSide = gDevice ? gDevice->GetAdapterInfo().maxTextureSize : kMaxTextureSize;
    if (DecodeImage(contents.Bytes(), contents.size, &image, &reason, maxSide) && gDevice) {
        reason = "the graphics device refused a texture of " + std::to_string(image.width) + " × " +
                 std::to_string(image.height) + " pixels";
        gpu::Texture2DDesc desc;
        desc.Width = image.width;
        desc.Height = image.height;
        desc.MipLevels = 0;  // full chain, generated on the GPU
        desc.ArraySize = 1;
        desc.Format = gpu::Format::R8G8B8A8_UNorm;
        desc.Usage = gpu::Usage::Default;
        desc.BindFlags = gpu::BIND_SHADER_RESOURCE | gpu::BIND_RENDER_TARGET;
        desc.MiscFlags = gpu::RESOURCE_MISC_GENERATE_MIPS;
        texture = gDevice->CreateTexture2D(desc, nullptr);
        if (texture) view = gDevice->CreateShaderResourceView(texture, nullptr);
    }
    if (!view) {
        LOG("Error creating texture from '%s': %s", fileName.c_str(), reason.c_str());
        return false;
    }
    gContext->UpdateSubresource(texture, 0, nullptr, image.rgba.data(), image.width * 4, 0);
    gContext->GenerateMips(view);

    texture_ = std::move(texture);
    view_ = std::move(view);
    width_ = float(texture_->GetDesc().Width);
    height_ = float(texture_->GetDesc().Height);
    return true;
}

const gpu::ShaderResourceViewPtr& Texture::GetView() {
    if (watcher_ && watcher_->GetHasChanged()) {
        std::string name = watcher_->GetFileName();  // Load replaces the watcher that owns it
        Load(name);
    }
    return view_;
}
