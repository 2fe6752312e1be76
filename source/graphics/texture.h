#pragma once
// A 2D image file from the data file system as a GPU texture with a full mip chain,
// reloaded when the file changes.
#include <memory>
#include <string>

#include "gpu/resources.h"

class FileWatcher;

class Texture {
public:
    // Loads the named image; a failed load leaves the texture empty (null view).
    explicit Texture(const std::string& fileName);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Replaces the texture with the named image. An empty name loads nothing and succeeds.
    // A missing, empty or undecodable file logs one line, leaves the texture empty and
    // returns false; it is retried when the file changes.
    bool Load(const std::string& fileName);

    // The view for drawing, after reloading the image if its file has changed. May be null.
    const gpu::ShaderResourceViewPtr& GetView();

    const gpu::Texture2DPtr& GetTexture() const { return texture_; }
    const std::string& GetFileName() const;
    // Size of the top mip level of the last successful load.
    float GetWidth() const { return width_; }
    float GetHeight() const { return height_; }

private:
    std::unique_ptr<FileWatcher> watcher_;
    gpu::Texture2DPtr texture_;
    gpu::ShaderResourceViewPtr view_;
    float width_ = 0.0f;
    float height_ = 0.0f;
};
