#pragma once
// A ".cube" colour look-up table from the data file system as an immutable 3D texture,
// reloaded when the file changes.
#include <memory>
#include <string>

#include "gpu/resources.h"

class FileWatcher;

class Texture3D {
public:
    Texture3D();
    ~Texture3D();
    Texture3D(const Texture3D&) = delete;
    Texture3D& operator=(const Texture3D&) = delete;

    // Replaces the table with the named file. Always returns true: failures are logged and
    // leave the view null until the file changes.
    bool Load(const std::string& fileName);

    // The view for drawing, after reloading the table if its file has changed. May be null.
    const gpu::ShaderResourceViewPtr& GetView();

    const gpu::Texture3DPtr& GetTexture() const { return texture_; }
    const std::string& GetFileName() const;

private:
    std::unique_ptr<FileWatcher> watcher_;
    gpu::Texture3DPtr texture_;
    gpu::ShaderResourceViewPtr view_;
};
