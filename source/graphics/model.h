#pragma once
// A static or vertex-animated mesh from a Wavefront OBJ file, its MTL materials and an
// optional PC2 point cache. Loading makes one Mesh per material that has faces (in
// byte-wise name order), holding de-duplicated 16-bit-indexed geometry for every animation
// frame. Drawing binds a mesh's material and the geometry of the frame a time selects, then
// draws instances whose world matrices go through one shared buffer, 2,048 at a time. The
// OBJ and PC2 files are watched; Render reloads the model when either changes.
//
// Slots: material constants b2 (both stages); maps t0..t2 (pixel stage); instance
// matrices t6 (vertex stage).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/constantbuffer.h"
#include "graphics/indexbuffer.h"
#include "graphics/renderableobject.h"
#include "graphics/structurebuffer.h"
#include "graphics/vertex.h"
#include "graphics/vertexbuffer.h"

class FileWatcher;
class Texture;

class Model {
public:
    using GPUModelData = RenderableObject::GPUModelData;
    using InstanceBuffer = StructureBuffer<GPUModelData>;
    static constexpr uint32_t kInstanceBatch = 2048;

    struct Material {
        float ambient[4] = {0, 0, 0, 1};
        float diffuse[4] = {0.5f, 0.5f, 0.5f, 1};
        float emissive[4] = {0, 0, 0, 1};
        float specular[4] = {1, 1, 1, 1};
        float specularPower = 1.0f;
        std::shared_ptr<Texture> ambientMap;
        std::shared_ptr<Texture> diffuseMap;
        std::shared_ptr<Texture> emissiveMap;
    };

    // One drawable range of a frame: at most 65,536 vertices addressed by 16-bit indices.
    // A frame whose de-duplicated vertices do not fit in one range is split into several.
    struct Part {
        std::shared_ptr<VertexBuffer<SVertexDesc>> vertices;
        std::shared_ptr<IndexBuffer<short>> indices;
    };
    struct Frame {
        std::vector<Part> parts;
    };
    struct Mesh {
        std::vector<Frame> frames;  // one per animation frame, never empty
        std::string materialName;
        float frameRate = 1.0f;
    };

    Model();
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // The animation file paired with a model file: every ".obj" replaced by ".pc2".
    static std::string AnimationNameFor(const std::string& modelName);

    // Loads the OBJ (and its MTL libraries) and the optional PC2 animation. False, with the
    // model left without meshes, when the OBJ is missing, has no positions or faces, the
    // animation is unusable, or all frames together would need more than 4 GiB of geometry.
    // Faces with indices outside the lists are left out (one log line counts them).
    bool Load(const std::string& modelName, const std::string& animationName);

    // The three steps of drawing one mesh; out-of-range mesh indices do nothing.
    void SetMaterial(size_t meshIndex);
    void SetGeometry(size_t meshIndex, float time);
    // Draws `count` instances (16 floats each, contiguous) in batches of 2,048.
    void DrawInstances(size_t meshIndex, const float* matrices, size_t count, float time);
    // Reload check, then every mesh with one instance.
    void Render(float time, const float* world);

    // The animation frame a time selects: trunc(time x rate) modulo the frame count,
    // never negative.
    static size_t FrameIndex(float time, float frameRate, size_t frameCount);

    size_t GetMeshCount() const { return meshes_.size(); }
    const Mesh& GetMesh(size_t index) const { return *meshes_[index]; }
    const std::map<std::string, Material>& GetMaterials() const { return materials_; }
    const std::shared_ptr<InstanceBuffer>& GetInstanceData() const { return instanceData_; }

private:
    std::unique_ptr<FileWatcher> modelWatcher_;
    std::unique_ptr<FileWatcher> animationWatcher_;
    std::map<std::string, Material> materials_;
    std::shared_ptr<InstanceBuffer> instanceData_;
    ConstantBuffer materialConstants_;
    std::vector<std::shared_ptr<Mesh>> meshes_;
};
