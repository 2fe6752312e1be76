#include "graphics/model.h"

#include <algorithm>
#include <cmath>
#include <regex>

#include "graphics/meshbuilder.h"
#include "graphics/mtlparser.h"
#include "graphics/objparser.h"
#include "graphics/pc2reader.h"
#include "graphics/texture.h"
#include "system/filewatcher.h"
#include "system/log.h"

namespace {

// Most GPU memory one model's geometry (all frames of all meshes) may take.
constexpr uint64_t kMaxGeometryBytes = uint64_t(4) << 30;

// The last model instance buffer created; alive as long as some model holds it.
std::weak_ptr<Model::InstanceBuffer> gSharedModelInstances;

std::shared_ptr<Model::InstanceBuffer> AcquireInstanceData() {
    if (auto existing = gSharedModelInstances.lock()) return existing;
    auto created = std::make_shared<Model::InstanceBuffer>(Model::kInstanceBatch);
    const std::vector<Model::GPUModelData> identities(Model::kInstanceBatch);
    created->Update(identities.data(), Model::kInstanceBatch);
    gSharedModelInstances = created;
    return created;
}

// The part of a file name up to and including its last "/" or "\"; empty without one.
std::string DirectoryOf(const std::string& fileName) {
    const size_t slash = fileName.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

// Reads and parses one material library; a library that cannot be read adds nothing.
void ReadMaterialLibrary(const std::string& directory, const std::string& name,
                         std::map<std::string, MtlMaterial>* materials) {
    std::string path = directory + name;
    std::replace(path.begin(), path.end(), '\\', '/');
    FileWatcher reader(path);
    const FileContents& contents = reader.GetData();
    if (!contents.Empty())
        ParseMtl(reinterpret_cast<const char*>(contents.Bytes()), contents.size, directory, materials);
}

// Material records with their maps loaded as textures; one texture per distinct file name.
std::map<std::string, Model::Material> MakeMaterials(const std::map<std::string, MtlMaterial>& records) {
    std::map<std::string, std::shared_ptr<Texture>> textures;
    auto texture = [&](const std::string& name) {
        std::shared_ptr<Texture>& t = textures[name];
        if (!t) t = std::make_shared<Texture>(name);
        return t;
    };
    std::map<std::string, Model::Material> materials;
    for (const auto& [name, r] : records) {
        Model::Material& m = materials[name];
        std::copy(r.ambient, r.ambient + 4, m.ambient);
        std::copy(r.diffuse, r.diffuse + 4, m.diffuse);
        std::copy(r.emissive, r.emissive + 4, m.emissive);
        std::copy(r.specular, r.specular + 4, m.specular);
        m.specularPower = r.specularPower;
        m.ambientMap = texture(r.ambientMap);
        m.diffuseMap = texture(r.diffuseMap);
        m.emissiveMap = texture(r.emissiveMap);
    }
    return materials;
}

// GPU buffers for one frame's parts.
Model::Frame UploadFrame(const std::vector<MeshPartData>& parts) {
    Model::Frame frame;
    for (const MeshPartData& data : parts) {
        Model::Part part;
        part.vertices = std::make_shared<VertexBuffer<SVertexDesc>>(uint32_t(data.vertices.size()));
        part.vertices->UpdateVertices(data.vertices.data(), uint32_t(data.vertices.size()));
        part.indices = std::make_shared<IndexBuffer<short>>(uint32_t(data.indices.size()));
        // Signed and unsigned 16-bit integers share their bytes; the GPU reads them unsigned.
        part.indices->UpdateIndices(reinterpret_cast<const short*>(data.indices.data()),
                                    uint32_t(data.indices.size()));
        frame.parts.push_back(std::move(part));
    }
    return frame;
}

}  // namespace

Model::Model() : instanceData_(AcquireInstanceData()), materialConstants_(80) {}

Model::~Model() = default;

std::string Model::AnimationNameFor(const std::string& modelName) {
    static const std::regex kObj("\\.obj", std::regex::ECMAScript);
    return std::regex_replace(modelName, kObj, ".pc2");
}

bool Model::Load(const std::string& modelName, const std::string& animationName) {
    meshes_.clear();
    modelWatcher_ = std::make_unique<FileWatcher>(modelName);
    animationWatcher_ = std::make_unique<FileWatcher>(animationName);
    const std::string directory = DirectoryOf(modelName);

    // Readers of their own free the file bytes once the model is built.
    FileWatcher modelReader(modelName);
    const FileContents& objText = modelReader.GetData();
    if (objText.Empty()) {
        LOG("Model file '%s' couldn't be opened", modelName.c_str());
        return false;
    }
    FileWatcher animationReader(animationName);
    const FileContents* pc2 = nullptr;
    if (!animationName.empty()) {
        // A static model has no animation file: say so once, without the reader's own line.
        static const FileContents kMissing;
        pc2 = FileModificationTime(animationName) < 0 ? &kMissing : &animationReader.GetData();
        if (pc2->Empty()) {
            LOG("Animation file '%s' couldn't be opened. There will be no animation for this model",
                animationName.c_str());
            pc2 = nullptr;
        }
    }

    std::map<std::string, MtlMaterial> records;
    records[kDefaultMaterialName];
    ObjMaterialHooks hooks;
    hooks.loadLibrary = [&](const std::string& name) { ReadMaterialLibrary(directory, name, &records); };
    hooks.hasMaterial = [&](const std::string& name) { return records.count(name) != 0; };
    ObjModel obj;
    ParseObj(reinterpret_cast<const char*>(objText.Bytes()), objText.size, hooks, &obj);
    if (obj.positions.empty()) {
        LOG("Model file '%s' has no vertices", modelName.c_str());
        return false;
    }
    if (const size_t dropped = FinishObj(&obj))
        LOG("Model file '%s' has %zu faces with indices outside its lists; they are left out", modelName.c_str(),
            dropped);
    if (obj.faceCount == 0) {
        LOG("Model file '%s' has no faces", modelName.c_str());
        return false;
    }

    Pc2Animation animation;
    if (pc2) {
        animation = ReadPc2(pc2->Bytes(), pc2->size, obj.positions.size());
        const char* name = animationName.c_str();
        switch (animation.error) {
            case Pc2Error::None: break;
            case Pc2Error::UnknownHeader: LOG("Animation file '%s' has unknown PC2 header", name); return false;
            case Pc2Error::BadVersion:
                LOG("Animation file '%s' has bad file version (expected %d, got %d)", name, 1, animation.version);
                return false;
            case Pc2Error::WrongPointCount:
                LOG("Animation file '%s' has wrong number of points (expected %d, got %d)", name,
                    int(obj.positions.size()), animation.pointCount);
                return false;
            case Pc2Error::BadSampleCount:
                LOG("Animation file '%s' has no samples (sample count %d)", name, animation.sampleCount);
                return false;
            case Pc2Error::TooShort:
                LOG("Animation file '%s' is shorter than its header announces (%llu bytes needed, %u present)", name,
                    (unsigned long long)animation.neededBytes, pc2->size);
                return false;
        }
    }
    const size_t frameCount = pc2 ? size_t(animation.sampleCount) : 1;

    // Every frame stays on the GPU. The first frame's size tells what all of them will take,
    // so that a small file of many samples cannot ask for more memory than a show can have.
    MeshBuilder builder;
    auto build = [&](const std::vector<ObjFace>& faces, size_t frame) {
        const vec3* positions = pc2 ? animation.Sample(frame) : obj.positions.data();
        return builder.Build(faces, positions, obj.positions.size(), obj.texcoords, obj.normals);
    };
    std::vector<std::vector<MeshPartData>> firstFrames;
    uint64_t frameBytes = 0;
    for (const auto& entry : obj.faces) {
        firstFrames.push_back(build(entry.second, 0));
        for (const MeshPartData& part : firstFrames.back())
            frameBytes += part.vertices.size() * sizeof(SVertexDesc) + part.indices.size() * sizeof(uint16_t);
    }
    if (frameBytes > kMaxGeometryBytes / frameCount) {
        LOG("Model file '%s' needs %.0f MiB of geometry for %zu frames, more than the %llu MiB allowed",
            modelName.c_str(), double(frameBytes) * double(frameCount) / double(1 << 20), frameCount,
            (unsigned long long)(kMaxGeometryBytes >> 20));
        return false;
    }

    // Face lists are keyed by material name, so they come in the materials' byte-wise order.
    std::vector<std::shared_ptr<Mesh>> meshes;
    size_t meshIndex = 0;
    for (const auto& [materialName, faces] : obj.faces) {
        auto mesh = std::make_shared<Mesh>();
        mesh->materialName = materialName;
        mesh->frameRate = pc2 ? animation.sampleRate : 1.0f;
        mesh->frames.reserve(frameCount);
        mesh->frames.push_back(UploadFrame(firstFrames[meshIndex++]));
        for (size_t f = 1; f < frameCount; ++f) mesh->frames.push_back(UploadFrame(build(faces, f)));
        meshes.push_back(std::move(mesh));
    }

    meshes_ = std::move(meshes);
    materials_ = MakeMaterials(records);
    return true;
}

size_t Model::FrameIndex(float time, float frameRate, size_t frameCount) {
    if (frameCount == 0) return 0;
    const float product = time * frameRate;
    if (!std::isfinite(product)) return 0;
    const long long frame = static_cast<long long>(std::trunc(std::fmod(product, float(frameCount))));
    const long long count = static_cast<long long>(frameCount);
    return static_cast<size_t>(((frame % count) + count) % count);
}
